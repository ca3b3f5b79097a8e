#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testenv.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
TCalendarRec rec(int id, const QString &name, int dayNum, int days, int mode)
{
    TCalendarRec r;
    r.id = id;
    r.name = name;
    r.DayNum = dayNum;
    r.Days = days;
    r.DayMode = quint8(mode);
    return r;
}

QList<int> ids(const TCalendar &c)
{
    QList<int> out;
    for (int i = 0; i < c.Count(); ++i)
        out << c.Records(i).id;
    return out;
}

int rowCount(const QString &sql, const QVariantList &params = {})
{
    return int(DM().Query(sql, params)->FieldAsInteger(0));
}
}

class TestCalendars : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int dbNumber = 0;

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
        TCalendar c(QStringLiteral("Holidays"), 0, true);
        QVERIFY(c.ID() > 0);
        const QString hostile = QStringLiteral("Noël \"X\"; DROP TABLE calendar_rec; --'");
        c.SaveRecord(rec(0, QStringLiteral("New Year"), 0, 1, 0), true);
        c.SaveRecord(rec(0, hostile, 358, 7, 7), true);
        c.SaveRecord(rec(0, QStringLiteral("Spring"), 450, 5, 9), true);
        QCOMPARE(c.Records(1).name, hostile);
        QCOMPARE(c.Records(1).CalendarID, c.ID());
        QCOMPARE(DM().Query(QStringLiteral("SELECT c_date, day_type, c_len FROM calendar_rec WHERE id=?"),
                            {c.Records(1).id})
                     ->FieldAsInteger(2),
                 qint64(7));

        TCalendarRec changed = c.Records(0);
        changed.name = hostile + QStringLiteral("2");
        changed.DayMode = 3;
        c.SaveRecord(changed, false);
        QCOMPARE(c.Records(0).name, changed.name);
        QCOMPARE(c.Records(0).DayMode, quint8(3));

        const QList<int> before = ids(c);
        c.DeleteRecord(1);
        QCOMPARE(ids(c), (QList<int>{before.at(0), before.at(2)}));
        TCalendar again(QString(), c.ID(), true);
        QCOMPARE(ids(again), ids(c));
        QCOMPARE(again.Records(0).name, changed.name);
        QCOMPARE(again.Records(1).Days, 5);

        c.SetName(QStringLiteral("Fête"));
        QCOMPARE(DM().Query(QStringLiteral("SELECT name FROM calendars WHERE id=?"), {c.ID()})->FieldAsString(0),
                 QStringLiteral("Fête"));
    }

    void namesAreCutTo255Bytes()
    {
        const QString longName(300, u'x');
        QCOMPARE(CutCalendarName(longName).size(), 255);
        // A character outside the basic plane is one byte in the file and the
        // database, and is never split.
        const QString wide = QString(254, u'a') + QString::fromUtf8("\xF0\x9F\x8E\x84") + QStringLiteral("b");
        QCOMPARE(CutCalendarName(wide), wide.left(256));

        TDM dm;
        openLibrary(dm);
        TCalendar c(QStringLiteral("Long"), 0, true);
        DM().Exec(QStringLiteral("INSERT INTO calendar_rec (calendar_id, name, c_date, day_type, c_len) "
                                 "VALUES (?, ?, 0, 260, 1)"),
                  {c.ID(), longName});
        c.LoadRecords();
        QCOMPARE(c.Records(0).name, longName.left(255));
        QCOMPARE(c.Records(0).DayMode, quint8(4)); // low 8 bits of 260

        TCalendar memory(QStringLiteral("DEVICE"), 0, false);
        memory.SaveRecord(rec(1, longName, 0, 1, 0), true);
        QCOMPARE(memory.Records(0).name.size(), 255);
    }

    void recordTextsFollowTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("dayNum");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("subItems");
        QTest::newRow("first day, en_US") << "en_US" << 0 << 1 << 0
                                          << QStringList{"1/1/2010", "1/1/2010", "1 day(s)", "Monday"};
        QTest::newRow("Christmas week, en_US") << "en_US" << 358 << 7 << 6
                                               << QStringList{"12/25/2010", "12/31/2010", "7 day(s)", "Sunday"};
        QTest::newRow("Christmas week, en_GB") << "en_GB" << 358 << 7 << 7
                                               << QStringList{"25/12/2010", "31/12/2010", "7 day(s)",
                                                              "Special Day Mode #1"};
        QTest::newRow("four-digit year, de_DE") << "de_DE" << 5472 << 1 << 9
                                                << QStringList{"25.12.2024", "25.12.2024", "1 day(s)",
                                                               "Special Day Mode #3"};
        QTest::newRow("unknown mode") << "en_US" << 31 << 2 << 10
                                      << QStringList{"2/1/2010", "2/2/2010", "2 day(s)", ""};
    }

    void recordTextsFollowTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(int, dayNum);
        QFETCH(int, days);
        QFETCH(int, mode);
        QFETCH(QStringList, subItems);
        TCalendar c(QStringLiteral("DEVICE"), 0, false);
        c.SaveRecord(rec(1, QStringLiteral("Break"), dayNum, days, mode), true);
        const TListContent content = c.ShowList(QLocale(locale));
        QCOMPARE(content.Items.size(), 1);
        QCOMPARE(content.Items.at(0).Caption, QStringLiteral("Break"));
        QCOMPARE(content.Items.at(0).SubItems, subItems);
    }

    void assignCopiesALibraryCalendarIntoMemory()
    {
        TDM dm;
        openLibrary(dm);
        TCalendarList list;
        list.AddCalendar(QStringLiteral("School"));
        TCalendar *library = list.Calendars(0);
        library->SaveRecord(rec(0, QStringLiteral("Fête"), 100, 3, 8), true);
        library->SaveRecord(rec(0, QStringLiteral("Exam"), 200, 1, 2), true);

        TCalendar &device = DeviceCalendar();
        QCOMPARE(device.Name(), QStringLiteral("DEVICE"));
        device.SaveRecord(rec(1000, QStringLiteral("old"), 1, 1, 1), true);
        device.AssignCalendar(*library);
        QCOMPARE(device.Name(), QStringLiteral("School"));
        QCOMPARE(device.ID(), 0);
        QCOMPARE(ids(device), ids(*library));
        QCOMPARE(device.Records(0).name, QStringLiteral("Fête"));
        QCOMPARE(device.Records(0).Days, 3);
        QCOMPARE(device.Records(0).DayMode, quint8(8));
        QCOMPARE(device.Records(1).CalendarID, 0);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM calendar_rec")), 2);
        QCOMPARE(DM().Query(QStringLiteral("SELECT name FROM calendars"))->FieldAsString(0), QStringLiteral("School"));
        device.Clear();
        QCOMPARE(library->Count(), 2);
    }

    void refusedWriteLeavesMemoryAsTheDatabase()
    {
        TDM dm;
        openLibrary(dm);
        TCalendarList list;
        list.AddCalendar(QStringLiteral("School"));
        TCalendar &c = *list.Calendars(0);
        c.SaveRecord(rec(0, QStringLiteral("XMAS"), 5472, 1, 6), true);
        DM().Exec(QStringLiteral("PRAGMA query_only = ON")); // refuses writes as a read-only library does

        QVERIFY_THROWS_EXCEPTION(ESqliteException, c.SaveRecord(rec(0, QStringLiteral("Ghost"), 5473, 1, 6), true));
        QCOMPARE(c.Count(), 1); // no phantom record
        TCalendarRec changed = c.Records(0);
        changed.name = QStringLiteral("Changed");
        QVERIFY_THROWS_EXCEPTION(ESqliteException, c.SaveRecord(changed, false));
        QCOMPARE(c.Records(0).name, QStringLiteral("XMAS"));
        QVERIFY_THROWS_EXCEPTION(ESqliteException, c.DeleteRecord(0));
        QCOMPARE(c.Count(), 1);
        QVERIFY_THROWS_EXCEPTION(ESqliteException, list.RenameCalendar(0, QStringLiteral("Renamed")));
        QCOMPARE(c.Name(), QStringLiteral("School"));
        QVERIFY_THROWS_EXCEPTION(ESqliteException, list.AddCalendar(QStringLiteral("New")));
        QCOMPARE(list.Count(), 1);
        DeviceCalendar().AssignCalendar(*list.Calendars(0));
        QCOMPARE(DeviceCalendar().Count(), 1);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
        DM().Exec(QStringLiteral("PRAGMA query_only = OFF"));
        QCOMPARE(ids(*TCalendarList().Calendars(0)), ids(c));
    }

    void libraryListDeletesAllOrNothing()
    {
        TDM dm;
        openLibrary(dm);
        TCalendarList list;
        for (const char *name : {"A", "B", "C"})
            list.AddCalendar(QString::fromLatin1(name));
        list.Calendars(2)->SaveRecord(rec(0, QStringLiteral("x"), 0, 1, 0), true);
        list.RenameCalendar(0, QStringLiteral("A'\""));
        QCOMPARE(list.ShowList(2).Items.at(2).SubItems, QStringList{QStringLiteral("1 record(s)")});

        DM().Exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON calendar_rec "
                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        const int id = list.Calendars(2)->ID();
        QVERIFY_THROWS_EXCEPTION(ESqliteException, list.DeleteCalendar(2));
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM calendars WHERE id=?"), {id}), 1);
        DM().Exec(QStringLiteral("DROP TRIGGER refuse"));

        list.DeleteCalendar(2);
        QCOMPARE(rowCount(QStringLiteral("SELECT count(*) FROM calendar_rec")), 0);
        const TListContent content = list.ShowList(2);
        QCOMPARE(content.Items.size(), 2);
        QCOMPARE(content.Items.at(0).Caption, QStringLiteral("A'\""));
        QCOMPARE(content.Selected, 0);

        TCalendarList reread;
        QCOMPARE(reread.Count(), 2);
        QCOMPARE(reread.Calendars(0)->Name(), QStringLiteral("A'\""));
    }
};

QTEST_GUILESS_MAIN(TestCalendars)
#include "tst_calendars.moc"
