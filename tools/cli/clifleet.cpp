#include "clifleet.h"

#include "cliconsole.h"
#include "clifailure.h"
#include "clihistory.h"
#include "clisweep.h"
#include "fleet/due.h"
#include "fleet/fleetcsv.h"
#include "fleet/fleetmessages.h"
#include "fleet/inventory.h"
#include "history/configcompare.h"
#include "history/register.h"
#include "link/netaddress.h"
#include "protocol/beaconprotocol.h"
#include "transfer/advancedsettings.h"
#include "transfer/settingsfile.h"
#include "transfer/workflows.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSaveFile>
#include <cstdio>

namespace {
struct TFleetSub {
    int arguments; // after "fleet SUB"
    QStringList required;
    QStringList optional;
    const char *argumentUsage = nullptr;
};

const QStringList BeaconOptions = {QStringLiteral("address"), QStringLiteral("serial"), QStringLiteral("site"),
                                   QStringLiteral("tags"),    QStringLiteral("location"), QStringLiteral("notes")};

const QMap<QString, TFleetSub> Subs = {
    {QStringLiteral("add"), {0, {QStringLiteral("name")}, BeaconOptions}},
    {QStringLiteral("set"), {1, {}, BeaconOptions + QStringList{QStringLiteral("name")}, Msg::CliFleetName}},
    {QStringLiteral("remove"), {1, {}, {}, Msg::CliFleetName}},
    {QStringLiteral("list"), {0, {}, {QStringLiteral("json")}}},
    {QStringLiteral("import"), {1, {}, {}, Msg::CliFleetFile}},
    {QStringLiteral("export"), {0, {}, {QStringLiteral("out")}}},
    {QStringLiteral("assign"), {1, {}, {QStringLiteral("config"), QStringLiteral("action")}, Msg::CliFleetName}},
    {QStringLiteral("due"), {0, {}, {QStringLiteral("json")}}},
};

void CheckFleetUsage(const QCommandLineParser &parser, const QString &sub)
{
    const TFleetSub &command = Subs.value(sub);
    const QString name = QStringLiteral("fleet ") + sub;
    const QStringList args = parser.positionalArguments();
    if (args.size() > 2 + command.arguments)
        Usage(Fmt(Msg::CliExtraArgument, args.at(2 + command.arguments)));
    if (args.size() < 2 + command.arguments)
        Usage(Fmt(command.argumentUsage, sub));
    for (const QString &option : command.required)
        if (!parser.isSet(option))
            Usage(Fmt(Msg::CliOptionNeeded, name, option));
    const QStringList allowed = command.required + command.optional;
    for (const QString &option : parser.optionNames())
        if (!allowed.contains(option))
            Usage(Fmt(Msg::CliOptionNotUsed, name, option));
}

QString Option(const QCommandLineParser &parser, const char *name)
{
    return parser.value(QLatin1String(name));
}

// The options given, over what the beacon holds; checked before the
// library is opened.
void ApplyOptions(const QCommandLineParser &parser, TFleetBeacon &beacon)
{
    const auto take = [&parser](const char *name, QString &field) {
        if (parser.isSet(QLatin1String(name)))
            field = parser.value(QLatin1String(name));
    };
    take("name", beacon.Name);
    take("serial", beacon.Serial);
    take("site", beacon.Site);
    take("address", beacon.Address);
    take("notes", beacon.Notes);
    if (parser.isSet(QStringLiteral("tags")))
        beacon.Tags = ParseTags(Option(parser, "tags"));
    if (parser.isSet(QStringLiteral("location"))) {
        const QString location = Option(parser, "location");
        beacon.HasLocation = !location.trimmed().isEmpty();
        if (beacon.HasLocation && !ParseLocation(location, beacon.Latitude, beacon.Longitude))
            Usage(QString::fromUtf8(Msg::CliFleetLocation));
    }
    TNetAddress address;
    QString why;
    if (IsNetworkAddress(beacon.Address) && !ParseNetAddress(beacon.Address, address, why))
        Usage(why);
}

// A change of the inventory: a refusal ends with status 5, a database that
// cannot be written with status 4.
template <typename Work>
void Change(Work &&work)
{
    try {
        work();
    } catch (const EFleetRefused &e) {
        throw TFailure{ExitRefused, e.Message()};
    } catch (const Exception &e) {
        throw TFailure{ExitFile, e.Message()};
    }
}

// The library for a change: there must be one.
void RequireLibrary(const TCliRegister &library)
{
    if (!library.Require())
        throw TFailure{ExitFile, {}}; // Require has said why
}

void PrintJsonArray(const QJsonArray &array)
{
    std::fputs(QJsonDocument(array).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
    std::fflush(stdout);
}

QString OneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" / ")).replace(u'\n', QStringLiteral(" / "));
}

