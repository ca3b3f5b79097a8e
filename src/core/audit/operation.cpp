#include "audit/operation.h"

#include "config/messages.h"

#include <algorithm>
#include <cstdlib>

namespace {
const QDate DayZero(2010, 1, 1);
constexpr int DayMinutes = 24 * 60;

enum EventCode {
    Reset = 1,
    ScheduledOn,
    ScheduledOff,
    ManualOn,
    ManualOff,
    OverrideOn,
    OverrideOff,
    MasterOn,
    MasterOff
};

QString MinuteText(int minute)
{
    return QStringLiteral("%1:%2").arg(minute / 60, 2, 10, QLatin1Char('0')).arg(minute % 60, 2, 10, QLatin1Char('0'));
}

QTime MinuteTime(int minute)
{
    return QTime(minute / 60, minute % 60);
}

int TimeMinute(QTime time)
{
    return time.hour() * 60 + time.minute();
}

// A planned switch: on or off at a minute of the day.
struct TSwitch {
    bool On;
    int Minute;
};

// The switches of the planned intervals. Intervals that touch make one: the
// beacon stays on and logs no switch between them.
QVector<TSwitch> PlannedSwitches(const QVector<TPlanInterval> &intervals)
{
    QVector<TSwitch> switches;
    for (const TPlanInterval &interval : intervals) {
        const int on = TimeMinute(interval.on);
        const int off = TimeMinute(interval.off);
        if (!switches.isEmpty() && !switches.last().On && switches.last().Minute >= on) {
            switches.last().Minute = std::max(switches.last().Minute, off);
            continue;
        }
        switches.append({true, on});
        switches.append({false, off});
    }
    return switches;
}

// The covered minutes of one day, as sorted half-open ranges [first, second).
using TRanges = QVector<QPair<int, int>>;

TRanges DayCoverage(const QList<TCoveredSpan> &covered, TWallMinute dayStart)
{
    TRanges ranges;
    for (const TCoveredSpan &span : covered) {
        const TWallMinute from = std::max(span.From, dayStart);
        const TWallMinute to = std::min(span.To, dayStart + DayMinutes);
        if (from < to)
            ranges.append({int(from - dayStart), int(to - dayStart)});
    }
    std::sort(ranges.begin(), ranges.end());
    TRanges merged;
    for (const auto &range : std::as_const(ranges)) {
        if (!merged.isEmpty() && range.first <= merged.last().second)
            merged.last().second = std::max(merged.last().second, range.second);
        else
            merged.append(range);
    }
    return merged;
}

bool IsCovered(const TRanges &ranges, int minute)
{
    return std::any_of(ranges.cbegin(), ranges.cend(),
                       [minute](const auto &r) { return r.first <= minute && minute < r.second; });
}

struct TLogged {
    int Minute;
    int Code;
    bool Used = false;
};

class TDayComparison {
public:
    TDayComparison(TAuditDay &day, int tolerance) : fDay(day), fTolerance(tolerance) {}

    void Add(const TDeviation &deviation) { fDay.Deviations.append(deviation); }

    TDeviation Deviation(int minute, const QString &kind, const QString &text) const
    {
        TDeviation d;
        d.Date = fDay.Date;
        d.Time = MinuteTime(minute);
        d.Kind = kind;
        d.Text = text;
        return d;
    }

    // Events that are deviations whatever the plan: resets, manual switches,
    // overrides and master commands.
    void ListUnscheduled(const QList<TLogged> &logged)
    {
        for (const TLogged &e : logged) {
            QString kind;
            switch (e.Code) {
            case Reset: kind = DeviationKind::Reset; break;
            case ManualOn: case ManualOff: kind = DeviationKind::Manual; break;
            case OverrideOn: case OverrideOff: kind = DeviationKind::Override; break;
            case MasterOn: case MasterOff: kind = DeviationKind::Master; break;
            default: continue;
            }
            Add(Deviation(e.Minute, kind, QString::fromUtf8(Msg::EventNames[e.Code])));
        }
    }

    void ListGaps(const TRanges &ranges)
    {
        int from = 0;
        for (const auto &range : ranges) {
            if (range.first > from)
                AddGap(from, range.first);
            from = range.second;
        }
        if (from < DayMinutes)
            AddGap(from, DayMinutes);
    }

