#include "link/frame.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <algorithm>

QByteArray HexText(quint32 value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

namespace {
int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
}

int HexValue(const QByteArray &digits)
{
    if (digits.isEmpty() || digits.size() > 7)
        return -1;
    int value = 0;
    for (const char c : digits) {
        const int d = HexDigit(c);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

QByteArray BuildFrame(quint8 cmd, const QByteArray &payload)
{
    if (payload.size() % 2 != 0 || payload.size() > 2 * MaxPayloadBytes)
        throw Exception(Fmt(Msg::LinkPayloadUnframeable, HexText(cmd, 2), payload.size()));
    return '!' + HexText(cmd, 2) + HexText(quint32(payload.size() / 2), 2) + payload;
}

std::optional<TFrame> ParseFrameHeader(const QByteArray &text)
{
    if (text.size() < 5 || text.at(0) != '!')
        return std::nullopt;
    const int cmd = HexValue(text.mid(1, 2));
    const int length = HexValue(text.mid(3, 2));
    if (cmd < 0 || length < 0)
        return std::nullopt;
    return TFrame{quint8(cmd), length, {}};
}

std::optional<TFrame> ParseFrame(const QByteArray &text)
{
    std::optional<TFrame> frame = ParseFrameHeader(text);
    if (!frame || text.size() < 5 + 2 * frame->length)
        return std::nullopt;
    frame->payload = text.mid(5, 2 * frame->length);
    return frame;
}

bool ReplyPayloadValid(const QByteArray &payload, int replyBytes)
{
    if (replyBytes == AnyReplyPayload)
        return true;
    if (payload.size() != 2 * replyBytes)
        return false;
    return std::all_of(payload.begin(), payload.end(), [](char c) { return HexDigit(c) >= 0; });
}
