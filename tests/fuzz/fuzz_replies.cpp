// Reply frames from a controller, hostile or damaged, through the link and
// every reply decoder. The first byte chooses the exchange; the rest is what
// the controller answers to each request. An exchange must take the reply
// exactly when the frame reader does (a whole frame with the command asked
// for and the payload its reply must carry), must leave memory as it was
// when it does not, and what it takes must go out of the matching encoder
// as it came in.
#include "config/cp1252.h"
#include "fuzzline.h"
#include "link/frame.h"
#include "protocol/beaconprotocol.h"
#include "protocol/payload.h"
#include "store/device.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <cstdio>
#include <cstdlib>

namespace {
TFuzzLine *line = nullptr;
QByteArray reply;
bool answering = true; // off where the reply is put on the line unasked

void Require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\nreply: %s\n", what, reply.toPercentEncoding("!").constData());
    std::abort();
}

// The frame reader alone: a frame is the text it was read from, and
// BuildFrame writes it back with the header in upper case.
void CheckFrameReader()
{
    const std::optional<TFrame> head = ParseFrameHeader(reply);
    const std::optional<TFrame> frame = ParseFrame(reply);
    Require(head.has_value() == (reply.size() >= 5 && reply.startsWith('!') && HexValue(reply.mid(1, 2)) >= 0
                                 && HexValue(reply.mid(3, 2)) >= 0),
            "header");
    if (!frame) {
        Require(!head || reply.size() < 5 + 2 * head->length, "a whole frame refused");
        return;
    }
    Require(frame->payload.size() == 2 * frame->length, "payload length");
    const QByteArray built = BuildFrame(frame->cmd, frame->payload);
    Require(built == reply.left(5).toUpper() + reply.mid(5, 2 * frame->length), "frame rebuilt");
    bool hex = true;
    for (qsizetype i = 0; i < frame->payload.size(); i += 2)
        hex = hex && HexValue(frame->payload.mid(i, 2)) >= 0;
    Require(ReplyPayloadValid(frame->payload, frame->length) == hex, "payload check");
    Require(ReplyPayloadValid(frame->payload, AnyReplyPayload), "any payload");
}

// Whether the link can take the reply without waiting out a timeout: the
// header and what it declares are all there, or there is no header to wait on.
bool Quick()
{
    return reply.size() >= 5 && (!ParseFrameHeader(reply) || ParseFrame(reply));
}

// Whether the exchange of cmd with request must take the reply.
bool Taken(quint8 cmd, const QByteArray &request)
{
    const std::optional<TFrame> frame = ParseFrame(reply);
    return frame && frame->cmd == cmd && ReplyPayloadValid(frame->payload, ReplyPayloadBytes(cmd, request))
           && frame->payload.toUpper().startsWith(ReplyNames(cmd, request));
}

// The reply's payload in upper case, as an encoder writes it.
QByteArray Payload()
{
    return ParseFrame(reply)->payload.toUpper();
}

// The payload of the last request the link sent.
QByteArray Sent()
{
    return line->LastRequest().mid(5);
}

// Everything a decoder may change.
QByteArray State()
{
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    const TBeaconSettings &b = BeaconSettings;
    out << b.CommMode << b.BrightnessRange << b.FlashPattern << b.FlashSpeed << b.BeaconRole << b.LinkChannel
        << b.DstStartDay << b.DstEndDay << b.DstShiftTime << b.DstOffset << b.ClockValue;
    const TBeaconStatus &s = BeaconStatus;
    for (const qint32 value : s.LiveValues)
        out << value;
    out << s.BeaconOn << s.SwitchPosition << s.OverrideState;
    for (int i = 0; i < DeviceSchedule().Count(); ++i) {
        const TScheduleRec r = DeviceSchedule().Records(i);
        out << r.id << r.RecDay << r.RecOnTime << r.RecOffTime;
    }
    for (int i = 0; i < DeviceCalendar().Count(); ++i) {
        const TCalendarRec r = DeviceCalendar().Records(i);
        out << r.id << r.name << r.DayNum << r.Days << r.DayMode;
    }
    return state;
}

