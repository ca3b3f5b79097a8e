#include "calendarimport/calendarimport.h"
#include "store/calendar.h"
#include "store/convprocs.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray ReadIcs(const QString &name)
{
    QFile file(QStringLiteral(PVBCS_ICS_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(name));
    return file.readAll();
}

// A record as "name|first date|days|day mode".
QStringList Rows(const QList<TCalendarRec> &records)
{
    QStringList rows;
    for (const TCalendarRec &r : records)
        rows << QStringLiteral("%1|%2|%3|%4")
                    .arg(r.name, DayNumToDate(r.DayNum).toString(Qt::ISODate))
                    .arg(r.Days)
                    .arg(r.DayMode);
    return rows;
}

QStringList Texts(const QList<TImportNote> &notes)
{
    QStringList texts;
    for (const TImportNote &n : notes)
        texts << n.text;
    return texts;
}

// Every expected piece is found in some note.
void ExpectNotes(const QList<TImportNote> &notes, const QStringList &pieces, int count)
{
    const QString all = Texts(notes).join(u'\n');
    for (const QString &piece : pieces)
        QVERIFY2(all.contains(piece), qPrintable(piece + QStringLiteral(" not in:\n") + all));
    QCOMPARE(notes.size(), count);
}

QByteArray Calendar(const QByteArray &events)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n" + events + "END:VCALENDAR\r\n";
}
}

class TestCalendarImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void districtFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("only");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("skipped");
        QTest::addColumn<int>("skippedCount");
        QTest::addColumn<QStringList>("merged");
        QTest::addColumn<QStringList>("shortened");
        QTest::addColumn<int>("shortenedCount");

        // A year's export: first instructional day to the summer; two timed
        // series, a cancelled day, holidays inside the winter break, a
        // monthly rule with two EXDATEs, DURATION, escaped and folded text.
        QTest::newRow("whole file") << "maplewood-2025-26.ics" << "" << "" << 6 << ""
            << "2025-08-13..2026-08-12"
            << QStringList{"First Day of Sc|2025-08-13|1|6", "Labor Day|2025-09-01|1|6",
                           "Staff Developme|2025-10-03|1|6", "Teacher Work Da|2025-10-10|1|6",
                           "Staff Developme|2025-11-07|1|6", "Thanksgiving Br|2025-11-26|3|6",
                           "Staff Developme|2025-12-05|1|6", "Winter Break|2025-12-22|12|6",
                           "Civil Rights Da|2026-01-19|1|6", "Staff Developme|2026-02-06|1|6",
                           "Presidents' Day|2026-02-16|1|6", "Staff Developme|2026-03-06|1|6",
                           "Spring Break, A|2026-03-16|5|6", "Staff Developme|2026-05-01|1|6",
                           "Memorial Day|2026-05-25|1|6", "Last Day of Sch|2026-05-28|1|6",
                           "Summer Vacation|2026-06-01|73|6"}
            << QStringList{"Early Release Wednesday, from 3 September 2025 at 13:30, repeating",
                           "Board of Education Regular Meeting, from 14 October 2025 at 18:30",
                           "Snow Make-up Day, 13 February 2026: cancelled"}
            << 3 << QStringList{"Christmas Day, 25 December 2025: overlaps Winter Break",
                                "New Year's Day, 1 January 2026: overlaps Winter Break"}
            << QStringList{"\"Teacher Work Day - No School for Students\" is cut to \"Teacher Work Da\"",
                           "\"Spring Break, All Schools\" is cut to \"Spring Break, A\"",
                           "Summer Vacation, 1 June 2026 to 14 August 2026: cut to 1 June 2026 to 12 August 2026"}
            << 8;
        // Only the days without school: the range starts on the first one.
        QTest::newRow("only no school") << "maplewood-2025-26.ics" << "" << "" << 6 << "no school"
            << "2025-09-01..2026-08-31"
            << QStringList{"Labor Day|2025-09-01|1|6", "Staff Developme|2025-10-03|1|6",
                           "Teacher Work Da|2025-10-10|1|6", "Staff Developme|2025-11-07|1|6",
                           "Thanksgiving Br|2025-11-26|3|6", "Staff Developme|2025-12-05|1|6",
                           "Winter Break|2025-12-22|12|6", "Civil Rights Da|2026-01-19|1|6",
                           "Staff Developme|2026-02-06|1|6", "Presidents' Day|2026-02-16|1|6",
                           "Staff Developme|2026-03-06|1|6", "Spring Break, A|2026-03-16|5|6",
                           "Staff Developme|2026-05-01|1|6", "Memorial Day|2026-05-25|1|6",
                           "Summer Vacation|2026-06-01|75|6"}
            << QStringList{"First Day of School, 13 August 2025: does not contain \"no school\"",
                           "Christmas Day, 25 December 2025: does not contain",
                           "Early Release Wednesday, 3 September 2025: does not contain"}
            << 7 << QStringList{} << QStringList{"is cut to \"Thanksgiving Br\""} << 5;
        // A quarter, in a special day mode: the winter break is cut at its
        // start and New Year's Day still merged into it.
        QTest::newRow("winter quarter") << "maplewood-2025-26.ics" << "2026-01-01" << "2026-03-31" << 7 << ""
            << "2026-01-01..2026-03-31"
            << QStringList{"Winter Break|2026-01-01|2|7", "Civil Rights Da|2026-01-19|1|7",
                           "Staff Developme|2026-02-06|1|7", "Presidents' Day|2026-02-16|1|7",
                           "Staff Developme|2026-03-06|1|7", "Spring Break, A|2026-03-16|5|7"}
            << QStringList{"Labor Day, 1 September 2025: outside 1 January 2026 to 31 March 2026",
                           "Christmas Day, 25 December 2025: outside"}
            << 11 << QStringList{"New Year's Day, 1 January 2026: overlaps Winter Break"}
            << QStringList{"Winter Break, 22 December 2025 to 2 January 2026: cut to 1 January 2026 to 2 January 2026"}
            << 4;
        // An office program's export: its own VTIMEZONE under a Windows
        // name, all-day events as midnight to midnight, CRLF lines, a moved
        // and a cancelled instance (RECURRENCE-ID), an RDATE, characters the
        // code page lacks.
        QTest::newRow("office export") << "cedar-hollow-office-export.ics" << "" << "" << 6 << ""
            << "2025-10-13..2026-10-12"
            << QStringList{"Indigenous Peop|2025-10-13|1|6", QStringLiteral("Parent\u2013Teacher|2025-10-30|4|6"),
                           "Half Day PD|2025-11-07|1|6", "Veterans Day (o|2025-11-10|1|6",
                           "Half Day PD (mo|2025-12-12|1|6", "Winter Recess|2025-12-24|9|6",
                           "Half Day PD|2026-01-02|1|6", "Half Day PD|2026-03-06|1|6", "Half Day PD|2026-04-17|1|6"}
            << QStringList{"PTO Meeting, 19 November 2025 at 18:00: a timed event",
                           "Half Day PD, 6 February 2026: cancelled"}
            << 2 << QStringList{}
            << QStringList{QStringLiteral("becomes \"Parent\u2013Teacher Conferences (No School)\""),
                           QStringLiteral("\"Indigenous Peoples\u2019 Day\" is cut to \"Indigenous Peop\"")}
            << 5;
        // A web calendar's export: UTC times read on the calendar's own
        // zone (X-WR-TIMEZONE), a yearly rule without end, DTEND equal to
        // DTSTART, a floating time.
        QTest::newRow("web export") << "riverbend-athletics-and-closures.ics" << "" << "" << 0 << ""
            << "2025-11-27..2026-11-26"
            << QStringList{"Thanksgiving Re|2025-11-27|2|0", "Winter Recess|2025-12-23|13|0",
                           "Independence Da|2026-07-04|1|0"}
            << QStringList{"Winter Sports Parent Night, 1 December 2025 at 22:00",
                           "Midterm Exams (floating time), 14 January 2026 at 08:00"}
            << 2 << QStringList{"New Year's Eve, 31 December 2025: overlaps Winter Recess"}
            << QStringList{"is cut to \"Independence Da\""} << 2;
    }

    void districtFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, mode);
        QFETCH(QString, only);
        TSchoolCalendarFile ics(ReadIcs(file), file);
        TImportOptions options;
        options.from = QDate::fromString(from, Qt::ISODate);
        options.to = QDate::fromString(to, Qt::ISODate);
        options.dayMode = quint8(mode);
        options.only = only;
        const TImportResult result = ics.Import(options);
        QTEST(result.from.toString(Qt::ISODate) + QStringLiteral("..") + result.to.toString(Qt::ISODate), "range");
        QTEST(Rows(result.records), "records");
        QFETCH(QStringList, skipped);
        QFETCH(int, skippedCount);
        ExpectNotes(result.skipped, skipped, skippedCount);
        QFETCH(QStringList, merged);
        ExpectNotes(result.merged, merged, merged.size());
        QFETCH(QStringList, shortened);
        QFETCH(int, shortenedCount);
        ExpectNotes(result.shortened, shortened, shortenedCount);
        QCOMPARE(result.OverLimit(), result.records.size() > 16);
    }

    void calendarName()
    {
        QCOMPARE(TSchoolCalendarFile(ReadIcs("maplewood-2025-26.ics"), "m").Name(),
                 QStringLiteral("Maplewood USD 2025-26 Student Calendar"));
        QCOMPARE(TSchoolCalendarFile(Calendar(""), "empty").Name(), QString());
    }

    void edgeCases_data()
    {
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("note");

        QTest::newRow("run over 255 days is split")
            << QByteArray("BEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:20250101\r\nDTEND;VALUE=DATE:20251201\r\n"
                          "SUMMARY:Renovation\r\nEND:VEVENT\r\n")
            << "2025-01-01" << "2025-12-31" << QStringList{"Renovation|2025-01-01|255|6", "Renovation|2025-09-13|79|6"}
            << "Renovation covers 334 days, more than the 255 of one record: 2 records";
        QTest::newRow("chain of overlaps is one record")
            << QByteArray("BEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:20251001\r\nDURATION:P3D\r\nSUMMARY:A\r\n"
                          "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:b\r\nDTSTART;VALUE=DATE:20251003\r\nDURATION:P3D\r\n"
                          "SUMMARY:B\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:c\r\nDTSTART;VALUE=DATE:20251005\r\n"
                          "SUMMARY:C\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:d\r\nDTSTART;VALUE=DATE:20251006\r\n"
                          "SUMMARY:D\r\nEND:VEVENT\r\n")
            << "2025-01-01" << "2025-12-31" << QStringList{"A|2025-10-01|5|6", "D|2025-10-06|1|6"}
            << "C, 5 October 2025: overlaps A";
        QTest::newRow("daily rule bounded by the range")
            << QByteArray("BEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:20100105\r\nRRULE:FREQ=DAILY\r\n"
                          "SUMMARY:Every Day\r\nEND:VEVENT\r\n")
            << "2025-03-01" << "2025-03-03" << QStringList{"Every Day|2025-03-01|1|6", "Every Day|2025-03-02|1|6",
                                                          "Every Day|2025-03-03|1|6"}
            << "";
        QTest::newRow("before the first day a record can hold")
            << QByteArray("BEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:20091230\r\nDURATION:P5D\r\n"
                          "SUMMARY:Old\r\nEND:VEVENT\r\n")
            << "2009-12-01" << "2010-01-31" << QStringList{"Old|2010-01-02|2|6"}
            << "Old, 30 December 2009 to 3 January 2010: cut to 2 January 2010 to 3 January 2010";
        QTest::newRow("no start date")
            << QByteArray("BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:Someday\r\nEND:VEVENT\r\n")
            << "2025-01-01" << "2025-12-31" << QStringList{} << "Someday: no start date";
        QTest::newRow("line break in a summary")
            << QByteArray("BEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:20250505\r\nSUMMARY:Field\\nDay Off\r\n"
                          "END:VEVENT\r\n")
            << "2025-01-01" << "2025-12-31" << QStringList{"Field Day Off|2025-05-05|1|6"} << "";
    }

    void edgeCases()
    {
        QFETCH(QByteArray, events);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, note);
        TImportOptions options;
        options.from = QDate::fromString(from, Qt::ISODate);
        options.to = QDate::fromString(to, Qt::ISODate);
        const TImportResult result = TSchoolCalendarFile(Calendar(events), "test.ics").Import(options);
        QTEST(Rows(result.records), "records");
        const QString notes = (Texts(result.skipped) + Texts(result.merged) + Texts(result.shortened)).join(u'\n');
        QVERIFY2(notes.contains(note), qPrintable(notes));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("error");
        QTest::newRow("notes, not a calendar") << ReadIcs("not-a-calendar.ics") << "" << ""
                                               << "notes.ics is not an iCalendar file: no BEGIN:VCALENDAR";
        QTest::newRow("empty file") << QByteArray() << "" << "" << "notes.ics is not an iCalendar file";
        QTest::newRow("range reversed") << Calendar("") << "2026-01-02" << "2026-01-01"
                                        << "The range ends (1 January 2026) before it starts (2 January 2026).";
    }

    void refusals()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, error);
        const QString got = ErrorOf([&] {
            TImportOptions options;
            options.from = QDate::fromString(from, Qt::ISODate);
            options.to = QDate::fromString(to, Qt::ISODate);
            TSchoolCalendarFile(text, "notes.ics").Import(options);
        });
        QVERIFY2(got.startsWith(error), qPrintable(got));
    }

    void dayModeTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("mode");
        QTest::newRow("sunday") << "Sunday" << 6;
        QTest::newRow("case ignored") << "monday" << 0;
        QTest::newRow("special") << "special day mode #2" << 8;
        QTest::newRow("blanks") << "  Special  Day Mode #3 " << 9;
        QTest::newRow("abbreviation") << "Sun" << -1;
        QTest::newRow("number") << "6" << -1;
    }

    void dayModeTexts()
    {
        QFETCH(QString, text);
        QTEST(DayModeFromText(text), "mode");
    }

    // All records or none: a statement refused half way leaves no calendar.
    void intoTheLibrary()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("lib.db"));
        QVERIFY(CreateLibraryDatabase(file));
        TDM dm;
        QVERIFY(dm.OpenDatabase(file));
        TCalendarList library;
        const TImportResult result = TSchoolCalendarFile(ReadIcs("maplewood-2025-26.ics"), "m").Import({});
        const int index = AddImportedCalendar(library, QStringLiteral("Maplewood \"25\""), result.records);
        QCOMPARE(library.Count(), 1);
        QCOMPARE(index, 0);
        TCalendar reread(QString(), library.Calendars(0)->ID(), true);
        QList<TCalendarRec> records;
        for (int i = 0; i < reread.Count(); ++i)
            records << reread.Records(i);
        QCOMPARE(Rows(records), Rows(result.records));
        QCOMPARE(library.Calendars(0)->Name(), QStringLiteral("Maplewood \"25\""));

        dm.Exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON calendar_rec WHEN NEW.name = 'Memorial Day' "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY(!ErrorOf([&] { AddImportedCalendar(library, QStringLiteral("Again"), result.records); }).isEmpty());
        QCOMPARE(library.Count(), 1);
        QCOMPARE(dm.Query(QStringLiteral("SELECT COUNT(*) FROM calendars"))->FieldAsInteger(0), 1);
        QCOMPARE(dm.Query(QStringLiteral("SELECT COUNT(*) FROM calendar_rec"))->FieldAsInteger(0),
                 result.records.size());
    }
};

QTEST_GUILESS_MAIN(TestCalendarImport)
#include "tst_calendarimport.moc"
