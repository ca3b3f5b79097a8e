#include "plan/plan.h"
#include "testenv.h"

#include <QtTest>

Q_DECLARE_METATYPE(TBeaconConfiguration)

namespace {
int DayNum(const QDate &date)
{
    return int(QDate(2010, 1, 1).daysTo(date));
}

TScheduleRec Sched(int day, const char *on, const char *off)
{
    TScheduleRec r;
    r.RecDay = quint8(day);
    const QTime a = QTime::fromString(QString::fromLatin1(on), QStringLiteral("HH:mm"));
    const QTime b = QTime::fromString(QString::fromLatin1(off), QStringLiteral("HH:mm"));
    r.RecOnTime = a.hour() * 60 + a.minute();
    r.RecOffTime = b.hour() * 60 + b.minute();
    return r;
}

TCalendarRec Cal(const char *name, QDate first, int days, int mode)
{
    TCalendarRec r;
    r.name = QString::fromLatin1(name);
    r.DayNum = DayNum(first);
    r.Days = days;
    r.DayMode = quint8(mode);
    return r;
}

// A school's term-time configuration over the winter break of 2026/27; the
// DST rule of 2026 (second Sunday of March, first Sunday of November).
TBeaconConfiguration WinterBreak()
{
    TBeaconConfiguration c;
    c.Advanced.DateDST1 = QDate(2026, 3, 8);
    c.Advanced.DateDST2 = QDate(2026, 11, 1);
    c.Schedule = {Sched(0x1F, "14:30", "15:30"), Sched(0x1F, "07:00", "08:30"), Sched(0x81, "09:00", "10:00"),
                  Sched(0x82, "07:00", "12:00"), Sched(0x84, "13:00", "14:00"), Sched(0x20, "10:00", "11:00")};
    c.Calendar = {Cal("WINTER BREAK", QDate(2026, 12, 24), 11, 6), Cal("CHRISTMAS EVE", QDate(2026, 12, 24), 1, 7),
                  Cal("MAKE-UP DAY", QDate(2027, 1, 9), 1, 0), Cal("EARLY RELEASE", QDate(2027, 1, 8), 1, 8),
                  Cal("TESTING", QDate(2027, 1, 7), 1, 9), Cal("STAFF DAY", QDate(2027, 1, 6), 1, 12)};
    return c;
}

QString Intervals(const TPlanDay &day)
{
    QStringList out;
    for (const TPlanInterval &i : day.on)
        out << PlanTimeText(i.on) + QLatin1Char('-') + PlanTimeText(i.off);
    return out.join(u' ');
}

QStringList Texts(const QVector<TPlanWarning> &warnings)
{
    QStringList out;
    for (const TPlanWarning &w : warnings)
        out << w.date.toString(Qt::ISODate) + QLatin1Char(' ') + w.text;
    return out;
}
}

