#include "soakchecks.h"

#include "config/cp1252.h"
#include "config/messages.h"
#include "link/frame.h"
#include "protocol/payload.h"
#include "store/device.h"
#include "transfer/advancedsettings.h"
#include "transfer/settingsfile.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <set>

namespace {
constexpr int Slots = TBeaconController::TableSlots;
constexpr int NameBytes = 15;
// Values no reply can give.
constexpr quint8 NoByte = 0xEE;
constexpr qint32 NoNumber = -7;
const QString NoName = QStringLiteral("?");

const char *const KindNames[TSoakOperation::Kinds] = {
    "read communication mode", "read advanced settings", "read DST rule", "read schedule", "read calendar",
    "read calendar name", "read event", "read clock", "read live values", "read override status",
    "read identity", "write communication mode", "write advanced settings", "write DST rule", "write schedule",
    "write calendar", "write calendar name"};
// How often each kind is picked, against the others.
constexpr std::array<int, TSoakOperation::Kinds> KindWeights = {6, 6, 6, 4, 4, 12, 16, 6, 6, 6, 6, 4, 4, 4, 3, 3, 4};
// Reply payload bytes of the reads; a write's reply is empty.
constexpr std::array<int, TSoakOperation::Kinds> ReplyBytes = {1, 5, 7, 80, 64, 17, 11, 6, 16, 3, 8, 0, 0, 0, 0, 0, 0};

type_events_record NotRead()
{
    type_events_record r;
    r.day_num = r.minutes_num = std::numeric_limits<qint16>::min();
    r.event_type = std::numeric_limits<qint8>::min();
    std::fill(std::begin(r.parms), std::end(r.parms), std::numeric_limits<qint16>::min());
    return r;
}

using TEventKey = std::array<int, 6>;

TEventKey Key(const type_events_record &r)
{
    return {r.day_num, r.minutes_num, r.event_type, r.parms[0], r.parms[1], r.parms[2]};
}

// The event as the codec decodes the controller's slot.
TEventKey Key(const TBeaconController::TEventSlot &e)
{
    return {qint16(e.dayNum), qint16(e.minutes), qint8(e.type), qint16(e.parms[0]), qint16(e.parms[1]),
            qint16(e.parms[2])};
}

// A name as a read gives it: zero bytes are padding wherever they stand.
QString NameOf(const QByteArray &stored)
{
    QByteArray name = stored.left(NameBytes);
    name.replace('\0', QByteArray());
    return Cp1252::toUnicode(name);
}

// The tables as a download gives them: up to the first empty slot.
QList<TScheduleRec> ScheduleOf(const TBeaconController &c)
{
    QList<TScheduleRec> records;
    for (const auto &s : c.schedule) {
        if (s.day == 0 || s.day == 0xFF)
            break;
        records.append({0, 0, s.day, s.on, s.off});
    }
    return records;
}

QList<TCalendarRec> CalendarOf(const TBeaconController &c)
{
    QList<TCalendarRec> records;
    for (const auto &s : c.calendar) {
        if (s.dayNum == 0 || s.dayNum == 0xFFFF)
            break;
        records.append({0, 0, NameOf(s.name), s.dayNum, s.days, s.mode});
    }
    return records;
}

QString ScheduleDiffers(const QList<TScheduleRec> &have, const QList<TScheduleRec> &truth)
{
    if (have.size() != truth.size())
        return QStringLiteral("%1 schedule records, where there should be %2").arg(have.size()).arg(truth.size());
    for (int i = 0; i < have.size(); ++i) {
        const TScheduleRec &a = have[i], &b = truth[i];
        if (a.RecDay != b.RecDay || a.RecOnTime != b.RecOnTime || a.RecOffTime != b.RecOffTime)
            return QStringLiteral("schedule record %1 is %2 %3-%4, where it should be %5 %6-%7")
                .arg(i).arg(a.RecDay).arg(a.RecOnTime).arg(a.RecOffTime).arg(b.RecDay).arg(b.RecOnTime).arg(b.RecOffTime);
    }
    return {};
}

QString CalendarDiffers(const QList<TCalendarRec> &have, const QList<TCalendarRec> &truth, bool names)
{
    if (have.size() != truth.size())
        return QStringLiteral("%1 calendar records, where there should be %2").arg(have.size()).arg(truth.size());
    for (int i = 0; i < have.size(); ++i) {
        const TCalendarRec &a = have[i], &b = truth[i];
        if (a.DayNum != b.DayNum || a.Days != b.Days || a.DayMode != b.DayMode || (names && a.name != b.name))
            return QStringLiteral("calendar record %1 is %2/%3/%4 \"%5\", where it should be %6/%7/%8 \"%9\"")
                .arg(i).arg(a.DayNum).arg(a.Days).arg(a.DayMode).arg(a.name)
                .arg(b.DayNum).arg(b.Days).arg(b.DayMode).arg(b.name);
    }
    return {};
}

QList<TScheduleRec> Records(const TSchedule &s)
{
    QList<TScheduleRec> records;
    for (int i = 0; i < s.Count(); ++i)
        records.append(s.Records(i));
    return records;
}

QList<TCalendarRec> Records(const TCalendar &c)
{
    QList<TCalendarRec> records;
    for (int i = 0; i < c.Count(); ++i)
        records.append(c.Records(i));
    return records;
}

QString DstDiffers(const TBeaconSettings &s, const TBeaconController &c)
{
    const bool none = c.dstStart == 0 && c.dstEnd == 0; // the rule sent for "no daylight saving"
    const qint32 start = none ? -1 : c.dstStart, end = none ? -1 : c.dstEnd;
    if (s.DstStartDay != start || s.DstEndDay != end || s.DstShiftTime != c.dstShift || s.DstOffset != c.dstOffset)
        return QStringLiteral("DST rule %1/%2/%3/%4, the controller's %5/%6/%7/%8")
            .arg(s.DstStartDay).arg(s.DstEndDay).arg(s.DstShiftTime).arg(s.DstOffset)
            .arg(start).arg(end).arg(c.dstShift).arg(c.dstOffset);
    return {};
}

QString AdvancedDiffers(const TBeaconSettings &s, const TBeaconController &c)
{
    const std::array<quint8, 5> have = {s.BrightnessRange, s.FlashPattern, s.FlashSpeed, s.BeaconRole, s.LinkChannel};
    if (have != c.advanced)
        return QStringLiteral("advanced settings %1, the controller's %2")
            .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(have.data()), 5).toHex()),
                 QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(c.advanced.data()), 5).toHex()));
    return {};
}

