// The window's work with a controller behind Debian's ser2net, over raw TCP,
// Telnet with COM port control and TLS, directly and through a relay that
// delays each direction: the download, the upload, the event log and the
// real-time window show what they show with the controller on a cable, and
// Autodetect finds a remembered network beacon.
#include "app/application.h"
#include "config/messages.h"
#include "config/netsettings.h"
#include "monitorrig.h"
#include "netrig.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "testenv.h"
#include "widgets/panelstatusbar.h"

#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTabBar>

using namespace MonitorRig;

namespace {
enum class TTransport { Cable, Raw, Telnet, Tls };

// What the operator sees of one controller worked from the window.
struct TSeen {
    QStringList downloadLog;
    QList<QStringList> schedule, calendar;
    QStringList advanced;
    QStringList uploadLog;
    QStringList controller; // the controller's configuration after the upload
    QList<QStringList> events;
    QStringList realTime; // the fields that do not change by the second
    QStringList messages;
};

QStringList LogLines(const TfrmComProgress &progress)
{
    return progress.mmoLog->toPlainText().split(u'\n');
}

QStringList Configuration(const TBeaconController &c)
{
    QStringList lines{QString::number(c.commMode), QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(c.advanced.data()), 5).toHex()),
                      QStringLiteral("%1 %2 %3 %4").arg(c.dstStart).arg(c.dstEnd).arg(c.dstShift).arg(c.dstOffset)};
    for (const auto &s : c.schedule)
        lines << QStringLiteral("%1 %2 %3").arg(s.day).arg(s.on).arg(s.off);
    for (const auto &d : c.calendar)
        lines << QStringLiteral("%1 %2 %3 %4").arg(d.dayNum).arg(d.days).arg(d.mode).arg(QString::fromLatin1(d.name.toHex()));
    return lines;
}

TSimOptions Named(const char *name)
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    return options;
}

// A controller reached only through the device server is no port of this
// workstation: its terminal leaves the port list.
void HideFromPortList(const TBeaconSimulator &sim)
{
    QFile::remove(VirtualPortFolder() + u'/' + sim.PortName());
}
}

class TestNetworkTransfers : public QObject, public TRigHolder {
    Q_OBJECT

    std::optional<TSeen> fOnCable;

