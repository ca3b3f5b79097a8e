#include "protocol/beaconprotocol.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "link/frame.h"
#include "protocol/payload.h"

#include <cmath>

TBeaconSettings BeaconSettings;
TBeaconStatus BeaconStatus;

namespace {
// The clock's year travels as 2 digits counted from 2000.
constexpr int FirstClockYear = 2000;
constexpr int LastClockYear = FirstClockYear + 0xFF;

// A DST day as it goes out: 0 to 65535, or -1 for "no daylight saving",
// which the caller turns into a rule of zero length.
qint32 CheckedDstDay(qint32 day, const char *item)
{
    if (day != -1)
        HexField(day, 4, QString::fromUtf8(item));
    return day;
}
}

quint8 BrightnessLevelFromPercent(int percent)
{
    return quint8(std::nearbyint(percent * 16 / 100.0) - 1);
}

int BrightnessPercentFromLevel(int level)
{
    return (int(std::nearbyint(level * 100 / 16.0)) / 10 + 1) * 10;
}

bool WriteCommMode()
{
    QByteArray reply;
    return CodecExchange(cmdCommMode, HexText(BeaconSettings.CommMode, 2), reply);
}

bool ReadCommMode()
{
    QByteArray reply;
    if (!CodecExchange(cmdCommMode, {}, reply))
        return false;
    BeaconSettings.CommMode = quint8(PayloadField(reply, 0, 2));
    return true;
}

bool WriteClock(const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    if (date.year() < FirstClockYear || date.year() > LastClockYear)
        throw Exception(Fmt(Msg::ValueDoesNotFit, Msg::ItemClockYear, date.year(), FirstClockYear, LastClockYear));
    QByteArray request;
    for (int field : {time.second(), time.minute(), time.hour(), date.day(), date.month(), date.year() - FirstClockYear})
        request += HexText(quint32(field), 2);
    QByteArray reply;
    return CodecExchange(cmdClock, request, reply);
}

bool ReadClock()
{
    QByteArray reply;
    if (!CodecExchange(cmdClock, {}, reply))
        return false;
    const QDate date(PayloadField(reply, 10, 2) + FirstClockYear, PayloadField(reply, 8, 2), PayloadField(reply, 6, 2));
    if (!date.isValid())
        return false;
    BeaconSettings.ClockValue = QDateTime(date, QTime(0, 0));
    const QTime time(PayloadField(reply, 4, 2), PayloadField(reply, 2, 2), PayloadField(reply, 0, 2));
    if (!time.isValid())
        return false;
    BeaconSettings.ClockValue = QDateTime(date, time);
    return true;
}

bool WriteAdvancedSettings()
{
    QByteArray request;
    for (quint8 field : {BeaconSettings.BrightnessRange, BeaconSettings.FlashPattern, BeaconSettings.FlashSpeed,
                         BeaconSettings.BeaconRole, BeaconSettings.LinkChannel})
        request += HexText(field, 2);
    QByteArray reply;
    return CodecExchange(cmdAdvanced, request, reply);
}

bool ReadAdvancedSettings()
{
    QByteArray reply;
    if (!CodecExchange(cmdAdvanced, {}, reply))
        return false;
    BeaconSettings.BrightnessRange = quint8(PayloadField(reply, 0, 2));
    BeaconSettings.FlashPattern = quint8(PayloadField(reply, 2, 2));
    BeaconSettings.FlashSpeed = quint8(PayloadField(reply, 4, 2));
    BeaconSettings.BeaconRole = quint8(PayloadField(reply, 6, 2));
    BeaconSettings.LinkChannel = quint8(PayloadField(reply, 8, 2));
    return true;
}

bool WriteDstSettings()
{
    qint32 start = CheckedDstDay(BeaconSettings.DstStartDay, Msg::ItemDstStartDay);
    qint32 end = CheckedDstDay(BeaconSettings.DstEndDay, Msg::ItemDstEndDay);
    if (start == -1 || end == -1)
        start = end = 0; // no daylight saving: shift forward and back on the same past day
    const QByteArray request = HexText(quint32(start), 4) + HexText(quint32(end), 4) +
                               HexField(BeaconSettings.DstShiftTime, 4, QString::fromUtf8(Msg::ItemDstShiftTime)) +
                               HexField(BeaconSettings.DstOffset, 2, QString::fromUtf8(Msg::ItemDstOffset));
    QByteArray reply;
    return CodecExchange(cmdDst, request, reply);
}

bool ReadDstSettings()
{
    QByteArray reply;
    if (!CodecExchange(cmdDst, {}, reply))
        return false;
    BeaconSettings.DstStartDay = PayloadField(reply, 0, 4);
    BeaconSettings.DstEndDay = PayloadField(reply, 4, 4);
    if (BeaconSettings.DstStartDay == 0 && BeaconSettings.DstEndDay == 0)
        BeaconSettings.DstStartDay = BeaconSettings.DstEndDay = -1; // the rule WriteDstSettings sends for none
    BeaconSettings.DstShiftTime = PayloadField(reply, 8, 4);
    BeaconSettings.DstOffset = PayloadField(reply, 12, 2);
    return true;
}
