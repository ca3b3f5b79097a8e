#include "protocol/payload.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "link/dmcom.h"
#include "link/frame.h"

namespace {
// How long a codec waits for the start of a reply.
constexpr int ReplyTimeoutMs = 2500;
}

QByteArray HexField(qint64 value, int digits, const QString &item)
{
    const qint64 largest = (qint64(1) << (4 * digits)) - 1;
    if (value < 0 || value > largest)
        throw Exception(Fmt(Msg::ValueDoesNotFit, item, value, 0, largest));
    return HexText(quint32(value), digits);
}

int PayloadField(const QByteArray &payload, int pos, int digits)
{
    if (pos + digits > payload.size())
        return 0;
    return qMax(0, HexValue(payload.mid(pos, digits)));
}

int ReplyPayloadBytes(quint8 cmd, const QByteArray &request)
{
    const bool read = request.isEmpty();
    switch (cmd) {
    case cmdIdentity:
        return 8;
    case cmdCommMode:
        return read ? 1 : AnyReplyPayload;
    case cmdCalendar:
        return read ? 64 : AnyReplyPayload;
    case cmdSchedule:
        return read ? 80 : AnyReplyPayload;
    case cmdClock:
        return read ? 6 : AnyReplyPayload;
    case cmdDst:
        return read ? 7 : AnyReplyPayload;
    case cmdAdvanced:
        return read ? 5 : AnyReplyPayload;
    case cmdLiveValues:
        return 16;
    case cmdCalendarName:
        return request.size() == 2 * 2 ? 17 : AnyReplyPayload; // a read asks with tag and index
    case cmdOverrideStatus:
        return 3;
    case cmdEventRecord:
        return 11;
    default:
        return AnyReplyPayload; // the override's reply, and any command outside the table
    }
}

QByteArray ReplyNames(quint8 cmd, const QByteArray &request)
{
    // A calendar name's reply repeats the tag and index it was asked with.
    return cmd == cmdCalendarName && ReplyPayloadBytes(cmd, request) != AnyReplyPayload ? request.toUpper()
                                                                                         : QByteArray();
}

bool CodecExchange(quint8 cmd, const QByteArray &request, QByteArray &reply)
{
    return dmCOM().ExchangeMessage(cmd, request, reply, ReplyTimeoutMs, true, ReplyPayloadBytes(cmd, request),
                                   ReplyNames(cmd, request));
}
