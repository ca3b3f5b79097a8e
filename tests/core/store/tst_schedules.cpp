#include "store/convprocs.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "store/schedule.h"
#include "testenv.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
TScheduleRec rec(int id, int day, int on, int off)
{
    TScheduleRec r;
    r.id = id;
    r.RecDay = quint8(day);
    r.RecOnTime = on;
    r.RecOffTime = off;
    return r;
}

QList<int> ids(const TSchedule &s)
{
    QList<int> out;
    for (int i = 0; i < s.Count(); ++i)
        out << s.Records(i).id;
    return out;
}

int rowCount(const QString &sql, const QVariantList &params = {})
{
    return int(DM().Query(sql, params)->FieldAsInteger(0));
}
}

class TestSchedules : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int dbNumber = 0;

    // A fresh library in a data module of its own.
    void openLibrary(TDM &dm)
    {
        const QString file = dir.filePath(QStringLiteral("lib%1.db").arg(++dbNumber));
        QVERIFY(CreateLibraryDatabase(file));
        QVERIFY(dm.OpenDatabase(file));
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void databaseModeMirrorsTheTable()
    {
        TDM dm;
        openLibrary(dm);
        TSchedule s(QStringLiteral("Winter"), 0, true);
        QVERIFY(s.ID() > 0);
        QVERIFY(s.DBMode());
        QCOMPARE(DM().Query(QStringLiteral("SELECT name FROM schedules WHERE id=?"), {s.ID()})->FieldAsString(0),
                 QStringLiteral("Winter"));

        TScheduleRec first = rec(0, 0x1F, 420, 510);
        first.CalendarID = 999; // the schedule's own id replaces it
        s.SaveRecord(first, true);
        s.SaveRecord(rec(0, 0x60, 600, 660), true);
        s.SaveRecord(rec(0, 0x81, 700, 800), true);
        QCOMPARE(s.Count(), 3);
        const int rowId = rowCount(QStringLiteral("SELECT min(id) FROM schedule_rec"));
        QCOMPARE(s.Records(0).id, rowId);
        QCOMPARE(s.Records(0).CalendarID, s.ID());
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedule_rec WHERE schedule_id=?"), {s.ID()}), 3);

        TScheduleRec changed = s.Records(1);
        changed.RecOnTime = 601;
        changed.RecDay = 0x7F;
        s.SaveRecord(changed, false);
        QCOMPARE(s.Records(1).RecOnTime, 601);
        QCOMPARE(rowCount(QStringLiteral("SELECT s_day FROM schedule_rec WHERE id=?"), {changed.id}), 0x7F);

        const QList<int> before = ids(s);
        s.DeleteRecord(1);
        QCOMPARE(ids(s), (QList<int>{before.at(0), before.at(2)}));
        s.DeleteRecord(7); // out of range: nothing happens
        QCOMPARE(s.Count(), 2);

        s.SetName(QStringLiteral("Winter 2"));
        TSchedule again(QStringLiteral("ignored"), s.ID(), true);
        QCOMPARE(ids(again), ids(s));
        QCOMPARE(again.Records(0).RecOffTime, 510);
        QCOMPARE(DM().Query(QStringLiteral("SELECT name FROM schedules WHERE id=?"), {s.ID()})->FieldAsString(0),
                 QStringLiteral("Winter 2"));

        s.Clear();
        QCOMPARE(s.Count(), 0);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedule_rec")), 0);
    }

    void memoryModeNeverTouchesTheDatabase()
    {
        // No data module exists here: any statement would raise.
        TSchedule s(QStringLiteral("DEVICE"), 0, false);
        QCOMPARE(s.ID(), 0);
        TScheduleRec a = rec(1000, 0x01, 60, 120);
        a.CalendarID = 55;
        s.SaveRecord(a, true);
        s.SaveRecord(rec(1001, 0x02, 60, 120), true);
        s.SaveRecord(rec(1000, 0x04, 60, 120), true); // shares the id of the first
        QCOMPARE(s.Records(0).CalendarID, 0);

        TScheduleRec update = rec(1000, 0x40, 5, 6);
        update.CalendarID = 7; // taken as given on update
        s.SaveRecord(update, false);
        QCOMPARE(s.Records(0).RecDay, quint8(0x40));
        QCOMPARE(s.Records(2).RecDay, quint8(0x40));
        QCOMPARE(s.Records(2).CalendarID, 7);
        QCOMPARE(s.Records(1).RecDay, quint8(0x02));
        QCOMPARE(s.Records(9).id, 0); // out of range: an all-zero record

        s.DeleteRecord(0);
        QCOMPARE(ids(s), (QList<int>{1001, 1000}));
        s.LoadRecords();
        QCOMPARE(s.Count(), 0);

        QCOMPARE(DeviceSchedule().Name(), QStringLiteral("DEVICE"));
        QCOMPARE(DeviceSchedule().ID(), 0);
        QVERIFY(!DeviceSchedule().DBMode());
        QCOMPARE(&DeviceSchedule(), &DeviceSchedule());
    }

    void assignCopiesALibraryScheduleIntoMemory()
    {
        TDM dm;
        openLibrary(dm);
        TSchedule library(QStringLiteral("School"), 0, true);
        library.SaveRecord(rec(0, 0x1F, 420, 510), true);
        library.SaveRecord(rec(0, 0x1F, 840, 930), true);

        TSchedule device(QStringLiteral("DEVICE"), 0, false);
        device.SaveRecord(rec(5, 0x7F, 0, 1), true);
        device.AssignSchedule(library);
        QCOMPARE(device.Name(), QStringLiteral("School"));
        QCOMPARE(ids(device), ids(library));
        QCOMPARE(device.Records(1).RecOnTime, 840);
        QCOMPARE(device.Records(1).CalendarID, 0);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedule_rec")), 2);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedules")), 1);

        device.AssignSchedule(device);
        QCOMPARE(device.Count(), 2);
    }

    void recordTextsFollowDayByteAndLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("on");
        QTest::addColumn<int>("off");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("all days, 12-hour") << "en_US" << 0x7F << 0 << 780
                                           << QStringList{"Mo,Tu,We,Th,Fr,Sa,Su", "12:00AM", "01:00PM", "13 hr 0 min"};
        QTest::newRow("weekend, 24-hour") << "en_GB" << 0x60 << 0 << 780
                                          << QStringList{"Sa,Su", "00:00", "13:00", "13 hr 0 min"};
        QTest::newRow("no day, off before on") << "de_DE" << 0x00 << 480 << 450
                                               << QStringList{"", "08:00", "07:30", "0 hr -30 min"};
        QTest::newRow("Mo,We, noon") << "en_US" << 0x05 << 450 << 1020
                                     << QStringList{"Mo,We", "07:30AM", "05:00PM", "9 hr 30 min"};
        QTest::newRow("special 1, negative hours") << "en_US" << 0x81 << 600 << 510
                                                   << QStringList{"Special Day Mode #1", "10:00AM", "08:30AM",
                                                                  "-1 hr -30 min"};
        QTest::newRow("special 3, midnight wraps") << "en_GB" << 0x84 << 1439 << 1440
                                                   << QStringList{"Special Day Mode #3", "23:59", "00:00", "0 hr 1 min"};
        QTest::newRow("bit 7 otherwise") << "en_US" << 0x83 << 720 << 720
                                         << QStringList{"", "12:00PM", "12:00PM", "0 hr 0 min"};
    }

    void recordTextsFollowDayByteAndLocale()
    {
        QFETCH(QString, locale);
        QFETCH(int, day);
        QFETCH(int, on);
        QFETCH(int, off);
        QFETCH(QStringList, row);
        TSchedule s(QStringLiteral("DEVICE"), 0, false);
        s.SaveRecord(rec(1, day, on, off), true);
        const TListContent content = s.ShowList(QLocale(locale));
        QCOMPARE(content.Items.size(), 1);
        QCOMPARE(content.Items.at(0).Caption, row.at(0));
        QCOMPARE(content.Items.at(0).SubItems, row.mid(1));
        QCOMPARE(content.Selected, -1);
    }

    void minutesToDateTimeDropsWholeDays()
    {
        QCOMPARE(MinutesToDateTime(510), QTime(8, 30));
        QCOMPARE(MinutesToDateTime(1440), QTime(0, 0));
        QCOMPARE(MinutesToDateTime(-30), QTime(23, 30));
    }

    void librarySelectionAfterDelete()
    {
        TDM dm;
        openLibrary(dm);
        TScheduleList list;
        QCOMPARE(list.Count(), 0);
        QCOMPARE(list.ShowList(-1).Selected, -1);
        for (const char *name : {"A", "B", "C", "D"})
            list.AddSchedule(QString::fromLatin1(name));
        list.Schedules(1)->SaveRecord(rec(0, 1, 2, 3), true);

        TListContent content = list.ShowList(1);
        QCOMPARE(content.Items.size(), 4);
        QCOMPARE(content.Items.at(1).Caption, QStringLiteral("B"));
        QCOMPARE(content.Items.at(1).SubItems, QStringList{QStringLiteral("1 record(s)")});
        QCOMPARE(content.Items.at(0).SubItems, QStringList{QStringLiteral("0 record(s)")});
        QCOMPARE(content.Selected, 1);
        QCOMPARE(list.ShowList(-1).Selected, -1);

        list.DeleteSchedule(1); // the selected one: its index still exists
        QCOMPARE(list.ShowList(1).Selected, 1);
        QCOMPARE(list.ShowList(1).Items.at(1).Caption, QStringLiteral("C"));
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedule_rec")), 0);

        list.DeleteSchedule(2); // the selected last row: the first one follows
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.ShowList(2).Selected, 0);
        list.DeleteSchedule(0);
        list.DeleteSchedule(0);
        QCOMPARE(list.ShowList(0).Selected, -1);
        QCOMPARE(list.ShowList(0).Items.size(), 0);
    }

    void namesAreBoundNeverSpliced()
    {
        TDM dm;
        openLibrary(dm);
        const QStringList names{
            QStringLiteral("Fête \"Noël\""),
            QStringLiteral("O'Brien's; DROP TABLE schedules; --"),
            QStringLiteral("\"); DELETE FROM schedule_rec; --"),
            QStringLiteral("€ 5%s %d \\ ' \""),
            QString(),
        };
        {
            TScheduleList list;
            for (const QString &name : names)
                list.AddSchedule(name);
            list.Schedules(0)->SaveRecord(rec(0, 1, 2, 3), true);
            list.RenameSchedule(1, names.at(2) + QStringLiteral("x"));
        }
        TScheduleList reread;
        QCOMPARE(reread.Count(), names.size());
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(reread.Schedules(i)->Name(), i == 1 ? names.at(2) + QStringLiteral("x") : names.at(i));
        QCOMPARE(reread.Schedules(0)->Count(), 1);
        // Stored as Windows-1252 bytes, as older installations hold them.
        QVERIFY(DM().Query(QStringLiteral("SELECT hex(name) FROM schedules WHERE id=?"), {reread.Schedules(0)->ID()})
                    ->FieldAsString(0)
                    .startsWith(QStringLiteral("46EA7465")));
    }

    void refusedWriteLeavesMemoryAsTheDatabase()
    {
        TDM dm;
        openLibrary(dm);
        TScheduleList list;
        list.AddSchedule(QStringLiteral("Term"));
        TSchedule &s = *list.Schedules(0);
        s.SaveRecord(rec(0, 0x1F, 420, 510), true);
        DM().Exec(QStringLiteral("PRAGMA query_only = ON")); // refuses writes as a read-only library does

        QVERIFY_THROWS_EXCEPTION(ESqliteException, s.SaveRecord(rec(0, 0x60, 600, 660), true));
        QCOMPARE(s.Count(), 1); // no phantom record
        TScheduleRec changed = s.Records(0);
        changed.RecOnTime = 1;
        QVERIFY_THROWS_EXCEPTION(ESqliteException, s.SaveRecord(changed, false));
        QCOMPARE(s.Records(0).RecOnTime, 420);
        QVERIFY_THROWS_EXCEPTION(ESqliteException, s.DeleteRecord(0));
        QCOMPARE(s.Count(), 1);
        QVERIFY_THROWS_EXCEPTION(ESqliteException, s.SetName(QStringLiteral("Renamed")));
        QCOMPARE(s.Name(), QStringLiteral("Term"));
        QVERIFY_THROWS_EXCEPTION(ESqliteException, list.AddSchedule(QStringLiteral("New")));
        QVERIFY_THROWS_EXCEPTION(ESqliteException, list.DeleteSchedule(0));
        QCOMPARE(list.Count(), 1);
        // A schedule loaded into the beacon takes what the library holds.
        DeviceSchedule().AssignSchedule(*list.Schedules(0));
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(DeviceSchedule().Records(0).RecOnTime, 420);

        DM().Exec(QStringLiteral("PRAGMA query_only = OFF"));
        TScheduleList reread;
        QCOMPARE(reread.Count(), 1);
        QCOMPARE(reread.Schedules(0)->Name(), QStringLiteral("Term"));
        QCOMPARE(ids(*reread.Schedules(0)), ids(*list.Schedules(0)));
    }

    void deleteScheduleIsAllOrNothing()
    {
        TDM dm;
        openLibrary(dm);
        TScheduleList list;
        list.AddSchedule(QStringLiteral("Keep"));
        list.Schedules(0)->SaveRecord(rec(0, 1, 2, 3), true);
        const int id = list.Schedules(0)->ID();
        // The record rows refuse to go: the parent row must come back too.
        DM().Exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON schedule_rec "
                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY_THROWS_EXCEPTION(ESqliteException, list.DeleteSchedule(0));
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedules WHERE id=?"), {id}), 1);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedule_rec WHERE schedule_id=?"), {id}), 1);

        DM().Exec(QStringLiteral("DROP TRIGGER refuse"));
        list.DeleteSchedule(0);
        QCOMPARE(list.Count(), 0);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM schedule_rec")), 0);
    }
};

QTEST_GUILESS_MAIN(TestSchedules)
#include "tst_schedules.moc"