QByteArray LowFirst(qint16 word)
{
    const QByteArray hex = HexText(quint16(word), 4);
    return hex.mid(2, 2) + hex.left(2);
}

// A table reply taken slot by slot up to its first empty slot, whose first
// field is one of ends: the records went out again as they came in, the
// unused slots as zeros.
void CheckTable(int count, int slotDigits, int fieldDigits, std::initializer_list<const char *> ends)
{
    const QByteArray payload = Payload();
    const QByteArray sent = Sent();
    const int used = count * slotDigits;
    Require(sent.size() == payload.size() && sent.left(used) == payload.left(used), "table re-encoded");
    Require(sent.mid(used) == QByteArray(sent.size() - used, '0'), "unused slots");
    bool ended = count == 16;
    for (const char *end : ends)
        ended = ended || payload.mid(used, fieldDigits) == end;
    Require(ended, "table end");
}

void Reset()
{
    BeaconSettings = TBeaconSettings();
    BeaconStatus = TBeaconStatus();
    DeviceSchedule().Clear();
    TCalendar &calendar = DeviceCalendar();
    calendar.Clear();
    for (int i = 0; i < 3; ++i)
        calendar.SaveRecord({i + 1, 0, QString(QChar(u'A' + i)), 100 + i, 1, quint8(i)}, true);
}

