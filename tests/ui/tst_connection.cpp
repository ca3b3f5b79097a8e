// The main window's connection switch, status tick and port choice, against
// controller simulators on pseudo-terminals.
#include "app/application.h"
#include "app/frmmain.h"
#include "app/frmportsearch.h"
#include "config/appconfig.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "link/portwatch.h"
#include "monitor/frmcomprogress.h"
#include "monitor/transferdialogs.h"
#include "sim/beaconsimulator.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "unprivileged.h"
#include "widgets/navbutton.h"
#include "widgets/panelstatusbar.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QSerialPort>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>

using Kind = TMessageService::Kind;

namespace {
// Generous: the poller and the status tick run once a second, and the machine
// may be busy.
constexpr int kIdentityWaitMs = 15000;
// Eleven unanswered polls, a status tick, and room for a loaded machine.
constexpr int kSilentLossWaitMs = 40000;

const QString kQuestion = QStringLiteral("Beacon system is now connected. Downloading settings from connected system "
                                         "is recommended. Would you like to proceed?");
const QString kLost = QStringLiteral("The connection to the Beacons was lost. Please try to re-connect.");
const QString kNotFound = QStringLiteral("Port not found! Please check your Connection.");
const QString kAccessDenied = QStringLiteral("This user may not open %1, which belongs to the group \"dialout\".");
const QString kAccessAdvice = QStringLiteral("To join it on Debian and similar systems, run\n"
                                             "    sudo usermod -aG dialout $USER\nthen log out and log in again.");

TSimOptions SimNamed(const char *name, bool silent = false, const QByteArray &serial = "20240001")
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    options.silent = silent;
    options.serial = serial;
    return options;
}

// The program's objects in their start-up order, with a library database so
// that the first show is quiet.
struct TRig {
    TRig(const QString &dbName, const std::optional<QString> &portName)
    {
        config.SetDBName(dbName);
        if (portName)
            config.SetPortName(*portName);
    }

    TTestMessageService messages;
    TAppConfig config;
    TfrmMain window;
    TDM dm;
    TdmCOM link;
    TfrmPortSearch search;
    TfrmComProgress comProgress;
    TfDownloadSettings downloadSettings{window};
};
}

