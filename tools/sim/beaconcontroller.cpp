#include "sim/beaconcontroller.h"

#include "link/frame.h"

namespace {
const QDate DayZero(2010, 1, 1);

int DayNumber(const QDate &date)
{
    return int(DayZero.daysTo(date));
}

// The bytes of a hex payload; nothing when it is not hexadecimal.
std::optional<QByteArray> PayloadBytes(const QByteArray &hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int value = HexValue(hex.mid(i, 2));
        if (value < 0)
            return std::nullopt;
        bytes.append(char(value));
    }
    return bytes;
}

quint8 At(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

quint16 WordAt(const QByteArray &bytes, int i)
{
    return quint16(At(bytes, i) << 8 | At(bytes, i + 1));
}

void AppendWord(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value >> 8)).append(char(value & 0xFF));
}

void AppendWordLowFirst(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF)).append(char(value >> 8));
}
}

TBeaconController::TBeaconController(const QByteArray &serial, const QByteArray &board, const QByteArray &firmware)
    : identity(serial.left(8).leftJustified(8, '0') + board.left(4).leftJustified(4, '0') +
               firmware.left(4).leftJustified(4, '0'))
{
    schedule[0] = {0x1F, 7 * 60, 8 * 60 + 30};
    schedule[1] = {0x1F, 14 * 60 + 30, 15 * 60 + 30};
    const int year = QDate::currentDate().year();
    calendar[0] = {quint16(DayNumber(QDate(year, 12, 25))), 1, 6, QByteArrayLiteral("XMAS")};
    calendar[1] = {quint16(DayNumber(QDate(year + 1, 1, 1))), 1, 6, QByteArrayLiteral("NEW YEAR")};
    // DST from the second Sunday of March to the first Sunday of November.
    QDate start(year, 3, 8), end(year, 11, 1);
    start = start.addDays(7 - start.dayOfWeek());
    end = end.addDays(7 - end.dayOfWeek());
    dstStart = quint16(DayNumber(start) - 1); // the rule counts from 2 January 2010
    dstEnd = quint16(DayNumber(end) - 1);

    // A month of school days: powered up once, then on and off twice a day.
    QDate day = QDate::currentDate().addDays(-33);
    int k = 0;
    const auto add = [&](int minutes, quint8 type) {
        TEventSlot &e = events[size_t(k)];
        e.dayNum = quint16(DayNumber(day));
        e.minutes = quint16(minutes);
        e.type = type;
        e.parms = {quint16(520 + (k * 7) % 11 - 5), quint16(505 + (k * 5) % 9 - 4), quint16(1024 + (k % 4) * 256)};
        ++k;
    };
    add(6 * 60 + 12, 1);
    const int times[4] = {7 * 60, 8 * 60 + 30, 14 * 60 + 30, 15 * 60 + 30};
    for (; k < EventSlots; day = day.addDays(1)) {
        if (day.dayOfWeek() > 5)
            continue;
        for (int i = 0; i < 4 && k < EventSlots; ++i)
            add(times[i], i % 2 == 0 ? 2 : 3);
    }
}

QDateTime TBeaconController::Clock() const
{
    return QDateTime::currentDateTime().addMSecs(fClockOffsetMs);
}

void TBeaconController::SetClock(const QDateTime &value)
{
    fClockOffsetMs = QDateTime::currentDateTime().msecsTo(value);
}

bool TBeaconController::BeaconOn()
{
    const QDateTime now = Clock();
    if (overrideMode != 0 && now >= overrideUntil)
        overrideMode = 0;
    if (overrideMode != 0)
        return overrideMode == 1;
    // A calendar record replaces the day by a substitute weekday or a special day mode.
    const int today = DayNumber(now.date());
    int weekday = now.date().dayOfWeek() - 1;
    int special = 0;
    for (const TCalendarSlot &c : calendar) {
        if (c.dayNum != 0 && today >= c.dayNum && today < c.dayNum + c.days) {
            if (c.mode < 7)
                weekday = c.mode;
            else if (c.mode <= 9)
                special = 0x80 | (1 << (c.mode - 7));
            break;
        }
    }
    const int minutes = now.time().hour() * 60 + now.time().minute();
    for (const TScheduleSlot &s : schedule) {
        const bool applies = special ? s.day == special : !(s.day & 0x80) && (s.day & (1 << weekday));
        if (s.day != 0 && applies && minutes >= s.on && minutes < s.off)
            return true;
    }
    return false;
}

void TBeaconController::AddEvent(quint8 type)
{
    const QDateTime now = Clock();
    TEventSlot &e = events[size_t(nextEvent)];
    e.dayNum = quint16(DayNumber(now.date()));
    e.minutes = quint16(now.time().hour() * 60 + now.time().minute());
    e.type = type;
    e.parms = {521, 506, 1024};
    nextEvent = (nextEvent + 1) % EventSlots;
}

void TBeaconController::Corrupt(quint8 cmd, int index)
{
    switch (cmd) {
    case cmdCommMode:
        ++commMode;
        break;
    case cmdSchedule:
        schedule[0].off = quint16(schedule[0].off + 1);
        break;
    case cmdCalendar:
        ++calendar[0].days;
        break;
    case cmdAdvanced:
        advanced[2] = quint8((advanced[2] + 1) % 5);
        break;
    case cmdDst:
        dstShift = quint16(dstShift + 1);
        break;
    case cmdCalendarName:
        if (!calendar[size_t(index)].name.isEmpty())
            calendar[size_t(index)].name[0] = '#';
        break;
    }
}

