#pragma once
#include "protocol/beaconprotocol.h"
#include "store/listtext.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

// The event log's voltage scale: a voltage's raw reading per volt.
inline constexpr double RawPerVolt = 42.08;

// One event of the controller's log and its display texts.
class TEvents {
public:
    explicit TEvents(const type_events_record &_event) : event(_event) {}

    // 1 January 2010 00:00 plus day_num days plus minutes_num minutes, as a
    // wall-clock value (UTC, so no daylight-saving gap moves it).
    QDateTime DateT() const;
    // "dd/mm/YY hh:mm", day first whatever the locale's own order, with the
    // locale's separators; on a 12-hour clock the hour runs 1 to 12 and the
    // AM or PM text follows the minutes directly.
    QString Date(const QLocale &locale = QLocale::system()) const;
    // Empty for an unknown event code.
    QString EventName() const;
    // Raw reading / 42.08 to three significant digits, two decimals, " V".
    QString Voltage1(const QLocale &locale = QLocale::system()) const;
    QString Voltage2(const QLocale &locale = QLocale::system()) const;
    // "0" for a zero reading, otherwise 1024 / b x 100 rounded half to even, " %".
    QString Brightness() const;

    // The list row: the date as caption; name, voltages and brightness as sub-items.
    TListItem Row(const QLocale &locale = QLocale::system()) const;

    type_events_record event;
};