QString RandomName(std::mt19937 &rng)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name;
    for (int i = 1 + int(rng() % NameBytes); i > 0; --i)
        name += QLatin1Char(letters[rng() % (sizeof letters - 1)]);
    return name;
}

QList<TScheduleRec> RandomSchedule(std::mt19937 &rng)
{
    QList<TScheduleRec> records;
    for (int i = int(rng() % (Slots + 1)); i > 0; --i)
        records.append({0, 0, quint8(1 + rng() % 0x7F), int(rng() % 1440), int(rng() % 1440)});
    return records;
}

QList<TCalendarRec> RandomCalendar(std::mt19937 &rng, int count)
{
    QList<TCalendarRec> records;
    for (int i = 0; i < count; ++i)
        records.append({0, 0, RandomName(rng), int(1 + rng() % 0xFFFE), int(1 + rng() % 255), quint8(rng() % 10)});
    return records;
}

void RandomAdvanced(std::mt19937 &rng, TBeaconSettings &s)
{
    s.BrightnessRange = quint8(rng() % 256);
    s.FlashPattern = quint8(rng() % 8);
    s.FlashSpeed = quint8(rng() % 5);
    s.BeaconRole = 0; // the slave role would have the page warn on every download
    s.LinkChannel = quint8(rng() % 16);
}

void RandomDst(std::mt19937 &rng, TBeaconSettings &s)
{
    s.DstStartDay = 5000 + int(rng() % 4000);
    s.DstEndDay = 5000 + int(rng() % 4000);
    s.DstShiftTime = int(rng() % 1440);
    s.DstOffset = int(rng() % 256);
}

