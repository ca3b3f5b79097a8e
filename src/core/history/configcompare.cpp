#include "history/configcompare.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "store/convprocs.h"
#include "store/device.h"
#include "store/inifile.h"
#include "store/localetext.h"
#include "transfer/advancedsettings.h"
#include "transfer/workflows.h"

namespace {
const QString General = QStringLiteral("General");

QString Text(const char *text)
{
    return QString::fromUtf8(text);
}

// An entry of one of the page's lists, or the number when it has none.
QString ListEntry(const QStringList &items, int index)
{
    return index >= 0 && index < items.size() ? items.at(index) : QString::number(index);
}

QString DstDateText(int day, const QLocale &locale)
{
    return DateToText(DstDayToDate(day), locale);
}

QString ScheduleRecordText(const TScheduleRec &rec, const QLocale &locale)
{
    return Fmt(Msg::CompareScheduleRecordText, DayText(rec.RecDay), MinutesToTimeText(rec.RecOnTime, locale),
               MinutesToTimeText(rec.RecOffTime, locale));
}

QString CalendarDateText(const TCalendarRec &rec, const QLocale &locale)
{
    return DateToText(DayNumToDate(rec.DayNum), locale);
}

QString CalendarRecordText(const TCalendarRec &rec, const QLocale &locale)
{
    return Fmt(Msg::CompareCalendarRecordText, rec.name, CalendarDateText(rec, locale), Fmt(Msg::DurationDays, rec.Days),
               DayModeText(rec.DayMode));
}

// Collects the differences of one comparison.
class TDifferences {
public:
    // A value of an item; equal texts are no difference.
    void Add(const QString &item, const QString &onBeacon, const QString &other)
    {
        if (onBeacon != other)
            fList.append({item, onBeacon, other});
    }
    QList<TConfigDifference> List() const { return fList; }

private:
    QList<TConfigDifference> fList;
};

void CompareAdvanced(TDifferences &out, const TBeaconSettings &b, const TBeaconSettings &o, const QLocale &locale)
{
    const auto add = [&](const char *field, const QString &onBeacon, const QString &other) {
        out.Add(Fmt(Msg::CompareAdvancedItem, Text(field)), onBeacon, other);
    };
    const auto percent = [](int level) { return Fmt(Msg::ComparePercent, BrightnessPercentFromLevel(level)); };
    add(Msg::CompareBrightnessMin, percent(b.BrightnessRange >> 4), percent(o.BrightnessRange >> 4));
    add(Msg::CompareBrightnessMax, percent(b.BrightnessRange & 0x0F), percent(o.BrightnessRange & 0x0F));
    const QStringList patterns = TAdvancedSettings::FlashPatternItems();
    add(Msg::CompareFlashPattern, ListEntry(patterns, b.FlashPattern), ListEntry(patterns, o.FlashPattern));
    const QStringList speeds = TAdvancedSettings::FlashSpeedItems();
    add(Msg::CompareFlashSpeed, ListEntry(speeds, b.FlashSpeed), ListEntry(speeds, o.FlashSpeed));
    const QStringList roles = TAdvancedSettings::BeaconRoleItems();
    add(Msg::CompareRadioMode, ListEntry(roles, b.BeaconRole), ListEntry(roles, o.BeaconRole));
    const QStringList channels = TAdvancedSettings::LinkChannelItems();
    add(Msg::CompareRadioLink, ListEntry(channels, b.LinkChannel), ListEntry(channels, o.LinkChannel));
    add(Msg::CompareDstStart, DstDateText(b.DstStartDay, locale), DstDateText(o.DstStartDay, locale));
    add(Msg::CompareDstEnd, DstDateText(b.DstEndDay, locale), DstDateText(o.DstEndDay, locale));
    add(Msg::CompareDstTime, MinutesToTimeText(b.DstShiftTime, locale), MinutesToTimeText(o.DstShiftTime, locale));
    add(Msg::CompareDstOffset, Fmt(Msg::CompareMinutes, b.DstOffset), Fmt(Msg::CompareMinutes, o.DstOffset));
}

// Records by position; a record only one side holds is one difference.
template <typename Rec, typename Fields>
void CompareRecords(TDifferences &out, const QList<Rec> &beacon, const QList<Rec> &other, const char *recordItem,
                    QString (*wholeText)(const Rec &, const QLocale &), const QLocale &locale, Fields &&fields)
{
    const QString none = Text(Msg::CompareNone);
    for (qsizetype i = 0; i < qMax(beacon.size(), other.size()); ++i) {
        const QString item = Fmt(recordItem, int(i + 1));
        if (i >= beacon.size())
            out.Add(item, none, wholeText(other.at(i), locale));
        else if (i >= other.size())
            out.Add(item, wholeText(beacon.at(i), locale), none);
        else
            fields(item, beacon.at(i), other.at(i));
    }
}
}