class TestConnection : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;
    std::unique_ptr<TRig> fRig;

    // Shows the main window with the given remembered port, or with the one
    // stored before.
    TRig &start(const std::optional<QString> &portName = QStringLiteral("none"))
    {
        const QString db = fDir.filePath(QStringLiteral("pvbcs.db"));
        CreateLibraryDatabase(db);
        fRig = std::make_unique<TRig>(db, portName);
        fRig->window.show();
        if (!QTest::qWaitForWindowExposed(&fRig->window))
            qFatal("the main window was not shown");
        return *fRig;
    }

    // The operator picks an item with the keyboard, as on the closed box.
    static void pick(TfrmMain &window, const QString &text)
    {
        QComboBox *box = window.cbComPort;
        QTest::keyClick(box, Qt::Key_Home);
        while (box->currentText() != text && box->currentIndex() < box->count() - 1)
            QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), text);
    }

    static bool switchShows(const TfrmMain &window, bool on)
    {
        const QPixmap expected = (on ? window.imgSwitchON : window.imgSwitchOFF)->pixmap();
        const QImage shown = window.imgPortSwitch->icon().pixmap(expected.size()).toImage();
        return shown.convertToFormat(QImage::Format_ARGB32) == expected.toImage().convertToFormat(QImage::Format_ARGB32);
    }

    static QList<bool> linkButtons(const TfrmMain &window)
    {
        QList<bool> enabled;
        for (const QPushButton *button : {window.btnUploadTo, window.btnDownloadFrom, window.btnDownloadEvents,
                                          window.btnRealTime, window.btnOverride})
            enabled << button->isEnabled();
        return enabled;
    }

    static QString panel(const TfrmMain &window, int index) { return window.StatusBar->PanelText(index); }

    // Switched off with everything that goes with it.
    static void verifyOff(const TfrmMain &window)
    {
        QVERIFY(!window.SwitchedOn());
        QVERIFY(switchShows(window, false));
        QVERIFY(!dmCOM().UniConnected());
        QVERIFY(window.cbComPort->isEnabled());
        QCOMPARE(linkButtons(window), QList<bool>(5, false));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    static void verifyOn(const TfrmMain &window, const QString &port)
    {
        QVERIFY(window.SwitchedOn());
        QVERIFY(switchShows(window, true));
        QVERIFY(dmCOM().UniConnected());
        QCOMPARE(dmCOM().PortName(), port);
        QVERIFY(!window.cbComPort->isEnabled());
        QCOMPARE(window.cbComPort->currentText(), port);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(fDir.isValid()); }
    void init()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
        QFile::remove(fDir.filePath(QStringLiteral("pvbcs.db")));
    }
    void cleanup() { fRig.reset(); }

    void firstShowListsThePortsAndSelectsTheRememberedOne()
    {
        TBeaconSimulator simA(SimNamed("beacon-a")), simB(SimNamed("beacon-b"));
        const QStringList ports = GetRegPortList();
        QVERIFY(ports.contains(simA.PortName()) && ports.contains(simB.PortName()));

        TRig &rig = start(simB.PortName());
        QStringList items;
        for (int i = 0; i < rig.window.cbComPort->count(); ++i)
            items << rig.window.cbComPort->itemText(i);
        QCOMPARE(items, QStringList{QStringLiteral("Autodetect")} + ports + QStringList{TPortComboBox::NetworkEntryText()});
        QCOMPARE(rig.window.cbComPort->currentText(), simB.PortName());
        verifyOff(rig.window);

        // Absent: "Autodetect", and the stored name stays as it was.
        fRig.reset();
        TRig &again = start(QStringLiteral("ttyGone7"));
        QCOMPARE(again.window.cbComPort->currentIndex(), 0);
        QCOMPARE(again.config.PortName(), QStringLiteral("ttyGone7"));
    }

    void connectOnAFixedPort_data()
    {
        QTest::addColumn<bool>("download");
        QTest::newRow("download declined") << false;
        QTest::newRow("download accepted") << true;
    }
    void connectOnAFixedPort()
    {
        QFETCH(bool, download);
        TBeaconSimulator sim(SimNamed("beacon"));
        TRig &rig = start();
        TfrmMain &window = rig.window;
        pick(window, sim.PortName());
        verifyOff(window);

        // The question comes as soon as the port is open, before any identity.
        bool openWhenAsked = false;
        rig.messages.onShow = [&](const TTestMessageService::Entry &entry) {
            if (entry.kind == Kind::Confirmation)
                openWhenAsked = dmCOM().UniConnected() && window.SwitchedOn() && !window.cbComPort->isEnabled()
                                && dmCOM().SignSerial().isEmpty();
        };
        rig.messages.confirmAnswers << download;
        // Accepting opens the download dialog; the operator starts the download there.
        QTimer press;
        connect(&press, &QTimer::timeout, this, [&] {
            if (QApplication::activeModalWidget() == &rig.downloadSettings) {
                press.stop();
                rig.downloadSettings.btnDownloadFrom->click();
            }
        });
        press.start(20);
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);

        QCOMPARE(rig.messages.entries.size(), 1);
        QCOMPARE(rig.messages.entries.constFirst().kind, Kind::Confirmation);
        QCOMPARE(rig.messages.entries.constFirst().text, kQuestion);
        QVERIFY(openWhenAsked);
        verifyOn(window, sim.PortName());
        QCOMPARE(linkButtons(window), QList<bool>(5, true));
        // Accepting runs the download and then brings Manage Beacons forward.
        QCOMPARE(window.TabControl->currentWidget(), download ? window.pageConnectedSystem : window.pageHome);

        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 1), QStringLiteral("Serial Number: 20240001"), kIdentityWaitMs);
        QCOMPARE(panel(window, 0), QStringLiteral("Connected to port ") + sim.PortName());
        QCOMPARE(panel(window, 2), QStringLiteral("Firmware: 0105"));
        QCOMPARE(panel(window, 3), QStringLiteral("Board: 0003"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Retries: [0-9]+ of max 10$")).match(panel(window, 4)).hasMatch(),
                 qPrintable(panel(window, 4)));
        QCOMPARE(linkButtons(window), QList<bool>(5, true));
        QCOMPARE(rig.messages.entries.size(), 1);
    }

    void autodetectConnectsToTheLaterController()
    {
        TBeaconSimulator simA(SimNamed("beacon-a")), simB(SimNamed("beacon-b", false, "20240002"));
        TRig &rig = start();
        TfrmMain &window = rig.window;
        QCOMPARE(window.cbComPort->currentText(), QStringLiteral("Autodetect"));

        // What the discovery window shows while the scan runs.
        struct Sample {
            bool visible;
            QString title, status;
            int position, maximum;
        };
        QList<Sample> samples;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (rig.search.isVisible())
                samples << Sample{rig.search.isVisible(), rig.search.windowTitle(), rig.search.lblStatus->text(),
                                  rig.search.pBar->value(), rig.search.pBar->maximum()};
        });
        sampler.start(100);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        sampler.stop();

        QVERIFY(clock.elapsed() >= 6000);
        QCOMPARE(rig.messages.Texts(), QStringList{kQuestion});
        verifyOn(window, simB.PortName());
        // Shown, not remembered.
        QCOMPARE(rig.config.PortName(), QStringLiteral("none"));

        QVERIFY(!rig.search.isVisible());
        QVERIFY(rig.search.isModal());
        QCOMPARE(rig.search.lblStatus->text(), QStringLiteral("Done."));
        QCOMPARE(rig.search.pBar->value(), 6000);
        QList<int> searching; // the bar's positions while the probes listen
        for (const Sample &sample : std::as_const(samples)) {
            QCOMPARE(sample.title, QStringLiteral("Searching for connected systems..."));
            QCOMPARE(sample.maximum, 6000);
            if (sample.status == QStringLiteral("Searching Connected Controllers..."))
                searching << sample.position;
            else // the probes finishing their cycles
                QCOMPARE(sample.status, QStringLiteral("Stopping Scanning Threads..."));
        }
        QVERIFY(searching.size() > 20);
        QVERIFY(std::is_sorted(searching.cbegin(), searching.cend()));
        // The bar runs the full time although a controller answered after two seconds.
        QVERIFY(searching.constFirst() < 2000);
        QVERIFY(searching.constLast() > 5000);

        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 1), QStringLiteral("Serial Number: 20240002"), kIdentityWaitMs);
    }

    void autodetectWithoutAControllerReportsIt()
    {
        TBeaconSimulator silent(SimNamed("mute", true));
        TRig &rig = start();
        QTest::mouseClick(rig.window.imgPortSwitch, Qt::LeftButton);
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{kNotFound});
        QCOMPARE(rig.messages.entries.size(), 1);
        verifyOff(rig.window);
        QVERIFY(!rig.search.isVisible());
    }

    void aPortThatCannotOpenIsACriticalError()
    {
        auto sim = std::make_unique<TBeaconSimulator>(SimNamed("unplugged"));
        const QString port = sim->PortName();
        TRig &rig = start(port);
        QCOMPARE(rig.window.cbComPort->currentText(), port);
        sim.reset(); // unplugged after the list was made

        QTest::mouseClick(rig.window.imgPortSwitch, Qt::LeftButton);
        const QStringList errors = rig.messages.Texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(rig.messages.entries.size(), 1);
        QVERIFY2(errors.constFirst().startsWith(QStringLiteral(" Critcical communication error: \"")),
                 qPrintable(errors.constFirst()));
        QVERIFY(errors.constFirst().endsWith(u'"') && errors.constFirst().size() > 36);
        verifyOff(rig.window);
    }

    void aPortThisUserMayNotOpenSaysHowToGetAccess()
    {
        TBeaconSimulator sim(SimNamed("restricted"));
        const QString device = sim.DevicePath();
        QVERIFY(RestrictDevice(device));
        TRig &rig = start();
        rig.window.cbComPort->SetPorts(ListPorts(), device); // as a system port, such as ttyUSB0, is listed
        {
            TUnprivileged user;
            if (!user.Active())
                QSKIP("Acting as an ordinary user needs root; the permission message is not tested.");
            QTest::mouseClick(rig.window.imgPortSwitch, Qt::LeftButton);
        }
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral(" Critcical communication error: \"%1\"\n\n%2")
                                 .arg(kAccessDenied.arg(device), kAccessAdvice)});
        QCOMPARE(rig.messages.entries.size(), 1);
        verifyOff(rig.window);
        QCOMPARE(rig.window.cbComPort->currentText(), device);
    }

    void autodetectTellsWhichPortsThisUserMayNotOpen()
    {
        TBeaconSimulator sim(SimNamed("restricted"));
        QVERIFY(RestrictDevice(sim.DevicePath()));
        TRig &rig = start();
        {
            TUnprivileged user;
            if (!user.Active())
                QSKIP("Acting as an ordinary user needs root; Autodetect's reason is not tested.");
            // An ordinary user's virtual ports are in a runtime folder of
            // their own, where the restricted device is registered.
            const TVirtualPort registered(QStringLiteral("restricted"), sim.DevicePath());
            QTest::mouseClick(rig.window.imgPortSwitch, Qt::LeftButton);
        }
        const QStringList errors = rig.messages.Texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        // The system's own ports may be out of this user's reach as well.
        const QStringList paragraphs = errors.constFirst().split(QStringLiteral("\n\n"));
        QCOMPARE(paragraphs.size(), 3);
        QCOMPARE(paragraphs.at(0), kNotFound);
        QVERIFY(paragraphs.at(1).split(u'\n').contains(kAccessDenied.arg(sim.DevicePath())));
        QCOMPARE(paragraphs.at(2), kAccessAdvice);
        verifyOff(rig.window);
        QVERIFY(sim.Received().isEmpty());
    }

    void aPortHeldByAnotherProgramSaysSoPlainly()
    {
        TBeaconSimulator sim(SimNamed("held"));
        TRig &rig = start(sim.PortName());
        QSerialPort other;
        other.setPortName(sim.DevicePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        QTest::mouseClick(rig.window.imgPortSwitch, Qt::LeftButton);
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral(" Critcical communication error: \"The port %1 is in use by another "
                                            "program.\"\n\nClose the other program, or switch off its connection "
                                            "to the port, and try again.")
                                 .arg(sim.PortName())});
        verifyOff(rig.window);
    }

    // While switched off, the box follows the system: a port plugged in
    // appears within two seconds and one pulled out disappears, unless it is
    // the one shown.
    void thePortBoxFollowsPortsThatComeAndGo()
    {
        TRig &rig = start();
        TfrmMain &window = rig.window;
        const auto listed = [&window](const QString &port) { return window.cbComPort->findText(port) > 0; };

        QElapsedTimer clock;
        clock.start();
        auto plugged = std::make_unique<TBeaconSimulator>(SimNamed("plugged"));
        const QString port = plugged->PortName();
        QTRY_VERIFY_WITH_TIMEOUT(listed(port), 5000);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(window.cbComPort->currentIndex(), 0);
        QVERIFY(window.cbComPort->itemData(window.cbComPort->findText(port), Qt::ToolTipRole)
                    .toString()
                    .contains(QLatin1String("Virtual serial port")));
        plugged.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!listed(port), 5000);

        // The port shown stays, although it went away.
        auto chosen = std::make_unique<TBeaconSimulator>(SimNamed("chosen"));
        QTRY_VERIFY_WITH_TIMEOUT(listed(chosen->PortName()), 5000);
        pick(window, chosen->PortName());
        const QString chosenPort = chosen->PortName();
        chosen.reset();
        TBeaconSimulator other(SimNamed("other"));
        QTRY_VERIFY_WITH_TIMEOUT(listed(other.PortName()), 5000);
        QCOMPARE(window.cbComPort->currentText(), chosenPort);

        // While connected the box shows the port in use; it catches up when
        // the switch goes off.
        pick(window, other.PortName());
        rig.messages.defaultConfirm = false;
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        verifyOn(window, other.PortName());
        TBeaconSimulator late(SimNamed("late"));
        QTest::qWait(TPortWatcher::LateMs + 500);
        QVERIFY(!listed(late.PortName()));
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        verifyOff(window);
        QVERIFY(listed(late.PortName()));
        QVERIFY(!listed(chosenPort));
        QCOMPARE(window.cbComPort->currentText(), other.PortName());
    }

    void lineHangUpIsReportedOnceAsALostLink()
    {
        TBeaconSimulator sim(SimNamed("beacon"));
        TRig &rig = start(sim.PortName());
        TfrmMain &window = rig.window;
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 1), QStringLiteral("Serial Number: 20240001"), kIdentityWaitMs);

        bool offWhenReported = false;
        rig.messages.onShow = [&](const TTestMessageService::Entry &entry) {
            if (entry.text == kLost)
                offWhenReported = !window.SwitchedOn() && window.cbComPort->isEnabled();
        };
        sim.CloseLine();
        QTRY_VERIFY_WITH_TIMEOUT(rig.messages.Texts().contains(kLost), kIdentityWaitMs);
        QVERIFY(offWhenReported);
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{kLost});
        verifyOff(window);
        QCOMPARE(panel(window, 0), QStringLiteral("Port disconnected"));
        for (int i = 1; i < 5; ++i)
            QCOMPARE(panel(window, i), QString());

        // Later ticks find the switch off and say nothing more.
        QTest::qWait(2500);
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{kLost});
    }

    void aSilentControllerIsLostAfterTenUnansweredPolls()
    {
        TBeaconSimulator sim(SimNamed("mute", true));
        TRig &rig = start(sim.PortName());
        TfrmMain &window = rig.window;
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        QCOMPARE(rig.messages.Texts(), QStringList{kQuestion});
        // All five at first; the status tick then holds back four while no
        // identity is known.
        QCOMPARE(linkButtons(window), QList<bool>(5, true));
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 0), QStringLiteral("Connected to port ") + sim.PortName(),
                                  kIdentityWaitMs);
        QCOMPARE(linkButtons(window), (QList<bool>{false, false, true, false, false}));
        QCOMPARE(panel(window, 1), QString());
        QCOMPARE(panel(window, 2), QString());
        QCOMPARE(panel(window, 3), QString());
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 4), QStringLiteral("Retries: 3 of max 10"), kIdentityWaitMs);

        QTRY_VERIFY_WITH_TIMEOUT(rig.messages.Texts().contains(kLost), kSilentLossWaitMs);
        QVERIFY(clock.elapsed() >= 10000); // ten polls a second apart went unanswered first
        QCOMPARE(rig.messages.Texts(), (QStringList{kQuestion, kLost}));
        verifyOff(window);
        QCOMPARE(panel(window, 0), QStringLiteral("Port disconnected"));
    }

    void aLinkLostDuringTheQuestionLeavesTheSwitchOff()
    {
        TBeaconSimulator sim(SimNamed("beacon"));
        TRig &rig = start(sim.PortName());
        rig.messages.onShow = [&](const TTestMessageService::Entry &entry) {
            if (entry.kind != Kind::Confirmation)
                return;
            // The operator leaves the question open; the line drops meanwhile.
            sim.CloseLine();
            QVERIFY(QTest::qWaitFor([&] { return rig.messages.Texts().contains(kLost); }, kIdentityWaitMs));
        };
        QTest::mouseClick(rig.window.imgPortSwitch, Qt::LeftButton);
        QCOMPARE(rig.messages.Texts(), (QStringList{kQuestion, kLost}));
        verifyOff(rig.window);
    }

    // Yes to the offered download after the link went while the question
    // was open: no download starts (it would reopen the port behind the
    // switch's back), and the switch, the status bar and the port agree.
    void aYesAfterTheLinkWentStartsNoDownload_data()
    {
        QTest::addColumn<bool>("tickFirst");
        QTest::newRow("the status tick saw it first") << true;
        QTest::newRow("answered before the status tick") << false;
    }
    void aYesAfterTheLinkWentStartsNoDownload()
    {
        QFETCH(bool, tickFirst);
        TBeaconSimulator sim(SimNamed("beacon"));
        TRig &rig = start(sim.PortName());
        TfrmMain &window = rig.window;
        rig.messages.onShow = [&](const TTestMessageService::Entry &entry) {
            if (entry.kind != Kind::Confirmation)
                return;
            if (tickFirst) {
                sim.CloseLine();
                QVERIFY(QTest::qWaitFor([&] { return rig.messages.Texts().contains(kLost); }, kIdentityWaitMs));
            } else {
                dmCOM().Close(); // gone the moment before the operator answers
            }
        };
        rig.messages.confirmAnswers << true;
        bool downloadOpened = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (rig.downloadSettings.isVisible()) {
                downloadOpened = true;
                rig.downloadSettings.reject();
            }
        });
        watch.start(20);
        sim.ClearFrameLog();
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);

        QVERIFY(!downloadOpened);
        QCOMPARE(rig.messages.Texts(), (QStringList{kQuestion, kLost}));
        verifyOff(window);
        QCOMPARE(panel(window, 0), QStringLiteral("Port disconnected"));
        QCOMPARE(window.TabControl->currentWidget(), window.pageHome);
        for (const QByteArray &frame : sim.Received())
            QVERIFY2(frame.startsWith("!01"), frame.constData()); // identity polls only
        // Later ticks find it all agreeing and say nothing more.
        QTest::qWait(2500);
        verifyOff(window);
        QCOMPARE(panel(window, 0), QStringLiteral("Port disconnected"));
        QCOMPARE(rig.messages.Texts(), (QStringList{kQuestion, kLost}));
    }

    void switchingOffAndOnKeepsTheLastIdentityUntilReplaced()
    {
        TBeaconSimulator simA(SimNamed("beacon-a")), simB(SimNamed("beacon-b", true, "20249999"));
        TRig &rig = start(simA.PortName());
        TfrmMain &window = rig.window;
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 1), QStringLiteral("Serial Number: 20240001"), kIdentityWaitMs);

        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        verifyOff(window);
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 0), QStringLiteral("Port disconnected"), kIdentityWaitMs);
        QCOMPARE(panel(window, 1), QString());

        // On another port whose controller stays silent: the identity known
        // from before is shown, and the buttons follow it.
        pick(window, simB.PortName());
        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        verifyOn(window, simB.PortName());
        QTRY_COMPARE_WITH_TIMEOUT(panel(window, 0), QStringLiteral("Connected to port ") + simB.PortName(),
                                  kIdentityWaitMs);
        QCOMPARE(panel(window, 1), QStringLiteral("Serial Number: 20240001"));
        QCOMPARE(linkButtons(window), QList<bool>(5, true));

        QTest::mouseClick(window.imgPortSwitch, Qt::LeftButton);
        verifyOff(window);
        QCOMPARE(rig.messages.Texts(), (QStringList{kQuestion, kQuestion}));
    }

    void theOperatorsPortChoiceIsRemembered()
    {
        TBeaconSimulator simA(SimNamed("beacon-a")), simB(SimNamed("beacon-b"));
        TRig &rig = start();
        pick(rig.window, simA.PortName());
        QCOMPARE(rig.config.PortName(), simA.PortName());
        pick(rig.window, simB.PortName());
        QCOMPARE(rig.config.PortName(), simB.PortName());
        // "Autodetect" is no port: the last one stays remembered.
        QTest::keyClick(rig.window.cbComPort, Qt::Key_Home);
        QCOMPARE(rig.window.cbComPort->currentIndex(), 0);
        QCOMPARE(rig.config.PortName(), simB.PortName());
        QCOMPARE(QSettings(rig.config.StoreFileName(), QSettings::IniFormat).value(QStringLiteral("Port")).toString(),
                 simB.PortName());

        // The next start selects it.
        fRig.reset();
        TRig &next = start(std::nullopt);
        QCOMPARE(next.window.cbComPort->currentText(), simB.PortName());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestConnection test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_connection.moc"