// The controller's schedule table after a write of records.
std::array<TBeaconController::TScheduleSlot, Slots> ScheduleTable(const QList<TScheduleRec> &records)
{
    std::array<TBeaconController::TScheduleSlot, Slots> table{};
    for (int i = 0; i < records.size(); ++i)
        table[size_t(i)] = {records[i].RecDay, quint16(records[i].RecOnTime), quint16(records[i].RecOffTime)};
    return table;
}

bool SameSchedule(const std::array<TBeaconController::TScheduleSlot, Slots> &a,
                  const std::array<TBeaconController::TScheduleSlot, Slots> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(),
                      [](const auto &x, const auto &y) { return x.day == y.day && x.on == y.on && x.off == y.off; });
}

// The dates, lengths and modes of the controller's calendar after a write of records.
QList<std::array<int, 3>> CalendarTable(const QList<TCalendarRec> &records)
{
    QList<std::array<int, 3>> table;
    for (int i = 0; i < Slots; ++i)
        table.append(i < records.size() ? std::array<int, 3>{records[i].DayNum, records[i].Days, records[i].DayMode}
                                        : std::array<int, 3>{0, 0, 0});
    return table;
}

QList<std::array<int, 3>> CalendarTable(const TBeaconController &c)
{
    QList<std::array<int, 3>> table;
    for (const auto &s : c.calendar)
        table.append({s.dayNum, s.days, s.mode});
    return table;
}

// The name as the controller stores a write of it.
QByteArray StoredName(const QString &name)
{
    return Cp1252::fromUnicode(name).leftJustified(NameBytes, '\0');
}
}

TSoakOperation::TKind TSoakOperation::Pick(std::mt19937 &rng, TKind previous)
{
    if (previous != Kinds && rng() % 10 < 4)
        return previous;
    int roll = int(rng() % quint32(std::accumulate(KindWeights.begin(), KindWeights.end(), 0)));
    for (int k = 0; k < Kinds; ++k) {
        if (roll < KindWeights[size_t(k)])
            return TKind(k);
        roll -= KindWeights[size_t(k)];
    }
    return ReadEvent;
}

TSoakOperation::TSoakOperation(TKind kind, std::mt19937 &rng) : fKind(kind), fEvent(NotRead())
{
    SetSentinels();
    fWritten = BeaconSettings;
    switch (kind) {
    case ReadCalendarName:
    case WriteCalendarName:
    case ReadEvent:
        fIndex = int(rng() % (kind == ReadEvent ? TBeaconController::EventSlots : Slots));
        break;
    default:
        break;
    }
    switch (kind) {
    case WriteCommMode:
        fWritten.CommMode = quint8(1 + rng() % 3);
        break;
    case WriteAdvanced:
        RandomAdvanced(rng, fWritten);
        break;
    case WriteDst:
        RandomDst(rng, fWritten);
        break;
    case WriteSchedule:
        fSchedule = RandomSchedule(rng);
        DeviceSchedule().SetRecords(fSchedule);
        break;
    case WriteCalendar:
        fCalendar = RandomCalendar(rng, int(rng() % (Slots + 1)));
        DeviceCalendar().SetRecords(fCalendar);
        break;
    case WriteCalendarName:
        fCalendar = RandomCalendar(rng, Slots);
        DeviceCalendar().SetRecords(fCalendar);
        break;
    default:
        break;
    }
    BeaconSettings = fWritten;
}

QString TSoakOperation::Name() const
{
    const QString name = QString::fromUtf8(KindNames[fKind]);
    return fKind == ReadCalendarName || fKind == WriteCalendarName || fKind == ReadEvent
               ? name + QStringLiteral(" %1").arg(fIndex)
               : name;
}

int TSoakOperation::ReplyChars() const
{
    return 5 + 2 * ReplyBytes[size_t(fKind)];
}

