#include "protocol/beaconprotocol.h"

#include "link/frame.h"
#include "protocol/payload.h"

namespace {
// A 16-bit field of the event record, sent low byte first; 0 when it is not
// wholly there or not hexadecimal.
qint16 LowFirstWord(const QByteArray &payload, int pos)
{
    const QByteArray field = payload.mid(pos, 4);
    if (field.size() < 4)
        return 0;
    return qint16(quint16(qMax(0, HexValue(field.mid(2, 2) + field.left(2)))));
}
}

bool ReadLiveValues()
{
    QByteArray reply;
    if (!CodecExchange(cmdLiveValues, {}, reply))
        return false;
    for (int k = 0; k < int(BeaconStatus.LiveValues.size()); ++k)
        BeaconStatus.LiveValues[size_t(k)] = PayloadField(reply, 4 * k, 4);
    return true;
}

bool ReadOverrideStatus()
{
    QByteArray reply;
    if (!CodecExchange(cmdOverrideStatus, {}, reply))
        return false;
    BeaconStatus.BeaconOn = PayloadField(reply, 0, 2) == 1;
    BeaconStatus.SwitchPosition = quint8(PayloadField(reply, 2, 2));
    BeaconStatus.OverrideState = quint8(PayloadField(reply, 4, 2));
    return true;
}

bool WriteOverride(quint8 mode, const QTime &end)
{
    const QTime time = end.isValid() ? end : QTime(0, 0);
    const QByteArray request = HexText(mode, 2) + HexText(quint32(time.hour() * 60 + time.minute()), 4);
    QByteArray reply;
    return CodecExchange(cmdOverride, request, reply);
}

void ReadEventRecord(quint8 index, type_events_record &record)
{
    QByteArray reply;
    if (!CodecExchange(cmdEventRecord, HexText(index, 2), reply))
        return;
    record.day_num = LowFirstWord(reply, 0);
    record.minutes_num = LowFirstWord(reply, 4);
    record.event_type = qint8(PayloadField(reply, 8, 2));
    for (int i = 0; i < 3; ++i)
        record.parms[i] = LowFirstWord(reply, 10 + 4 * i);
}
