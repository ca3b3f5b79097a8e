// pvbcs-cli: the operator's jobs on a beacon controller from the command line,
// for technicians who keep many beacons' configurations in files and script
// them. The same core code as the window does the work.
#include "cliconsole.h"
#include "clifailure.h"
#include "clihistory.h"
#include "clijson.h"
#include "cliinterrupt.h"
#include "cliports.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "config/version.h"
#include "eventlog/eventdownload.h"
#include "eventlog/eventlogfile.h"
#include "link/dmcom.h"
#include "link/serialline.h"
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
const char *const HelpText = R"(Usage: pvbcs-cli ports [--json]
       pvbcs-cli --port DEVICE identify [--json]
       pvbcs-cli --port DEVICE download --out FILE.bcfg [--parts LIST]
       pvbcs-cli --port DEVICE upload --in FILE.bcfg [--parts LIST] [--no-clock]
                 [--verify]
       pvbcs-cli --port DEVICE override auto|on|off [--until HH:MM]
       pvbcs-cli --port DEVICE status [--json]
       pvbcs-cli --port DEVICE events --out FILE.csv
       pvbcs-cli --port DEVICE diff --in FILE.bcfg [--json]
       pvbcs-cli history [--serial SERIAL] [--since DATE] [--json]
       pvbcs-cli history --serial SERIAL --config N --out FILE.bcfg
       pvbcs-cli events --archive --serial SERIAL --out FILE.csv
       pvbcs-cli report config --in FILE.bcfg --pdf OUT.pdf
       pvbcs-cli report events --in FILE.csv --pdf OUT.pdf [--settings FILE.bcfg]

Reads and writes the configuration of a beacon controller on a serial line,
overrides its schedule, shows its live state and downloads its event log;
prints the program's two reports to PDF files without a window.
Configurations are kept in the settings files (.bcfg) that the program's
"Save to File" and "Load from File" use, so a file made here opens there and
the other way round.