    // Each planned switch is matched with a logged scheduled switch of the
    // same direction: first within the tolerance, then late (up to the next
    // planned switch) or early (back to the one before); what is left of
    // the plan is missing and what is left of the log is extra.
    void CompareSwitches(const QVector<TSwitch> &planned, QList<TLogged> &logged, const TRanges &ranges)
    {
        QVector<bool> found(planned.size(), false);
        for (qsizetype i = 0; i < planned.size(); ++i) {
            if (TLogged *e = Nearest(logged, planned[i], planned[i].Minute - fTolerance, planned[i].Minute + fTolerance)) {
                e->Used = true;
                found[i] = true;
                ++fDay.Matched;
            }
        }
        for (qsizetype i = 0; i < planned.size(); ++i) {
            const TSwitch &s = planned[i];
            if (found[i] || !IsCovered(ranges, s.Minute))
                continue;
            const int previous = i > 0 ? planned[i - 1].Minute : 0;
            const int next = i + 1 < planned.size() ? planned[i + 1].Minute : DayMinutes;
            TLogged *e = Nearest(logged, s, previous, next - 1);
            const QString direction = s.On ? QStringLiteral("on") : QStringLiteral("off");
            if (!e) {
                TDeviation d = Deviation(s.Minute, DeviationKind::Missing,
                                         QStringLiteral("Planned switch-%1 at %2 not logged").arg(direction, MinuteText(s.Minute)));
                d.Planned = MinuteTime(s.Minute);
                Add(d);
                continue;
            }
            e->Used = true;
            const int minutes = std::abs(e->Minute - s.Minute);
            const bool late = e->Minute > s.Minute;
            TDeviation d = Deviation(e->Minute, late ? DeviationKind::Late : DeviationKind::Early,
                                     QStringLiteral("Switched %1 at %2, %3 min %4 the planned %5")
                                         .arg(direction, MinuteText(e->Minute)).arg(minutes)
                                         .arg(late ? QStringLiteral("after") : QStringLiteral("before"), MinuteText(s.Minute)));
            d.Planned = MinuteTime(s.Minute);
            d.Minutes = minutes;
            Add(d);
        }
        for (const TLogged &e : logged) {
            if (e.Used || (e.Code != ScheduledOn && e.Code != ScheduledOff))
                continue;
            Add(Deviation(e.Minute, DeviationKind::Extra,
                          QStringLiteral("%1 with no planned switch near it").arg(QString::fromUtf8(Msg::EventNames[e.Code]))));
        }
    }

private:
    void AddGap(int from, int to)
    {
        Add(Deviation(from, DeviationKind::NotRecorded,
                      QStringLiteral("No events recorded from %1 to %2").arg(MinuteText(from), MinuteText(to))));
    }

    TLogged *Nearest(QList<TLogged> &logged, const TSwitch &s, int first, int last) const
    {
        const int code = s.On ? ScheduledOn : ScheduledOff;
        TLogged *best = nullptr;
        for (TLogged &e : logged) {
            if (e.Used || e.Code != code || e.Minute < first || e.Minute > last)
                continue;
            if (!best || std::abs(e.Minute - s.Minute) < std::abs(best->Minute - s.Minute))
                best = &e;
        }
        return best;
    }

    TAuditDay &fDay;
    int fTolerance;
};

// The configuration in force on a date: the last one recorded before it.
const TConfigPeriod *InForce(const QList<TConfigPeriod> &configs, QDate date)
{
    const TWallMinute start = WallMinute(date);
    const TConfigPeriod *found = nullptr;
    for (const TConfigPeriod &period : configs)
        if (period.Since < start)
            found = &period;
    return found;
}
}

TWallMinute WallMinute(const type_events_record &event)
{
    return TWallMinute(event.day_num) * DayMinutes + event.minutes_num;
}

TWallMinute WallMinute(QDate date, QTime time)
{
    return DayZero.daysTo(date) * DayMinutes + TimeMinute(time);
}

TWallMinute WallMinute(const QDateTime &utc)
{
    const QDateTime local = utc.toLocalTime();
    return WallMinute(local.date(), local.time());
}

QString DayStatusText(TDayStatus status)
{
    switch (status) {
    case TDayStatus::AsPlanned: return QStringLiteral("as planned");
    case TDayStatus::Deviating: return QStringLiteral("deviations");
    case TDayStatus::NotRecorded: return QStringLiteral("not recorded");
    case TDayStatus::ConfigurationUnknown: return QStringLiteral("configuration unknown");
    }
    return {};
}