std::optional<QByteArray> TBeaconController::Handle(quint8 cmd, const QByteArray &payload)
{
    const std::optional<QByteArray> reply = Answer(cmd, payload);
    // Only a write changes what is stored: a request with a payload, except
    // the reads that name what they read.
    const bool write = reply && !payload.isEmpty() && cmd != cmdEventRecord && (cmd != cmdCalendarName || payload.size() > 4);
    if (write && corruptWrites.contains(cmd))
        Corrupt(cmd, cmd == cmdCalendarName ? HexValue(payload.mid(2, 2)) : 0);
    return reply;
}

std::optional<QByteArray> TBeaconController::Answer(quint8 cmd, const QByteArray &payload)
{
    const std::optional<QByteArray> request = PayloadBytes(payload);
    if (!request)
        return std::nullopt;
    const QByteArray &in = *request;
    const int size = int(in.size());
    QByteArray out;
    switch (cmd) {
    case cmdIdentity:
        if (size != 0)
            return std::nullopt;
        return identity; // text, taken as it stands
    case cmdCommMode:
        if (size == 1)
            commMode = At(in, 0);
        else if (size == 0)
            out.append(char(commMode));
        else
            return std::nullopt;
        break;
    case cmdSchedule:
        if (size == 5 * TableSlots) {
            for (int k = 0; k < TableSlots; ++k)
                schedule[size_t(k)] = {At(in, 5 * k), WordAt(in, 5 * k + 1), WordAt(in, 5 * k + 3)};
        } else if (size == 0) {
            for (const TScheduleSlot &s : schedule) {
                out.append(char(s.day));
                AppendWord(out, s.on);
                AppendWord(out, s.off);
            }
        } else {
            return std::nullopt;
        }
        break;
    case cmdCalendar:
        if (size == 4 * TableSlots) {
            for (int k = 0; k < TableSlots; ++k) {
                TCalendarSlot &c = calendar[size_t(k)];
                c.dayNum = WordAt(in, 4 * k);
                c.days = At(in, 4 * k + 2);
                c.mode = At(in, 4 * k + 3);
            }
        } else if (size == 0) {
            for (const TCalendarSlot &c : calendar) {
                AppendWord(out, c.dayNum);
                out.append(char(c.days)).append(char(c.mode));
            }
        } else {
            return std::nullopt;
        }
        break;
    case cmdCalendarName: {
        if ((size != 2 && size != 17) || At(in, 1) >= TableSlots)
            return std::nullopt;
        TCalendarSlot &c = calendar[At(in, 1)];
        if (size == 17) {
            c.name = in.mid(2, 15);
        } else {
            out = in.left(2);
            out.append(c.name.left(15).leftJustified(15, '\0'));
        }
        break;
    }
    case cmdClock:
        if (size == 6) {
            const QDate date(2000 + At(in, 5), At(in, 4), At(in, 3));
            const QTime time(At(in, 2), At(in, 1), At(in, 0));
            if (!date.isValid() || !time.isValid())
                return std::nullopt;
            SetClock(QDateTime(date, time));
        } else if (size == 0) {
            const QDateTime now = Clock();
            const int year = now.date().year() - 2000;
            for (int v : {now.time().second(), now.time().minute(), now.time().hour(), now.date().day(),
                          now.date().month(), year})
                out.append(char(v));
        } else {
            return std::nullopt;
        }
        break;
    case cmdDst:
        if (size == 7) {
            dstStart = WordAt(in, 0);
            dstEnd = WordAt(in, 2);
            dstShift = WordAt(in, 4);
            dstOffset = At(in, 6);
        } else if (size == 0) {
            AppendWord(out, dstStart);
            AppendWord(out, dstEnd);
            AppendWord(out, dstShift);
            out.append(char(dstOffset));
        } else {
            return std::nullopt;
        }
        break;
    case cmdAdvanced:
        if (size == 5) {
            for (int i = 0; i < 5; ++i)
                advanced[size_t(i)] = At(in, i);
        } else if (size == 0) {
            for (quint8 v : advanced)
                out.append(char(v));
        } else {
            return std::nullopt;
        }
        break;
    case cmdLiveValues: {
        if (size != 0)
            return std::nullopt;
        // Index 1 is the supply: about 12.7 V, wandering a little.
        const int second = Clock().time().second();
        const quint16 values[8] = {1024, quint16(541 + second % 7 - 3), 520, 25, 0, 0, 0, 0};
        for (quint16 v : values)
            AppendWord(out, v);
        break;
    }
    case cmdOverride: {
        if (size != 3 || At(in, 0) > 2)
            return std::nullopt;
        overrideMode = At(in, 0);
        if (overrideMode != 0) {
            const QDateTime now = Clock();
            const int end = WordAt(in, 1);
            QDateTime until(now.date(), QTime(0, 0).addSecs(end * 60));
            if (until <= now)
                until = until.addDays(1);
            overrideUntil = until;
            AddEvent(overrideMode == 1 ? 6 : 7);
        }
        break;
    }
    case cmdOverrideStatus: {
        if (size != 0)
            return std::nullopt;
        const bool on = BeaconOn();
        out.append(char(on ? 1 : 0)).append(char(switchPosition)).append(char(overrideMode));
        break;
    }
    case cmdEventRecord: {
        if (size != 1)
            return std::nullopt;
        const int index = At(in, 0);
        const TEventSlot e = index < EventSlots ? events[size_t(index)] : TEventSlot{};
        AppendWordLowFirst(out, e.dayNum);
        AppendWordLowFirst(out, e.minutes);
        out.append(char(e.type));
        for (quint16 p : e.parms)
            AppendWordLowFirst(out, p);
        break;
    }
    default:
        return std::nullopt;
    }
    return out.toHex().toUpper();
}
