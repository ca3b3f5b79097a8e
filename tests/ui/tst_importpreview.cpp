// "Import School Calendar…" on the Holidays & Exceptions page, on a real
// library database and the district files of the import's own tests: the
// preview shows what the file gives with the options chosen before anything
// is made, and the library calendar made is the one previewed.
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "dialoganswer.h"
#include "pages/frmcalendarimport.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/listfill.h"
#include "widgets/navbutton.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using Kind = TMessageService::Kind;

namespace {
QStringList CalendarTable()
{
    QStringList texts;
    auto result = DM().Query(QStringLiteral(
        "SELECT c.name, (SELECT count(*) FROM calendar_rec r WHERE r.calendar_id=c.id) FROM calendars c ORDER BY c.id"));
    for (; !result->Eof(); result->Next())
        texts << QStringLiteral("%1|%2").arg(result->FieldAsString(0)).arg(result->FieldAsInteger(1));
    return texts;
}

QStringList Column(const QTreeWidget *list, int column)
{
    QStringList texts;
    for (const TListItem &item : ListViewRows(list))
        texts << (column == 0 ? item.Caption : item.SubItems.value(column - 1));
    return texts;
}
}

class TestImportPreview : public QObject {
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void import_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("only");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("to");   // empty: the file's own range
        QTest::addColumn<QString>("name"); // empty: the one shown
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("firstRecord"); // name, from, to, duration, substitute
        QTest::addColumn<int>("notes");
        QTest::addColumn<QStringList>("library");
        QTest::addColumn<QStringList>("messages");

        QTest::newRow("over the limit, imported with a warning")
            << "maplewood-2025-26.ics" << "" << 6 << "" << "" << true
            << "17 records: more than the 16 a Beacon holds."
            << QStringList{"First Day of Sc", "13/08/2025", "13/08/2025", "1 day(s)", "Sunday"} << 13
            << QStringList{"School|1", "Maplewood USD 2025-26 Student Calendar|17"}
            << QStringList{"17 records: more than the 16 a Beacon holds. The calendar is kept in the library; remove "
                           "or merge records there before loading it into a Beacon."};
        QTest::newRow("only the days off, a special day mode, a name typed")
            << "maplewood-2025-26.ics" << "No School" << 8 << "" << "Days Off" << true << "15 record(s) to import"
            << QStringList{"Labor Day", "01/09/2025", "01/09/2025", "1 day(s)", "Special Day Mode #2"} << 12
            << QStringList{"School|1", "Days Off|15"} << QStringList{};
        QTest::newRow("range ended early: the summer is cut off")
            << "cedar-hollow-office-export.ics" << "" << 6 << "2025-12-31" << "" << true << "6 record(s) to import"
            << QStringList{"Indigenous Peop", "13/10/2025", "13/10/2025", "1 day(s)", "Sunday"} << 8
            << QStringList{"School|1", "Cedar Hollow Elementary|6"} << QStringList{};
        QTest::newRow("cancelled: nothing made")
            << "riverbend-athletics-and-closures.ics" << "" << 6 << "" << "" << false << "3 record(s) to import"
            << QStringList{"Thanksgiving Re", "27/11/2025", "28/11/2025", "2 day(s)", "Sunday"} << 5
            << QStringList{"School|1"} << QStringList{};
        QTest::newRow("a name the library cannot hold stays open")
            << "riverbend-athletics-and-closures.ics" << "" << 6 << "" << QStringLiteral("Closures \u263A") << true
            << "3 record(s) to import"
            << QStringList{"Thanksgiving Re", "27/11/2025", "28/11/2025", "2 day(s)", "Sunday"} << 5
            << QStringList{"School|1"}
            << QStringList{QStringLiteral("These characters cannot be stored in a name: \u263A")};
    }

    void import()
    {
        QFETCH(QString, file);
        QFETCH(QString, only);
        QFETCH(int, mode);
        QFETCH(QString, to);
        QFETCH(QString, name);
        QFETCH(bool, import);
        const QString db = fDir.filePath(QStringLiteral("pvbcs.db"));
        QFile::remove(db);
        QVERIFY(CreateLibraryDatabase(db));
        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(db));
            TCalendarList calendars;
            calendars.AddCalendar(QStringLiteral("School"));
            calendars.Calendars(0)->SaveRecord({0, 0, QStringLiteral("Christmas"), 5470, 3, 6}, true);
        }
        TTestMessageService messages;
        TAppConfig config;
        config.SetDBName(db);
        TfrmMain window;
        TDM dm; // opened by the window's first show
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.btnPageNavClick(window.btnCalendars);
        auto *preview = new TfrmCalendarImport(&window);
        messages.fileAnswers << QStringLiteral(PVBCS_ICS_DIR "/") + file;
        QString shown;
        QStringList firstRecord;
        int notes = -1;
        TDialogAnswer answer(*preview, [&] {
            preview->edtOnly->setText(only);
            preview->cbDayMode->setCurrentIndex(mode);
            if (!to.isEmpty())
                preview->dtpTo->setDate(QDate::fromString(to, Qt::ISODate));
            if (!name.isEmpty())
                preview->edtName->setText(name);
            shown = preview->lblStatus->text();
            for (int column = 0; column < 5; ++column)
                firstRecord << Column(preview->lvRecords, column).value(0);
            notes = preview->lvNotes->topLevelItemCount();
        }, import ? preview->btnImport : preview->btnCancel);
        window.btnImportCalendar->click();
        QVERIFY(answer.opened);
        QFETCH(QString, status);
        QVERIFY2(shown.startsWith(status), qPrintable(shown));
        QTEST(firstRecord, "firstRecord");
        QVERIFY(!answer.stayedOpen || !messages.Texts(Kind::Error).isEmpty());
        QTEST(notes, "notes");
        QTEST(CalendarTable(), "library");
        QTEST(messages.Texts(), "messages");
        // The calendar made is shown selected, its records on the page.
        const QStringList library = CalendarTable();
        QCOMPARE(window.lvCalendars->topLevelItemCount(), library.size());
        if (library.size() > 1)
            QCOMPARE(SelectedRow(window.lvCalendars), library.size() - 1);
    }

    void notACalendar()
    {
        const QString db = fDir.filePath(QStringLiteral("plain.db"));
        QVERIFY(CreateLibraryDatabase(db));
        TTestMessageService messages;
        TAppConfig config;
        config.SetDBName(db);
        TfrmMain window;
        TDM dm; // opened by the window's first show
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        messages.fileAnswers << QStringLiteral(PVBCS_ICS_DIR "/not-a-calendar.ics");
        window.btnImportCalendar->click();
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList{"not-a-calendar.ics is not an iCalendar file: no BEGIN:VCALENDAR"});
        QVERIFY(!window.findChild<TfrmCalendarImport *>());
        QCOMPARE(CalendarTable(), QStringList{});
    }
};

QTEST_MAIN(TestImportPreview)
#include "tst_importpreview.moc"
