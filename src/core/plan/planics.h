#pragma once
#include "plan/plan.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The plan's flashing intervals as an iCalendar file (RFC 5545) that any
// calendar program opens: one event per interval, in floating local time as
// the beacon's own clock keeps it, marked free so it blocks no one's day.
// calendar gives the names of the records the plan refers to; name titles
// the calendar; stamp is when the file was made (DTSTAMP, in UTC).
QByteArray PlanIcsText(const TPlan &plan, const QList<TCalendarRec> &calendar, const QString &name,
                       const QDateTime &stamp);
