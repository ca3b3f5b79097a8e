#pragma once
#include <QDate>
#include <QTime>
#include <QTimeZone>

// One yearly transition of a time zone's daylight-saving rule, in the form
// the advanced settings page works with: the month (1-12), the weekday
// (0 Sunday to 6 Saturday), its occurrence in the month (1-4, or 5 for the
// last) and the local clock time, before the change, at which it happens.
struct TDstTransitionRule {
    int Month = 0;
    int DayOfWeek = 0;
    int Occurrence = 0;
    QTime Time;
};

// A zone's daylight-saving rule for one year, as the beacon keeps it: the
// clocks go forward (ToDst) and back (ToStandard) once each. Without both
// changes that year HasDst is false and the rest is empty.
struct TZoneDstRules {
    bool HasDst = false;
    TDstTransitionRule ToDst;
    TDstTransitionRule ToStandard;
    int ShiftMinutes = 0; // how far the clocks go forward
};

// The rule as the zone's transitions in that year show it: the first change
// forward and the first change back.
TZoneDstRules ZoneDstRules(const QTimeZone &zone, int year);

// The date on which a transition rule falls in year.
QDate TransitionDate(const TDstTransitionRule &rule, int year);