// The exchanges, each with what it checks once the reply was taken.
void Exchange(int choice)
{
    const QByteArray before = State();
    const auto check = [&before](bool taken, quint8 cmd, const QByteArray &request) {
        Require(taken == Taken(cmd, request), "taken as the frame reader says");
        if (!taken)
            Require(State() == before, "memory kept after a refused reply");
        return taken;
    };
    switch (choice) {
    case 0: { // the frame reader under every exchange
        answering = false;
        line->Put(reply);
        QByteArray data = "untouched";
        const quint8 cmd = line->Link().ReceiveMessage(data, true);
        const std::optional<TFrame> frame = ParseFrame(reply);
        Require(cmd == (frame ? frame->cmd : 255), "command received");
        Require(data == (frame ? frame->payload : QByteArray("untouched")), "payload received");
        break;
    }
    case 1: { // the identity poller
        answering = false;
        bool identified = false;
        const QMetaObject::Connection c =
            QObject::connect(&line->Link(), &TdmCOM::IdentityReceived, [&identified] { identified = true; });
        // Polls left unanswered by earlier inputs would give the line up
        // rather than poll again: the count starts afresh.
        line->Link().UniDisconnect();
        line->Link().Open();
        line->Put(reply);
        line->Link().SetScanActive(true);
        line->Link().tmrPortCheckTimer();
        line->Link().SetScanActive(false);
        line->Discard(int(BuildFrame(cmdIdentity, {}).size())); // the poll it sent
        QObject::disconnect(c);
        const std::optional<TFrame> frame = ParseFrame(reply);
        Require(identified == (frame && frame->cmd == cmdIdentity), "identity taken");
        if (identified)
            Require(line->Link().SignSerial() == QString::fromLatin1(frame->payload.left(8)), "serial number");
        break;
    }
    case 2:
        if (check(ReadCommMode(), cmdCommMode, {})) {
            WriteCommMode();
            Require(Sent() == Payload(), "communication mode re-encoded");
        }
        break;
    case 3: {
        const bool read = ReadClock();
        if (read || !Taken(cmdClock, {})) {
            if (check(read, cmdClock, {})) {
                WriteClock(BeaconSettings.ClockValue);
                Require(Sent() == Payload(), "clock re-encoded");
            }
        } else { // taken, but no date and time there can be
            const QByteArray p = Payload();
            const auto field = [&p](int pos) { return HexValue(p.mid(pos, 2)); };
            Require(!QDate(2000 + field(10), field(8), field(6)).isValid()
                        || !QTime(field(4), field(2), field(0)).isValid(),
                    "a clock refused");
        }
        break;
    }
    case 4:
        if (check(ReadAdvancedSettings(), cmdAdvanced, {})) {
            WriteAdvancedSettings();
            Require(Sent() == Payload(), "advanced settings re-encoded");
        }
        break;
    case 5:
        if (check(ReadDstSettings(), cmdDst, {})) {
            WriteDstSettings();
            Require(Sent() == Payload(), "DST rule re-encoded");
        }
        break;
    case 6: {
        const int slots = ReadSchedule();
        if (check(slots >= 0, cmdSchedule, {})) {
            const int count = DeviceSchedule().Count();
            Require(count <= 16 && slots == count + 1, "schedule slots");
            WriteSchedule();
            CheckTable(count, 10, 2, {"00", "FF"});
        }
        break;
    }
    case 7: {
        const int slots = ReadCalendar();
        if (check(slots >= 0, cmdCalendar, {})) {
            const int count = DeviceCalendar().Count();
            Require(count <= 16 && slots == count + 1, "calendar slots");
            WriteCalendar();
            CheckTable(count, 8, 4, {"0000", "FFFF"});
        }
        break;
    }
    case 8: {
        const QByteArray request = "0201";
        if (check(ReadCalendarName(1), cmdCalendarName, request)) {
            const QByteArray p = Payload();
            const int owner = HexValue(p.mid(2, 2));
            QByteArray name;
            for (int i = 4; i < p.size(); i += 2)
                if (const int code = HexValue(p.mid(i, 2)))
                    name += char(code);
            if (owner < 3) {
                Require(DeviceCalendar().Records(owner).name == Cp1252::toUnicode(name), "name decoded");
                WriteCalendarName(quint8(owner));
                Require(Sent() == "02" + p.mid(2, 2) + name.toHex().toUpper() + QByteArray(30 - 2 * name.size(), '0'),
                        "name re-encoded");
            } else {
                Require(State() == before, "a name for no record");
            }
        }
        break;
    }
    case 9:
        if (check(ReadLiveValues(), cmdLiveValues, {})) {
            QByteArray values;
            for (const qint32 value : BeaconStatus.LiveValues)
                values += HexText(quint32(value), 4);
            Require(values == Payload(), "live values");
        }
        break;
    case 10:
        if (check(ReadOverrideStatus(), cmdOverrideStatus, {})) {
            const QByteArray p = Payload();
            Require(BeaconStatus.BeaconOn == (HexValue(p.left(2)) == 1)
                        && BeaconStatus.SwitchPosition == HexValue(p.mid(2, 2))
                        && BeaconStatus.OverrideState == HexValue(p.mid(4, 2)),
                    "override status");
        }
        break;
    case 11: {
        type_events_record record;
        record.day_num = 0x1234;
        record.parms[2] = -7;
        const type_events_record kept = record;
        ReadEventRecord(5, record);
        const QByteArray got = LowFirst(record.day_num) + LowFirst(record.minutes_num)
                               + HexText(quint8(record.event_type), 2) + LowFirst(record.parms[0])
                               + LowFirst(record.parms[1]) + LowFirst(record.parms[2]);
        const bool same = std::equal(std::begin(record.parms), std::end(record.parms), std::begin(kept.parms))
                          && record.day_num == kept.day_num && record.minutes_num == kept.minutes_num
                          && record.event_type == kept.event_type;
        if (Taken(cmdEventRecord, "05"))
            Require(got == Payload(), "event record");
        else
            Require(same, "event record kept after a refused reply");
        break;
    }
    default:
        check(WriteOverride(1, QTime(7, 30)), cmdOverride, "0101C2");
        break;
    }
}
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the process
    line = new TFuzzLine;
    line->Answer = [](quint8, const QByteArray &) { return answering ? reply : QByteArray(); };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    reply = QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    CheckFrameReader();
    if (!Quick())
        return 0;
    Reset();
    answering = true;
    line->Link().Open();
    line->Link().SettleLine(); // what an earlier input left on the line or owed
    Exchange(data[0] % 13);
    // Whatever the exchange handed to deleteLater goes now: an input that
    // leaves no allocation behind spares the leak check a full scan.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