bool TSoakOperation::Run()
{
    fStartedMs = QDateTime::currentMSecsSinceEpoch();
    switch (fKind) {
    case ReadCommMode: return ::ReadCommMode();
    case ReadAdvanced: return ReadAdvancedSettings();
    case ReadDst: return ReadDstSettings();
    case ReadSchedule: return ::ReadSchedule() >= 0;
    case ReadCalendar: return ::ReadCalendar() >= 0;
    case ReadCalendarName: return ::ReadCalendarName(quint8(fIndex));
    case ReadEvent:
        ReadEventRecord(quint8(fIndex), fEvent);
        return Key(fEvent) != Key(NotRead());
    case ReadClock: return ::ReadClock();
    case ReadLiveValues: return ::ReadLiveValues();
    case ReadOverrideStatus: return ::ReadOverrideStatus();
    case ReadIdentity: return CodecExchange(cmdIdentity, {}, fIdentity);
    case WriteCommMode: return ::WriteCommMode();
    case WriteAdvanced: return WriteAdvancedSettings();
    case WriteDst: return WriteDstSettings();
    case WriteSchedule: return ::WriteSchedule();
    case WriteCalendar: return ::WriteCalendar();
    case WriteCalendarName: return ::WriteCalendarName(quint8(fIndex));
    default: return false;
    }
}

namespace {
TBeaconSettings SentinelSettings()
{
    TBeaconSettings s;
    s.CommMode = s.BrightnessRange = s.FlashPattern = s.FlashSpeed = s.BeaconRole = s.LinkChannel = NoByte;
    s.DstStartDay = s.DstEndDay = s.DstShiftTime = s.DstOffset = NoNumber;
    return s;
}

bool SameSettings(const TBeaconSettings &a, const TBeaconSettings &b)
{
    return a.CommMode == b.CommMode && a.BrightnessRange == b.BrightnessRange && a.FlashPattern == b.FlashPattern &&
           a.FlashSpeed == b.FlashSpeed && a.BeaconRole == b.BeaconRole && a.LinkChannel == b.LinkChannel &&
           a.DstStartDay == b.DstStartDay && a.DstEndDay == b.DstEndDay && a.DstShiftTime == b.DstShiftTime &&
           a.DstOffset == b.DstOffset && a.ClockValue == b.ClockValue;
}

// Numbered as a download numbers them, so a name read goes into its record only.
QList<TCalendarRec> SentinelCalendar()
{
    QList<TCalendarRec> records;
    for (int i = 0; i < Slots; ++i)
        records.append({1000 + i, 0, NoName, 1, 1, 0});
    return records;
}

// Empty when a failed read left every value in memory as SetSentinels made it.
QString ChangedBySentinels(const type_events_record &event, const QByteArray &identity)
{
    if (!SameSettings(BeaconSettings, SentinelSettings()))
        return QStringLiteral("the beacon settings");
    if (BeaconStatus.SwitchPosition != NoByte || BeaconStatus.OverrideState != NoByte ||
        std::any_of(BeaconStatus.LiveValues.begin(), BeaconStatus.LiveValues.end(), [](qint32 v) { return v != NoNumber; }))
        return QStringLiteral("the status");
    if (!ScheduleDiffers(Records(DeviceSchedule()), {{0, 0, 0x7F, 1, 2}}).isEmpty())
        return QStringLiteral("the schedule");
    if (!CalendarDiffers(Records(DeviceCalendar()), SentinelCalendar(), true).isEmpty())
        return QStringLiteral("the calendar");
    if (Key(event) != Key(NotRead()))
        return QStringLiteral("the event");
    if (!identity.isEmpty())
        return QStringLiteral("the identity");
    return {};
}
}

