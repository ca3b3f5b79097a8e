#pragma once
#include "plan/plan.h"
#include "protocol/beaconprotocol.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QTime>
#include <QVector>

// Proof of operation: what a controller did, from its archived events, set
// against what the configuration in force planned, day by day.
//
// Times are the controller's wall clock, as its events carry them, counted in
// minutes after 1 January 2010 00:00.
using TWallMinute = qint64;
TWallMinute WallMinute(const type_events_record &event);
TWallMinute WallMinute(QDate date, QTime time = QTime(0, 0));
// The register's UTC time on this computer's wall clock, which is the one the
// controller's clock is set from.
TWallMinute WallMinute(const QDateTime &utc);

// A stretch of time for which the archive holds every event the controller logged.
struct TCoveredSpan {
    TWallMinute From = 0;
    TWallMinute To = 0;
};

// What a deviation is; the names are the JSON's and the summary's.
namespace DeviationKind {
inline const QString Missing = QStringLiteral("missing");
inline const QString Late = QStringLiteral("late");
inline const QString Early = QStringLiteral("early");
inline const QString Extra = QStringLiteral("extra");
inline const QString Manual = QStringLiteral("manual");
inline const QString Override = QStringLiteral("override");
inline const QString Master = QStringLiteral("master");
inline const QString Reset = QStringLiteral("reset");
inline const QString NotRecorded = QStringLiteral("not recorded"); // part of a day
// In the order the summary lists them.
inline const QStringList All = {Missing, Late, Early, Extra, Manual, Override, Master, Reset, NotRecorded};
}

struct TDeviation {
    QDate Date;
    QTime Time;    // when it happened; for a missing switch, when it was planned
    QString Kind;  // one of DeviationKind
    QString Text;
    QTime Planned; // the planned switch it concerns, if any
    int Minutes = 0; // how late or early
};

enum class TDayStatus {
    AsPlanned,          // every planned switch found, nothing else happened
    Deviating,          // at least one deviation
    NotRecorded,        // no downloaded event covers any of it
    ConfigurationUnknown // no configuration recorded before it, or the last one may not have arrived whole
};
QString DayStatusText(TDayStatus status);

struct TAuditDay {
    QDate Date;
    TDayStatus Status = TDayStatus::NotRecorded;
    QString Follows; // as the plan gives it; empty when the configuration is unknown
    QVector<TPlanInterval> Planned;
    int Matched = 0; // planned switches found within the tolerance
    QList<TDeviation> Deviations; // in time order
};

// The configuration in force from a moment on. Known is false after an
// upload that did not end well: what the controller holds then is not known.
struct TConfigPeriod {
    TWallMinute Since = 0;
    qint64 ActionId = 0;
    bool Known = true;
    TBeaconConfiguration Config;
};

struct TAuditInput {
    QDate From;
    QDate To;
    int ToleranceMinutes = 2;
    QList<TConfigPeriod> Configs; // oldest first
    QList<TCoveredSpan> Covered;  // in any order
    QList<type_events_record> Events; // of the range, oldest first
};

struct TAudit {
    QDate From;
    QDate To;
    int ToleranceMinutes = 2;
    QList<TAuditDay> Days;
    QList<TPlanWarning> Warnings; // the plans' warnings for the range

    int DaysPlanned() const;   // with a known configuration
    int DaysAsPlanned() const;
    int DaysNotRecorded() const;
    int DaysUnknown() const;
    QMap<QString, int> DeviationCounts() const; // every kind, zero included
    QList<TDeviation> Deviations() const;       // in date and time order
};

// Compares the events with the plans of the configurations in force. A day is
// judged only where the archive covers it; a day no event download covers is
// "not recorded" and never counted as as planned, and a day covered in part
// lists the hours that are not.
TAudit CompareOperation(const TAuditInput &input);
