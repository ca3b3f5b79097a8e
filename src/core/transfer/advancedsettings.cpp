#include "transfer/advancedsettings.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "store/convprocs.h"
#include "store/inifile.h"
#include "store/localetext.h"
#include "transfer/dstrules.h"

namespace {
const QString General = QStringLiteral("General");
const QDate DstDayBase(2010, 1, 1);
// A date key that is missing or unreadable gives the first day of the date system.
const QDate NoDate(1899, 12, 30);

// The list items the rules refer to, by index.
constexpr int PatternConstant = 0;
constexpr int PatternAlternatingOne = 4;
constexpr int SpeedVerySlow = 0;
constexpr int SpeedMedium = 2;
constexpr int RoleSingle = 0;
constexpr int RoleSlave = 2;
constexpr int ChannelOff = 0;
constexpr int OffsetMinutes[4] = {30, 60, 90, 120};

template <size_t N>
QStringList Items(const char *const (&texts)[N])
{
    QStringList items;
    for (const char *text : texts)
        items << QString::fromUtf8(text);
    return items;
}

// A stored index shown in a list: out of range selects nothing.
int ListIndex(int value, int count)
{
    return value >= 0 && value < count ? value : -1;
}

// A settings value shown in a list: out of range shows the first item.
int ShownIndex(int value, int count)
{
    return value < count ? value : 0;
}

void SetIndexed(quint8 &field, int index)
{
    if (index >= 0)
        field = quint8(index);
}

// A DST date of a settings file: missing gives NoDate; otherwise "no
// daylight saving" (1 January 2010) or a day the controller's 16-bit field
// holds. Day 0 is left out: a rule on day 0 would read back from the
// controller as no daylight saving.
QDate ReadDstDate(const TIniFile &ini, const QString &key)
{
    const QDate date = ini.ReadDate(General, key, NoDate);
    const QDate first = DstDayBase.addDays(2);
    const QDate last = DstDayBase.addDays(0xFFFF + 1);
    if (date != NoDate && date != DstDayBase && (date < first || date > last))
        throw Exception(Fmt(Msg::SettingsDstDateOutOfRange, key, DateInWords(date), DateInWords(first),
                            DateInWords(last)));
    return date;
}
}

int DstDayFromDate(const QDate &date)
{
    return int(DstDayBase.daysTo(date)) - 1;
}

QDate DstDayToDate(int day)
{
    return DstDayBase.addDays(qint64(day) + 1);
}

QStringList TAdvancedSettings::FlashPatternItems()
{
    return Items(Msg::FlashPatternNames);
}

QStringList TAdvancedSettings::FlashSpeedItems()
{
    return Items(Msg::FlashSpeedNames);
}

QStringList TAdvancedSettings::BeaconRoleItems()
{
    return Items(Msg::BeaconRoleNames);
}

QStringList TAdvancedSettings::LinkChannelItems()
{
    QStringList items{QString::fromUtf8(Msg::LinkChannelOff)};
    for (int channel = 1; channel <= 9; ++channel)
        items << Fmt(Msg::LinkChannelNumber, channel);
    return items;
}

QStringList TAdvancedSettings::OffsetItems()
{
    return Items(Msg::DstOffsetNames);
}

TAdvancedSettings::TAdvancedSettings()
{
    btnSetDSTClick();
}

void TAdvancedSettings::SetBrightness(int lower, int upper)
{
    BrightnessMin = qBound(BrightnessLowest, lower, BrightnessHighest);
    BrightnessMax = qBound(BrightnessLowest, upper, BrightnessHighest);
}

void TAdvancedSettings::cbFlashPatternChange()
{
    FlashSpeedEnabled = FlashPattern != PatternConstant;
    if (FlashPattern == PatternConstant)
        FlashSpeed = SpeedVerySlow;
    SetUseMUTCD(FlashPattern == PatternAlternatingOne && FlashSpeed == SpeedMedium);
}

void TAdvancedSettings::cbUseMUTCDClick()
{
    if (!UseMUTCD)
        return;
    FlashPattern = PatternAlternatingOne;
    FlashSpeed = SpeedMedium;
    FlashSpeedEnabled = true;
}

void TAdvancedSettings::SetUseMUTCD(bool checked)
{
    if (UseMUTCD == checked)
        return;
    UseMUTCD = checked;
    cbUseMUTCDClick();
}

void TAdvancedSettings::cbZBeeModeChange()
{
    LinkChannelEnabled = BeaconRole != RoleSingle;
    if (BeaconRole == RoleSingle)
        LinkChannel = ChannelOff;
    if (BeaconRole == RoleSlave) {
        if (ShowRuleResult)
            ShowRuleResult();
        Messages().Warning(QString::fromUtf8(Msg::SlaveModeWarning));
    }
}

void TAdvancedSettings::btnSetDSTClick()
{
    btnSetDSTClick(QTimeZone::systemTimeZone(), QDate::currentDate().year());
}

void TAdvancedSettings::btnSetDSTClick(const QTimeZone &zone, int year)
{
    const TZoneDstRules rules = ZoneDstRules(zone, year);
    if (!rules.HasDst) {
        DateDST1 = DateDST2 = DstDayBase; // day -1: no daylight saving
        return;
    }
    DateDST1 = TransitionDate(rules.ToDst, year);
    DateDST2 = TransitionDate(rules.ToStandard, year);
    TimeDST = rules.ToDst.Time;
    // The list describes the size of the shift, so that is what is matched.
    for (int i = 0; i < 4; ++i)
        if (rules.ShiftMinutes == OffsetMinutes[i])
            OffsetIndex = i;
}