// Every column as wide as its widest text, the last as long as it is.
void PrintTable(const QStringList &header, const QList<QStringList> &rows)
{
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList &row : QList<QStringList>{header} + rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row.at(i).size());
    for (const QStringList &row : QList<QStringList>{header} + rows) {
        QString line;
        for (qsizetype i = 0; i + 1 < row.size(); ++i)
            line += row.at(i).leftJustified(widths[i] + 2);
        PrintOut(line + row.last());
    }
}

void Add(const QCommandLineParser &parser)
{
    TFleetBeacon beacon;
    ApplyOptions(parser, beacon);
    const TCliRegister library;
    RequireLibrary(library);
    Change([&] { TFleetInventory(DM()).Add(beacon); });
    PrintOut(Fmt(Msg::CliFleetAdded, Printable(beacon.Name)));
}

void Set(const QCommandLineParser &parser, const QString &name)
{
    TFleetBeacon check;
    ApplyOptions(parser, check); // the options are checked before the library is opened
    const TCliRegister library;
    RequireLibrary(library);
    TFleetInventory inventory(DM());
    TFleetBeacon beacon = Known(inventory, name);
    ApplyOptions(parser, beacon);
    Change([&] { inventory.Update(beacon); });
    PrintOut(Fmt(Msg::CliFleetChanged, Printable(beacon.Name)));
}

void Remove(const QString &name)
{
    const TCliRegister library;
    RequireLibrary(library);
    Change([&] { TFleetInventory(DM()).Remove(name); });
    PrintOut(Fmt(Msg::CliFleetRemoved, Printable(name)));
}

// Every beacon with its fields in the list's columns; none without a library.
QList<QPair<TFleetBeacon, QStringList>> Inventory()
{
    QList<QPair<TFleetBeacon, QStringList>> rows;
    const TCliRegister library;
    if (!library.Require())
        return rows;
    Guard(ExitFile, [&] {
        const TFleetInventory inventory(DM());
        for (const TFleetBeacon &b : inventory.Beacons())
            rows.append({b, FleetFields(b, inventory.LastReached(b.Serial))});
    });
    return rows;
}

void List(bool json)
{
    const QList<QPair<TFleetBeacon, QStringList>> rows = Inventory();
    if (json) {
        QJsonArray array;
        for (const auto &[b, fields] : rows) {
            QJsonObject object;
            const QStringList columns = FleetColumns();
            for (int i = 0; i < columns.size(); ++i)
                object.insert(columns.at(i), fields.at(i));
            object.insert(QStringLiteral("tags"), QJsonArray::fromStringList(b.Tags));
            object.insert(QStringLiteral("location"),
                          b.HasLocation ? QJsonValue(QJsonObject{{QStringLiteral("latitude"), b.Latitude},
                                                                  {QStringLiteral("longitude"), b.Longitude}})
                                        : QJsonValue(QJsonValue::Null));
            if (fields.last().isEmpty())
                object.insert(QStringLiteral("last_contact"), QJsonValue::Null);
            array.append(object);
        }
        PrintJsonArray(array);
        return;
    }
    if (rows.isEmpty())
        return;
    QList<QStringList> table;
    for (const auto &row : rows) {
        QStringList shown;
        for (const QString &field : row.second)
            shown << (field.isEmpty() ? QStringLiteral("-") : Printable(OneLine(field)));
        table << shown;
    }
    PrintTable(FleetColumns().join(u' ').toUpper().split(u' '), table);
}

void Export(const QString &out)
{
    if (out == QLatin1String("-"))
        KeepStdoutForData();
    QList<QStringList> fields;
    for (const auto &row : Inventory())
        fields << row.second;
    const QByteArray text = FleetCsvText(fields);
    Guard(ExitFile, [&] {
        WriteOutput(out, [&text](const QString &fileName) {
            QSaveFile file(fileName);
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
                throw Exception(Fmt(Msg::UnableToWrite, fileName));
        });
    });
    if (out != QLatin1String("-"))
        PrintOut(Fmt(Msg::FleetExported, fields.size(), out));
}

void Import(const QString &fileName)
{
    QByteArray bytes;
    Guard(ExitFile, [&] { bytes = ReadInput(fileName); });
    const TCliRegister library;
    RequireLibrary(library);
    TFleetImport imported;
    Guard(ExitFile, [&] { imported = ImportFleetCsv(DM(), bytes, fileName); });
    PrintOut(Fmt(Msg::FleetImported, imported.Added, imported.Updated, fileName));
}

