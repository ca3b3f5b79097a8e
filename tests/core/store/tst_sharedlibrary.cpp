// The library kept true when it is not this program's alone: another window
// deleting what this one shows, ids reused over leftover rows, a second
// window on the same file, and the Beacon's copy that never holds more than
// a Beacon does.
#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "store/librarylock.h"
#include "store/schedule.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
// Another program's connection to the same file ("window A").
class TOtherWindow {
public:
    explicit TOtherWindow(const QString &file)
    {
        sqlite3_open_v2(QFile::encodeName(file).constData(), &fDb, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~TOtherWindow() { sqlite3_close(fDb); }
    bool Exec(const QString &sql) { return sqlite3_exec(fDb, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK; }

private:
    sqlite3 *fDb = nullptr;
};

// The two kinds of library entry, worked alike.
struct TKind {
    const char *parents;
    const char *records;
    const char *parentColumn;
    const char *recordColumns; // parent id first
};
const TKind ScheduleKind{"schedules", "schedule_rec", "schedule_id", "schedule_id, s_day, s_time_on, s_time_off"};
const TKind CalendarKind{"calendars", "calendar_rec", "calendar_id", "calendar_id, name, c_date, day_type, c_len"};

int Count(const QString &sql, const QVariantList &params = {})
{
    return int(DM().Query(sql, params)->FieldAsInteger(0));
}

// Adds an entry through the library list, adds a record through the entry
// object and returns the entry's record count; throws what the store throws.
struct TEntry {
    std::function<int()> add;                // adds an entry, returns its id
    std::function<void()> addRecord;         // to the entry added last
    std::function<int()> records;            // of the entry added last, as loaded
};

TEntry ScheduleEntry(std::unique_ptr<TScheduleList> &list)
{
    return {[&list] {
                list->AddSchedule(QStringLiteral("Mornings"));
                return list->Schedules(list->Count() - 1)->ID();
            },
            [&list] { list->Schedules(list->Count() - 1)->SaveRecord({0, 0, 0x1F, 450, 510}, true); },
            [&list] { return list->Schedules(list->Count() - 1)->Count(); }};
}

TEntry CalendarEntry(std::unique_ptr<TCalendarList> &list)
{
    return {[&list] {
                list->AddCalendar(QStringLiteral("School year"));
                return list->Calendars(list->Count() - 1)->ID();
            },
            [&list] { list->Calendars(list->Count() - 1)->SaveRecord({0, 0, QStringLiteral("Holiday"), 100, 1, 3}, true); },
            [&list] { return list->Calendars(list->Count() - 1)->Count(); }};
}
}

class TestSharedLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int dbNumber = 0;

    QString openLibrary(TDM &dm)
    {
        const QString file = dir.filePath(QStringLiteral("lib%1.db").arg(++dbNumber));
        if (!CreateLibraryDatabase(file) || !dm.OpenDatabase(file))
            qFatal("library not made");
        return file;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    // Window B shows an entry that window A deletes; B's new record is
    // refused, and A's next entry, which gets the same id, starts empty.
    void aDeletedEntryTakesNoRecordAndItsIdInheritsNothing_data()
    {
        QTest::addColumn<bool>("schedule");
        QTest::newRow("schedule") << true;
        QTest::newRow("calendar") << false;
    }
    void aDeletedEntryTakesNoRecordAndItsIdInheritsNothing()
    {
        QFETCH(bool, schedule);
        const TKind &kind = schedule ? ScheduleKind : CalendarKind;
        TDM dm;
        const QString file = openLibrary(dm);
        std::unique_ptr<TScheduleList> schedules = std::make_unique<TScheduleList>();
        std::unique_ptr<TCalendarList> calendars = std::make_unique<TCalendarList>();
        const TEntry entry = schedule ? ScheduleEntry(schedules) : CalendarEntry(calendars);

        const int id = entry.add();
        entry.addRecord();
        TOtherWindow windowA(file);
        QVERIFY(windowA.Exec(QStringLiteral("DELETE FROM %1 WHERE id=%2").arg(kind.parents).arg(id)));
        QVERIFY(windowA.Exec(QStringLiteral("DELETE FROM %1 WHERE %2=%3").arg(kind.records, kind.parentColumn).arg(id)));

        const QString refused = ErrorOf([&] { entry.addRecord(); });
        QCOMPARE(refused, QStringLiteral("The %1 \"%2\" is no longer in the library (deleted in another window?); the "
                                         "record was not saved.")
                              .arg(schedule ? QStringLiteral("schedule") : QStringLiteral("calendar"),
                                   schedule ? QStringLiteral("Mornings") : QStringLiteral("School year")));
        QCOMPARE(Count(QStringLiteral("SELECT count(*) FROM %1").arg(kind.records)), 0);

        // Rows left under the next id (by an older program, or a window
        // before this check) are not inherited by the entry that gets it.
        const QString values = schedule ? QStringLiteral("%1, 1, 2, 3") : QStringLiteral("%1, 'stray', 100, 1, 1");
        QVERIFY(windowA.Exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(kind.records, kind.recordColumns, values.arg(id))));
        if (schedule)
            schedules->LoadSchedules();
        else
            calendars->LoadCalendars();
        QCOMPARE(entry.add(), id); // the tables have no AUTOINCREMENT: the id comes back
        QCOMPARE(entry.records(), 0);
        QCOMPARE(Count(QStringLiteral("SELECT count(*) FROM %1").arg(kind.records)), 0);
        entry.addRecord();
        QCOMPARE(entry.records(), 1);
    }

    // The Beacon's copy holds what a Beacon holds; a library entry holds more.
    void theBeaconsCopyHoldsSixteenRecords_data()
    {
        QTest::addColumn<bool>("schedule");
        QTest::newRow("schedule") << true;
        QTest::newRow("calendar") << false;
    }
    void theBeaconsCopyHoldsSixteenRecords()
    {
        QFETCH(bool, schedule);
        TDM dm;
        openLibrary(dm);
        const QString what = schedule ? QStringLiteral("schedule") : QStringLiteral("calendar");
        const QString limit = QStringLiteral("A Beacon's %1 holds at most 16 records.").arg(what);
        const QString tooLarge = QStringLiteral("\"Large\" has 17 records, more than the 16 a Beacon holds. Remove some "
                                                "in the library and load it again.");
        const TScheduleRec scheduleRec{0, 0, 0x1F, 450, 510};
        const TCalendarRec calendarRec{0, 0, QStringLiteral("Holiday"), 100, 1, 3};
        TScheduleList schedules;
        TCalendarList calendars;
        TSchedule &beaconSchedule = DeviceSchedule();
        TCalendar &beaconCalendar = DeviceCalendar();
        beaconSchedule.SetRecords({});
        beaconCalendar.SetRecords({});
        const auto beaconCount = [&] { return schedule ? beaconSchedule.Count() : beaconCalendar.Count(); };
        const auto addToBeacon = [&] {
            if (schedule)
                beaconSchedule.SaveRecord(scheduleRec, true);
            else
                beaconCalendar.SaveRecord(calendarRec, true);
        };

        // A library entry of 17 records is kept whole.
        if (schedule)
            schedules.AddSchedule(QStringLiteral("Large"));
        else
            calendars.AddCalendar(QStringLiteral("Large"));
        for (int i = 0; i < 17; ++i) {
            if (schedule)
                schedules.Schedules(0)->SaveRecord(scheduleRec, true);
            else
                calendars.Calendars(0)->SaveRecord(calendarRec, true);
        }
        QCOMPARE(schedule ? schedules.Schedules(0)->Count() : calendars.Calendars(0)->Count(), 17);

        // Loading it into the Beacon's copy is refused, which stays as it was.
        addToBeacon();
        const QString loaded = ErrorOf([&] {
            if (schedule)
                beaconSchedule.AssignSchedule(*schedules.Schedules(0));
            else
                beaconCalendar.AssignCalendar(*calendars.Calendars(0));
        });
        QCOMPARE(loaded, tooLarge);
        QCOMPARE(beaconCount(), 1);

        // Adding: the 16th is kept, the 17th refused before and when it is saved.
        for (int i = 1; i < 16; ++i)
            addToBeacon();
        QCOMPARE(beaconCount(), 16);
        QCOMPARE(ErrorOf([&] { schedule ? beaconSchedule.CheckRoom() : beaconCalendar.CheckRoom(); }), limit);
        QCOMPARE(ErrorOf(addToBeacon), limit);
        QCOMPARE(beaconCount(), 16);
        // The library entry never stops at the limit.
        QCOMPARE(ErrorOf([&] { schedule ? schedules.Schedules(0)->CheckRoom() : calendars.Calendars(0)->CheckRoom(); }),
                 QString());
        beaconSchedule.SetRecords({});
        beaconCalendar.SetRecords({});
    }

    // One window per library: a second is refused, naming the first's
    // process; a lock whose holder has ended is taken over.
    void oneWindowPerLibrary()
    {
        const QString file = dir.filePath(QStringLiteral("shared.db"));
        QVERIFY(CreateLibraryDatabase(file));
        {
            const TLibraryLock first(file);
            QCOMPARE(ErrorOf([&] { TLibraryLock second(file); }),
                     QStringLiteral("The library database \"%1\" is open in another window (process %2, %3). Please use "
                                    "that window, or close it and start the program again.")
                         .arg(file)
                         .arg(QCoreApplication::applicationPid())
                         .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
            // Another library is another matter.
            const QString other = dir.filePath(QStringLiteral("other.db"));
            QVERIFY(CreateLibraryDatabase(other));
            QCOMPARE(ErrorOf([&] { TLibraryLock elsewhere(other); }), QString());
        }
        QCOMPARE(ErrorOf([&] { TLibraryLock again(file); }), QString());

        // Left by a window that crashed: its process is gone.
        QProcess ended;
        ended.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
        QVERIFY(ended.waitForFinished());
        const QByteArray gone = ended.readAllStandardOutput().trimmed();
        QVERIFY(!gone.isEmpty());
        QFile stale(TLibraryLock::LockFileName(file));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(gone + "\npvbcs\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        QCOMPARE(ErrorOf([&] { TLibraryLock taken(file); }), QString());
    }
};

QTEST_GUILESS_MAIN(TestSharedLibrary)
#include "tst_sharedlibrary.moc"
