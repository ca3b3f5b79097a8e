#include "clihistory.h"

#include "cliconsole.h"
#include "clifailure.h"
#include "clijson.h"
#include "history/configcompare.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "link/dmcom.h"
#include "store/librarydb.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSaveFile>

namespace {
QString Option(const QCommandLineParser &parser, const char *name)
{
    return parser.value(QLatin1String(name));
}

// A day (midnight) or a date and time, both UTC.
QDateTime ParseSince(const QCommandLineParser &parser)
{
    if (!parser.isSet(QStringLiteral("since")))
        return {};
    const QString text = Option(parser, "since").trimmed();
    QDateTime since = QDateTime::fromString(text, Qt::ISODate);
    if (!since.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid())
            since = QDateTime(day, QTime(0, 0), Qt::UTC);
    }
    if (!since.isValid())
        Usage(QString::fromUtf8(Msg::CliSinceDate));
    if (since.timeSpec() == Qt::LocalTime)
        since.setTimeSpec(Qt::UTC);
    return since;
}

QString OneLine(QString text)
{
    return text.replace(QStringLiteral(":\n"), QStringLiteral(": ")).replace(u'\n', QStringLiteral("; "));
}

QStringList ActionRow(const TActionRecord &a)
{
    return {QString::number(a.Id), a.When.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), Printable(a.Serial),
            Printable(a.Action), Printable(a.Options), a.HasConfig ? QStringLiteral("yes") : QStringLiteral("-"),
            Printable(a.Port), Printable(a.User), Printable(a.Source), Printable(OneLine(a.Outcome))};
}

// Every column as wide as its widest text, the outcome last, as long as it
// is: the widths are taken in a first reading, the rows printed in a second,
// so a long history is never held whole.
void PrintActions(const THistoryRegister &reg, const QString &serial, const QDateTime &since)
{
    const QStringList header = {"ID", "TIME (UTC)", "SERIAL", "ACTION", "OPTIONS", "CONFIG", "PORT", "USER", "FROM",
                                "OUTCOME"};
    QList<qsizetype> widths(header.size(), 0);
    const auto widen = [&widths](const QStringList &row) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row.at(i).size());
    };
    widen(header);
    bool any = false;
    reg.ForEachAction(serial, since, [&](const TActionRecord &a) {
        widen(ActionRow(a));
        any = true;
    });
    if (!any)
        return;
    const auto print = [&widths](const QStringList &row) {
        QString line;
        for (qsizetype i = 0; i + 1 < row.size(); ++i)
            line += row.at(i).leftJustified(widths[i] + 2);
        PrintOut(line + row.last());
    };
    print(header);
    reg.ForEachAction(serial, since, [&](const TActionRecord &a) { print(ActionRow(a)); });
}

void WriteConfig(const QCommandLineParser &parser)
{
    const QString serial = Option(parser, "serial");
    const QString out = Option(parser, "out");
    if (serial.isEmpty() || out.isEmpty())
        Usage(QString::fromUtf8(Msg::CliConfigNeeds));
    bool ok = false;
    const qint64 id = Option(parser, "config").toLongLong(&ok);
    if (!ok)
        Usage(QString::fromUtf8(Msg::CliConfigNumber));
    std::optional<TActionRecord> action;
    Guard(ExitFile, [&] { action = THistoryRegister(DM()).Action(id); });
    if (!action || action->Serial != serial || !action->HasConfig)
        throw TFailure{ExitFile, Fmt(Msg::CliNoConfig, Option(parser, "config"), serial)};
    Guard(ExitFile, [&] {
        WriteOutput(out, [&action](const QString &fileName) {
            QSaveFile file(fileName);
            if (!file.open(QIODevice::WriteOnly) || file.write(action->Config) != action->Config.size() ||
                !file.commit())
                throw Exception(Fmt(Msg::UnableToWrite, fileName));
        });
    });
    PrintOut(Fmt(Msg::CliConfigSaved, id, serial, out));
}
}

TCliRegister::TCliRegister()
{
    History().SetSource(QStringLiteral("cli"));
    const QString name = fConfig.DBName();
    if (!fConfig.DBNameStored()) {
        // The first use, as in the window's first start: the default library.
        try {
            CreateLibraryDatabase(name);
        } catch (const Exception &e) {
            fNotCreated = e.Message();
        }
    }
    fDM.OpenDatabase(name);
    // Without a database the recorder only knows that none is open; say why.
    History().SetReporter([this](const QString &text) {
        Messages().Warning(fDM.IsOpen() ? text : Fmt(Msg::RegisterNotWritten, Problem()));
    });
}