void Assign(const QCommandLineParser &parser, const QString &name)
{
    const bool byFile = parser.isSet(QStringLiteral("config"));
    if (byFile == parser.isSet(QStringLiteral("action")))
        Usage(QString::fromUtf8(Msg::CliFleetAssign));
    QString assignedName;
    QByteArray config;
    qint64 action = 0;
    if (byFile) {
        // Checked as an upload checks it: what could not be sent is never assigned.
        const QString fileName = Option(parser, "config");
        Guard(ExitFile, [&] { config = ReadSettingsInput(fileName); });
        const TConfigParts parts = SettingsTextParts(config);
        TAdvancedSettings page;
        Guard(ExitFile, [&] { LoadSettingsText(config, parts, page); });
        page.SetSettings(BeaconSettings);
        BeaconSettings.CommMode = 2;
        Guard(ExitRefused, [&] { CheckUploadConfiguration(parts.Advanced, parts.Schedule, parts.Holidays); });
        assignedName = QFileInfo(fileName).fileName();
    } else {
        bool ok = false;
        action = Option(parser, "action").toLongLong(&ok);
        if (!ok || action <= 0)
            Usage(QString::fromUtf8(Msg::CliFleetAction));
        assignedName = Fmt(Msg::FleetRecordedAction, action);
    }
    const TCliRegister library;
    RequireLibrary(library);
    TFleetInventory inventory(DM());
    TFleetBeacon beacon = Known(inventory, name);
    if (!byFile) {
        std::optional<TActionRecord> recorded;
        Guard(ExitFile, [&] { recorded = THistoryRegister(DM()).Action(action); });
        const bool transfer = recorded && (recorded->Action == QLatin1String(THistoryRegister::Upload) ||
                                           recorded->Action == QLatin1String(THistoryRegister::Download));
        if (!transfer || !recorded->HasConfig)
            throw TFailure{ExitRefused, Fmt(Msg::CliFleetNoAction, action)};
        config = recorded->Config;
    }
    beacon.AssignedName = assignedName;
    beacon.AssignedConfig = config;
    Change([&] { inventory.Update(beacon); });
    PrintOut(Fmt(Msg::CliFleetAssigned, Printable(beacon.Name), Printable(assignedName)));
}

void Due(bool json)
{
    const TFleetThresholds thresholds = TFleetThresholds::Load();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QJsonArray array;
    int due = 0;
    const TCliRegister library;
    if (library.Require()) {
        Guard(ExitFile, [&] {
            for (const TFleetBeacon &b : TFleetInventory(DM()).Beacons()) {
                const QList<TDueItem> items = DueItems(DM(), b, thresholds, now);
                QJsonArray list;
                QStringList texts;
                for (const TDueItem &item : items) {
                    list.append(QJsonObject{{QStringLiteral("rule"), item.Rule}, {QStringLiteral("text"), item.Text}});
                    texts << item.Rule + QStringLiteral(": ") + item.Text;
                }
                array.append(QJsonObject{{QStringLiteral("name"), b.Name},
                                         {QStringLiteral("serial"), b.Serial},
                                         {QStringLiteral("due"), list}});
                if (items.isEmpty() || json)
                    continue;
                ++due;
                const QString serial = b.Serial.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(b.Serial);
                PrintOut(Printable(b.Name + serial + QStringLiteral(": ") + OneLine(texts.join(QStringLiteral("; ")))));
            }
        });
    }
    if (json)
        PrintJsonArray(array);
    else if (due == 0)
        PrintOut(QString::fromUtf8(Msg::CliFleetNothingDue));
}
}

namespace {
int InventoryCommand(const QCommandLineParser &parser, const QString &sub, bool json)
{
    CheckFleetUsage(parser, sub);
    const QString argument = parser.positionalArguments().value(2);
    if (sub == QLatin1String("add"))
        Add(parser);
    else if (sub == QLatin1String("set"))
        Set(parser, argument);
    else if (sub == QLatin1String("remove"))
        Remove(argument);
    else if (sub == QLatin1String("list"))
        List(json);
    else if (sub == QLatin1String("import"))
        Import(argument);
    else if (sub == QLatin1String("export"))
        Export(parser.isSet(QStringLiteral("out")) ? Option(parser, "out") : QStringLiteral("-"));
    else if (sub == QLatin1String("assign"))
        Assign(parser, argument);
    else
        Due(json);
    return ExitDone;
}
}

int FleetCommand(const QCommandLineParser &parser, bool json)
{
    const QStringList args = parser.positionalArguments();
    const QString sub = args.size() > 1 ? args.at(1).toLower() : QString();
    if (Subs.contains(sub))
        return InventoryCommand(parser, sub, json);
    else if (sub == QLatin1String("visit"))
        return VisitCommand(parser, json);
    else if (sub == QLatin1String("sweep"))
        return SweepCommand(parser, json);
    Usage(QString::fromUtf8(Msg::CliFleetSub));
}

TFleetBeacon Known(const TFleetInventory &inventory, const QString &name)
{
    std::optional<TFleetBeacon> beacon;
    Guard(ExitFile, [&] { beacon = inventory.Beacon(name); });
    if (!beacon)
        throw TFailure{ExitRefused, Fmt(Msg::FleetNoBeacon, name)};
    return *beacon;
}