class TestPlan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void everyDayMode_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("weekday");
        QTest::addColumn<QString>("follows");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("on");
        QTest::addColumn<int>("kind");
        const int normal = int(TPlanKind::Normal), substitute = int(TPlanKind::Substitute);
        QTest::newRow("school day, records sorted") << QDate(2026, 12, 21) << "Monday" << "Monday" << -1
                                                    << "07:00-08:30 14:30-15:30" << normal;
        QTest::newRow("plain Sunday: dark") << QDate(2027, 1, 10) << "Sunday" << "Sunday" << -1 << "" << normal;
        QTest::newRow("overlapping records: the first in list order") << QDate(2026, 12, 24) << "Thursday" << "Sunday"
                                                                      << 0 << "" << substitute;
        QTest::newRow("last date of a run") << QDate(2027, 1, 3) << "Sunday" << "Sunday" << 0 << "" << substitute;
        QTest::newRow("first date after a run") << QDate(2027, 1, 4) << "Monday" << "Monday" << -1
                                                << "07:00-08:30 14:30-15:30" << normal;
        QTest::newRow("substitute weekday") << QDate(2027, 1, 9) << "Saturday" << "Monday" << 2
                                            << "07:00-08:30 14:30-15:30" << substitute;
        QTest::newRow("special day mode 2") << QDate(2027, 1, 8) << "Friday" << "Special Day Mode #2" << 3
                                            << "07:00-12:00" << int(TPlanKind::Special2);
        QTest::newRow("special day mode 3") << QDate(2027, 1, 7) << "Thursday" << "Special Day Mode #3" << 4
                                            << "13:00-14:00" << int(TPlanKind::Special3);
        QTest::newRow("day mode the controller does not define") << QDate(2027, 1, 6) << "Wednesday" << "" << 5 << ""
                                                                 << int(TPlanKind::Undefined);
    }
    void everyDayMode()
    {
        QFETCH(QDate, date);
        const TPlan plan = MakePlan(WinterBreak(), QDate(2026, 12, 21), QDate(2027, 1, 10), QDate(2026, 12, 1));
        QCOMPARE(plan.days.size(), 21);
        const TPlanDay &day = plan.days.at(int(plan.from.daysTo(date)));
        QCOMPARE(day.date, date);
        QTEST(day.weekday, "weekday");
        QTEST(day.follows, "follows");
        QTEST(day.record, "record");
        QTEST(Intervals(day), "on");
        QTEST(int(day.kind), "kind");
    }

    void specialDayModeOne()
    {
        TBeaconConfiguration c = WinterBreak();
        c.Calendar = {Cal("ASSEMBLY", QDate(2027, 2, 3), 2, 7)};
        const TPlan plan = MakePlan(c, QDate(2027, 2, 3), QDate(2027, 2, 5), QDate(2027, 1, 1));
        QCOMPARE(Intervals(plan.days.at(0)) + u'|' + Intervals(plan.days.at(1)), QStringLiteral("09:00-10:00|09:00-10:00"));
        QCOMPARE(plan.days.at(1).follows, QStringLiteral("Special Day Mode #1"));
        QCOMPARE(int(plan.days.at(2).kind), int(TPlanKind::Normal));
    }

    // Each warning, where it lands and which reading it names.
    void warnings_data()
    {
        QTest::addColumn<TBeaconConfiguration>("config");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("expected");

        TBeaconConfiguration quiet = WinterBreak();
        quiet.Calendar.clear();
        QTest::newRow("nothing to say") << quiet << QDate(2026, 5, 1) << QDate(2026, 12, 31) << QDate(2026, 1, 1)
                                        << QStringList();

        QTest::newRow("winter break") << WinterBreak() << QDate(2026, 12, 21) << QDate(2027, 1, 10)
                                      << QDate(2026, 12, 1)
                                      << QStringList{
                                             "2026-12-24 Calendar records 1 (\"WINTER BREAK\"), 2 (\"CHRISTMAS EVE\") "
                                             "all cover this date; the plan shows the first in list order, record 1.",
                                             "2027-01-01 The daylight-saving rule holds dates for 2026 only; the clock "
                                             "will not shift after 2026.",
                                             "2027-01-06 Calendar record 6 (\"STAFF DAY\") has the day mode 12, which "
                                             "names no weekday or special day mode; the plan shows the date dark."};

        TBeaconConfiguration south = quiet; // forward in October, back in April of the next year
        south.Advanced.DateDST1 = QDate(2026, 10, 4);
        south.Advanced.DateDST2 = QDate(2027, 4, 4);
        QTest::newRow("rule over two years, range before and after")
            << south << QDate(2025, 12, 30) << QDate(2028, 1, 2) << QDate(2025, 1, 1)
            << QStringList{"2025-12-30 The daylight-saving rule holds dates for 2026 and 2027 only; the clock will not "
                           "shift before 2026.",
                           "2028-01-01 The daylight-saving rule holds dates for 2026 and 2027 only; the clock will not "
                           "shift after 2027."};

        TBeaconConfiguration noDst = quiet; // "Auto Set" in a zone without daylight saving
        noDst.Advanced.DateDST1 = noDst.Advanced.DateDST2 = QDate(2010, 1, 1);
        QTest::newRow("no daylight saving: nothing to shift") << noDst << QDate(2030, 1, 1) << QDate(2031, 1, 1)
                                                              << QDate(2030, 1, 1) << QStringList();

        TBeaconConfiguration past = quiet;
        past.Calendar = {Cal("LABOR DAY", QDate(2026, 9, 7), 1, 6), Cal("THANKSGIVING", QDate(2026, 11, 26), 2, 6),
                         Cal("EMPTY", QDate(2026, 12, 1), 0, 6)};
        QTest::newRow("records in the past, one ending today is not")
            << past << QDate(2026, 11, 27) << QDate(2026, 11, 30) << QDate(2026, 11, 27)
            << QStringList{"2026-11-27 Calendar record 1 (\"LABOR DAY\") ended on 2026-09-07, before today: it "
                           "changes no date to come.",
                           "2026-11-27 Calendar record 3 (\"EMPTY\") covers no date (0 days)."};

        TBeaconConfiguration odd = quiet;
        odd.Schedule = {Sched(0x01, "07:00", "08:30"), Sched(0x01, "08:00", "09:00"), Sched(0x01, "15:30", "14:30"),
                        Sched(0x01, "10:00", "10:00"), Sched(0x01, "06:00", "12:00")};
        odd.Schedule << Sched(0x01, "00:00", "00:00");
        odd.Schedule.last().RecOffTime = 1440;
        QTest::newRow("schedule records open to reading")
            << odd << QDate(2026, 6, 1) << QDate(2026, 6, 2) << QDate(2026, 1, 1)
            << QStringList{"2026-06-01 Schedule record 3 switches on at 15:30, not before its off time 14:30; the plan "
                           "shows no flashing from it.",
                           "2026-06-01 Schedule record 4 switches on at 10:00, not before its off time 10:00; the plan "
                           "shows no flashing from it.",
                           "2026-06-01 Schedule record 6 has a time outside the day (0 and 1440 minutes after "
                           "midnight); the plan shows no flashing from it.",
                           "2026-06-01 Schedule records 1 and 5 overlap from 07:00 to 08:30; the plan shows both "
                           "intervals as the records give them.",
                           "2026-06-01 Schedule records 2 and 5 overlap from 08:00 to 09:00; the plan shows both "
                           "intervals as the records give them."};

        TBeaconConfiguration full = quiet;
        full.Schedule.clear();
        full.Calendar.clear();
        for (int i = 0; i < 17; ++i) {
            full.Schedule << Sched(0x40, "09:00", "09:30");
            full.Calendar << Cal("SUNDAY OFF", QDate(2026, 6, 7).addDays(7 * i), 1, 12);
        }
        full.Calendar.last().DayNum = DayNum(QDate(2026, 6, 1)); // and the 17th would make the 1st dark
        QTest::newRow("more records than the controller keeps")
            << full << QDate(2026, 6, 1) << QDate(2026, 6, 1) << QDate(2026, 1, 1)
            << QStringList{"2026-06-01 The schedule holds 17 records; the controller keeps 16. The plan shows the "
                           "first 16.",
                           "2026-06-01 The calendar holds 17 records; the controller keeps 16. The plan shows the "
                           "first 16."};
    }
    void warnings()
    {
        QFETCH(TBeaconConfiguration, config);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QDate, today);
        QFETCH(QStringList, expected);
        const TPlan plan = MakePlan(config, from, to, today);
        QCOMPARE(Texts(plan.warnings), expected);
        for (const TPlanWarning &w : plan.warnings)
            QVERIFY(WarningsOn(plan, w.date).size() >= 1);
    }

    void sixteenRecordsKept()
    {
        TBeaconConfiguration full;
        for (int i = 0; i < 17; ++i)
            full.Schedule << Sched(0x40, "09:00", "09:30");
        full.Schedule.last() = Sched(0x40, "18:00", "19:00");
        const TPlan plan = MakePlan(full, QDate(2026, 6, 7), QDate(2026, 6, 7), QDate());
        QCOMPARE(plan.days.at(0).on.size(), 16);
        QCOMPARE(PlanTimeText(plan.days.at(0).on.last().off), QStringLiteral("09:30"));
    }

    void ranges_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<int>("days");
        QTest::newRow("one date") << QDate(2026, 3, 8) << QDate(2026, 3, 8) << 1;
        QTest::newRow("leap year") << QDate(2028, 1, 1) << QDate(2028, 12, 31) << 366;
        QTest::newRow("reversed") << QDate(2026, 3, 9) << QDate(2026, 3, 8) << 0;
        QTest::newRow("no start") << QDate() << QDate(2026, 3, 8) << 0;
    }
    void ranges()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        const TPlan plan = MakePlan(WinterBreak(), from, to, QDate(2026, 1, 1));
        QTEST(int(plan.days.size()), "days");
        if (!plan.days.isEmpty())
            QCOMPARE(plan.days.last().date, to);
    }
};

QTEST_GUILESS_MAIN(TestPlan)
#include "tst_plan.moc"