int TAudit::DaysPlanned() const
{
    return int(std::count_if(Days.cbegin(), Days.cend(),
                             [](const TAuditDay &d) { return d.Status != TDayStatus::ConfigurationUnknown; }));
}

int TAudit::DaysAsPlanned() const
{
    return int(std::count_if(Days.cbegin(), Days.cend(), [](const TAuditDay &d) { return d.Status == TDayStatus::AsPlanned; }));
}

int TAudit::DaysNotRecorded() const
{
    return int(std::count_if(Days.cbegin(), Days.cend(), [](const TAuditDay &d) { return d.Status == TDayStatus::NotRecorded; }));
}

int TAudit::DaysUnknown() const
{
    return int(Days.size()) - DaysPlanned();
}

QMap<QString, int> TAudit::DeviationCounts() const
{
    QMap<QString, int> counts;
    for (const QString &kind : DeviationKind::All)
        counts[kind] = 0;
    for (const TAuditDay &day : Days)
        for (const TDeviation &d : day.Deviations)
            ++counts[d.Kind];
    return counts;
}

QList<TDeviation> TAudit::Deviations() const
{
    QList<TDeviation> all;
    for (const TAuditDay &day : Days)
        all += day.Deviations;
    return all;
}

TAudit CompareOperation(const TAuditInput &input)
{
    TAudit audit;
    audit.From = input.From;
    audit.To = input.To;
    audit.ToleranceMinutes = input.ToleranceMinutes;
    if (!input.From.isValid() || !input.To.isValid() || input.To < input.From)
        return audit;

    // The events by date.
    const qint64 dayCount = input.From.daysTo(input.To) + 1;
    QVector<QList<TLogged>> logged(dayCount);
    const TWallMinute rangeStart = WallMinute(input.From);
    for (const type_events_record &e : input.Events) {
        const qint64 index = (WallMinute(e) - rangeStart) / DayMinutes;
        if (WallMinute(e) >= rangeStart && index < dayCount)
            logged[index].append({e.minutes_num, e.event_type});
    }

    // One plan for each run of dates under the same configuration.
    QVector<const TPlanDay *> planned(dayCount, nullptr);
    QList<TPlan> plans;
    for (QDate date = input.From; date <= input.To;) {
        const TConfigPeriod *period = InForce(input.Configs, date);
        QDate last = date;
        while (last < input.To && InForce(input.Configs, last.addDays(1)) == period)
            last = last.addDays(1);
        if (period && period->Known) {
            // A calendar record is "in the past" when it was before the configuration was sent.
            plans.append(MakePlan(period->Config, date, last, DayZero.addDays(period->Since / DayMinutes)));
            audit.Warnings += plans.last().warnings;
        }
        date = last.addDays(1);
    }
    for (const TPlan &plan : std::as_const(plans))
        for (const TPlanDay &day : plan.days)
            if (day.date >= input.From && day.date <= input.To)
                planned[input.From.daysTo(day.date)] = &day;

    for (qint64 i = 0; i < dayCount; ++i) {
        TAuditDay day;
        day.Date = input.From.addDays(i);
        const TRanges ranges = DayCoverage(input.Covered, rangeStart + i * DayMinutes);
        TDayComparison compare(day, input.ToleranceMinutes);
        if (const TPlanDay *plan = planned[i]) {
            day.Follows = plan->follows;
            day.Planned = plan->on;
            if (!ranges.isEmpty()) {
                compare.ListGaps(ranges);
                compare.CompareSwitches(PlannedSwitches(plan->on), logged[i], ranges);
                compare.ListUnscheduled(logged[i]);
            }
            day.Status = ranges.isEmpty() ? TDayStatus::NotRecorded
                                          : day.Deviations.isEmpty() ? TDayStatus::AsPlanned : TDayStatus::Deviating;
        } else {
            // What happened is still told, where it was recorded.
            if (!ranges.isEmpty())
                compare.ListUnscheduled(logged[i]);
            day.Status = TDayStatus::ConfigurationUnknown;
        }
        std::stable_sort(day.Deviations.begin(), day.Deviations.end(),
                         [](const TDeviation &a, const TDeviation &b) { return a.Time < b.Time; });
        audit.Days.append(day);
    }
    return audit;
}
