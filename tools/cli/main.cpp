// pvbcs-cli: the operator's jobs on a beacon controller from the command line,
// for technicians who keep many beacons' configurations in files and script
// them. The same core code as the window does the work.
#include "clicalendar.h"
#include "cliaudit.h"
#include "cliconsole.h"
#include "clifailure.h"
#include "clifleet.h"
#include "clihistory.h"
#include "clijson.h"
#include "cliinterrupt.h"
#include "cliplan.h"
#include "cliports.h"
#include "config/commandline.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "eventlog/eventdownload.h"
#include "eventlog/eventlogfile.h"
#include "link/dmcom.h"
#include "link/netaddress.h"
#include "link/serialline.h"
#include "manual/pvbcs-cli.h"
#include "protocol/beaconprotocol.h"
#include "report/beaconreports.h"
#include "report/reportdata.h"
#include "transfer/advancedsettings.h"
#include "transfer/monitoring.h"
#include "transfer/settingsfile.h"
#include "transfer/workflows.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <memory>

namespace {
struct TCommand {
    bool needsPort;
    QStringList required;
    QStringList optional;
    int arguments; // positional arguments after the command
    const char *argumentUsage = nullptr; // the error when the argument is missing
};

const QMap<QString, TCommand> Commands = {
    {QStringLiteral("ports"), {false, {}, {QStringLiteral("json")}, 0}},
    {QStringLiteral("identify"), {true, {}, {QStringLiteral("json")}, 0}},
    {QStringLiteral("download"), {true, {QStringLiteral("out")}, {QStringLiteral("parts")}, 0}},
    {QStringLiteral("upload"),
     {true, {QStringLiteral("in")}, {QStringLiteral("parts"), QStringLiteral("no-clock"), QStringLiteral("verify")}, 0}},
    {QStringLiteral("override"), {true, {}, {QStringLiteral("until")}, 1, Msg::CliOverrideMode}},
    {QStringLiteral("status"), {true, {}, {QStringLiteral("json")}, 0}},
    {QStringLiteral("events"), {true, {QStringLiteral("out")}, {}, 0}},
    {QStringLiteral("events --archive"),
     {false, {QStringLiteral("archive"), QStringLiteral("serial"), QStringLiteral("out")}, {}, 0}},
    {QStringLiteral("diff"), {true, {QStringLiteral("in")}, {QStringLiteral("json")}, 0}},
    {QStringLiteral("history"),
     {false, {}, {QStringLiteral("serial"), QStringLiteral("since"), QStringLiteral("json"), QStringLiteral("config"),
                  QStringLiteral("out")}, 0}},
    {QStringLiteral("report"),
     {false, {QStringLiteral("in"), QStringLiteral("pdf")}, {QStringLiteral("settings")}, 1, Msg::CliReportKind}},
    {QStringLiteral("calendar"),
     {false, {QStringLiteral("ics"), QStringLiteral("name")},
      {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("mode"), QStringLiteral("only")}, 1, Msg::ImportAction}},
    {QStringLiteral("audit"),
     {false, {QStringLiteral("serial"), QStringLiteral("from"), QStringLiteral("to")},
      {QStringLiteral("json"), QStringLiteral("pdf"), QStringLiteral("tolerance")}, 0}},
    {QStringLiteral("plan"),
     {false, {QStringLiteral("in"), QStringLiteral("from"), QStringLiteral("to")},
      {QStringLiteral("json"), QStringLiteral("ics")}, 0}},
};

void CheckUsage(const QCommandLineParser &parser, const QString &name)
{
    const TCommand &command = Commands.value(name);
    const QStringList args = parser.positionalArguments();
    if (args.size() > 1 + command.arguments)
        Usage(Fmt(Msg::CliExtraArgument, args.at(1 + command.arguments)));
    if (args.size() < 1 + command.arguments)
        Usage(QString::fromUtf8(command.argumentUsage));
    QStringList allowed = command.required + command.optional;
    if (command.needsPort) {
        if (!parser.isSet(QStringLiteral("port")))
            Usage(Fmt(Msg::CliOptionNeeded, name, QStringLiteral("port")));
        allowed << QStringLiteral("port");
    }
    for (const QString &option : command.required)
        if (!parser.isSet(option))
            Usage(Fmt(Msg::CliOptionNeeded, name, option));
    for (const QString &option : parser.optionNames())
        if (!allowed.contains(option))
            Usage(Fmt(Msg::CliOptionNotUsed, name, option));
}

TConfigParts ParseParts(const QCommandLineParser &parser)
{
    if (!parser.isSet(QStringLiteral("parts")))
        return {};
    TConfigParts parts{false, false, false};
    for (const QString &item : parser.value(QStringLiteral("parts")).split(u',')) {
        const QString part = item.trimmed().toLower();
        if (part == QLatin1String("schedule"))
            parts.Schedule = true;
        else if (part == QLatin1String("holidays"))
            parts.Holidays = true;
        else if (part == QLatin1String("advanced"))
            parts.Advanced = true;
        else
            Usage(Fmt(Msg::CliUnknownPart, item));
    }
    return parts;
}

quint8 ParseMode(const QCommandLineParser &parser)
{
    static const QStringList modes = {QStringLiteral("auto"), QStringLiteral("on"), QStringLiteral("off")};
    const qsizetype mode = modes.indexOf(parser.positionalArguments().at(1).toLower());
    if (mode < 0)
        Usage(QString::fromUtf8(Msg::CliOverrideMode));
    return quint8(mode);
}

QTime ParseUntil(const QCommandLineParser &parser)
{
    if (!parser.isSet(QStringLiteral("until")))
        return QTime(23, 59); // the window's picker starts there
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(parser.value(QStringLiteral("until")).trimmed());
    const QTime time = match.hasMatch() ? QTime(match.captured(1).toInt(), match.captured(2).toInt()) : QTime();
    if (!time.isValid())
        Usage(QString::fromUtf8(Msg::CliUntilTime));
    return time;
}

// Opens the port named by --port. "auto" takes the one port on which a
// controller answers and refuses to choose between several: an upload must
// never reach a beacon the technician did not name.
void OpenPort(TdmCOM &link, const QString &requested)
{
    QString port = requested;
    if (port.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        const TScanResult found = SearchAllPorts();
        if (found.Answered.size() > 1)
            throw TFailure{ExitPort, Fmt(Msg::CliManyControllers, found.Answered.join(QStringLiteral("\n  ")))};
        if (found.Answered.isEmpty()) {
            const QString why = found.AccessText();
            throw TFailure{ExitPort, why.isEmpty() ? QString::fromUtf8(Msg::CliNoController)
                                                   : Msg::CliNoController + QStringLiteral("\n\n") + why};
        }
        port = found.Port();
        PrintOut(Fmt(Msg::CliControllerFound, port));
    }
    link.SetPortName(port);
    try {
        link.Open();
    } catch (const ELineOpenError &e) {
        throw TFailure{ExitPort, e.FullText()};
    }
}

// Finds an output file that cannot be written before the controller is
// asked for anything; a file made for the test is removed again.
void CheckWritable(const QString &fileName)
{
    if (fileName == QLatin1String("-"))
        return;
    QFile file(fileName);
    const bool existed = file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw TFailure{ExitFile, Fmt(Msg::UnableToWrite, fileName)};
    file.close();
    if (!existed)
        file.remove();
}

void Identify(TdmCOM &link, bool json)
{
    const TLinkActivity activity(link, QString::fromUtf8(Msg::ActivityIdentity));
    if (!link.Identify() || link.SignSerial().isEmpty()) {
        TRecordedAction record(ConnectedController(), THistoryRegister::Identify, {});
        record.SetOutcome(Fmt(Msg::CliNoAnswer, link.PortName()));
        throw TFailure{ExitNoAnswer, Fmt(Msg::CliNoAnswer, link.PortName())};
    }
    History().NoteIdentity(ConnectedController());
    if (json) {
        PrintJson(IdentityJson(ConnectedController()));
        return;
    }
    PrintOut(Fmt(Msg::CliSerialNumber, Printable(link.SignSerial())));
    PrintOut(Fmt(Msg::CliFirmware, Printable(link.SignFirmwareVer())));
    PrintOut(Fmt(Msg::CliBoard, Printable(link.SignBoardVer())));
}

void Download(const TCliRegister &history, const QString &fileName, const TConfigParts &parts)
{
    TAdvancedSettings page;
    TRecordedAction record(history.Target(), THistoryRegister::Download,
                           TransferOptions(parts.Schedule, parts.Holidays, parts.Advanced));
    {
        TCliLog log;
        Guard(ExitNoAnswer,
              [&] { record.Run([&] { DownloadFromBeacon(log, parts.Schedule, parts.Holidays, parts.Advanced); }); });
    }
    page.ShowSettings(BeaconSettings);
    record.KeepConfig([&] { return SettingsFileText(parts, page); });
    try {
        WriteOutput(fileName, [&](const QString &file) { SaveSettingsFile(file, parts, page); });
    } catch (const Exception &e) {
        // Read, but lost on the way to the file: the register says so.
        record.SetOutcome(Fmt(Msg::RegisterOutputFailed, e.Message()));
        throw TFailure{ExitFile, e.Message()};
    }
}

void Upload(TdmCOM &link, const TCliRegister &history, const QCommandLineParser &parser, const TConfigParts &parts)
{
    // A mistyped name would otherwise upload an empty configuration.
    TAdvancedSettings page;
    Guard(ExitFile, [&] { LoadSettingsText(ReadSettingsInput(parser.value(QStringLiteral("in"))), parts, page); });
    page.SetSettings(BeaconSettings);
    BeaconSettings.CommMode = 2;
    Guard(ExitRefused, [&] { CheckUploadConfiguration(parts.Advanced, parts.Schedule, parts.Holidays); });
    OpenPort(link, parser.value(QStringLiteral("port")));
    const bool clock = !parser.isSet(QStringLiteral("no-clock"));
    const bool verify = parser.isSet(QStringLiteral("verify"));
    TRecordedAction record(history.Target(), THistoryRegister::Upload,
                           TransferOptions(parts.Schedule, parts.Holidays, parts.Advanced, clock, verify));
    record.KeepConfig([&] { return SettingsFileText(parts, page); });
    TCliLog log;
    Guard(ExitNoAnswer, [&] {
        record.Run([&] { UploadToBeacon(log, parts.Advanced, clock, parts.Schedule, parts.Holidays); });
    });
    if (verify)
        VerifyCommand(record, log, parts.Advanced, parts.Schedule, parts.Holidays);
}

void Override(const TCliRegister &history, quint8 mode, const QTime &until)
{
    bool answered = false;
    TRecordedAction record(history.Target(), THistoryRegister::Override, OverrideOptions(mode, until));
    Guard(ExitNoAnswer, [&] { record.Run([&] { answered = SendOverride(mode, until); }); });
    if (!answered) {
        record.SetOutcome(QString::fromUtf8(Msg::OverrideNotSet));
        throw TFailure{ExitNoAnswer, {}}; // the message service has said so
    }
}

void Status(const TdmCOM &link, bool json)
{
    TDiagnostics diagnostics;
    Guard(ExitNoAnswer, [&] { diagnostics.RunCycle(); });
    if (json) {
        PrintJson(StatusJson(link.PortName(), diagnostics));
        return;
    }
    for (const QString &field : diagnostics.Fields())
        PrintOut(field.mid(1)); // the blank is the window's margin
}

// A name beside fileName for an incomplete list: NAME-partial.csv, or
// NAME-partial-2.csv and so on when that exists too.
QString PartialFileName(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("-partial"));
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + u'-' + QString::number(n) + suffix;
    return name;
}

