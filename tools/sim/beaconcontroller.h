#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <array>
#include <optional>

// The state of a beacon controller and its answers to the twelve commands,
// with no line attached: a request payload in, a reply payload out (both hex
// text, as on the wire). The clock runs from the moment it was last set.
class TBeaconController {
public:
    struct TScheduleSlot {
        quint8 day = 0; // weekday mask, or 0x81/0x82/0x84 for a special day mode
        quint16 on = 0, off = 0; // minutes after midnight
    };
    struct TCalendarSlot {
        quint16 dayNum = 0; // days after 1 January 2010; 0 ends the table
        quint8 days = 0, mode = 0;
        QByteArray name; // up to 15 bytes
    };
    struct TEventSlot {
        quint16 dayNum = 0, minutes = 0;
        quint8 type = 0;
        std::array<quint16, 3> parms{}; // first voltage, second voltage, brightness; raw
    };
    static constexpr int TableSlots = 16;
    static constexpr int EventSlots = 93;

    // A controller as delivered to a school: a morning and an afternoon
    // schedule on weekdays, two holidays and a month of events.
    TBeaconController(const QByteArray &serial, const QByteArray &board, const QByteArray &firmware);

    // The reply payload to a request; nothing for a request the controller
    // does not understand (unknown command, wrong size, not hexadecimal).
    std::optional<QByteArray> Handle(quint8 cmd, const QByteArray &payload);

    QDateTime Clock() const;
    void SetClock(const QDateTime &value);
    bool BeaconOn();
    void AddEvent(quint8 type);

    QByteArray identity; // 16 characters: serial number, board and firmware versions
    quint8 commMode = 2;
    std::array<quint8, 5> advanced{0x1F, 4, 2, 0, 0};
    quint16 dstStart = 0, dstEnd = 0, dstShift = 120;
    quint8 dstOffset = 60;
    std::array<TScheduleSlot, TableSlots> schedule{};
    std::array<TCalendarSlot, TableSlots> calendar{};
    quint8 switchPosition = 0; // 0 AUTO, 1 ON, 2 OFF
    quint8 overrideMode = 0;   // 0 none, 1 ON, 2 OFF
    QDateTime overrideUntil;
    std::array<TEventSlot, EventSlots> events{};
    int nextEvent = 0; // the log is circular: the oldest slot is overwritten next

    // A faulty memory: writes of these commands are answered as usual but one
    // value is stored altered (see Corrupt), so that a verification after an
    // upload has something to find.
    QSet<quint8> corruptWrites;

private:
    // Alters the value a write of cmd stored: the communication mode, the
    // first schedule record's OFF time or calendar record's length (one
    // higher), the flash speed (one step up), the DST shift time (a minute
    // later) or the first character of a calendar name ('#').
    void Corrupt(quint8 cmd, int index);
    std::optional<QByteArray> Answer(quint8 cmd, const QByteArray &payload);

    qint64 fClockOffsetMs = 0;
};
