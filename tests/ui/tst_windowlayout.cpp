// The main window on the operator's screen: it fits a small one with nothing
// out of reach, Tab follows what the screen shows, and a long library name
// does not widen it.
#include "app/application.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/elidedgroupbox.h"
#include "widgets/navbutton.h"
#include "widgets/panelstatusbar.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest>

class TestWindowLayout : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;

    // A library with one calendar of the name given.
    void prepareLibrary(TAppConfig &config, const QString &calendar)
    {
        const QString file = fDir.filePath(QStringLiteral("pvbcs.db"));
        QFile::remove(file);
        CreateLibraryDatabase(file);
        config.SetDBName(file);
        TDM dm;
        dm.OpenDatabase(file);
        TCalendarList().AddCalendar(calendar);
    }

    static void showActive(TfrmMain &window)
    {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    // 1280 × 720 at 150 % leaves 853 × 480 less the desktop's panel.
    void everyControlIsWithinReachOnASmallScreen()
    {
        TTestMessageService messages;
        TAppConfig config;
        prepareLibrary(config, QStringLiteral("School year"));
        TfrmMain window;
        TDM dm;

        const QRect small(0, 0, 853, 450);
        window.FitToScreen(small);
        showActive(window);
        QVERIFY(small.contains(window.frameGeometry()));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        // The status bar stays whole in view under the scrolling content.
        QVERIFY(window.StatusBar->isVisible());
        QVERIFY(window.rect().contains(window.StatusBar->geometry()));
        QVERIFY(window.scrContent->verticalScrollBar()->isVisible());

        const QWidget *viewport = window.scrContent->viewport();
        auto reachable = [&](QWidget *control) {
            window.scrContent->ensureWidgetVisible(control, 0, 0);
            QCoreApplication::processEvents();
            return viewport->rect().contains(QRect(control->mapTo(viewport, QPoint()), control->size()));
        };
        for (TNavButton *page : {window.btnHome, window.btnConnectedSystem, window.btnSchedules, window.btnCalendars,
                                 window.btnSettings, window.btnLog}) {
            QVERIFY2(reachable(page), qPrintable(page->objectName()));
            page->click();
            for (QWidget *control : window.TabControl->currentWidget()->findChildren<QWidget *>()) {
                const bool control_ = qobject_cast<QAbstractButton *>(control) || qobject_cast<QComboBox *>(control);
                if (control->isVisible() && control_)
                    QVERIFY2(reachable(control), qPrintable(page->objectName() + u'/' + control->objectName()));
            }
        }
        QVERIFY(messages.entries.isEmpty());
    }

    void tabFollowsTheScreen_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("stops");
        QTest::newRow("Manage Beacons")
            << QStringLiteral("btnConnectedSystem")
            << QStringList{"btnHistory",   "btnCompare",     "TabSetSettings", "lvSchedule",     "btnLoad",
                           "btnAdd",       "btnEdit",        "btnCopy",        "btnDelete",      "cbSyncRTC",
                           // Tab goes from the time's hours to its minutes first.
                           "cbOverrideMode", "cbScheduleTimeOn", "cbScheduleTimeOn", "btnOverride", "btnRealTime",
                           "Button2",
                           "btnSaveToFile", "btnLoadFromFile", "btnUploadTo",   "btnDownloadFrom", "btnPreviewYear"};
        QTest::newRow("Event Log") << QStringLiteral("btnLog")
                                   << QStringList{"btnLogHistory",      "btnEventArchive", "lvEvents",
                                                  "btnDownloadEvents",  "btnSaveLogToFile", "btnLoadLogFromFile",
                                                  "btnPrintLog",        "Button5"};
    }

    // From the last page button, Tab visits the page's controls as they stand
    // on the screen, then returns to the port box.
    void tabFollowsTheScreen()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, stops);
        TTestMessageService messages;
        TAppConfig config;
        prepareLibrary(config, QStringLiteral("School year"));
        TfrmMain window;
        TDM dm;
        showActive(window);
        // As a connected controller has them.
        for (QWidget *control : QList<QWidget *>{window.btnCompare, window.btnRealTime, window.btnUploadTo,
                                                 window.btnDownloadFrom, window.btnOverride, window.cbScheduleTimeOn,
                                                 window.btnDownloadEvents})
            control->setEnabled(true);
        auto *button = window.findChild<TNavButton *>(page);
        button->click();
        window.btnLog->setFocus();
        QStringList visited;
        for (int i = 0; i <= stops.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            if (!window.TabControl->currentWidget()->isAncestorOf(focus)) {
                QCOMPARE(focus, window.cbComPort);
                break;
            }
            visited << focus->objectName();
        }
        QCOMPARE(visited, stops);
    }

    // A name of 300 characters: the caption of its records shortened, whole
    // in the tool tip, and the window as wide as before.
    void aLongNameIsShortenedInTheRecordsCaption()
    {
        TTestMessageService messages;
        TAppConfig config;
        const QString name = QStringLiteral("Holidays of the district ").repeated(12);
        QCOMPARE(name.size(), 300);
        prepareLibrary(config, name);
        TfrmMain window;
        TDM dm;
        showActive(window);
        const QSize size = window.size();
        window.btnCalendars->click();
        window.lvCalendars->setCurrentItem(window.lvCalendars->topLevelItem(0));
        TElidedGroupBox &group = *window.gbCalendarRecords;
        QCOMPARE(group.Caption(), QStringLiteral("  Selected Calendar: %1  ").arg(name));
        QVERIFY(group.title().endsWith(QChar(0x2026)));
        QVERIFY(group.title().startsWith(QStringLiteral("  Selected Calendar: Holidays of")));
        QVERIFY(group.fontMetrics().horizontalAdvance(group.title()) < group.width());
        QCOMPARE(group.toolTip(), group.Caption());
        QCOMPARE(window.size(), size);
        QVERIFY(window.TabControl->rect().contains(group.geometry()));
        QVERIFY(messages.entries.isEmpty());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestWindowLayout test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windowlayout.moc"