void Events(TdmCOM &link, const TCliRegister &history, const QString &fileName)
{
    const TActionTarget controller = history.Target();
    TEventLogDownload download;
    {
        const TInterruptAborts interrupt(link);
        download = DownloadEventLog(nullptr);
    }
    History().RecordEventDownload(controller, download);
    if (download.Aborted)
        throw TFailure{ExitInterrupted, QString::fromUtf8(Msg::CliEventsAborted)};
    if (download.Rows.isEmpty())
        throw TFailure{ExitNoAnswer,
                       download.Error.isEmpty() ? Fmt(Msg::CliNoAnswer, link.PortName()) : download.Problem()};
    // A complete list read earlier is worth more than an incomplete one now;
    // standard output has nothing to keep.
    const bool keepEarlier = !download.Complete() && fileName != QLatin1String("-") && QFileInfo::exists(fileName);
    const QString target = keepEarlier ? PartialFileName(fileName) : fileName;
    Guard(ExitFile, [&] { WriteOutput(target, [&](const QString &file) { SaveEventLogFile(file, download.Rows); }); });
    if (target == fileName)
        PrintOut(Fmt(Msg::CliEventsSaved, download.Rows.size(), fileName));
    else
        PrintOut(Fmt(Msg::CliEventsSavedElsewhere, fileName, download.Rows.size(), target));
    if (!download.Complete())
        throw TFailure{ExitNoAnswer, download.Problem()};
}