QString TCliRegister::Problem() const
{
    return fNotCreated.isEmpty() ? fDM.OpenError() : fNotCreated;
}

TCliRegister::~TCliRegister()
{
    History().SetReporter(nullptr);
}

bool TCliRegister::Require() const
{
    if (fDM.IsOpen())
        return true;
    if (fNotCreated.isEmpty() && !QFile::exists(fConfig.DBName())) {
        Messages().Information(Fmt(Msg::CliNoLibrary, fConfig.DBName()));
        return false;
    }
    throw TFailure{ExitFile, Problem()};
}

TActionTarget TCliRegister::Target() const
{
    return fDM.IsOpen() ? AskController() : ConnectedController();
}

void HistoryCommand(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("config"))) {
        if (parser.isSet(QStringLiteral("since")) || parser.isSet(QStringLiteral("json")))
            Usage(QString::fromUtf8(Msg::CliConfigNeeds));
        WriteConfig(parser);
        return;
    }
    if (parser.isSet(QStringLiteral("out")))
        Usage(Fmt(Msg::CliOptionNotUsed, QStringLiteral("history"), QStringLiteral("out")));
    const QDateTime since = ParseSince(parser);
    const THistoryRegister reg(DM());
    const QString serial = Option(parser, "serial");
    Guard(ExitFile, [&] {
        if (!parser.isSet(QStringLiteral("json"))) {
            PrintActions(reg, serial, since);
            return;
        }
        TJsonListOut out("actions");
        reg.ForEachAction(serial, since, [&out](const TActionRecord &a) { out.Add(ActionJson(a)); });
    });
}

void ArchiveCommand(const QCommandLineParser &parser)
{
    const QString serial = Option(parser, "serial");
    const QString out = Option(parser, "out");
    const TEventArchive archive(DM());
    int count = 0;
    Guard(ExitFile, [&] { count = archive.EventCount(serial); });
    if (count == 0)
        throw TFailure{ExitFile, Fmt(Msg::CliArchiveEmpty, serial)};
    // Written as read, so a long archive is never held whole.
    Guard(ExitFile, [&] {
        WriteOutput(out, [&](const QString &fileName) { count = SaveArchiveFile(archive, serial, fileName); });
    });
    PrintOut(Fmt(Msg::CliEventsSaved, count, out));
}

int DiffCommand(const QCommandLineParser &parser)
{
    const QString fileName = Option(parser, "in");
    QByteArray text;
    TConfigParts parts;
    Guard(ExitFile, [&] {
        text = ReadSettingsInput(fileName);
        parts = SettingsTextParts(text);
        // A file that cannot be taken is refused before the controller is asked.
        SettingsTextConfig(text, parts, {});
    });
    TBeaconConfig beacon;
    {
        TCliLog log;
        Guard(ExitNoAnswer, [&] { beacon = ReadBeaconConfig(log, parts); });
    }
    TBeaconConfig file;
    Guard(ExitFile, [&] { file = SettingsTextConfig(text, parts, beacon); });
    TCompareScope scope;
    scope.Advanced = parts.Advanced;
    scope.Schedule = parts.Schedule;
    scope.Calendar = parts.Holidays;
    const QList<TConfigDifference> differences = CompareConfigs(beacon, file, scope);
    if (parser.isSet(QStringLiteral("json"))) {
        PrintJson(DifferencesJson(dmCOM().PortName(), fileName, differences));
    } else if (differences.isEmpty()) {
        PrintOut(Fmt(Msg::CompareSame, fileName));
    } else {
        for (const TConfigDifference &difference : differences)
            PrintOut(FileDifferenceText(difference));
    }
    return differences.isEmpty() ? ExitDone : ExitDifferent;
}

void VerifyCommand(TRecordedAction &record, TProgressLog &log, bool withAdvanced, bool withSchedule,
                   bool withHolidays)
{
    try {
        record.Run([&] { VerifyUpload(log, withAdvanced, withSchedule, withHolidays); });
    } catch (const EUploadDiffers &e) {
        throw TFailure{ExitDifferent, e.Message()};
    } catch (const Exception &e) {
        throw TFailure{ExitNoAnswer, e.Message()};
    }
}
