#pragma once
#include "transfer/settingsfile.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

// What a configuration does on each date: the one definition the year view,
// the command line, the upload dialog and the operation report share.

// One flashing interval, on < off.
struct TPlanInterval {
    QTime on;
    QTime off;
};

// How a date came to follow what it follows.
enum class TPlanKind {
    Normal,     // its own weekday's records
    Substitute, // a calendar record names another weekday
    Special1,   // a calendar record names special day mode 1, 2 or 3
    Special2,
    Special3,
    Undefined,  // a calendar record's day mode names nothing the controller knows
};

struct TPlanDay {
    QDate date;
    QString weekday;           // "Monday" ...
    QString follows;           // the weekday name or the special day mode's text, as the calendar writes them
    int record = -1;           // index of the calendar record that applies, -1 for none
    QVector<TPlanInterval> on; // sorted by on time
    TPlanKind kind = TPlanKind::Normal;
};

// A date on which the configuration does something the controller may not,
// or may read otherwise; configuration-wide warnings carry the range's first
// date.
struct TPlanWarning {
    QDate date;
    QString text;
};

struct TPlan {
    QDate from;
    QDate to;
    QVector<TPlanDay> days;
    QVector<TPlanWarning> warnings; // in date order
};

// The plan of a configuration (its schedule, calendar and DST rule) over
// [from, to]; today decides which calendar records lie entirely in the past.
// An empty plan when from is after to.
TPlan MakePlan(const TBeaconConfiguration &config, QDate from, QDate to, QDate today);

// The warnings of one date, in the plan's order.
QVector<TPlanWarning> WarningsOn(const TPlan &plan, QDate date);

// "HH:MM", 24-hour, as plans are written everywhere.
QString PlanTimeText(QTime time);