// A report made with the window's templates and callbacks, from files.
void Report(const QCommandLineParser &parser)
{
    const QString kind = parser.positionalArguments().at(1).toLower();
    const bool events = kind == QLatin1String("events");
    if (!events && kind != QLatin1String("config"))
        Usage(QString::fromUtf8(Msg::CliReportKind));
    if (!events && parser.isSet(QStringLiteral("settings")))
        Usage(Fmt(Msg::CliOptionNotUsed, QStringLiteral("report config"), QStringLiteral("settings")));
    const QString in = parser.value(QStringLiteral("in"));
    const QString settingsFile = events ? parser.value(QStringLiteral("settings")) : in;
    // A mistyped name would otherwise give an empty report.
    QByteArray eventLog, settings;
    Guard(ExitFile, [&] {
        if (events)
            eventLog = ReadInput(in);
        if (!settingsFile.isEmpty())
            settings = ReadSettingsInput(settingsFile);
    });

    TReportSources sources;
    TAdvancedSettings page;
    if (!settingsFile.isEmpty()) {
        const TConfigParts parts{!events, !events, true};
        Guard(ExitFile, [&] { LoadSettingsText(settings, parts, page); });
        sources.Settings = [&page] { return page; };
    }
    QList<TListItem> rows;
    if (events)
        Guard(ExitFile, [&] { ReadEventLogText(eventLog, in, rows); });
    sources.Events = [&rows] { return rows; };

    TReportTemplate report = events ? CreateEventLogReport() : CreateConfigurationReport();
    ConnectReport(report, sources);
    const TPreparedReport prepared = report.Prepare();
    const QString pdf = parser.value(QStringLiteral("pdf"));
    Guard(ExitFile, [&] { WriteOutput(pdf, [&](const QString &file) { prepared.ExportToPdf(file); }); });
    PrintOut(Fmt(Msg::CliReportSaved, prepared.Pages.size(), pdf));
}