QString TSoakOperation::Check(bool succeeded, const TBeaconController &before, const TBeaconController &after) const
{
    const TBeaconSettings &s = BeaconSettings;
    if (!succeeded && fKind < WriteCommMode) {
        const QString changed = ChangedBySentinels(fEvent, fIdentity);
        return changed.isEmpty() ? QString() : QStringLiteral("a failed read changed ") + changed;
    }
    const QString failedWrite = QStringLiteral("a failed write left neither the old value nor the new");
    switch (fKind) {
    case ReadCommMode:
        return s.CommMode == after.commMode
                   ? QString()
                   : QStringLiteral("communication mode %1, the controller's %2").arg(s.CommMode).arg(after.commMode);
    case ReadAdvanced: return AdvancedDiffers(s, after);
    case ReadDst: return DstDiffers(s, after);
    case ReadSchedule: return ScheduleDiffers(Records(DeviceSchedule()), ScheduleOf(after));
    case ReadCalendar: return CalendarDiffers(Records(DeviceCalendar()), CalendarOf(after), false);
    case ReadCalendarName: {
        QList<TCalendarRec> expected = SentinelCalendar();
        expected[fIndex].name = NameOf(after.calendar[size_t(fIndex)].name);
        return CalendarDiffers(Records(DeviceCalendar()), expected, true);
    }
    case ReadEvent: {
        const auto text = [](const TEventKey &k) {
            return QStringLiteral("day %1, minute %2, type %3").arg(k[0]).arg(k[1]).arg(k[2]);
        };
        const TEventKey truth = Key(after.events[size_t(fIndex)]);
        return Key(fEvent) == truth ? QString()
                                    : QStringLiteral("the event read (%1) is not the one in slot %2 (%3)")
                                          .arg(text(Key(fEvent))).arg(fIndex).arg(text(truth));
    }
    case ReadClock: {
        // The reply's time lies between the controller's clock at the request
        // and at the check, to the second.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const qint64 earliest = fStartedMs + (before.Clock().toMSecsSinceEpoch() - now) - 2000;
        const qint64 latest = after.Clock().toMSecsSinceEpoch() + 1000;
        const qint64 read = s.ClockValue.toMSecsSinceEpoch();
        return read >= earliest && read <= latest
                   ? QString()
                   : QStringLiteral("clock %1, not the controller's").arg(s.ClockValue.toString(Qt::ISODate));
    }
    case ReadLiveValues: {
        const auto &v = BeaconStatus.LiveValues;
        const bool right = v[0] == 1024 && v[1] >= 538 && v[1] <= 544 && v[2] == 520 && v[3] == 25 &&
                           std::all_of(v.begin() + 4, v.end(), [](qint32 x) { return x == 0; });
        return right ? QString() : QStringLiteral("live values that are not the controller's");
    }
    case ReadOverrideStatus: {
        TBeaconController state = after;
        const bool sameMinute = fStartedMs / 60000 == QDateTime::currentMSecsSinceEpoch() / 60000;
        if (BeaconStatus.SwitchPosition != state.switchPosition || BeaconStatus.OverrideState != state.overrideMode ||
            (sameMinute && BeaconStatus.BeaconOn != state.BeaconOn()))
            return QStringLiteral("an override status that is not the controller's");
        return {};
    }
    case ReadIdentity:
        return fIdentity == after.identity ? QString() : QStringLiteral("identity %1").arg(QString::fromLatin1(fIdentity));
    case WriteCommMode:
        if (after.commMode == fWritten.CommMode || (!succeeded && after.commMode == before.commMode))
            return {};
        return succeeded ? QStringLiteral("the controller's communication mode is %1 after a write of %2")
                               .arg(after.commMode).arg(fWritten.CommMode)
                         : failedWrite;
    case WriteAdvanced:
        if (AdvancedDiffers(fWritten, after).isEmpty() || (!succeeded && after.advanced == before.advanced))
            return {};
        return succeeded ? QStringLiteral("after the write: ") + AdvancedDiffers(fWritten, after) : failedWrite;
    case WriteDst:
        if (DstDiffers(fWritten, after).isEmpty() ||
            (!succeeded && after.dstStart == before.dstStart && after.dstEnd == before.dstEnd &&
             after.dstShift == before.dstShift && after.dstOffset == before.dstOffset))
            return {};
        return succeeded ? QStringLiteral("after the write: ") + DstDiffers(fWritten, after) : failedWrite;
    case WriteSchedule:
        if (SameSchedule(after.schedule, ScheduleTable(fSchedule)) ||
            (!succeeded && SameSchedule(after.schedule, before.schedule)))
            return {};
        return succeeded ? QStringLiteral("the controller's schedule is not the one written") : failedWrite;
    case WriteCalendar:
        if (CalendarTable(after) == CalendarTable(fCalendar) || (!succeeded && CalendarTable(after) == CalendarTable(before)))
            return {};
        return succeeded ? QStringLiteral("the controller's calendar is not the one written") : failedWrite;
    case WriteCalendarName: {
        const QByteArray &stored = after.calendar[size_t(fIndex)].name;
        if (stored == StoredName(fCalendar[fIndex].name) ||
            (!succeeded && stored == before.calendar[size_t(fIndex)].name))
            return {};
        return succeeded ? QStringLiteral("the controller's name %1 is not the one written").arg(fIndex) : failedWrite;
    }
    default:
        return {};
    }
}