TBeaconConfig MemoryConfig()
{
    TBeaconConfig config;
    config.Settings = BeaconSettings;
    for (int i = 0; i < DeviceSchedule().Count(); ++i)
        config.Schedule.append(DeviceSchedule().Records(i));
    for (int i = 0; i < DeviceCalendar().Count(); ++i)
        config.Calendar.append(DeviceCalendar().Records(i));
    return config;
}

void RestoreMemory(const TBeaconConfig &config)
{
    BeaconSettings = config.Settings;
    DeviceSchedule().Clear();
    for (const TScheduleRec &rec : config.Schedule)
        DeviceSchedule().SaveRecord(rec, true);
    DeviceCalendar().Clear();
    for (const TCalendarRec &rec : config.Calendar)
        DeviceCalendar().SaveRecord(rec, true);
}

namespace {
TConfigParts PartsOf(const TIniFile &ini)
{
    const auto has = [&ini](const char *key) { return !ini.ReadString(General, QLatin1String(key), {}).isEmpty(); };
    return {has("ScheduleCount"), has("CalendarCount"), has("FlashPattern")};
}

// What load puts into the page and memory, on base.
template <typename Load>
TBeaconConfig ConfigOn(const TConfigParts &parts, const TBeaconConfig &base, Load &&load)
{
    const TMemoryKeeper keeper;
    RestoreMemory(base);
    TAdvancedSettings page;
    load(page);
    TBeaconConfig config = MemoryConfig();
    config.Settings = base.Settings;
    if (parts.Advanced)
        page.SetSettings(config.Settings);
    return config;
}
}

TConfigParts FileParts(const QString &fileName)
{
    TIniFile ini(QLocale::system());
    ini.LoadFromFile(fileName);
    return PartsOf(ini);
}

TConfigParts SettingsTextParts(const QByteArray &bytes)
{
    TIniFile ini(QLocale::system());
    ini.LoadFromBytes(bytes);
    return PartsOf(ini);
}

TBeaconConfig FileConfig(const QString &fileName, const TConfigParts &parts, const TBeaconConfig &base)
{
    return ConfigOn(parts, base, [&](TAdvancedSettings &page) { LoadSettingsFile(fileName, parts, page); });
}

TBeaconConfig SettingsTextConfig(const QByteArray &bytes, const TConfigParts &parts, const TBeaconConfig &base)
{
    return ConfigOn(parts, base, [&](TAdvancedSettings &page) { LoadSettingsText(bytes, parts, page); });
}

TBeaconConfig ReadBeaconConfig(TProgressLog &log, const TConfigParts &parts)
{
    const TMemoryKeeper keeper;
    DownloadFromBeacon(log, parts.Schedule, parts.Holidays, parts.Advanced);
    return MemoryConfig();
}

