// "Preview the Year" and the upload dialog's plan: the year view of the Manage
// Beacons page and of a library schedule with a library calendar, on a real
// library database.
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "dialoganswer.h"
#include "monitor/frmyearview.h"
#include "monitor/transferdialogs.h"
#include "pages/frmitemselect.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {
int DayNum(const QDate &date)
{
    return int(QDate(2010, 1, 1).daysTo(date));
}

// Term-time mornings and afternoons; a break with a day inside it given twice.
TBeaconConfiguration Term()
{
    TBeaconConfiguration c;
    c.Advanced.DateDST1 = QDate(2026, 3, 8);
    c.Advanced.DateDST2 = QDate(2026, 11, 1);
    c.Schedule = {{1, 0, 0x1F, 420, 510}, {2, 0, 0x1F, 870, 930}, {3, 0, 0x82, 420, 720}};
    c.Calendar = {{1, 0, QStringLiteral("WINTER BREAK"), DayNum(QDate(2026, 12, 24)), 11, 6},
                  {2, 0, QStringLiteral("CHRISTMAS EVE"), DayNum(QDate(2026, 12, 24)), 1, 7},
                  {3, 0, QStringLiteral("EARLY RELEASE"), DayNum(QDate(2026, 6, 19)), 1, 8}};
    return c;
}

// The centre of a date's cell in its month grid.
QPoint CellCentre(const QDate &date)
{
    const int index = QDate(date.year(), date.month(), 1).dayOfWeek() - 1 + date.day() - 1;
    return QPoint((index % 7) * 24 + 12, 36 + (index / 7) * 24 + 12);
}

QWidget *Month(TfrmYearView &view, int month)
{
    return view.findChild<QWidget *>(QStringLiteral("month%1").arg(month));
}
}

class TestYearView : public QObject {
    Q_OBJECT
    QTemporaryDir fDir;
    std::unique_ptr<TfrmItemSelect> fItemSelect;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        fItemSelect = std::make_unique<TfrmItemSelect>();
    }

    void hoverSelectionAndYears_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("click");
        QTest::addColumn<QString>("details");
        QTest::addColumn<int>("warnings");
        QTest::newRow("hovering a holiday given twice")
            << 2026 << QDate(2026, 12, 24) << false
            << "Thursday 24/12/2026 follows Sunday: calendar record 1 \"WINTER BREAK\", 24/12/2026 to 03/01/2027." << 1;
        QTest::newRow("selecting a special day")
            << 2026 << QDate(2026, 6, 19) << true
            << "Friday 19/06/2026 follows Special Day Mode #2: calendar record 3 \"EARLY RELEASE\", 19/06/2026 to "
               "19/06/2026.\nFlashing: 07:00 to 12:00" << 1;
        QTest::newRow("the next year: the DST rule has run out")
            << 2027 << QDate(2027, 1, 4) << true << "Monday 04/01/2027 follows Monday.\nFlashing: 07:00 to 08:30, 14:30 to 15:30"
            << 1;
    }
    void hoverSelectionAndYears()
    {
        QFETCH(int, year);
        QFETCH(QDate, date);
        QFETCH(bool, click);
        TfrmYearView view(nullptr);
        view.ShowPlan(Term(), QStringLiteral("Term"), 2026, QDate(2026, 6, 1));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.edtYear->setValue(year);
        QCOMPARE(view.Plan().days.size(), QDate(year, 1, 1).daysInYear());
        QTEST(view.lbWarnings->count(), "warnings");
        QWidget *grid = Month(view, date.month());
        QVERIFY(grid);
        if (click) {
            QTest::mouseClick(grid, Qt::LeftButton, {}, CellCentre(date));
        } else {
            QMouseEvent move(QEvent::MouseMove, CellCentre(date), grid->mapToGlobal(CellCentre(date)), Qt::NoButton,
                             Qt::NoButton, {});
            QCoreApplication::sendEvent(grid, &move);
        }
        QFETCH(QString, details);
        QVERIFY2(view.lblDetails->text().startsWith(details), qPrintable(view.lblDetails->text()));
    }

    void previewFromTheWindow()
    {
        const QString file = fDir.filePath(QStringLiteral("pvbcs.db"));
        QVERIFY(CreateLibraryDatabase(file));
        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(file));
            TScheduleList schedules;
            schedules.AddSchedule(QStringLiteral("Mornings"));
            schedules.Schedules(0)->SaveRecord({0, 0, 0x1F, 7 * 60, 8 * 60}, true);
            TCalendarList calendars;
            calendars.AddCalendar(QStringLiteral("School year"));
            calendars.Calendars(0)->SaveRecord({0, 0, QStringLiteral("Christmas"), DayNum(QDate::currentDate()), 1, 9}, true);
        }
        TTestMessageService messages;
        TAppConfig config;
        config.SetDBName(file);
        TfrmMain window;
        TDM dm;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        DeviceSchedule().SetRecords(Term().Schedule);
        DeviceCalendar().SetRecords(Term().Calendar);

        window.btnPreviewYear->click();
        auto *view = window.findChild<TfrmYearView *>();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->windowTitle(), QStringLiteral("Preview the Year: Manage Beacons"));
        QCOMPARE(view->Plan().from, QDate(QDate::currentDate().year(), 1, 1));

        // The library's schedule with the library's calendar chosen.
        QVERIFY(window.DatabaseFunctions());
        window.lvSchedules->setCurrentItem(window.lvSchedules->topLevelItem(0));
        QVERIFY(window.lvSchedules->currentItem());
        const TDialogAnswer answer(*fItemSelect, [&] { fItemSelect->cbList->setCurrentIndex(1); }, fItemSelect->btnOk);
        window.btnPreviewSchedule->click();
        QVERIFY(answer.opened);
        QCOMPARE(view->windowTitle(), QStringLiteral("Preview the Year: Mornings with School year"));
        const TPlanDay &today = view->Plan().days.at(QDate::currentDate().dayOfYear() - 1);
        QCOMPARE(today.follows, QStringLiteral("Special Day Mode #3"));
        QCOMPARE(today.record, 0);

        // The upload dialog shows the page's warnings before anything is sent.
        TfULoadSettings upload(window);
        DeviceCalendar().SetRecords({{1, 0, QStringLiteral("A"), DayNum(QDate::currentDate().addDays(3)), 2, 6},
                                     {2, 0, QStringLiteral("B"), DayNum(QDate::currentDate().addDays(4)), 1, 7}});
        upload.show();
        QVERIFY(upload.lbPlanWarnings->count() >= 1);
        QVERIFY2(upload.lbPlanWarnings->item(0)->text().contains(QLatin1String("all cover this date")),
                 qPrintable(upload.lbPlanWarnings->item(0)->text()));
        upload.close();
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
    }
};

QTEST_MAIN(TestYearView)
#include "tst_yearview.moc"
