#include "history/recorder.h"

#include "config/errorhandler.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "eventlog/eventdownload.h"
#include "history/eventarchive.h"
#include "link/dmcom.h"
#include "link/frame.h"
#include "store/datamodule.h"
#include "transfer/scanpause.h"

#include <pwd.h>
#include <unistd.h>

namespace {
// Short: the identity is asked only so the register can name the controller.
constexpr int IdentityWaitMs = 1000;

QString OperatingSystemUser()
{
    if (const passwd *entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

TActionTarget Identity(const QString &port, const QByteArray &reply)
{
    // The identity reply's layout, as the poll reads it.
    const QString text = QString::fromLatin1(reply);
    return {port, text.mid(0, 8), text.mid(8, 4), text.mid(12, 4)};
}

QString EventDownloadOutcome(const TEventLogDownload &download)
{
    if (download.Aborted)
        return QString::fromUtf8(Msg::RegisterAborted);
    return download.Complete() ? QString::fromUtf8(Msg::RegisterDone) : download.Problem();
}
}

QString TransferOptions(bool withSchedule, bool withHolidays, bool withAdvanced, bool syncClock, bool verify)
{
    QStringList options;
    for (auto [chosen, name] : {std::pair{withSchedule, "schedule"}, std::pair{withHolidays, "holidays"},
                                std::pair{withAdvanced, "advanced"}, std::pair{syncClock, "clock"},
                                std::pair{verify, "verify"}})
        if (chosen)
            options << QString::fromLatin1(name);
    return options.join(u',');
}

QString OverrideOptions(quint8 mode, const QTime &until)
{
    static const char *const Modes[3] = {"auto", "on", "off"};
    const QString name = QString::fromLatin1(Modes[qMin<int>(mode, 2)]);
    return mode == 0 ? name : name + QStringLiteral(" until ") + until.toString(QStringLiteral("HH:mm"));
}

TActionTarget ConnectedController()
{
    const TdmCOM &link = dmCOM();
    return {link.PortName(), link.SignSerial(), link.SignBoardVer(), link.SignFirmwareVer()};
}

TActionTarget IdentifiedController()
{
    if (!dmCOM().SignSerial().isEmpty() || !dmCOM().UniConnected())
        return ConnectedController();
    const TScanPause pause;
    return AskController();
}

TActionTarget AskController()
{
    TdmCOM &link = dmCOM();
    try {
        QByteArray reply;
        if (link.ExchangeMessage(cmdIdentity, {}, reply, IdentityWaitMs, true))
            return Identity(link.PortName(), reply);
    } catch (...) {
        // The action itself meets the line's failure and reports it.
    }
    return {link.PortName(), {}, {}, {}};
}

THistoryRecorder &History()
{
    static THistoryRecorder recorder;
    return recorder;
}

void THistoryRecorder::Report(const QString &text) noexcept
{
    try {
        if (fReporter)
            fReporter(text);
        else
            Messages().Warning(text);
    } catch (...) {
        // Nothing is left to tell with; the action goes on all the same.
    }
}

template <typename Work>
bool THistoryRecorder::Attempt(Work &&work) noexcept
{
    try {
        work();
        fFailing = false;
        return true;
    } catch (...) {
        if (!fFailing) {
            fFailing = true;
            Report(Fmt(Msg::RegisterNotWritten, ExceptionText(std::current_exception())));
        }
        return false;
    }
}

qint64 THistoryRecorder::Record(TActionRecord action, const TActionTarget &target) noexcept
{
    qint64 id = 0;
    Attempt([&] {
        action.When = QDateTime::currentDateTimeUtc();
        action.Source = fSource;
        action.User = OperatingSystemUser();
        action.Port = target.Port;
        action.Serial = target.Serial;
        action.Board = target.Board;
        action.Firmware = target.Firmware;
        id = THistoryRegister(DM()).Add(action);
    });
    return id;
}

void THistoryRecorder::NoteIdentity(const TActionTarget &target) noexcept
{
    const QString identity = target.Port + u'\n' + target.Serial + u'\n' + target.Board + u'\n' + target.Firmware;
    if (target.Serial.isEmpty() || identity == fLastIdentity)
        return;
    fLastIdentity = identity;
    TActionRecord action;
    action.Action = QString::fromLatin1(THistoryRegister::Identify);
    action.Outcome = QString::fromUtf8(Msg::RegisterDone);
    Record(action, target);
}

int THistoryRecorder::RecordEventDownload(const TActionTarget &target, const TEventLogDownload &download) noexcept
{
    TActionRecord action;
    action.Action = QString::fromLatin1(THistoryRegister::Events);
    action.Outcome = EventDownloadOutcome(download);
    const qint64 id = Record(action, target);
    // A register that could not take the action cannot take its events
    // either, and has said so already.
    if (id == 0 || download.Events.isEmpty())
        return 0;
    int added = 0;
    QString notArchived = QString::fromUtf8(Msg::ArchiveNoSerial);
    if (target.Serial.isEmpty()) {
        Report(notArchived);
    } else if (Attempt([&] {
                   try {
                       added = TEventArchive(DM()).Merge(target.Serial, download.Events, id);
                   } catch (...) {
                       notArchived = Fmt(Msg::ArchiveNotWritten, ExceptionText(std::current_exception()));
                       throw;
                   }
               })) {
        return added;
    }
    // The action's row names what failed after it: the events were not kept.
    Attempt([&] { THistoryRegister(DM()).SetOutcome(id, Fmt(Msg::RegisterNotArchived, action.Outcome, notArchived)); });
    return 0;
}

TRecordedAction::TRecordedAction(const TActionTarget &target, const char *action, const QString &options)
    : fTarget(target)
{
    fAction.Action = QString::fromLatin1(action);
    fAction.Options = options;
    fAction.Outcome = QString::fromUtf8(Msg::RegisterDone);
}

void TRecordedAction::Fail(std::exception_ptr error)
{
    fAction.Outcome = ExceptionText(error);
}

qint64 TRecordedAction::Write() noexcept
{
    if (!fWritten) {
        fWritten = true;
        fId = History().Record(fAction, fTarget);
    }
    return fId;
}