void SetSentinels()
{
    BeaconSettings = SentinelSettings();
    BeaconStatus.LiveValues.fill(NoNumber);
    BeaconStatus.BeaconOn = false;
    BeaconStatus.SwitchPosition = BeaconStatus.OverrideState = NoByte;
    DeviceSchedule().SetRecords({{0, 0, 0x7F, 1, 2}});
    DeviceCalendar().SetRecords(SentinelCalendar());
}

void SetRandomConfiguration(std::mt19937 &rng)
{
    BeaconSettings.CommMode = quint8(1 + rng() % 3);
    RandomAdvanced(rng, BeaconSettings);
    RandomDst(rng, BeaconSettings);
    if (rng() % 10 == 0)
        BeaconSettings.DstStartDay = BeaconSettings.DstEndDay = -1; // no daylight saving
    DeviceSchedule().SetRecords(RandomSchedule(rng));
    DeviceCalendar().SetRecords(RandomCalendar(rng, int(rng() % (Slots + 1))));
}

QString ConfigurationDiffers(const TBeaconController &truth)
{
    if (BeaconSettings.CommMode != truth.commMode)
        return QStringLiteral("communication mode %1, the controller's %2").arg(BeaconSettings.CommMode).arg(truth.commMode);
    for (const QString &differs : {AdvancedDiffers(BeaconSettings, truth), DstDiffers(BeaconSettings, truth),
                                   ScheduleDiffers(Records(DeviceSchedule()), ScheduleOf(truth)),
                                   CalendarDiffers(Records(DeviceCalendar()), CalendarOf(truth), true)})
        if (!differs.isEmpty())
            return differs;
    return {};
}

QByteArray SaveDownloadedConfiguration(const QString &fileName)
{
    TAdvancedSettings page;
    page.ShowSettings(BeaconSettings);
    SaveSettingsFile(fileName, {}, page);
    return SettingsFileText({}, page);
}

QString EventsDiffer(const TEventLogDownload &download, const TBeaconController &truth)
{
    std::multiset<TEventKey> left;
    for (const auto &e : truth.events)
        left.insert(Key(e));
    if (download.Rows.size() != download.Events.size())
        return QStringLiteral("%1 rows for %2 events").arg(download.Rows.size()).arg(download.Events.size());
    for (const type_events_record &e : download.Events) {
        const auto found = left.find(Key(e));
        if (found == left.end())
            return QStringLiteral("an event the controller does not hold (day %1, minute %2, type %3)")
                .arg(e.day_num).arg(e.minutes_num).arg(e.event_type);
        left.erase(found);
    }
    if (download.Complete() && !left.empty())
        return QStringLiteral("complete, but %1 of the controller's events are missing").arg(left.size());
    return {};
}

bool StepFailureText(const QString &error, const QString &port)
{
    const QString lost = Fmt(Msg::LinkLostWhile, port, QString(), QString());
    return error.startsWith(Fmt(Msg::ExceptionWhileProcessing, QString())) ||
           error.startsWith(lost.left(lost.indexOf(QStringLiteral(" while ")) + 7));
}

int CountRequests(const QList<TFrameLogEntry> &log)
{
    return int(std::count_if(log.begin(), log.end(), [](const TFrameLogEntry &e) {
        return e.direction == QLatin1String("RX") && e.text.startsWith('!');
    }));
}

QByteArray FileBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double ResidentMb()
{
    for (const QByteArray &line : FileBytes(QStringLiteral("/proc/self/status")).split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}
