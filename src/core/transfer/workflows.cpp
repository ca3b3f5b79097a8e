#include "transfer/workflows.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "link/dmcom.h"
#include "protocol/beaconprotocol.h"
#include "protocol/payload.h"
#include "store/calendar.h"
#include "store/device.h"
#include "store/localetext.h"
#include "transfer/advancedsettings.h"
#include "transfer/scanpause.h"

namespace {
// What the controller holds: 16 records in each table, names of 15 bytes.
constexpr int TableSlots = 16;
constexpr int NameBytes = 15;
// Lets a poll already on its way finish before the sequence takes the line.
constexpr int SettleMs = 300;

void Settle()
{
    dmCOM().Delay(SettleMs);
    dmCOM().SettleLine(); // a slower reply than that is waited for, then discarded
}

QString Item(const char *name)
{
    return QString::fromUtf8(name);
}

QString NameItem(int index)
{
    return Fmt(Msg::ItemNameForCalendarRecord, index + 1);
}

// The counting line of the name loop: added for the first record, replacing
// the last line for the others.
void LogNameLine(TProgressLog &log, const char *verb, int index)
{
    const QString line = Fmt(verb, NameItem(index));
    if (index == 0)
        log.Add(line);
    else
        log.ReplaceLast(line);
}

void CheckTableSize(int count, const char *item)
{
    if (count > TableSlots)
        throw Exception(Fmt(Msg::TooManyRecords, item, count, TableSlots));
}
}

void RequireAnswer(bool answered, const QString &item)
{
    if (!answered)
        throw Exception(Fmt(Msg::ExceptionWhileProcessing, item));
}

void CheckUploadConfiguration(bool withAdvanced, bool withSchedule, bool withHolidays)
{
    // The same fields and widths the codecs write; HexField raises their error.
    if (withAdvanced) {
        // A day out of reach is named as the date it stands for, as the
        // operator saw it on the page or wrote it in a file, not as a number.
        for (auto [day, item] : {std::pair{BeaconSettings.DstStartDay, Msg::ItemDstStartDay},
                                 std::pair{BeaconSettings.DstEndDay, Msg::ItemDstEndDay}})
            if (day != -1 && (day < 0 || day > 0xFFFF)) // -1, "no daylight saving", has an encoding of its own
                throw Exception(Fmt(Msg::SettingsDstDateOutOfRange, Item(item), DateInWords(DstDayToDate(day)),
                                    DateInWords(DstDayToDate(0)), DateInWords(DstDayToDate(0xFFFF))));
        HexField(BeaconSettings.DstShiftTime, 4, Item(Msg::ItemDstShiftTime));
        HexField(BeaconSettings.DstOffset, 2, Item(Msg::ItemDstOffset));
    }
    if (withSchedule) {
        const TSchedule &schedule = DeviceSchedule();
        CheckTableSize(schedule.Count(), Msg::ItemSchedule);
        for (int i = 0; i < schedule.Count(); ++i) {
            HexField(schedule.Records(i).RecOnTime, 4, Fmt(Msg::ItemScheduleOnTime, i + 1));
            HexField(schedule.Records(i).RecOffTime, 4, Fmt(Msg::ItemScheduleOffTime, i + 1));
        }
    }
    // The names of all records go out whatever the options say.
    const TCalendar &calendar = DeviceCalendar();
    CheckTableSize(calendar.Count(), Msg::ItemCalendar);
    for (int i = 0; i < calendar.Count(); ++i) {
        const TCalendarRec rec = calendar.Records(i);
        if (withHolidays) {
            HexField(rec.DayNum, 4, Fmt(Msg::ItemCalendarDate, i + 1));
            HexField(rec.Days, 2, Fmt(Msg::ItemCalendarDays, i + 1));
        }
        if (Cp1252::fromUnicode(rec.name).size() > NameBytes)
            throw Exception(Fmt(Msg::NameDoesNotFit, Fmt(Msg::ItemCalendarName, i + 1), rec.name, NameBytes));
        // A name read from a controller, or kept in an old library, may hold one.
        CheckNameCharacters(rec.name, Fmt(Msg::ItemCalendarName, i + 1));
    }
}

bool UploadToBeacon(TProgressLog &logLines, bool withAdvanced, bool syncClock, bool withSchedule, bool withHolidays)
{
    // Cleared first, so a refusal is not shown over the last run's lines.
    logLines.Clear();
    CheckUploadConfiguration(withAdvanced, withSchedule, withHolidays);
    const TScanPause pause;
    Settle();

    const auto write = [&](const char *item, auto codec) {
        logLines.Add(Fmt(Msg::WritingItem, Item(item)));
        const TLinkActivity activity(dmCOM(), Fmt(Msg::ActivityWriting, Item(item)));
        RequireAnswer(codec(), Item(item));
    };
    write(Msg::ItemCommMode, [] { return WriteCommMode(); });
    if (syncClock)
        write(Msg::ItemClock, [] { return WriteClock(QDateTime::currentDateTime()); });
    if (withAdvanced) {
        write(Msg::ItemAdvanced, [] { return WriteAdvancedSettings(); });
        write(Msg::ItemDst, [] { return WriteDstSettings(); });
    }
    if (withSchedule)
        write(Msg::ItemBeaconSchedule, [] { return WriteSchedule(); });
    if (withHolidays)
        write(Msg::ItemCalendarOfExceptions, [] { return WriteCalendar(); });
    for (int i = 0; i < DeviceCalendar().Count(); ++i) {
        LogNameLine(logLines, Msg::WritingItem, i);
        const TLinkActivity activity(dmCOM(), Fmt(Msg::ActivityWriting, NameItem(i)));
        RequireAnswer(WriteCalendarName(quint8(i)), NameItem(i));
        if (logLines.Closed())
            break;
    }
    return true;
}

bool DownloadFromBeacon(TProgressLog &logLines, bool withSchedule, bool withHolidays, bool withAdvanced)
{
    logLines.Clear();
    const TScanPause pause;
    Settle();

    const auto read = [&](const char *item, auto codec) {
        logLines.Add(Fmt(Msg::ReadingItem, Item(item)));
        const TLinkActivity activity(dmCOM(), Fmt(Msg::ActivityReading, Item(item)));
        RequireAnswer(codec(), Item(item));
    };
    read(Msg::ItemCommMode, [] { return ReadCommMode(); });
    if (withAdvanced)
        read(Msg::ItemAdvanced, [] { return ReadAdvancedSettings(); });
    if (withSchedule)
        read(Msg::ItemBeaconSchedule, [] { return ReadSchedule() >= 0; });
    if (withHolidays)
        read(Msg::ItemCalendarOfExceptions, [] { return ReadCalendar() >= 0; });
    read(Msg::ItemDst, [] { return ReadDstSettings(); });
    for (int i = 0; i < DeviceCalendar().Count(); ++i) {
        LogNameLine(logLines, Msg::ReadingItem, i);
        const TLinkActivity activity(dmCOM(), Fmt(Msg::ActivityReading, NameItem(i)));
        RequireAnswer(ReadCalendarName(quint8(i)), NameItem(i));
        if (logLines.Closed())
            break;
    }
    return true;
}