QList<TConfigDifference> CompareConfigs(const TBeaconConfig &beacon, const TBeaconConfig &other,
                                        const TCompareScope &scope, const QLocale &locale)
{
    TDifferences out;
    if (scope.CommMode)
        out.Add(Text(Msg::CompareCommMode), QString::number(beacon.Settings.CommMode),
                QString::number(other.Settings.CommMode));
    if (scope.Advanced)
        CompareAdvanced(out, beacon.Settings, other.Settings, locale);
    if (scope.Schedule) {
        CompareRecords(out, beacon.Schedule, other.Schedule, Msg::CompareScheduleRecord, ScheduleRecordText, locale,
                       [&](const QString &item, const TScheduleRec &b, const TScheduleRec &o) {
                           const auto add = [&](const char *field, const QString &x, const QString &y) {
                               out.Add(item + u' ' + Text(field), x, y);
                           };
                           add(Msg::CompareDays, DayText(b.RecDay), DayText(o.RecDay));
                           add(Msg::CompareOnTime, MinutesToTimeText(b.RecOnTime, locale),
                               MinutesToTimeText(o.RecOnTime, locale));
                           add(Msg::CompareOffTime, MinutesToTimeText(b.RecOffTime, locale),
                               MinutesToTimeText(o.RecOffTime, locale));
                       });
    }
    if (scope.Calendar) {
        CompareRecords(out, beacon.Calendar, other.Calendar, Msg::CompareCalendarRecord, CalendarRecordText, locale,
                       [&](const QString &item, const TCalendarRec &b, const TCalendarRec &o) {
                           const auto add = [&](const char *field, const QString &x, const QString &y) {
                               out.Add(item + u' ' + Text(field), x, y);
                           };
                           add(Msg::CompareName, b.name, o.name);
                           add(Msg::CompareDate, CalendarDateText(b, locale), CalendarDateText(o, locale));
                           add(Msg::CompareDuration, Fmt(Msg::DurationDays, b.Days), Fmt(Msg::DurationDays, o.Days));
                           add(Msg::CompareSubstitute, DayModeText(b.DayMode), DayModeText(o.DayMode));
                       });
    } else if (scope.Names) {
        for (qsizetype i = 0; i < qMin(beacon.Calendar.size(), other.Calendar.size()); ++i)
            out.Add(Fmt(Msg::CompareCalendarRecord, int(i + 1)) + u' ' + Text(Msg::CompareName),
                    beacon.Calendar.at(i).name, other.Calendar.at(i).name);
    }
    return out.List();
}

QString FileDifferenceText(const TConfigDifference &difference)
{
    return Fmt(Msg::DifferenceInFile, difference.Item, difference.OnBeacon, difference.Other);
}

namespace {
// The upload's lines stay in the log: reading back adds to them.
class TAppendingLog final : public TProgressLog {
public:
    explicit TAppendingLog(TProgressLog &log) : fLog(log) {}
    void Clear() override {}
    void Add(const QString &line) override { fLog.Add(line); }
    void ReplaceLast(const QString &line) override { fLog.ReplaceLast(line); }
    bool Closed() const override { return fLog.Closed(); }

private:
    TProgressLog &fLog;
};
}

void VerifyUpload(TProgressLog &log, bool withAdvanced, bool withSchedule, bool withHolidays, const QLocale &locale)
{
    const TBeaconConfig sent = MemoryConfig();
    TBeaconConfig read;
    {
        TAppendingLog appending(log);
        read = ReadBeaconConfig(appending, {withSchedule, withHolidays, withAdvanced});
    }
    TCompareScope scope;
    scope.CommMode = true;
    scope.Advanced = withAdvanced;
    scope.Schedule = withSchedule;
    scope.Calendar = withHolidays;
    scope.Names = true;
    QStringList lines;
    for (const TConfigDifference &d : CompareConfigs(read, sent, scope, locale))
        lines << Fmt(Msg::DifferenceUploaded, d.Item, d.OnBeacon, d.Other);
    if (!lines.isEmpty())
        throw EUploadDiffers(Fmt(Msg::VerifyFailed, lines.join(u'\n')));
}
