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
// open for the run. Recording goes on without it; what it could not record is
// reported once, as a warning.
class TCliRegister {
public:
    TCliRegister();
    ~TCliRegister();
    // For the commands that read the register: fails with status 4 when the
    // database could not be opened.
    void Require() const;
    // The controller on the open port, asked who it is when the register can
    // keep the answer.
    TActionTarget Target() const;

private:
    TAppConfig fConfig;
    TDM fDM;
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
