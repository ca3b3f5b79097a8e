#pragma once
#include <QByteArray>

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
