#include "plan/plan.h"

#include "config/messages.h"
#include "store/convprocs.h"
#include "store/device.h"

#include <algorithm>

namespace {
// The plan's own texts: what it found and which reading it shows.
constexpr const char *TooManyRecords =
    "The %s holds %d records; the controller keeps %d. The plan shows the first %d.";
constexpr const char *RecordInThePast = "Calendar record %d (%s) ended on %s, before today: it changes no date to come.";
constexpr const char *RecordWithoutDates = "Calendar record %d (%s) covers no date (%d days).";
constexpr const char *RecordsOverlap =
    "Calendar records %s all cover this date; the plan shows the first in list order, record %d.";
constexpr const char *UnknownDayMode =
    "Calendar record %d (%s) has the day mode %d, which names no weekday or special day mode; the plan shows the "
    "date dark.";
constexpr const char *OnNotBeforeOff =
    "Schedule record %d switches on at %s, not before its off time %s; the plan shows no flashing from it.";
constexpr const char *OutsideTheDay =
    "Schedule record %d has a time outside the day (%d and %d minutes after midnight); the plan shows no flashing "
    "from it.";
constexpr const char *SchedulesOverlap =
    "Schedule records %d and %d overlap from %s to %s; the plan shows both intervals as the records give them.";
constexpr const char *DstAfter =
    "The daylight-saving rule holds dates for %s only; the clock will not shift after %d.";
constexpr const char *DstBefore =
    "The daylight-saving rule holds dates for %s only; the clock will not shift before %d.";

const QDate DayZero(2010, 1, 1);

QString RecordName(const TCalendarRec &rec)
{
    return QLatin1Char('"') + rec.name + QLatin1Char('"');
}

// A schedule record of the date, numbered from 1 as the operator counts.
struct TApplying {
    int number;
    int on;
    int off;
};

// The schedule records' day byte for a weekday (0 Monday) or special day mode.
bool Applies(quint8 recDay, int weekday, int special)
{
    static const quint8 specialBytes[3] = {0x81, 0x82, 0x84};
    if (special > 0)
        return recDay == specialBytes[special - 1];
    return (recDay & 0x80) == 0 && (recDay & (1 << weekday)) != 0;
}

void ConfigurationWarnings(const TBeaconConfiguration &config, const TPlan &plan, QDate today,
                           QVector<TPlanWarning> &out)
{
    const auto tooMany = [&](const char *table, int count) {
        if (count > BeaconTableSlots)
            out.push_back({plan.from, Fmt(TooManyRecords, table, count, BeaconTableSlots, BeaconTableSlots)});
    };
    tooMany("schedule", int(config.Schedule.size()));
    tooMany("calendar", int(config.Calendar.size()));

    const int kept = std::min<int>(int(config.Calendar.size()), BeaconTableSlots);
    for (int i = 0; i < kept; ++i) {
        const TCalendarRec &rec = config.Calendar.at(i);
        if (rec.Days < 1)
            out.push_back({plan.from, Fmt(RecordWithoutDates, i + 1, RecordName(rec), rec.Days)});
        else if (today.isValid() && DayNumToDate(rec.DayNum + rec.Days - 1) < today)
            out.push_back({plan.from, Fmt(RecordInThePast, i + 1, RecordName(rec),
                                          DayNumToDate(rec.DayNum + rec.Days - 1).toString(Qt::ISODate))});
    }

    // The rule's two dates are for one year (or, south of the equator, two
    // years running); a date on 1 January 2010 or before means no daylight
    // saving at all.
    const QDate toDst = config.Advanced.DateDST1;
    const QDate toStandard = config.Advanced.DateDST2;
    if (!toDst.isValid() || !toStandard.isValid() || toDst <= DayZero || toStandard <= DayZero)
        return;
    const int first = std::min(toDst.year(), toStandard.year());
    const int last = std::max(toDst.year(), toStandard.year());
    const QString years = first == last ? QString::number(first) : QStringLiteral("%1 and %2").arg(first).arg(last);
    if (plan.from.year() < first)
        out.push_back({plan.from, Fmt(DstBefore, years, first)});
    if (plan.to.year() > last)
        out.push_back({std::max(plan.from, QDate(last + 1, 1, 1)), Fmt(DstAfter, years, last)});
}

void DayWarnings(const TPlanDay &day, const QVector<int> &covering, const TBeaconConfiguration &config,
                 QVector<TApplying> &applying, QVector<TPlanWarning> &out)
{
    if (covering.size() > 1) {
        QStringList named;
        for (int i : covering)
            named << QStringLiteral("%1 (%2)").arg(i + 1).arg(RecordName(config.Calendar.at(i)));
        out.push_back({day.date, Fmt(RecordsOverlap, named.join(QStringLiteral(", ")), covering.first() + 1)});
    }
    if (day.kind == TPlanKind::Undefined) {
        const TCalendarRec &rec = config.Calendar.at(day.record);
        out.push_back({day.date, Fmt(UnknownDayMode, day.record + 1, RecordName(rec), int(rec.DayMode))});
    }
    const auto outside = [](const TApplying &a) { return a.on < 0 || a.off > 1439; };
    for (const TApplying &a : applying)
        if (outside(a))
            out.push_back({day.date, Fmt(OutsideTheDay, a.number, a.on, a.off)});
        else if (a.on >= a.off)
            out.push_back({day.date, Fmt(OnNotBeforeOff, a.number, PlanTimeText(MinutesToDateTime(a.on)),
                                         PlanTimeText(MinutesToDateTime(a.off)))});
    applying.erase(std::remove_if(applying.begin(), applying.end(), [&](const TApplying &a) { return outside(a) || a.on >= a.off; }),
                   applying.end());
    std::sort(applying.begin(), applying.end(),
              [](const TApplying &a, const TApplying &b) { return a.on != b.on ? a.on < b.on : a.off < b.off; });
    // Each record against the one before it that reaches furthest.
    for (int i = 1, reach = 0; i < applying.size(); ++i) {
        if (applying[reach].off > applying[i].on)
            out.push_back({day.date, Fmt(SchedulesOverlap, std::min(applying[reach].number, applying[i].number),
                                         std::max(applying[reach].number, applying[i].number),
                                         PlanTimeText(MinutesToDateTime(applying[i].on)),
                                         PlanTimeText(MinutesToDateTime(std::min(applying[reach].off, applying[i].off))))});
        if (applying[i].off > applying[reach].off)
            reach = i;
    }
}
}

