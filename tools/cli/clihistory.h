#pragma once
// The command-line tool's part of the history: the register it writes while
// it works on a controller, the commands that read it (history, events
// --archive), diff and the verification after an upload.
#include "config/appconfig.h"
#include "history/recorder.h"
#include "store/datamodule.h"
#include "transfer/workflows.h"

class QCommandLineParser;

// The library database the window uses, named by the per-user configuration,
// open for the run; made on first use, like the window's first start, when
// none is configured. Recording goes on without it; what it could not record
// is reported once, as a warning, with the reason.
class TCliRegister {
public:
    TCliRegister();
    ~TCliRegister();
    // For the commands that read the register: false, saying so, when there
    // is no library database (nothing recorded); fails with status 4, and the
    // reason, when it could not be opened.
    bool Require() const;
    // The controller on the open port, asked who it is when the register can
    // keep the answer.
    TActionTarget Target() const;

private:
    QString Problem() const;

    TAppConfig fConfig;
    TDM fDM;
    QString fNotCreated; // why the default library could not be made
};

// "history": lists the register, or writes one recorded configuration to a file.
void HistoryCommand(const QCommandLineParser &parser);
// "events --archive": writes a controller's archived events as an event-log file.
void ArchiveCommand(const QCommandLineParser &parser);
// "diff": reads the controller and lists how it differs from the file; the
// exit status, done or different.
int DiffCommand(const QCommandLineParser &parser);
// The upload's verification: a difference fails with status 6, a read the
// controller does not answer with status 3; both are recorded.
void VerifyCommand(TRecordedAction &record, TProgressLog &log, bool withAdvanced, bool withSchedule,
                   bool withHolidays);
