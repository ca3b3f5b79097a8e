#include "protocol/beaconprotocol.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "link/frame.h"
#include "protocol/payload.h"
#include "store/device.h"

namespace {
// The controller's tables: 16 records each, names of 15 bytes.
constexpr int TableSlots = 16;
constexpr int NameBytes = 15;
constexpr int ScheduleSlotDigits = 10;
constexpr int CalendarSlotDigits = 8;
// Records read from the controller are numbered from here in slot order;
// ReadCalendarName finds its record by that number.
constexpr int FirstReadId = 1000;
// The calendar-name request's first byte.
const QByteArray NameRequestTag = QByteArrayLiteral("02");

void CheckTableSize(int count, const char *item)
{
    if (count > TableSlots)
        throw Exception(Fmt(Msg::TooManyRecords, item, count, TableSlots));
}
}

bool WriteSchedule()
{
    const TSchedule &schedule = DeviceSchedule();
    CheckTableSize(schedule.Count(), Msg::ItemSchedule);
    QByteArray request;
    for (int i = 0; i < schedule.Count(); ++i) {
        const TScheduleRec rec = schedule.Records(i);
        request += HexText(rec.RecDay, 2);
        request += HexField(rec.RecOnTime, 4, Fmt(Msg::ItemScheduleOnTime, i + 1));
        request += HexField(rec.RecOffTime, 4, Fmt(Msg::ItemScheduleOffTime, i + 1));
    }
    request += QByteArray((TableSlots - schedule.Count()) * ScheduleSlotDigits, '0');
    QByteArray reply;
    return CodecExchange(cmdSchedule, request, reply);
}

int ReadSchedule()
{
    QByteArray reply;
    if (!CodecExchange(cmdSchedule, {}, reply))
        return -1;
    TSchedule &schedule = DeviceSchedule();
    schedule.Clear();
    for (int k = 0;; ++k) {
        const int pos = k * ScheduleSlotDigits;
        const int day = PayloadField(reply, pos, 2);
        if (day == 0 || day == 0xFF) // an empty slot ends the table
            return k + 1;
        TScheduleRec rec;
        rec.id = FirstReadId + k;
        rec.CalendarID = 0;
        rec.RecDay = quint8(day);
        rec.RecOnTime = PayloadField(reply, pos + 2, 4);
        rec.RecOffTime = PayloadField(reply, pos + 6, 4);
        schedule.SaveRecord(rec, true);
    }
}

bool WriteCalendar()
{
    const TCalendar &calendar = DeviceCalendar();
    CheckTableSize(calendar.Count(), Msg::ItemCalendar);
    QByteArray request;
    for (int i = 0; i < calendar.Count(); ++i) {
        const TCalendarRec rec = calendar.Records(i);
        request += HexField(rec.DayNum, 4, Fmt(Msg::ItemCalendarDate, i + 1));
        request += HexField(rec.Days, 2, Fmt(Msg::ItemCalendarDays, i + 1));
        request += HexText(rec.DayMode, 2);
    }
    request += QByteArray((TableSlots - calendar.Count()) * CalendarSlotDigits, '0');
    QByteArray reply;
    return CodecExchange(cmdCalendar, request, reply);
}

int ReadCalendar()
{
    QByteArray reply;
    if (!CodecExchange(cmdCalendar, {}, reply))
        return -1;
    TCalendar &calendar = DeviceCalendar();
    calendar.Clear();
    for (int k = 0;; ++k) {
        const int pos = k * CalendarSlotDigits;
        const int dayNum = PayloadField(reply, pos, 4);
        if (dayNum == 0 || dayNum == 0xFFFF) // an empty slot ends the table
            return k + 1;
        TCalendarRec rec;
        rec.id = FirstReadId + k;
        rec.CalendarID = 0;
        rec.DayNum = dayNum;
        rec.Days = PayloadField(reply, pos + 4, 2);
        rec.DayMode = quint8(PayloadField(reply, pos + 6, 2));
        calendar.SaveRecord(rec, true);
    }
}

bool WriteCalendarName(quint8 index)
{
    const TCalendarRec rec = DeviceCalendar().Records(index);
    const QByteArray name = Cp1252::fromUnicode(rec.name);
    if (name.size() > NameBytes)
        throw Exception(Fmt(Msg::NameDoesNotFit, Fmt(Msg::ItemCalendarName, index + 1), rec.name, NameBytes));
    const QByteArray request =
        NameRequestTag + HexText(index, 2) + name.toHex().toUpper() + QByteArray((NameBytes - name.size()) * 2, '0');
    QByteArray reply;
    return CodecExchange(cmdCalendarName, request, reply);
}

bool ReadCalendarName(quint8 index)
{
    QByteArray reply;
    if (!CodecExchange(cmdCalendarName, NameRequestTag + HexText(index, 2), reply))
        return false;
    const int owner = PayloadField(reply, 2, 2); // the record the name belongs to
    QByteArray name;
    for (int i = 0; i < NameBytes; ++i) {
        if (const int code = PayloadField(reply, 4 + 2 * i, 2))
            name += char(code); // zero bytes are padding wherever they stand
    }
    TCalendar &calendar = DeviceCalendar();
    if (owner < calendar.Count()) {
        TCalendarRec rec = calendar.Records(owner);
        rec.name = Cp1252::toUnicode(name);
        calendar.SaveRecord(rec, false);
    }
    return true;
}
