#include "link/frame.h"

#include "config/exceptions.h"
#include "config/messages.h"

QByteArray HexText(quint32 value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

int HexValue(const QByteArray &digits)
{
    if (digits.isEmpty() || digits.size() > 7)
        return -1;
    int value = 0;
    for (const char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
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
