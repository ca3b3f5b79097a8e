#include "config/cp1252.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "store/schedule.h"
#include "testenv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <sqlite3.h>
#include <stdexcept>
#include <thread>

class TestSqlite : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    QString freshLibrary(const QString &name)
    {
        const QString file = path(name);
        if (!CreateLibraryDatabase(file))
            throw std::runtime_error("library database not created");
        return file;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void openDatabaseRefusesMissingAndForeignFiles()
    {
        TDM dm;
        QVERIFY(!dm.OpenDatabase(path(QStringLiteral("missing.db"))));
        QVERIFY(!dm.DB());
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.db"))));
        QVERIFY(!dm.OpenDatabase(QString()));

        QFile junk(path(QStringLiteral("junk.db")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        QVERIFY(!dm.OpenDatabase(junk.fileName()));
        QVERIFY(!dm.DB());
        QCOMPARE(dm.DBName(), QString());
    }

    void execReturnsRowIdsAndQueriesReadColumns()
    {
        TDM dm;
        QVERIFY(dm.OpenDatabase(freshLibrary(QStringLiteral("lib.db"))));
        const int first = dm.Exec(QStringLiteral("insert into schedules (name) values ('One')"));
        const int second = dm.Exec(QStringLiteral("insert into schedules (name) values ('Two')"));
        QCOMPARE(second, first + 1);
        QCOMPARE(dm.Exec(QStringLiteral("update schedules set name = 'Uno' where id = %1").arg(first)), second);

        auto none = dm.Query(QStringLiteral("select id from schedules where id = -1"));
        QVERIFY(none->Eof());

        dm.Exec(QStringLiteral("insert into schedule_rec (schedule_id, s_day, s_time_on, s_time_off) "
                               "values (?, ?, ?, NULL)"),
                {first, 127, 450});
        auto rows = dm.Query(QStringLiteral("select schedule_id, s_day, s_time_on, s_time_off from schedule_rec"));
        QVERIFY(!rows->Eof());
        QCOMPARE(rows->FieldAsInteger(0), qint64(first));
        QCOMPARE(rows->FieldAsString(1), QStringLiteral("127"));
        QCOMPARE(rows->FieldAsString(3), QString());
        rows->Next();
        QVERIFY(rows->Eof());

        auto names = dm.Query(QStringLiteral("select name from schedules"));
        QStringList seen;
        for (; !names->Eof(); names->Next())
            seen << names->FieldAsString(0);
        QCOMPARE(seen, QStringList({QStringLiteral("Uno"), QStringLiteral("Two")}));
    }

    void errorTextsOfCompileAndStep()
    {
        TDM dm;
        QVERIFY(dm.OpenDatabase(freshLibrary(QStringLiteral("errors.db"))));
        // A row-returning statement is only an error when a row comes back.
        dm.Exec(QStringLiteral("select * from schedules"));
        dm.Exec(QStringLiteral("insert into schedules (name) values ('x')"));
        QCOMPARE(ErrorOf([&] { dm.Exec(QStringLiteral("select * from schedules")); }),
                 QStringLiteral("Unknown database error! Error Code: \"100\""));

        const QString bad = QStringLiteral("select * from nowhere");
        QCOMPARE(ErrorOf([&] { dm.Query(bad); }),
                 QStringLiteral("Error: no such table: nowhere\r\n\r\n") + bad);
        QCOMPARE(ErrorOf([&] { dm.Exec(QStringLiteral("insert into nowhere values (1)")); }),
                 QStringLiteral("Error: no such table: nowhere\r\n\r\ninsert into nowhere values (1)"));

    }

    // A failed step in the operator's words, chosen by SQLite's own result
    // code: the read-only text only where the database is read-only.
    void stepErrorsSayWhatFailed_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("reason"); // empty: the read-only text
        QTest::newRow("full disk") << QStringLiteral("pragma max_page_count = %PAGES%")
                                   << QStringLiteral("insert into calendars (name) values (zeroblob(100000))")
                                   << QStringLiteral("database or disk is full");
        QTest::newRow("refused value") << QStringLiteral("create table uniq (v integer unique)")
                                       << QStringLiteral("insert into uniq values (1), (1)")
                                       << QStringLiteral("UNIQUE constraint failed: uniq.v");
        QTest::newRow("read-only") << QStringLiteral("pragma query_only = 1")
                                   << QStringLiteral("insert into calendars (name) values ('x')") << QString();
    }
    void stepErrorsSayWhatFailed()
    {
        QFETCH(QString, setup);
        QFETCH(QString, statement);
        QFETCH(QString, reason);
        TDM dm;
        QVERIFY(dm.OpenDatabase(freshLibrary(QStringLiteral("step-%1.db").arg(QTest::currentDataTag()))));
        const qint64 pages = dm.Query(QStringLiteral("pragma page_count"))->FieldAsInteger(0);
        dm.Query(QString(setup).replace(QStringLiteral("%PAGES%"), QString::number(pages))); // some answer with a row
        const QString expected =
            reason.isEmpty()
                ? QStringLiteral("Database file is read-only or file is missing \"%1\"").arg(dm.DBName())
                : QStringLiteral("The library database \"%1\" could not be changed: %2").arg(dm.DBName(), reason);
        QCOMPARE(ErrorOf([&] { dm.Exec(statement); }), expected);
        QVERIFY(dm.Query(QStringLiteral("select id from calendars"))->Eof()); // nothing half-written
    }

    // Another program made a table after this connection read the schema:
    // the next statement is compiled again instead of failing.
    void anotherProgramsNewTableFailsNothing()
    {
        TDM dm;
        const QString file = freshLibrary(QStringLiteral("schema.db"));
        QVERIFY(dm.OpenDatabase(file));
        dm.Exec(QStringLiteral("insert into schedules (name) values ('before')"));
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(file).constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "CREATE TABLE made_elsewhere (v INTEGER)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        dm.Exec(QStringLiteral("insert into schedules (name) values ('after')"));
        QCOMPARE(dm.Query(QStringLiteral("select count(*) from schedules"))->FieldAsInteger(0), 2);
        QVERIFY(dm.Query(QStringLiteral("select count(*) from made_elsewhere"))->Eof() == false);
    }

    void cursorRaisesOnAFailedStepInsteadOfRepeatingARow()
    {
        TDM dm;
        QVERIFY(dm.OpenDatabase(freshLibrary(QStringLiteral("cursor.db"))));
        // abs() of the smallest integer overflows while the second row is produced.
        dm.Exec(QStringLiteral("create table n (v integer)"));
        dm.Exec(QStringLiteral("insert into n values (1)"));
        dm.Exec(QStringLiteral("insert into n values (-9223372036854775808)"));
        auto rows = dm.Query(QStringLiteral("select abs(v) from n"));
        QVERIFY(!rows->Eof());
        QVERIFY_THROWS_EXCEPTION(ESqliteException, rows->Next());
        QVERIFY(rows->Eof());
    }

    void namesAreStoredAsWindows1252Bytes()
    {
        TDM dm;
        QVERIFY(dm.OpenDatabase(freshLibrary(QStringLiteral("names.db"))));
        const QString name = QStringLiteral("F\u00EAte \u2013 \"No\u00EBl\"; 'x'");
        dm.Exec(QStringLiteral("insert into calendars (name) values (?)"), {name});
        auto raw = dm.Query(QStringLiteral("select hex(name), name from calendars"));
        QCOMPARE(raw->FieldAsString(0).toLatin1(), Cp1252::fromUnicode(name).toHex().toUpper());
        QCOMPARE(raw->FieldAsString(1), name);

        // Text inside the statement itself travels the same way.
        dm.Exec(QStringLiteral("insert into calendars (name) values ('Caf\u00E9')"));
        auto direct = dm.Query(QStringLiteral("select hex(name) from calendars where name = 'Caf\u00E9'"));
        QCOMPARE(direct->FieldAsString(0), QStringLiteral("436166E9"));
    }

    void transactionKeepsAllOrNothing()
    {
        TDM dm;
        QVERIFY(dm.OpenDatabase(freshLibrary(QStringLiteral("tx.db"))));
        QVERIFY_THROWS_EXCEPTION(ESqliteException, dm.InTransaction([&] {
            dm.Exec(QStringLiteral("insert into calendars (name) values ('kept?')"));
            dm.Exec(QStringLiteral("insert into nowhere values (1)"));
        }));
        QVERIFY(dm.Query(QStringLiteral("select id from calendars"))->Eof());
        dm.InTransaction([&] { dm.Exec(QStringLiteral("insert into calendars (name) values ('kept')")); });
        QVERIFY(!dm.Query(QStringLiteral("select id from calendars"))->Eof());
    }

    void initdbNeverTouchesAnExistingFile()
    {
        const QString file = path(QStringLiteral("nested/folder/pvbcs.db"));
        QVERIFY(CreateLibraryDatabase(file));
        TDM dm;
        QVERIFY(dm.OpenDatabase(file));
        for (const char *table : {"schedules", "schedule_rec", "calendars", "calendar_rec"})
            dm.Query(QStringLiteral("select * from %1").arg(QLatin1String(table)));
        const int id = dm.Exec(QStringLiteral("insert into schedules (name) values ('keep me')"));
        QVERIFY(id > 0);
        QVERIFY(!CreateLibraryDatabase(file));
        QVERIFY(!dm.Query(QStringLiteral("select name from schedules"))->Eof());

        // A file that is no library database is reported, never passed as one.
        QFile other(path(QStringLiteral("notes.db")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(QByteArray("my notes").repeated(200));
        other.close();
        QCOMPARE(ErrorOf([&] { CreateLibraryDatabase(other.fileName()); }),
                 QStringLiteral("\"%1\" is not a library database (file is not a database).").arg(other.fileName()));
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("my notes").repeated(200));

        const QString foreign = path(QStringLiteral("foreign.db"));
        QVERIFY(CreateLibraryDatabase(foreign));
        {
            TDM changer;
            QVERIFY(changer.OpenDatabase(foreign));
            changer.Exec(QStringLiteral("DROP TABLE calendar_rec"));
        }
        QCOMPARE(ErrorOf([&] { CheckLibraryDatabase(foreign); }),
                 QStringLiteral("\"%1\" is not a library database (the table calendar_rec is missing).").arg(foreign));
        QCOMPARE(ErrorOf([&] { CheckLibraryDatabase(file); }), QString());
    }

    // Another program (a sqlite3 shell, a backup) holding the file: a short
    // wait, then a message that says so instead of an error code.
    void lockHeldByAnotherProgram()
    {
        const QString file = freshLibrary(QStringLiteral("locked.db"));
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(file).constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        const auto otherExec = [other](const char *sql) { return sqlite3_exec(other, sql, nullptr, nullptr, nullptr); };

        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(file));
            QCOMPARE(otherExec("BEGIN IMMEDIATE"), SQLITE_OK);
            QElapsedTimer clock;
            clock.start();
            TScheduleList library;
            QCOMPARE(ErrorOf([&] { library.AddSchedule(QStringLiteral("x")); }),
                     QStringLiteral("The library database \"%1\" is locked by another program. Please close that "
                                    "program and try again.").arg(file));
            QVERIFY(clock.elapsed() >= TSqliteDatabase::BusyTimeoutMs - 100);
            QVERIFY(clock.elapsed() < 60000);
            QCOMPARE(library.Count(), 0);
            QVERIFY(dm.Query(QStringLiteral("SELECT id FROM schedules"))->Eof()); // reading still works
        }

        QCOMPARE(otherExec("COMMIT"), SQLITE_OK);
        QCOMPARE(otherExec("BEGIN EXCLUSIVE"), SQLITE_OK);
        // Held exclusively past the wait: the open fails and says why.
        {
            TDM waiting;
            QVERIFY(!waiting.OpenDatabase(file));
            QCOMPARE(waiting.OpenError(),
                     QStringLiteral("The library database \"%1\" is locked by another program. Please close that "
                                    "program and try again.").arg(file));
        }
        // Held at start-up and let go within the wait: the library opens
        // and loads instead of the program losing it for the run.
        std::thread release([&] {
            QThread::msleep(500);
            otherExec("COMMIT");
        });
        TDM starting;
        const bool opened = starting.OpenDatabase(file);
        QString error;
        if (opened)
            error = ErrorOf([&] { TScheduleList loaded; });
        release.join();
        sqlite3_close(other);
        QVERIFY(opened);
        QCOMPARE(error, QString());
    }

    void likeBuildsPrefixConditions()
    {
        QCOMPARE(TSqliteDatabase::Like(QStringLiteral("name"), QStringLiteral("Sch"), false),
                 QStringLiteral("name like 'Sch%'"));
        QCOMPARE(TSqliteDatabase::Like(QStringLiteral("name"), QStringLiteral("Sch"), true),
                 QStringLiteral("name between 'Sch' and 'Schz'"));
    }
};

QTEST_GUILESS_MAIN(TestSqlite)
#include "tst_sqlite.moc"
