#include "fleet/due.h"

#include "config/appconfig.h"
#include "config/messages.h"
#include "eventlog/events.h"
#include "fleet/fleetmessages.h"
#include "history/configcompare.h"
#include "history/register.h"
#include "plan/plan.h"
#include "store/convprocs.h"
#include "store/datamodule.h"

#include <QSet>
#include <QSettings>
#include <cmath>
#include <optional>
#include <type_traits>

namespace {
constexpr int ResetEvent = 1;       // "System turned ON after reset"
const QDateTime DayZero(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC);

QString Rule(const char *word)
{
    return QString::fromLatin1(word);
}

// The items in which two settings files differ, in the parts both hold.
QStringList DifferingItems(const QByteArray &recorded, const QByteArray &assigned)
{
    const TConfigParts a = SettingsTextParts(recorded);
    const TConfigParts b = SettingsTextParts(assigned);
    TCompareScope scope;
    scope.Advanced = a.Advanced && b.Advanced;
    scope.Schedule = a.Schedule && b.Schedule;
    scope.Calendar = a.Holidays && b.Holidays;
    QStringList items;
    for (const TConfigDifference &d :
         CompareConfigs(SettingsTextConfig(recorded, a, {}), SettingsTextConfig(assigned, b, {}), scope))
        items << d.Item;
    return items;
}

void ConfigItems(const TFleetBeacon &beacon, const std::optional<TActionRecord> &recorded,
                 QList<TDueItem> &items)
{
    if (beacon.AssignedConfig.isEmpty()) {
        items.append({Rule("config"), QString::fromUtf8(Msg::DueNoAssigned)});
        return;
    }
    if (!recorded) {
        items.append({Rule("config"), QString::fromUtf8(Msg::DueNeverRead)});
        return;
    }
    QStringList differing;
    try {
        differing = DifferingItems(recorded->Config, beacon.AssignedConfig);
    } catch (const Exception &e) {
        items.append({Rule("config"), e.Message()});
        return;
    }
    if (!differing.isEmpty())
        items.append({Rule("config"), Fmt(Msg::DueConfigDiffers, recorded->When.toString(Qt::ISODate),
                                          beacon.AssignedName, differing.join(QStringLiteral("; ")))});
}

void CalendarItems(const QByteArray &settings, const TFleetThresholds &thresholds, QDate today,
                   QList<TDueItem> &items)
{
    const TConfigParts parts = SettingsTextParts(settings);
    TBeaconConfiguration config;
    try {
        config = ReadSettingsText(settings, parts, TAdvancedSettings(), QLocale::system());
    } catch (const Exception &e) {
        items.append({Rule("plan"), e.Message()});
        return;
    }
    if (parts.Holidays) {
        QDate last;
        for (const TCalendarRec &rec : config.Calendar)
            if (rec.Days >= 1)
                last = std::max(last, DayNumToDate(rec.DayNum + rec.Days - 1));
        if (!last.isValid())
            items.append({Rule("calendar"), QString::fromUtf8(Msg::DueNoCalendar)});
        else if (last < today)
            items.append({Rule("calendar"), Fmt(Msg::DueCalendarEnded, last.toString(Qt::ISODate))});
        else if (today.daysTo(last) <= thresholds.CalendarEndDays)
            items.append({Rule("calendar"), Fmt(Msg::DueCalendarEnds, last.toString(Qt::ISODate))});
    }
    const TPlan plan = MakePlan(config, today, today.addDays(thresholds.PlanDays), today);
    QSet<QString> said;
    for (const TPlanWarning &warning : plan.warnings) {
        if (said.contains(warning.text))
            continue;
        said.insert(warning.text);
        items.append({Rule("plan"), Fmt(Msg::DuePlan, warning.date.toString(Qt::ISODate), warning.text)});
    }
}

QString EventTime(int day, int minutes)
{
    return DayZero.addDays(day).addSecs(qint64(minutes) * 60).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

void EventItems(const TDownloadEvents &events, double lowVoltage, QList<TDueItem> &items)
{
    if (events.Resets > 0)
        items.append({Rule("resets"), Fmt(Msg::DueResets, events.Resets, events.NewestReset)});
    if (events.LowestVolts && *events.LowestVolts < lowVoltage)
        items.append({Rule("voltage"),
                      Fmt(Msg::DueVoltage, QString::number(*events.LowestVolts, 'f', 2), events.LowestAt)});
}
}

std::optional<TActionRecord> NewestRecordedConfig(TDM &dm, const QString &serial)
{
    const THistoryRegister reg(dm);
    if (serial.isEmpty() || !reg.Exists())
        return std::nullopt;
    auto row = dm.Query(QStringLiteral("SELECT max(id) FROM history_actions WHERE serial = ? AND action IN (?, ?) "
                                       "AND outcome = ? AND config IS NOT NULL"),
                        {serial, QString::fromLatin1(THistoryRegister::Upload),
                         QString::fromLatin1(THistoryRegister::Download), QString::fromUtf8(Msg::RegisterDone)},
                        TTextCoding::Utf8);
    const qint64 id = row->FieldAsInteger(0);
    return id > 0 ? reg.Action(id) : std::nullopt;
}

TDownloadEvents NewestDownloadEvents(TDM &dm, const QString &serial)
{
    TDownloadEvents found;
    if (serial.isEmpty() || !THistoryRegister(dm).Exists())
        return found;
    auto rows = dm.Query(QStringLiteral("SELECT day_num, minutes_num, event_type, voltage1 FROM history_events "
                                        "WHERE serial = ? AND action_id = (SELECT max(id) FROM history_actions "
                                        "WHERE serial = ? AND action = ?) ORDER BY day_num, minutes_num, id"),
                         {serial, serial, QString::fromLatin1(THistoryRegister::Events)}, TTextCoding::Utf8);
    std::optional<qint64> lowest;
    for (; !rows->Eof(); rows->Next()) {
        const int day = int(rows->FieldAsInteger(0));
        const int minutes = int(rows->FieldAsInteger(1));
        const qint64 type = rows->FieldAsInteger(2);
        const qint64 raw = rows->FieldAsInteger(3);
        if (type == ResetEvent) {
            ++found.Resets;
            found.NewestReset = EventTime(day, minutes);
        }
        if (type >= 1 && type <= 9 && (!lowest || raw < *lowest)) {
            lowest = raw;
            found.LowestAt = EventTime(day, minutes);
        }
    }
    if (lowest)
        found.LowestVolts = *lowest / RawPerVolt;
    return found;
}

TFleetThresholds TFleetThresholds::Load()
{
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    TFleetThresholds t;
    const auto read = [&store](const char *key, auto &value) {
        bool number = false;
        const double stored = store.value(QStringLiteral("Fleet/") + QLatin1String(key)).toDouble(&number);
        if (number && stored >= 0 && std::isfinite(stored))
            value = static_cast<std::remove_reference_t<decltype(value)>>(stored);
    };
    read("CalendarEndDays", t.CalendarEndDays);
    read("PlanDays", t.PlanDays);
    read("ClockDriftSeconds", t.ClockDriftSeconds);
    read("NoContactDays", t.NoContactDays);
    read("LowVoltage", t.LowVoltage);
    return t;
}

QList<TDueItem> DueItems(TDM &dm, const TFleetBeacon &beacon, const TFleetThresholds &thresholds,
                         const QDateTime &now)
{
    QList<TDueItem> items;
    const QDate today = now.toLocalTime().date();
    const std::optional<TActionRecord> recorded = NewestRecordedConfig(dm, beacon.Serial);
    ConfigItems(beacon, recorded, items);
    const QByteArray settings = !beacon.AssignedConfig.isEmpty() ? beacon.AssignedConfig
                                : recorded                       ? recorded->Config
                                                                 : QByteArray();
    if (!settings.isEmpty())
        CalendarItems(settings, thresholds, today, items);

    const TFleetInventory inventory(dm);
    const std::optional<TFleetContact> contact = inventory.LastContact(beacon.Serial);
    if (contact && std::llabs(contact->DriftSeconds) > thresholds.ClockDriftSeconds)
        items.append({Rule("clock"), Fmt(Msg::DueClock, contact->DriftSeconds)});
    const QDateTime reached = inventory.LastReached(beacon.Serial);
    if (!reached.isValid())
        items.append({Rule("contact"), QString::fromUtf8(Msg::DueNeverReached)});
    else if (reached.secsTo(now) > qint64(thresholds.NoContactDays) * 86400)
        items.append({Rule("contact"), Fmt(Msg::DueNoContact, reached.toString(Qt::ISODate))});

    EventItems(NewestDownloadEvents(dm, beacon.Serial), thresholds.LowVoltage, items);
    return items;
}