// json: set as soon as the command line asks for a JSON document, so that a
// failure gives one too.
int Run(const QStringList &arguments, bool &json)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("port"), {}, QStringLiteral("DEVICE")},
        {QStringLiteral("out"), {}, QStringLiteral("FILE")},
        {QStringLiteral("in"), {}, QStringLiteral("FILE")},
        {QStringLiteral("pdf"), {}, QStringLiteral("FILE")},
        {QStringLiteral("settings"), {}, QStringLiteral("FILE")},
        {QStringLiteral("parts"), {}, QStringLiteral("LIST")},
        {QStringLiteral("no-clock"), {}},
        {QStringLiteral("until"), {}, QStringLiteral("HH:MM")},
        {QStringLiteral("verify"), {}},
        {QStringLiteral("serial"), {}, QStringLiteral("SERIAL")},
        {QStringLiteral("since"), {}, QStringLiteral("DATE")},
        {QStringLiteral("config"), {}, QStringLiteral("N")},
        {QStringLiteral("archive"), {}},
        {QStringLiteral("ics"), {}, QStringLiteral("FILE")},
        {QStringLiteral("name"), {}, QStringLiteral("NAME")},
        {QStringLiteral("from"), {}, QStringLiteral("DATE")},
        {QStringLiteral("to"), {}, QStringLiteral("DATE")},
        {QStringLiteral("mode"), {}, QStringLiteral("DAYMODE")},
        {QStringLiteral("only"), {}, QStringLiteral("TEXT")},
        {QStringLiteral("tolerance"), {}, QStringLiteral("MINUTES")},
        {QStringLiteral("address"), {}, QStringLiteral("ADDRESS")},
        {QStringLiteral("site"), {}, QStringLiteral("SITE")},
        {QStringLiteral("tags"), {}, QStringLiteral("LIST")},
        {QStringLiteral("location"), {}, QStringLiteral("LAT,LON")},
        {QStringLiteral("notes"), {}, QStringLiteral("TEXT")},
        {QStringLiteral("action"), {}, QStringLiteral("ID")},
        {QStringLiteral("tag"), {}, QStringLiteral("TAG")},
        {QStringLiteral("jobs"), {}, QStringLiteral("N")},
        {QStringLiteral("sync-clock"), {}},
        {QStringLiteral("upload-assigned"), {}},
        {QStringLiteral("json"), {}},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}},
        {QStringLiteral("version"), {}},
    });
    const bool parsed = parser.parse(arguments);
    json = parsed ? parser.isSet(QStringLiteral("json")) : arguments.contains(QStringLiteral("--json"));
    if (!parsed)
        Usage(parser.errorText());
    if (const std::optional<int> answered = AnswerHelpOrVersion(parser, "pvbcs-cli", kManualPage))
        return *answered;
    if (json)
        KeepStdoutForData();
    if (parser.positionalArguments().isEmpty())
        Usage(QString::fromUtf8(Msg::CliNoCommand));
    QString command = parser.positionalArguments().at(0).toLower();
    // The fleet's commands check their own command lines.
    if (command == QLatin1String("fleet"))
        return FleetCommand(parser, json);
    if (command == QLatin1String("events") && parser.isSet(QStringLiteral("archive")))
        command += QStringLiteral(" --archive");
    // "events --archive" is a command of its own only when --archive says so.
    if (!Commands.contains(command) || parser.positionalArguments().at(0).contains(u' '))
        Usage(Fmt(Msg::CliUnknownCommand, parser.positionalArguments().at(0)));
    CheckUsage(parser, command);
    // Every argument is checked before the port is touched.
    const TConfigParts parts = ParseParts(parser);
    const QTime until = ParseUntil(parser);
    const quint8 mode = command == QLatin1String("override") ? ParseMode(parser) : 0;
    const QString out = parser.value(QStringLiteral("out"));
    const QString pdf = parser.value(QStringLiteral("pdf"));
    for (const QString &file : {out, pdf}) {
        if (file == QLatin1String("-"))
            KeepStdoutForData();
        else if (!file.isEmpty())
            CheckWritable(file);
    }
    const QString port = parser.value(QStringLiteral("port"));
    TNetAddress address;
    QString why;
    if (IsNetworkAddress(port) && !ParseNetAddress(port, address, why))
        Usage(why);
    if (parser.value(QStringLiteral("in")) == QLatin1String("-") &&
        parser.value(QStringLiteral("settings")) == QLatin1String("-"))
        Usage(QString::fromUtf8(Msg::CliStdinOnce));

    if (command == QLatin1String("report")) {
        Report(parser);
        return ExitDone;
    }
    if (command == QLatin1String("plan")) {
        PlanCommand(parser, json);
        return ExitDone;
    }
    if (command == QLatin1String("ports")) {
        if (json)
            PrintJson(PortsJson(ListPortsAndBeacons()));
        else
            PrintPorts();
        return ExitDone;
    }
    const TCliRegister history;
    if (command == QLatin1String("history") || command == QLatin1String("events --archive") ||
        command == QLatin1String("audit")) {
        if (!history.Require()) {
            if (command == QLatin1String("history") && json)
                TJsonListOut("actions"); // an empty list
            return ExitDone;
        }
        if (command == QLatin1String("history"))
            HistoryCommand(parser);
        else if (command == QLatin1String("audit"))
            AuditCommand(parser);
        else
            ArchiveCommand(parser);
        return ExitDone;
    }
    if (command == QLatin1String("calendar")) {
        CalendarImportCommand(parser);
        return ExitDone;
    }
    TdmCOM link;
    link.tmrPortCheck.SetEnabled(false); // one job, then the program ends: nothing to watch
    if (command == QLatin1String("upload")) {
        Upload(link, history, parser, parts); // checks the file before it takes the port
        return ExitDone;
    }
    OpenPort(link, parser.value(QStringLiteral("port")));
    if (command == QLatin1String("identify"))
        Identify(link, json);
    else if (command == QLatin1String("download"))
        Download(history, out, parts);
    else if (command == QLatin1String("override"))
        Override(history, mode, until);
    else if (command == QLatin1String("status"))
        Status(link, json);
    else if (command == QLatin1String("diff"))
        return DiffCommand(parser);
    else
        Events(link, history, out);
    return ExitDone;
}
}

// Reports lay text out with the fonts of Qt's GUI library, which needs a
// platform; the offscreen one needs no display. The other commands need none.
std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstricmp(argv[i], "report") == 0 || qstricmp(argv[i], "audit") == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int main(int argc, char **argv)
{
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pvbcs-cli"));
    TCliMessages messages;
    TMessageService::Install(&messages);
    bool json = false;
    TFailure failure;
    try {
        return Run(QCoreApplication::arguments(), json);
    } catch (const TFailure &f) {
        failure = f;
    } catch (const Exception &e) { // an error of the line outside any step
        failure = {ExitNoAnswer, e.Message()};
    }
    if (!failure.text.isEmpty())
        Messages().Error(failure.text);
    if (json) // a script reading standard output finds a document there too
        PrintJsonFailure(failure.code, failure.text);
    return failure.code;
}
