#pragma once
// Events of a controller's log as the tests put them in the archive.
#include "protocol/beaconprotocol.h"

#include <QDate>

// An event on date, minutes after midnight, with its first voltage's raw
// reading; the second voltage and the brightness as a healthy beacon reads them.
inline type_events_record TestEvent(int type, int rawVolts, int minutes, QDate date)
{
    type_events_record e;
    e.day_num = qint16(QDate(2010, 1, 1).daysTo(date));
    e.minutes_num = qint16(minutes);
    e.event_type = qint8(type);
    e.parms[0] = qint16(rawVolts);
    e.parms[1] = 505;
    e.parms[2] = 1024;
    return e;
}
