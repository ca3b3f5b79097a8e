#pragma once
#include <QByteArray>
#include <optional>

// The controller's commands. A read and a write of the same item share a code
// and differ in the request payload.
enum TBeaconCommand : quint8 {
    cmdIdentity = 0x01,
    cmdCommMode = 0x02,
    cmdCalendar = 0x06,
    cmdSchedule = 0x07,
    cmdClock = 0x10,
    cmdDst = 0x16,
    cmdAdvanced = 0x30,
    cmdLiveValues = 0x31,
    cmdOverride = 0x32,
    cmdCalendarName = 0x33,
    cmdOverrideStatus = 0x34,
    cmdEventRecord = 0x35,
};

// The largest payload a frame's 2-digit length field can describe, in bytes.
inline constexpr int MaxPayloadBytes = 255;

// value as upper-case hex digits, zero-padded to digits; the caller makes sure
// it fits.
QByteArray HexText(quint32 value, int digits);
// The value of a run of hex digits in either case; -1 when it is empty or holds
// anything else.
int HexValue(const QByteArray &digits);
// "!" + command + payload length in bytes + payload. A payload of an odd number
// of characters or longer than the length field can describe is refused with an
// Exception, so no frame ever claims less than it carries.
QByteArray BuildFrame(quint8 cmd, const QByteArray &payload);

// A frame as received: its command code and its payload text.
struct TFrame {
    quint8 cmd = 0;
    int length = 0; // payload bytes the header declares
    QByteArray payload;
};

// The header of a received frame: "!", then the command and the payload length
// as two hex digits each, in either case. Nothing when text does not start so.
std::optional<TFrame> ParseFrameHeader(const QByteArray &text);
// The whole frame that text starts with: a header and the 2 x length payload
// characters it declares; characters after them are not looked at. Nothing
// when the header is not one or the payload is shorter than declared. The
// frame has no checksum: its length is the only check it offers.
std::optional<TFrame> ParseFrame(const QByteArray &text);

// A reply whose payload is not examined (the reply to a write).
inline constexpr int AnyReplyPayload = -1;
// Whether payload is what a reply must carry: exactly replyBytes bytes as hex
// digits in either case. AnyReplyPayload accepts any payload.
bool ReplyPayloadValid(const QByteArray &payload, int replyBytes);