void TAdvancedSettings::SetSettings(TBeaconSettings &settings) const
{
    settings.BrightnessRange =
        quint8(BrightnessLevelFromPercent(BrightnessMin) << 4 | (BrightnessLevelFromPercent(BrightnessMax) & 0x0F));
    SetIndexed(settings.FlashPattern, FlashPattern);
    SetIndexed(settings.FlashSpeed, FlashSpeed);
    SetIndexed(settings.BeaconRole, BeaconRole);
    SetIndexed(settings.LinkChannel, LinkChannel);
    settings.DstStartDay = DstDayFromDate(DateDST1);
    settings.DstEndDay = DstDayFromDate(DateDST2);
    settings.DstShiftTime = TimeDST.hour() * 60 + TimeDST.minute();
    if (OffsetIndex >= 0 && OffsetIndex < 4)
        settings.DstOffset = OffsetMinutes[OffsetIndex];
}

void TAdvancedSettings::ShowSettings(const TBeaconSettings &settings)
{
    SetBrightness(BrightnessPercentFromLevel(settings.BrightnessRange >> 4),
                  BrightnessPercentFromLevel(settings.BrightnessRange & 0x0F));
    FlashPattern = ShownIndex(settings.FlashPattern, FlashPatternItems().size());
    FlashSpeed = ShownIndex(settings.FlashSpeed, FlashSpeedItems().size());
    BeaconRole = ShownIndex(settings.BeaconRole, BeaconRoleItems().size());
    LinkChannel = ShownIndex(settings.LinkChannel, LinkChannelItems().size());
    DateDST1 = DstDayToDate(settings.DstStartDay);
    DateDST2 = DstDayToDate(settings.DstEndDay);
    TimeDST = MinutesToDateTime(settings.DstShiftTime);
    for (int i = 0; i < 4; ++i)
        if (settings.DstOffset == OffsetMinutes[i])
            OffsetIndex = i;
    cbFlashPatternChange();
    cbZBeeModeChange();
}

void TAdvancedSettings::SaveToIni(TIniFile *ini) const
{
    if (!ini)
        return;
    ini->WriteInteger(General, QStringLiteral("BrightnessMin"), BrightnessMin);
    ini->WriteInteger(General, QStringLiteral("BrightnessMax"), BrightnessMax);
    ini->WriteInteger(General, QStringLiteral("FlashPattern"), FlashPattern);
    ini->WriteInteger(General, QStringLiteral("FlashSpeed"), FlashSpeed);
    ini->WriteInteger(General, QStringLiteral("LinkChannel"), LinkChannel);
    ini->WriteInteger(General, QStringLiteral("BeaconRole"), BeaconRole);
    ini->WriteDate(General, QStringLiteral("DateDST1"), DateDST1);
    ini->WriteDate(General, QStringLiteral("DateDST2"), DateDST2);
    ini->WriteTime(General, QStringLiteral("TimeDST"), TimeDST);
    ini->WriteInteger(General, QStringLiteral("cbOffsetDST"), OffsetIndex);
}

void TAdvancedSettings::LoadFromIni(const TIniFile *ini)
{
    if (!ini)
        return;
    // The keys that can refuse the file come first, so a refused file
    // leaves the page as it was.
    const QDate date1 = ReadDstDate(*ini, QStringLiteral("DateDST1"));
    const QDate date2 = ReadDstDate(*ini, QStringLiteral("DateDST2"));
    // The controller is told "no daylight saving" when either date says so,
    // so a rule with one such date and one real one would not come back.
    const bool off1 = date1 == DstDayBase;
    if (off1 != (date2 == DstDayBase) && date1 != NoDate && date2 != NoDate)
        throw Exception(Fmt(Msg::SettingsDstHalfOff, off1 ? QStringLiteral("DateDST1") : QStringLiteral("DateDST2")));
    const QTime time = ini->ReadTime(General, QStringLiteral("TimeDST"), QTime(0, 0));
    SetBrightness(ini->ReadInteger(General, QStringLiteral("BrightnessMin"), 1),
                  ini->ReadInteger(General, QStringLiteral("BrightnessMax"), 100));
    FlashPattern = ListIndex(ini->ReadInteger(General, QStringLiteral("FlashPattern"), 0), FlashPatternItems().size());
    FlashSpeed = ListIndex(ini->ReadInteger(General, QStringLiteral("FlashSpeed"), 0), FlashSpeedItems().size());
    LinkChannel = ListIndex(ini->ReadInteger(General, QStringLiteral("LinkChannel"), 0), LinkChannelItems().size());
    BeaconRole = ListIndex(ini->ReadInteger(General, QStringLiteral("BeaconRole"), 0), BeaconRoleItems().size());
    DateDST1 = date1;
    DateDST2 = date2;
    TimeDST = time;
    OffsetIndex = ListIndex(ini->ReadInteger(General, QStringLiteral("cbOffsetDST"), 0), OffsetItems().size());
}