Commands:
  ports      List the serial ports, one a line: first the system's, then the
             virtual ports (such as a running controller simulator). Each
             line holds the name the port opens with, then, separated by
             tabs, the adapter's description, maker, serial number and
             stable name under /dev/serial/by-id, each empty where the
             system knows none: "cut -f1" gives the names.
  identify   Ask the controller for its identity once and print
             "Serial Number: ...", "Firmware: ..." and "Board: ...".
  download   Read the controller's configuration and save it to the file given
             with --out, replacing any file of that name.
  upload     Load the file given with --in and write it to the controller,
             setting the controller's clock to this computer's time.
  override   Force the beacons on or off until a time of day, or give them
             back to their schedule with "auto".
  status     Read the controller's clock, live values and override state once
             and print the six lines of the diagnostics window.
  events     Read the controller's event log (93 entries) and save it, newest
             first, as an event-log file (.csv) to the file given with --out.
             An incomplete list never replaces an existing file: it is saved
             beside it as NAME-partial.csv, and the output says where. After
             five entries in a row without an answer the download stops.
             Ctrl-C aborts the download at once and saves nothing.
             With --archive, no controller is needed: save every event ever
             downloaded from the controller given with --serial instead.
             An incomplete list never replaces an existing file: it is saved
             beside it as NAME-partial.csv, and the output says where. After
             five entries in a row without an answer the download stops.
             Ctrl-C aborts the download at once and saves nothing.
  diff       Read the controller's configuration and list, item by item, how
             it differs from the settings file given with --in, for the parts
             the file holds ("Schedule record 3: OFF time 08:30 on the
             Beacon, 08:45 in the file").
  history    List the register of what was done to which controller: every
             identification, upload, download, override and event-log
             download, from this tool or the window, oldest first. With
             --config, write the configuration recorded with action N (an
             upload or a download) back to a settings file.
  report     Make a report as a PDF file, laid out as the program prints it:
             "report config" the configuration report ("Beacons' Schedule and
             Calendar") of the settings file given with --in; "report events"
             the event-log report of the event-log file given with --in, its
             settings block from the settings file given with --settings
             (left empty without it). The report needs no controller.

Options:
  --port DEVICE  The serial port: a name listed by "ports", a device path
                 (a stable name under /dev/serial/by-id finds an adapter
                 whatever number it has), or "auto" to search all ports for
                 a controller (about 6 s); "auto" refuses to choose when
                 more than one controller answers.
  --out FILE     The file that download or events writes; "-" writes it to
                 standard output, and the steps then go to standard error.
                 A file that cannot be written is reported before anything
                 is read from the controller.
  --in FILE      The settings file that upload and report config read, or
                 the event-log file that report events reads; it must exist.
  --pdf FILE     The PDF file that report writes, replacing any file of that
                 name.
  --settings FILE
                 For report events: the settings file whose advanced settings
                 fill the report's settings block; it must exist.
  --parts LIST   For download and upload: a comma-separated choice of
                 schedule, holidays and advanced; the default is all three.
                 It chooses both what is transferred and what is written to
                 or read from the file. "advanced" covers the flashing,
                 brightness, radio and daylight-saving settings.
                 A download always reads the daylight-saving rule and the
                 names of the holidays; an upload always writes the
                 communication mode and the names of the holidays it holds.
  --no-clock     For upload: leave the controller's clock as it is.
  --verify       For upload: read back what was written and compare it with
                 what was sent; any difference is an error naming the item
                 and both values.
  --serial SERIAL
                 For history: only this controller's actions; for history
                 --config and events --archive: the controller.
  --since DATE   For history: only actions from this UTC date (YYYY-MM-DD) or
                 date and time (YYYY-MM-DDTHH:MM) on.
  --config N     For history: the number (ID) of the recorded action whose
                 configuration --out receives.
  --archive      For events: the archived events instead of the controller's.
  --json         For ports, identify, status, history and diff: print one
                 JSON document instead of the lines described here.
  --until HH:MM  For override on and off: when the override ends (24-hour
                 clock; default 23:59). Ignored with auto.
  -h, --help     Show this help.
  --version      Show the program's version.

Output:
  Each step is logged on standard output as the program's progress window
  shows it; messages that need attention go to standard error. With --json
  standard output holds only the JSON document, and the step lines go to
  standard error. Dates and
  times follow the locale (LANG, LC_ALL, LC_TIME) and settings files are
  written in its date and time formats, each date and time also under a key
  ending in ISO (DateDST1ISO=2026-03-08) that every computer reads alike.
  After editing a date or time by hand, edit or remove its ISO key too. A
  report prints the number of pages it wrote.

Exit status:
  0  done
  1  bad usage
  2  the port could not be opened (the error names it and, where it can,
     says what to do), or with --port auto no controller or more than one
     answered
  3  the controller did not answer a step (the error names it); what was
     transferred before it stays transferred
  4  a file could not be read or written, or a settings file holds a value
     that cannot be taken (the error names the key); nothing was sent
  5  the configuration in the file cannot be sent to the controller (the
     error names the value); nothing was sent
  6  diff found differences, or an upload's verification found the
     controller holding other values than were sent
  130  the event-log download was aborted with Ctrl-C; nothing was saved

History:
  Every command that works on a controller records what it did in the
  register of the library database the window uses (the per-user
  configuration names it): when (UTC), the user, the port, the controller's
  serial number, the action and its options, the outcome, and for uploads and
  downloads the configuration itself. Event-log downloads are merged into the
  controller's event archive. A register that cannot be written is reported
  once as a warning; the command goes on.
)";

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
    } catch (const ESerialOpenError &e) {
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
    const QString fileName = parser.value(QStringLiteral("in"));
    // A mistyped name would otherwise upload an empty configuration.
    if (!QFile::exists(fileName))
        throw TFailure{ExitFile, Fmt(Msg::CliFileMissing, fileName)};
    TAdvancedSettings page;
    Guard(ExitFile, [&] { LoadSettingsFile(fileName, parts, page); });
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

void Status(bool json)
{
    TDiagnostics diagnostics;
    Guard(ExitNoAnswer, [&] { diagnostics.RunCycle(); });
    if (json) {
        PrintJson(StatusJson(diagnostics));
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
    for (const QString &fileName : {in, settingsFile})
        if (!fileName.isEmpty() && !QFile::exists(fileName))
            throw TFailure{ExitFile, Fmt(Msg::CliFileMissing, fileName)};

    TReportSources sources;
    TAdvancedSettings page;
    if (!settingsFile.isEmpty()) {
        const TConfigParts parts{!events, !events, true};
        Guard(ExitFile, [&] { LoadSettingsFile(settingsFile, parts, page); });
        sources.Settings = [&page] { return page; };
    }
    QList<TListItem> rows;
    if (events)
        Guard(ExitFile, [&] { LoadEventLogFile(in, rows); });
    sources.Events = [&rows] { return rows; };

    TReportTemplate report = events ? CreateEventLogReport() : CreateConfigurationReport();
    ConnectReport(report, sources);
    const TPreparedReport prepared = report.Prepare();
    const QString pdf = parser.value(QStringLiteral("pdf"));
    Guard(ExitFile, [&] { prepared.ExportToPdf(pdf); });
    PrintOut(Fmt(Msg::CliReportSaved, prepared.Pages.size(), pdf));
}

int Run(const QStringList &arguments)
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
        {QStringLiteral("json"), {}},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}},
        {QStringLiteral("version"), {}},
    });
    if (!parser.parse(arguments))
        Usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(HelpText, stdout);
        return ExitDone;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        PrintOut(QStringLiteral("pvbcs-cli ") + GetExeVersion());
        return ExitDone;
    }
    if (parser.positionalArguments().isEmpty())
        Usage(QString::fromUtf8(Msg::CliNoCommand));
    QString command = parser.positionalArguments().at(0).toLower();
    if (command == QLatin1String("events") && parser.isSet(QStringLiteral("archive")))
        command += QStringLiteral(" --archive");
    // "events --archive" is a command of its own only when --archive says so.
    if (!Commands.contains(command) || parser.positionalArguments().at(0).contains(u' '))
        Usage(Fmt(Msg::CliUnknownCommand, parser.positionalArguments().at(0)));
    CheckUsage(parser, command);
    const bool json = parser.isSet(QStringLiteral("json"));
    if (json)
        KeepStdoutForData();
    // Every argument is checked before the port is touched.
    const TConfigParts parts = ParseParts(parser);
    const QTime until = ParseUntil(parser);
    const quint8 mode = command == QLatin1String("override") ? ParseMode(parser) : 0;
    const QString out = parser.value(QStringLiteral("out"));
    if (out == QLatin1String("-"))
        KeepStdoutForData();
    else if (!out.isEmpty())
        CheckWritable(out);

    if (command == QLatin1String("report")) {
        Report(parser);
        return ExitDone;
    }
    if (command == QLatin1String("ports")) {
        if (json)
            PrintJson(PortsJson(ListPorts()));
        else
            PrintPorts();
        return ExitDone;
    }
    const TCliRegister history;
    if (command == QLatin1String("history") || command == QLatin1String("events --archive")) {
        if (!history.Require()) {
            if (command == QLatin1String("history") && json)
                TJsonListOut("actions"); // an empty list
            return ExitDone;
        }
        if (command == QLatin1String("history"))
            HistoryCommand(parser);
        else
            ArchiveCommand(parser);
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
        Status(json);
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
        if (qstricmp(argv[i], "report") == 0) {
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
    try {
        return Run(QCoreApplication::arguments());
    } catch (const TFailure &failure) {
        if (!failure.text.isEmpty())
            Messages().Error(failure.text);
        return failure.code;
    } catch (const Exception &e) { // an error of the line outside any step
        Messages().Error(e.Message());
        return ExitNoAnswer;
    }
}