    void RunDialog(QPushButton *mainButton, QDialog &dialog, QPushButton *dialogButton)
    {
        WhenModal(&dialog, [dialogButton] { OperatorClick(dialogButton); });
        OperatorClick(mainButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(dmCOM().ScanActive());
    }

    // Connects to port, downloads, changes the pages, uploads, downloads the
    // event log and watches the real-time window, noting what is shown.
    void Work(TBeaconSimulator &sim, const QString &port, TSeen &seen)
    {
        ResetBeaconMemory();
        TRig &rig = StartRig(port);
        TfrmMain &window = rig.window;
        QCOMPARE(window.cbComPort->CurrentPort(), port);
        Connect(false);
        WaitForIdentity();
        // The status bar names the address as it names a port; over a slow
        // line it adds how slow.
        QTRY_VERIFY_WITH_TIMEOUT(window.StatusBar->PanelText(0).startsWith(Fmt(Msg::StatusConnectedToPort, port)),
                                 kIdentityWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(window.StatusBar->PanelText(1), QStringLiteral("Serial Number: 20240001"),
                                  kIdentityWaitMs);
        ShowPage(window.btnConnectedSystem, window.pageConnectedSystem);
        rig.messages.Clear();

        RunDialog(window.btnDownloadFrom, rig.downloadSettings, rig.downloadSettings.btnDownloadFrom);
        seen.downloadLog = LogLines(rig.comProgress);
        seen.schedule = Rows(window.BeaconScheduleRecords->lvSchedule);
        seen.calendar = Rows(window.BeaconCalendarRecords->lvCalendar);
        TfrmChildAdvanced &advanced = *window.AdvancedSettingsPage;
        seen.advanced = QStringList{advanced.cbFlashPattern->currentText(), advanced.cbFlashSpeed->currentText(),
                                    advanced.cbZBeeMode->currentText(), advanced.cbOffset->currentText(),
                                    advanced.dtDate1->date().toString(Qt::ISODate),
                                    advanced.dtDate2->date().toString(Qt::ISODate)};

        // Changed on the pages and sent back, read back to verify.
        OperatorClick(window.TabSetSettings, window.TabSetSettings->tabRect(2).center());
        OperatorPick(advanced.cbFlashPattern, 2);
        DeviceCalendar().SaveRecord({3, 0, QStringLiteral("SPORTS DAY"), 5600, 1, 4}, true);
        window.BeaconCalendarRecords->ShowList();
        RunDialog(window.btnUploadTo, rig.uploadSettings, rig.uploadSettings.btnUploadTo);
        seen.uploadLog = LogLines(rig.comProgress);
        seen.controller = Configuration(Controller(sim));

        ShowPage(window.btnLog, window.pageLog);
        OperatorClick(window.btnDownloadEvents);
        QVERIFY(dmCOM().ScanActive());
        seen.events = Rows(window.lvEvents);

        ShowPage(window.btnConnectedSystem, window.pageConnectedSystem);
        TfrmRealTime &realTime = rig.realTime;
        WhenModal(&realTime, [&] {
            const int reads = Commands(sim).count(QStringLiteral("34"));
            QVERIFY(QTest::qWaitFor([&] { return Commands(sim).count(QStringLiteral("34")) >= reads + 2; },
                                    kSequenceWaitMs));
            QVERIFY(QTest::qWaitFor([&] { return realTime.Step() == 2; }, kSequenceWaitMs));
            seen.realTime = QStringList{realTime.lblStatusDate->text(), realTime.lblStatusBeacon->text(),
                                        realTime.lblStateOverride->text(), realTime.lblSwitchState->text()};
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(window.btnRealTime);
        seen.messages = rig.messages.Texts();

        OperatorClick(window.imgPortSwitch);
        QVERIFY(!window.SwitchedOn());
        fRig.reset();
    }

    const TSeen *OnCable()
    {
        if (!fOnCable) {
            TBeaconSimulator sim(Named("cable"));
            TSeen seen;
            Work(sim, sim.PortName(), seen);
            if (QTest::currentTestFailed())
                return nullptr;
            fOnCable = seen;
        }
        return &*fOnCable;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitTestEnvironment();
        ClearVirtualPorts();
    }
    void cleanup() { fRig.reset(); }

    void sameContentOverEachTransport_data()
    {
        QTest::addColumn<TTransport>("transport");
        QTest::addColumn<int>("delayMs"); // added in each direction
        QTest::newRow("raw TCP") << TTransport::Raw << 0;
        QTest::newRow("Telnet") << TTransport::Telnet << 0;
        QTest::newRow("TLS") << TTransport::Tls << 0;
        QTest::newRow("raw TCP, 300 ms each way") << TTransport::Raw << 300;
        QTest::newRow("Telnet, 300 ms each way") << TTransport::Telnet << 300;
        QTest::newRow("TLS, 300 ms each way") << TTransport::Tls << 300;
    }

    void sameContentOverEachTransport()
    {
        QFETCH(TTransport, transport);
        QFETCH(int, delayMs);
        const TSeen *cable = OnCable();
        QVERIFY(cable);

        TBeaconSimulator sim(Named("served"));
        TNetRig server(sim.DevicePath());
        QVERIFY2(server.Ok(), qPrintable(server.Error()));
        TrustTestCa(server.CaFile());
        HideFromPortList(sim);
        QString address = transport == TTransport::Raw ? server.Raw()
            : transport == TTransport::Telnet          ? server.Telnet()
                                                       : server.Tls();
        if (delayMs > 0)
            address = server.Delayed(address, delayMs);
        QVERIFY(!address.isEmpty());

        TSeen seen;
        Work(sim, address, seen);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(seen.downloadLog, cable->downloadLog);
        QCOMPARE(seen.schedule, cable->schedule);
        QCOMPARE(seen.calendar, cable->calendar);
        QCOMPARE(seen.advanced, cable->advanced);
        QCOMPARE(seen.uploadLog, cable->uploadLog);
        QCOMPARE(seen.controller, cable->controller);
        QCOMPARE(seen.events.size(), TBeaconController::EventSlots);
        QCOMPARE(seen.events, cable->events);
        QCOMPARE(seen.realTime, cable->realTime);
        QCOMPARE(seen.messages, cable->messages);
        // Remembered with the controller found there.
        bool remembered = false;
        for (const TNetworkBeacon &beacon : RememberedNetworkBeacons())
            remembered = remembered || (beacon.Address == address && beacon.Serial == QLatin1String("20240001"));
        QVERIFY(remembered);
    }

    // Of two controllers found, the remembered address is taken: it comes
    // after the serial ports, whose probes ran alongside its own.
    void autodetectFindsARememberedNetworkBeacon()
    {
        TBeaconSimulator onCable(Named("cable"));
        TSimOptions options = Named("served");
        options.serial = "20240042";
        TBeaconSimulator served(options);
        TNetRig server(served.DevicePath());
        QVERIFY2(server.Ok(), qPrintable(server.Error()));
        HideFromPortList(served);
        RememberNetworkBeacon(server.Raw());

        TRig &rig = StartRig(QStringLiteral("none"));
        QCOMPARE(rig.window.cbComPort->currentIndex(), 0);
        Connect(false);
        QCOMPARE(dmCOM().PortName(), server.Raw());
        QCOMPARE(rig.window.cbComPort->CurrentPort(), server.Raw());
        QVERIFY(Commands(onCable).contains(QStringLiteral("01")));
        WaitForIdentity();
        QCOMPARE(dmCOM().SignSerial(), QStringLiteral("20240042"));
        // Listed from now on with the controller found there.
        QTRY_COMPARE_WITH_TIMEOUT(rig.window.cbComPort->currentText(), server.Raw() + QStringLiteral(" (20240042)"),
                                  kIdentityWaitMs);
        QCOMPARE(RememberedNetworkBeacons().constLast().Serial, QStringLiteral("20240042"));
        QCOMPARE(rig.messages.Texts(), QStringList{kQuestion});
    }

    // A device server that goes away in the middle of an upload: the upload
    // stops and says so once, naming the address; the switch goes off.
    void aServerGoneMidUploadIsReportedOnceNamingTheAddress()
    {
        TBeaconSimulator served(Named("served"));
        TNetRig server(served.DevicePath());
        QVERIFY2(server.Ok(), qPrintable(server.Error()));
        HideFromPortList(served);
        const QString address = server.Telnet();
        TRig &rig = StartRig(address);
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        rig.messages.Clear();

        Watch(&rig.comProgress, [&] {
            if (LogLines(rig.comProgress).size() < 3)
                return false;
            server.KillServer();
            return true;
        });
        RunDialog(rig.window.btnUploadTo, rig.uploadSettings, rig.uploadSettings.btnUploadTo);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window.SwitchedOn(), kIdentityWaitMs);
        QTest::qWait(2500); // two status ticks: the loss is not reported again
        QCOMPARE(rig.messages.entries.size(), 1);
        QCOMPARE(rig.messages.entries.constFirst().kind, TMessageService::Kind::Error);
        const QString text = rig.messages.entries.constFirst().text;
        const QString writing = LogLines(rig.comProgress).constLast(); // "Writing Beacon Schedule..."
        QVERIFY(writing.startsWith(QStringLiteral("Writing ")) && writing.endsWith(QStringLiteral("...")));
        QCOMPARE(text, Fmt(Msg::LinkLostWhile, address, Fmt(Msg::ActivityWriting, writing.mid(8).chopped(3)),
                           Msg::NetServerClosed));
        QVERIFY(rig.window.cbComPort->isEnabled());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestNetworkTransfers test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_networktransfers.moc"