QString PlanTimeText(QTime time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

TPlan MakePlan(const TBeaconConfiguration &config, QDate from, QDate to, QDate today)
{
    TPlan plan;
    plan.from = from;
    plan.to = to;
    if (!from.isValid() || !to.isValid() || from > to)
        return plan;
    ConfigurationWarnings(config, plan, today, plan.warnings);

    const int scheduleKept = std::min<int>(int(config.Schedule.size()), BeaconTableSlots);
    const int calendarKept = std::min<int>(int(config.Calendar.size()), BeaconTableSlots);
    plan.days.reserve(int(from.daysTo(to)) + 1);
    QVector<int> covering;
    QVector<TApplying> applying;
    for (QDate date = from; date <= to; date = date.addDays(1)) {
        TPlanDay day;
        day.date = date;
        const int weekday = date.dayOfWeek() - 1;
        day.weekday = QString::fromUtf8(Msg::DayModeNames[weekday]);

        const qint64 dayNum = DayZero.daysTo(date);
        covering.clear();
        for (int i = 0; i < calendarKept; ++i) {
            const TCalendarRec &rec = config.Calendar.at(i);
            if (rec.DayNum <= dayNum && dayNum <= qint64(rec.DayNum) + rec.Days - 1)
                covering.push_back(i);
        }
        int mode = weekday;
        if (!covering.isEmpty()) {
            day.record = covering.first();
            mode = config.Calendar.at(day.record).DayMode;
        }
        const int special = mode >= 7 && mode <= 9 ? mode - 6 : 0;
        if (mode > 9)
            day.kind = TPlanKind::Undefined;
        else if (special > 0)
            day.kind = TPlanKind(int(TPlanKind::Special1) + special - 1);
        else if (day.record >= 0)
            day.kind = TPlanKind::Substitute;
        day.follows = DayModeText(quint8(mode));

        applying.clear();
        if (day.kind != TPlanKind::Undefined)
            for (int i = 0; i < scheduleKept; ++i) {
                const TScheduleRec &rec = config.Schedule.at(i);
                if (Applies(rec.RecDay, mode, special))
                    applying.push_back({i + 1, rec.RecOnTime, rec.RecOffTime});
            }
        DayWarnings(day, covering, config, applying, plan.warnings);
        for (const TApplying &a : applying)
            day.on.push_back({MinutesToDateTime(a.on), MinutesToDateTime(a.off)});
        plan.days.push_back(day);
    }
    std::stable_sort(plan.warnings.begin(), plan.warnings.end(),
                     [](const TPlanWarning &a, const TPlanWarning &b) { return a.date < b.date; });
    return plan;
}

QVector<TPlanWarning> WarningsOn(const TPlan &plan, QDate date)
{
    QVector<TPlanWarning> out;
    for (const TPlanWarning &w : plan.warnings)
        if (w.date == date)
            out.push_back(w);
    return out;
}
