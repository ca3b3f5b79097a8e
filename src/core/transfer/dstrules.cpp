#include "transfer/dstrules.h"

namespace {
// The rule of one transition from the local clock time just before it.
TDstTransitionRule RuleAt(const QDateTime &localBefore)
{
    const QDate date = localBefore.date();
    TDstTransitionRule rule;
    rule.Month = date.month();
    rule.DayOfWeek = date.dayOfWeek() % 7;
    // A weekday that does not come again within the month is its last one.
    rule.Occurrence = date.day() + 7 > date.daysInMonth() ? 5 : (date.day() - 1) / 7 + 1;
    rule.Time = QTime(localBefore.time().hour(), localBefore.time().minute());
    return rule;
}
}

TZoneDstRules ZoneDstRules(const QTimeZone &zone, int year)
{
    const QDateTime from(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime to(QDate(year + 1, 1, 1), QTime(0, 0), Qt::UTC);
    TZoneDstRules rules;
    bool forward = false, back = false;
    // The clocks go forward in spring and back in autumn whichever of the two
    // periods the zone's data calls daylight-saving time (Irish winter time
    // is recorded as a negative shift), so the direction of each change is
    // what counts, not its label; a change of label alone moves no clock.
    for (const QTimeZone::OffsetData &t : zone.transitions(from, to)) {
        const int offsetBefore = zone.offsetFromUtc(t.atUtc.addSecs(-1));
        const int change = t.offsetFromUtc - offsetBefore;
        // Each transition is stated in the clock time that ends with it.
        const QDateTime before = t.atUtc.addSecs(offsetBefore);
        if (change > 0 && !forward) {
            rules.ToDst = RuleAt(before);
            rules.ShiftMinutes = change / 60;
            forward = true;
        } else if (change < 0 && !back) {
            rules.ToStandard = RuleAt(before);
            back = true;
        }
    }
    rules.HasDst = forward && back;
    if (!rules.HasDst)
        return {};
    return rules;
}

QDate TransitionDate(const TDstTransitionRule &rule, int year)
{
    const int qtDay = rule.DayOfWeek == 0 ? 7 : rule.DayOfWeek; // Qt counts Monday 1 to Sunday 7
    if (rule.Occurrence == 5) {
        QDate day(year, rule.Month, QDate(year, rule.Month, 1).daysInMonth());
        while (day.dayOfWeek() != qtDay)
            day = day.addDays(-1);
        return day;
    }
    QDate day(year, rule.Month, 1);
    while (day.dayOfWeek() != qtDay)
        day = day.addDays(1);
    return day.addDays(7 * (rule.Occurrence - 1));
}
