#pragma once
#include "history/register.h"

#include <QString>
#include <QTime>
#include <functional>

struct TEventLogDownload;

// The controller an action works on: the port and what it said of itself.
struct TActionTarget {
    QString Port;
    QString Serial;
    QString Board;
    QString Firmware;
};

// The connected controller as the identity poll knows it.
TActionTarget ConnectedController();
// The connected controller; asked, with the poll held off, when the poll
// has not heard its identity yet (the download offered on connecting).
TActionTarget IdentifiedController();
// Asks the controller on the open port who it is, once (the command-line
// tool runs no identity poll). The identity fields stay empty without an answer.
TActionTarget AskController();

// Writes the register for the window and the command-line tool. Recording
// never stops an operator's action: every failure to write is caught, and
// the first of a run of failures is reported through the reporter (the
// window's status bar; a warning elsewhere), the next only after a write
// succeeded again.
class THistoryRecorder {
public:
    using TReporter = std::function<void(const QString &text)>;

    // "window" or "cli": which program did the action.
    void SetSource(const QString &source) { fSource = source; }
    // Null restores the default: a warning through the message service.
    void SetReporter(TReporter reporter) { fReporter = std::move(reporter); }

    // Fills in when, who and from which program; returns the new action's id,
    // 0 when it could not be written.
    qint64 Record(TActionRecord action, const TActionTarget &target) noexcept;
    // An identity reply of the connected controller: recorded once per
    // connection and identity, so the poll's answer every second adds one row.
    void NoteIdentity(const TActionTarget &target) noexcept;
    // A new connection: its first identity reply is recorded again.
    void NewConnection() { fLastIdentity = {}; }
    // Records an event-log download and archives the events it read; returns
    // how many of them the archive did not hold yet (0 when none could be kept).
    int RecordEventDownload(const TActionTarget &target, const TEventLogDownload &download) noexcept;

private:
    void Report(const QString &text) noexcept;
    template <typename Work>
    bool Attempt(Work &&work) noexcept;

    QString fSource = QStringLiteral("window");
    TReporter fReporter;
    bool fFailing = false;
    QString fLastIdentity;
};

// The options of an action as the register keeps them: the parts
// ("schedule,holidays,advanced") with "clock" and "verify" for an upload;
// "auto", or "on"/"off" with "until HH:MM", for an override.
QString TransferOptions(bool withSchedule, bool withHolidays, bool withAdvanced, bool syncClock = false,
                        bool verify = false);
QString OverrideOptions(quint8 mode, const QTime &until);

// The program's one recorder.
THistoryRecorder &History();

// One action on the controller, recorded when it ends: done, or the text of
// the error that ended it.
class TRecordedAction {
public:
    TRecordedAction(const TActionTarget &target, const char *action, const QString &options);
    ~TRecordedAction() { Write(); }
    TRecordedAction(const TRecordedAction &) = delete;
    TRecordedAction &operator=(const TRecordedAction &) = delete;

    // Runs work; an error that escapes it becomes the outcome and goes on.
    template <typename Work>
    void Run(Work &&work)
    {
        try {
            work();
        } catch (...) {
            Fail(std::current_exception());
            throw;
        }
    }
    void Fail(std::exception_ptr error);
    // The outcome when it is not "done" and no error was raised.
    void SetOutcome(const QString &text) { fAction.Outcome = text; }
    // Keeps the settings-file text of the configuration sent or read, as
    // makeText gives it; one that cannot be made is not kept, and the action
    // goes on all the same.
    template <typename MakeText>
    void KeepConfig(MakeText &&makeText) noexcept
    {
        try {
            fAction.Config = makeText();
        } catch (...) {
            fAction.Config.clear();
        }
    }
    // Writes the action once; later calls return the same id.
    qint64 Write() noexcept;

private:
    TActionTarget fTarget;
    TActionRecord fAction;
    qint64 fId = 0;
    bool fWritten = false;
};
