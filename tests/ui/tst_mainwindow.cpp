#include "app/application.h"
#include "app/frmaboutbox.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "config/updatechecker.h"
#include "config/version.h"
#include "store/calendar.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "store/librarylock.h"
#include "store/schedule.h"
#include "store/sqlitedb.h"
#include "testenv.h"
#include "testhttpserver.h"
#include "testmessageservice.h"
#include "widgets/navbutton.h"
#include "widgets/panelstatusbar.h"
#include "widgets/pictures.h"
#include "widgets/portcombobox.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using Kind = TMessageService::Kind;

namespace {
TPortInfo PortNamed(const QString &name, bool usb = false)
{
    TPortInfo port;
    port.Name = name;
    port.Usb = usb;
    return port;
}

// Counts the events of one type that reach a widget.
class TEventCounter : public QObject {
public:
    TEventCounter(QWidget *widget, QEvent::Type type, int &count) : fType(type), fCount(count)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == fType)
            ++fCount;
        return false;
    }

private:
    QEvent::Type fType;
    int &fCount;
};
}

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;
    QList<QUrl> fOpened;

    QString path(const QString &name) const { return fDir.filePath(name); }

    // A library database as an installer leaves it, named in the store.
    QString prepareDatabase(TAppConfig &config)
    {
        const QString file = path(QStringLiteral("pvbcs.db"));
        QFile::remove(file); // what an earlier test left
        CreateLibraryDatabase(file);
        config.SetDBName(file);
        return file;
    }

    // A library with two calendars and two schedules, records in each.
    QString prepareLibrary(TAppConfig &config)
    {
        const QString file = prepareDatabase(config);
        TDM dm;
        dm.OpenDatabase(file); // the additions below throw if it did not open
        TCalendarList calendars;
        calendars.AddCalendar(QStringLiteral("School year"));
        calendars.AddCalendar(QStringLiteral("Summer camp"));
        for (int day : {100, 200, 300})
            calendars.Calendars(0)->SaveRecord({0, 0, QStringLiteral("Holiday"), day, 1, 6}, true);
        TScheduleList schedules;
        schedules.AddSchedule(QStringLiteral("Mornings"));
        schedules.AddSchedule(QStringLiteral("Afternoons"));
        schedules.Schedules(1)->SaveRecord({0, 0, 0x1F, 14 * 60, 16 * 60}, true);
        return file;
    }

    static QStringList rows(const QTreeWidget *list)
    {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(0) + u'|' + list->topLevelItem(i)->text(1);
        return texts;
    }

    static void showWindow(TfrmMain &window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // Page numbers of the indicators that show the lit LED.
    static QList<int> litPages(const TfrmMain &window)
    {
        QList<int> lit;
        const qint64 on = window.imgLedOn->pixmap().cacheKey();
        for (const TPageLed *led : window.pnlNavigation->findChildren<TPageLed *>())
            if (led->pixmap().cacheKey() == on)
                lit << led->PageNumber();
        return lit;
    }

    static const TPageLed *ledBeside(const TfrmMain &window, const TNavButton *button)
    {
        for (const TPageLed *led : window.pnlNavigation->findChildren<TPageLed *>())
            if (qAbs(led->geometry().center().y() - button->geometry().center().y()) < 4)
                return led;
        return nullptr;
    }

public Q_SLOTS:
    // Stands in for the desktop's browser and document viewer.
    void openUrl(const QUrl &url) { fOpened << url; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }
    void init()
    {
        InitTestEnvironment();
        fOpened.clear();
        SetMakerSiteUrl(QUrl());
    }

    void firstShowOpensTheDatabaseAndShowsHome()
    {
        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        TDM dm;
        // The first show reads the store again: a value written since the
        // start is the one used.
        const QString file = path(QStringLiteral("pvbcs.db"));
        CreateLibraryDatabase(file);
        QSettings store(config.StoreFileName(), QSettings::IniFormat);
        store.setValue(QStringLiteral("Database"), file);
        store.sync();

        showWindow(window);
        QCOMPARE(messages.entries.size(), 0);
        const QString title = QStringLiteral("Pavoline\u00AE Beacon Control Software ") + GetExeVersion();
        QCOMPARE(window.windowTitle(), title);
        QVERIFY(dm.IsOpen());
        QCOMPARE(dm.DBName(), file);
        QCOMPARE(window.edtDatabaseFile->text(), file);
        QVERIFY(window.DatabaseFunctions());
        QVERIFY(window.btnSchedules->isEnabled());
        QVERIFY(window.btnCalendars->isEnabled());
        QCOMPARE(window.TabControl->currentWidget(), window.pageHome);
        QCOMPARE(window.TabControlSettings->currentWidget(), window.pageSettingsSchedule);
        QCOMPARE(window.TabSetSettings->currentIndex(), 0);
        QCOMPARE(litPages(window), QList<int>{1});

        // Showing the window again runs nothing twice.
        window.hide();
        window.show();
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(messages.entries.size(), 0);

        // Fixed at the size its content needs, the design's at least, on a
        // screen with room for it (a small one: tst_windowlayout).
        window.FitToScreen(QRect(0, 0, 1280, 800));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(window.width() >= 810 && window.height() >= 525);
        QVERIFY(window.width() <= 900 && window.height() <= 600);
    }

    void reducedModeNamesTheDatabase_data()
    {
        QTest::addColumn<QString>("dbName");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << path(QStringLiteral("gone.db"))
                                      << QStringLiteral("The software could not open database \"%1\". All database "
                                                        "functions will be disabled.")
                                             .arg(path(QStringLiteral("gone.db")));
        QFile garbage(path(QStringLiteral("notes.db")));
        garbage.open(QIODevice::WriteOnly);
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        QTest::newRow("not a database") << garbage.fileName()
                                        << QStringLiteral("The software could not open database \"%1\". All database "
                                                          "functions will be disabled.")
                                               .arg(garbage.fileName());
        QTest::newRow("empty path") << QString()
                                    << QStringLiteral("The software could not open database \"\". All database "
                                                      "functions will be disabled.");
    }
    void reducedModeNamesTheDatabase()
    {
        QFETCH(QString, dbName);
        QFETCH(QString, message);
        TTestMessageService messages;
        TAppConfig config;
        config.SetDBName(dbName);
        const bool existed = QFile::exists(dbName);
        TfrmMain window;
        TDM dm;
        showWindow(window);

        // A database the operator chose is never made, only reported.
        QCOMPARE(QFile::exists(dbName), existed);
        QCOMPARE(messages.Texts(), QStringList{message});
        QCOMPARE(messages.entries.constFirst().kind, Kind::Error);
        QVERIFY(!dm.IsOpen());
        QVERIFY(!window.DatabaseFunctions());
        QVERIFY(!window.btnSchedules->isEnabled());
        QVERIFY(!window.btnCalendars->isEnabled());
        QCOMPARE(window.edtDatabaseFile->text(), dbName);
        QVERIFY(window.windowTitle().endsWith(u' ' + GetExeVersion()));

        // The library pages cannot be reached.
        QTest::mouseClick(window.btnSchedules, Qt::LeftButton);
        QTest::mouseClick(window.btnCalendars, Qt::LeftButton);
        QCOMPARE(window.TabControl->currentWidget(), window.pageHome);
        QCOMPARE(litPages(window), QList<int>{1});
        // Everything else works as usual.
        QTest::mouseClick(window.btnConnectedSystem, Qt::LeftButton);
        QCOMPARE(window.TabControl->currentWidget(), window.pageConnectedSystem);
    }

    // With nothing configured, the first start makes the empty library where
    // an installer used to, opens it, and uses it from then on.
    void firstStartCreatesTheDefaultLibrary()
    {
        TTestMessageService messages;
        TAppConfig config;
        const QString library = config.DBName();
        QVERIFY(!config.DBNameStored());
        QVERIFY(!QFile::exists(library));
        {
            TfrmMain window;
            TDM dm;
            showWindow(window);
            QVERIFY(QFile::exists(library));
            QVERIFY(dm.IsOpen());
            QVERIFY(window.DatabaseFunctions());
            QVERIFY(window.btnSchedules->isEnabled() && window.btnCalendars->isEnabled());
            QCOMPARE(window.lvSchedules->topLevelItemCount(), 0);
            QCOMPARE(window.edtDatabaseFile->text(), library);
            window.ScheduleLibrary()->AddSchedule(QStringLiteral("Mornings"));
        }
        QCOMPARE(messages.entries.size(), 0);
        QVERIFY(!config.DBNameStored()); // still the default, not written

        TfrmMain again;
        TDM dm;
        showWindow(again);
        QCOMPARE(rows(again.lvSchedules), QStringList{QStringLiteral("Mornings|0 record(s)")});
        QCOMPARE(messages.entries.size(), 0);
    }

    void aDefaultLibraryThatCannotBeMadeSaysWhatToDo()
    {
        TTestMessageService messages;
        TAppConfig config;
        // The user folder lies under a plain file: no folder can be made there.
        QFile blocker(path(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings(config.StoreFileName(), QSettings::IniFormat)
            .setValue(QStringLiteral("UserFolder"), path(QStringLiteral("blocker/PavolineBCS")));
        TfrmMain window;
        TDM dm;
        showWindow(window);

        const QString library = path(QStringLiteral("blocker/PavolineBCS/pvbcs.db"));
        QCOMPARE(config.DBName(), library);
        QVERIFY(!window.DatabaseFunctions());
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("The software could not open database \"%1\". All database functions will "
                                            "be disabled.\n\nThe folder %2 could not be made: Not a directory\n\nTo "
                                            "use the library, choose a database file on the Software Settings page, "
                                            "or create this one with the command pvbcs-initdb, and start the program "
                                            "again.")
                                 .arg(library, path(QStringLiteral("blocker/PavolineBCS")))});
    }

    // A broken file where the default library belongs: pvbcs-initdb would
    // leave it alone, so the advice is to move it aside.
    void aBrokenDefaultLibraryIsAdvisedAside()
    {
        TTestMessageService messages;
        TAppConfig config;
        const QString library = config.DBName();
        QDir().mkpath(QFileInfo(library).absolutePath());
        QFile broken(library);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
        broken.close();
        TfrmMain window;
        TDM dm;
        showWindow(window);

        QVERIFY(!window.DatabaseFunctions());
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("The software could not open database \"%1\". All database functions will "
                                            "be disabled.\n\n\"%1\" is not a library database (file is not a "
                                            "database).\n\nTo use the library, choose a database file on the Software "
                                            "Settings page, or move \"%1\" aside (rename it) and start the program "
                                            "again: an empty library is then made in its place.")
                                 .arg(library)});
        QFile::remove(library);
    }

    // One window per library: a second start on a library another window
    // has open says so, naming that process, and brings nothing up.
    void aSecondWindowOnTheLibraryBringsNothingUp()
    {
        TTestMessageService messages;
        TAppConfig config;
        const QString file = prepareLibrary(config);
        {
            const TLibraryLock firstWindow(file);
            TfrmMain window;
            TDM dm;
            window.show();
            QCOMPARE(messages.Texts(Kind::Error),
                     QStringList{QStringLiteral("The library database \"%1\" is open in another window (process %2, "
                                                "%3). Please use that window, or close it and start the program again.")
                                     .arg(file)
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())});
            QVERIFY(!dm.IsOpen());
            QVERIFY(!window.DatabaseFunctions());
            QTRY_VERIFY(!window.isVisible());
        }
        // The first window closed: the next start opens the library.
        messages.entries.clear();
        TfrmMain window;
        TDM dm;
        showWindow(window);
        QCOMPARE(messages.entries.size(), 0);
        QVERIFY(window.DatabaseFunctions());
        QCOMPARE(window.lvSchedules->topLevelItemCount(), 2);
        // While it runs, the library is its own.
        QVERIFY(!ErrorOf([&] { TLibraryLock second(file); }).isEmpty());
    }

    void firstShowListsBothLibraries()
    {
        TTestMessageService messages;
        TAppConfig config;
        prepareLibrary(config);
        TfrmMain window;
        TDM dm;
        QVERIFY(!window.CalendarLibrary() && !window.ScheduleLibrary());
        showWindow(window);

        QCOMPARE(messages.entries.size(), 0);
        QVERIFY(window.CalendarLibrary() && window.ScheduleLibrary());
        QCOMPARE(window.CalendarLibrary()->Count(), 2);
        QCOMPARE(window.ScheduleLibrary()->Count(), 2);
        QCOMPARE(rows(window.lvCalendars),
                 (QStringList{QStringLiteral("School year|3 record(s)"), QStringLiteral("Summer camp|0 record(s)")}));
        QCOMPARE(rows(window.lvSchedules),
                 (QStringList{QStringLiteral("Mornings|0 record(s)"), QStringLiteral("Afternoons|1 record(s)")}));
        // Nothing was selected before, so nothing is now.
        QVERIFY(window.lvCalendars->selectedItems().isEmpty());
        QVERIFY(window.lvSchedules->selectedItems().isEmpty());
    }

    // A file that opens as a database but lacks a table: the load fails, the
    // operator is told why and that the library is off, and nothing of a
    // half-loaded library stays reachable.
    void tableLessDatabaseEntersTheReducedMode_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("missing");
        QTest::newRow("no calendars") << QStringLiteral("calendars") << QStringLiteral("calendars");
        // The calendars load; the schedules' records then fail.
        QTest::newRow("no schedule records") << QStringLiteral("schedule_rec") << QStringLiteral("schedule_rec");
    }
    void tableLessDatabaseEntersTheReducedMode()
    {
        QFETCH(QString, table);
        QFETCH(QString, missing);
        TTestMessageService messages;
        TAppConfig config;
        const QString file = prepareLibrary(config);
        {
            TSqliteDatabase db(file);
            db.ExecSQL(QStringLiteral("DROP TABLE ") + table);
        }
        TfrmMain window;
        TDM dm;
        showWindow(window);

        QCOMPARE(messages.entries.size(), 2);
        QCOMPARE(messages.entries.at(0).kind, Kind::Error);
        QVERIFY2(messages.entries.at(0).text.contains(missing), qPrintable(messages.entries.at(0).text));
        QCOMPARE(messages.entries.at(1).kind, Kind::Error);
        QCOMPARE(messages.entries.at(1).text,
                 QStringLiteral("The software could not open database \"%1\". All database functions will be "
                                "disabled.")
                     .arg(file));
        QVERIFY(!window.DatabaseFunctions());
        QVERIFY(!window.CalendarLibrary() && !window.ScheduleLibrary());
        QCOMPARE(window.lvCalendars->topLevelItemCount(), 0);
        QCOMPARE(window.lvSchedules->topLevelItemCount(), 0);
        QVERIFY(!window.btnSchedules->isEnabled());
        QVERIFY(!window.btnCalendars->isEnabled());
        QTest::mouseClick(window.btnCalendars, Qt::LeftButton);
        QCOMPARE(window.TabControl->currentWidget(), window.pageHome);
    }

    void navigationShowsThePageAndLightsItsLed()
    {
        TTestMessageService messages;
        TAppConfig config;
        prepareDatabase(config);
        TfrmMain window;
        TDM dm;
        showWindow(window);

        const QList<QPair<TNavButton *, QWidget *>> screenOrder = {
            {window.btnHome, window.pageHome},
            {window.btnSchedules, window.pageSchedules},
            {window.btnCalendars, window.pageCalendars},
            {window.btnConnectedSystem, window.pageConnectedSystem},
            {window.btnLog, window.pageLog},
            {window.btnSettings, window.pageSettings},
        };
        for (const auto &[button, page] : screenOrder) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(window.TabControl->currentWidget(), page);
            QCOMPARE(litPages(window), QList<int>{button->PageNumber()});
            // The lit LED is the one beside the button, whatever the order of
            // the buttons on the screen.
            const TPageLed *led = ledBeside(window, button);
            QVERIFY(led);
            QCOMPARE(led->pixmap().cacheKey(), window.imgLedOn->pixmap().cacheKey());
        }

        // Holidays & Exceptions is fourth in the stack but third on the screen.
        QTest::mouseClick(window.btnCalendars, Qt::LeftButton);
        QCOMPARE(window.TabControl->currentIndex(), 3);
        QCOMPARE(litPages(window), QList<int>{4});
        // The same button again changes nothing.
        QTest::mouseClick(window.btnCalendars, Qt::LeftButton);
        QCOMPARE(window.TabControl->currentIndex(), 3);
        QCOMPARE(litPages(window), QList<int>{4});

        // Other senders change nothing, and the pictures that are no
        // indicators keep their images.
        const qint64 on = window.imgLedOn->pixmap().cacheKey();
        const qint64 off = window.imgLedOff->pixmap().cacheKey();
        const qint64 decoration = window.imgNavDecoration->pixmap().cacheKey();
        window.btnPageNavClick(window.BitBtn1);
        window.btnPageNavClick(window.imgLedOn);
        window.btnPageNavClick(nullptr);
        QCOMPARE(window.TabControl->currentIndex(), 3);
        QCOMPARE(litPages(window), QList<int>{4});
        QCOMPARE(window.imgLedOn->pixmap().cacheKey(), on);
        QCOMPARE(window.imgLedOff->pixmap().cacheKey(), off);
        QCOMPARE(window.imgNavDecoration->pixmap().cacheKey(), decoration);
        QCOMPARE(messages.entries.size(), 0);
    }

    void keyboardOrderFollowsThePageNumbers()
    {
        TAppConfig config;
        TfrmMain window;
        QList<TNavButton *> order;
        QWidget *widget = window.cbComPort;
        do {
            if (auto *button = qobject_cast<TNavButton *>(widget))
                order << button;
            widget = widget->nextInFocusChain();
        } while (widget != window.cbComPort);
        QCOMPARE(order, (QList<TNavButton *>{window.btnHome, window.btnConnectedSystem, window.btnSchedules,
                                             window.btnCalendars, window.btnSettings, window.btnLog}));
        for (int i = 0; i < order.size(); ++i)
            QCOMPARE(order.at(i)->PageNumber(), i + 1);
    }

    void theChosenSettingsTabStaysAcrossPageChanges()
    {
        TTestMessageService messages;
        TAppConfig config;
        prepareDatabase(config);
        TfrmMain window;
        TDM dm;
        showWindow(window);

        QTest::mouseClick(window.btnConnectedSystem, Qt::LeftButton);
        QCOMPARE(window.TabSetSettings->count(), 3);
        QTest::mouseClick(window.TabSetSettings, Qt::LeftButton, {}, window.TabSetSettings->tabRect(2).center());
        QCOMPARE(window.TabControlSettings->currentWidget(), window.pageAdvancedSettings);
        QTest::mouseClick(window.btnHome, Qt::LeftButton);
        QTest::mouseClick(window.btnConnectedSystem, Qt::LeftButton);
        QCOMPARE(window.TabSetSettings->currentIndex(), 2);
        QCOMPARE(window.TabControlSettings->currentWidget(), window.pageAdvancedSettings);
        QTest::mouseClick(window.TabSetSettings, Qt::LeftButton, {}, window.TabSetSettings->tabRect(1).center());
        QCOMPARE(window.TabControlSettings->currentWidget(), window.pageSettingsCalendar);
    }

    void portListSelectsTheRememberedPort()
    {
        TAppConfig config;
        TfrmMain window;
        const TPortInfo serial = PortNamed(QStringLiteral("ttyS0"));
        const TPortInfo adapter{QStringLiteral("ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
                                QStringLiteral("A50285BI"), QString(), true};
        const QList<TPortInfo> ports = {serial, adapter, PortNamed(QStringLiteral("ttyUSB1"), true)};

        // Nothing remembered yet: the first USB adapter, ttyS0 only without one.
        QVERIFY(!config.PortNameStored());
        window.FillPortList(ports);
        QCOMPARE(window.cbComPort->currentText(), QStringLiteral("ttyUSB0"));
        window.FillPortList({serial});
        QCOMPARE(window.cbComPort->currentText(), QStringLiteral("ttyS0"));
        window.FillPortList({});
        QCOMPARE(window.cbComPort->currentIndex(), 0);
        QVERIFY(!config.PortNameStored());

        config.SetPortName(QStringLiteral("ttyUSB1"));
        window.FillPortList(ports);
        QCOMPARE(window.cbComPort->count(), 5); // and "Network Beacon…" last
        QCOMPARE(window.cbComPort->itemText(0), QStringLiteral("Autodetect"));
        QCOMPARE(window.cbComPort->currentText(), QStringLiteral("ttyUSB1"));
        // Each port says what it is.
        QCOMPARE(window.cbComPort->itemData(2, Qt::ToolTipRole).toString(),
                 QStringLiteral("ttyUSB0\nFT232R USB UART\nFTDI\nA50285BI"));
        QCOMPARE(window.cbComPort->toolTip(), QStringLiteral("ttyUSB1"));

        // A port no longer present: "Autodetect", and the stored name stays.
        config.SetPortName(QStringLiteral("ttyACM3"));
        window.FillPortList(ports);
        QCOMPARE(window.cbComPort->currentIndex(), 0);
        QCOMPARE(window.cbComPort->count(), 5); // and "Network Beacon…" last
        QCOMPARE(config.PortName(), QStringLiteral("ttyACM3"));

        // Letter case matters in port names.
        config.SetPortName(QStringLiteral("TTYS0"));
        window.FillPortList(ports);
        QCOMPARE(window.cbComPort->currentIndex(), 0);
    }

    void databaseChoiceFollowsItsRules()
    {
        TTestMessageService messages;
        TAppConfig config;
        const QString configured = prepareDatabase(config);
        TfrmMain window;
        TDM dm;
        showWindow(window);
        QDir(fDir.path()).mkdir(QStringLiteral("folder.db"));

        // Cancel, a missing file, a folder, and the configured file itself:
        // nothing changes and nothing is said.
        messages.fileAnswers << QString() << path(QStringLiteral("missing.db")) << path(QStringLiteral("folder.db"))
                             << configured;
        for (int i = 0; i < 4; ++i)
            window.btnBrowseDb->click();
        QVERIFY(messages.fileAnswers.isEmpty());
        QCOMPARE(messages.entries.size(), 0);
        QCOMPARE(config.DBName(), configured);
        QCOMPARE(window.edtDatabaseFile->text(), configured);

        // The same name in other letters counts as another file.
        const QString other = path(QStringLiteral("PVBCS.db"));
        CreateLibraryDatabase(other);
        messages.fileAnswers << other;
        window.btnBrowseDb->click();
        QCOMPARE(messages.Texts(Kind::Information),
                 QStringList{QStringLiteral("Database file was changed. Please restart the application now.")});
        QCOMPARE(config.DBName(), other);
        QCOMPARE(window.edtDatabaseFile->text(), other);
        QSettings store(config.StoreFileName(), QSettings::IniFormat);
        QCOMPARE(store.value(QStringLiteral("Database")).toString(), other);
        // The running program keeps the database it opened.
        QCOMPARE(dm.DBName(), configured);
    }

    void updateCheckTellsTheOperator_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("pageOpened");
        const QString available = QStringLiteral(
            "New version of Pavoline\u00AE Beacon Control Software is available. Do you want to proceed to the "
            "Orvella Works software update page? ");
        const QString upToDate = QStringLiteral("Your Pavoline\u00AE Beacon Control Software version is up to date.");
        const QString notRetrieved = QStringLiteral(
            "Pavoline\u00AE Beacon Control Software could not retrieve version information from Orvella Works web "
            "site. Please check your Internet connection and try again.");
        const QByteArray newer = "<html><!--VERSION_INFO Beacons=9.0.0.0 --></html>";
        QTest::newRow("newer, Yes") << newer << true << true << int(Kind::InformationQuestion) << available << true;
        QTest::newRow("newer, No") << newer << true << false << int(Kind::InformationQuestion) << available << false;
        QTest::newRow("equal") << "<!--VERSION_INFO Beacons=" + GetExeVersion().toLatin1() + "-->" << true << true
                               << int(Kind::Information) << upToDate << false;
        QTest::newRow("older") << QByteArray("<!--VERSION_INFO Beacons=0.9-->") << true << true
                               << int(Kind::Information) << upToDate << false;
        QTest::newRow("no marker") << QByteArray("<html></html>") << true << true << int(Kind::Error) << notRetrieved
                                   << false;
        QTest::newRow("unreachable") << QByteArray() << false << true << int(Kind::Error) << notRetrieved << false;
    }
    void updateCheckTellsTheOperator()
    {
        QFETCH(QByteArray, page);
        QFETCH(bool, reachable);
        QFETCH(bool, answer);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(bool, pageOpened);
        TTestHttpServer server;
        server.body = page;
        SetMakerSiteUrl(reachable ? server.Url() : TTestHttpServer::UnreachableUrl());
        TTestMessageService messages;
        messages.confirmAnswers << answer;
        TAppConfig config;
        TfrmMain window;

        window.BitBtn1->click();
        QCOMPARE(messages.entries.size(), 1);
        QCOMPARE(int(messages.entries.constFirst().kind), kind);
        QCOMPARE(messages.entries.constFirst().text, message);
        QVERIFY(!QGuiApplication::overrideCursor());
        // The page offered is the one checked, its address unchanged.
        QCOMPARE(fOpened, pageOpened ? QList<QUrl>{server.Url().resolved(QUrl(QStringLiteral(
                                                       "software-downloads.asp")))}
                                     : QList<QUrl>{});
    }

    // A site that takes the request and never answers: the window keeps
    // painting and takes no other input while the check shows itself, and
    // Cancel or Escape end it at once without a box.
    void aSilentSiteCanBeCancelled_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Escape") << true;
    }
    void aSilentSiteCanBeCancelled()
    {
        QFETCH(bool, escape);
        TSilentHttpServer server;
        SetMakerSiteUrl(server.Url());
        TTestMessageService messages;
        TAppConfig config;
        prepareDatabase(config);
        TfrmMain window;
        TDM dm;
        showWindow(window);
        int paints = 0;
        TEventCounter counter(&window, QEvent::Paint, paints);

        QString title, label;
        int paintsWhileChecking = -1;
        QElapsedTimer clock;
        qint64 cancelledAt = -1;
        QTimer operatorAction;
        int paintsAtStart = -1;
        connect(&operatorAction, &QTimer::timeout, this, [&] {
            auto *check = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (!check || server.connections == 0)
                return;
            window.update(); // something to paint, as a desktop asks
            if (paintsAtStart < 0) {
                paintsAtStart = paints;
                // The operator tries the main window meanwhile.
                QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                                  window.btnHelp->mapTo(&window, window.btnHelp->rect().center()));
                return;
            }
            if (paints - paintsAtStart < 3)
                return;
            operatorAction.stop();
            paintsWhileChecking = paints - paintsAtStart;
            title = check->windowTitle();
            label = check->labelText();
            cancelledAt = clock.elapsed();
            if (escape)
                QTest::keyClick(check, Qt::Key_Escape);
            else
                QTest::mouseClick(check->findChild<QPushButton *>(), Qt::LeftButton);
        });
        operatorAction.start(50);
        clock.start();
        window.BitBtn1->click();

        QVERIFY(cancelledAt >= 0);
        QVERIFY2(clock.elapsed() - cancelledAt < 2000, qPrintable(QString::number(clock.elapsed() - cancelledAt)));
        QVERIFY(paintsWhileChecking >= 3);
        QCOMPARE(title, QStringLiteral("Check for Updates"));
        QCOMPARE(label, QStringLiteral("Checking for a newer version..."));
        QCOMPARE(messages.entries.size(), 0);
        QCOMPARE(fOpened, QList<QUrl>{}); // neither help nor a page
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Virtual ports are named by long paths: shortened in view, whole in the
    // tool tip and to the program.
    void longTextsAreShortenedInView()
    {
        TPanelStatusBar bar({200, 60});
        bar.resize(500, bar.sizeHint().height());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const QList<QLabel *> panels = bar.findChildren<QLabel *>();
        QCOMPARE(panels.size(), 2);
        const QString path = QStringLiteral("Connected to port /run/user/1000/pvbcs-ports/beacon-sim");
        bar.SetPanelText(0, path);
        QCOMPARE(bar.PanelText(0), path);
        QVERIFY(panels.at(0)->text().size() < path.size());
        QVERIFY(panels.at(0)->text().contains(QChar(0x2026)));
        QCOMPARE(panels.at(0)->toolTip(), path);
        bar.SetPanelText(0, QStringLiteral("Port disconnected"));
        QCOMPARE(panels.at(0)->text(), QStringLiteral("Port disconnected"));
        QVERIFY(panels.at(0)->toolTip().isEmpty());
        // The last panel takes the rest of the bar.
        QCOMPARE(panels.at(0)->width(), 200);
        QVERIFY(panels.at(1)->width() > 200);

        TPortComboBox box;
        box.SetPorts({PortNamed(path)}, path);
        QCOMPARE(box.currentText(), path);
        QCOMPARE(box.toolTip(), path);
    }

    void everyPictureIsDrawn()
    {
        QVERIFY(!Picture(QStringLiteral("app")).isNull()); // registers the pictures
        const QStringList files = QDir(QStringLiteral(":/pictures")).entryList({QStringLiteral("*.svg")});
        QVERIFY(files.size() > 20);
        for (const QString &file : files) {
            const QImage image = Picture(QFileInfo(file).completeBaseName()).toImage();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x)
                    drawn = image.pixelColor(x, y).alpha() > 0;
            QVERIFY2(drawn, qPrintable(file));
        }
    }

    void aboutAndWebSite()
    {
        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        TfrmAboutBox about;

        // The Help button: tst_help.
        Q_EMIT window.lblWebSite->linkActivated(MakerSiteUrl().toString());
        QCOMPARE(fOpened, QList<QUrl>{MakerSiteUrl()});
        QVERIFY(window.lblWebSite->text().contains(MakerSiteUrl().host()));

        QString shown;
        QTimer::singleShot(0, &about, [&] {
            shown = about.isVisible() && about.isModal() ? about.lblVersion->text() : QString();
            about.btnOK->click();
        });
        window.btnAbout->click();
        QCOMPARE(shown, QStringLiteral("Version: ") + GetExeVersion());
        QVERIFY(!about.isVisible());
        QCOMPARE(messages.entries.size(), 0);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
