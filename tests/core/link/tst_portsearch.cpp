// The port list and controller discovery.
#include "config/appconfig.h"
#include "config/messages.h"
#include "config/netsettings.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "link/portsearch.h"
#include "link/portwatch.h"
#include "link/serialline.h"
#include "sim/beaconsimulator.h"
#include "sim/pseudoterminal.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
TSimOptions Named(const char *name)
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    return options;
}

// A port on this machine on which nothing listens.
quint16 RefusingPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

void SetConnectSeconds(int seconds)
{
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    store.setValue(QStringLiteral("Network/ConnectSeconds"), seconds);
}
}

class TestPortSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
    }

    void portListEndsWithTheLiveVirtualPortsByName()
    {
        TBeaconSimulator simB(Named("simB")), simA(Named("simA"));
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/no-such-terminal"), VirtualPortFolder() + "/dead"));
        QStringList expected;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            expected << info.portName();
        expected << simA.PortName() << simB.PortName();
        QCOMPARE(GetRegPortList(), expected);

        // A name a running simulator holds is refused, naming its process; a
        // dead link's name is taken over.
        QCOMPARE(ErrorOf([] { TBeaconSimulator another(Named("simA")); }),
                 QStringLiteral("The virtual port simA is held by another running simulator (process %1). Please "
                                "choose another name, or end that simulator first.")
                     .arg(QCoreApplication::applicationPid()));
        TBeaconSimulator revived(Named("dead"));
        QCOMPARE(revived.PortName(), QStringLiteral("dead"));
        QCOMPARE(QFileInfo(VirtualPortFolder() + "/dead").symLinkTarget(), revived.DevicePath());

        // The entries open the ports.
        TdmCOM dm;
        dm.tmrPortCheck.SetEnabled(false);
        dm.SetPortName(simB.PortName());
        QByteArray res;
        QVERIFY(dm.ExchangeMessage(0x01, {}, res, 2500, true));
        dm.Close();

        simB.CloseLine(); // unplugged: no longer listed
        QVERIFY(!GetRegPortList().contains(simB.PortName()));
    }

    // A simulator killed outright leaves its link, and the number of its
    // terminal goes to the next one opened, any program's: the link then
    // leads to a live terminal that no simulator holds. Such a link is
    // neither listed nor opened, and its name is free.
    void aLinkNoSimulatorHoldsIsNoPort()
    {
        TPseudoTerminal someonesTerminal;
        const QString left = VirtualPortFolder() + QStringLiteral("/killed");
        QVERIFY(QFile::link(someonesTerminal.SlavePath(), left));
        QVERIFY(!GetRegPortList().contains(QStringLiteral("killed")));
        QVERIFY(VirtualPortDevice(QStringLiteral("killed")).isEmpty());
        for (const QString &name : {QStringLiteral("killed"), left}) {
            QSerialPort port;
            QCOMPARE(ErrorOf([&] { OpenSerialLine(port, name); }), name + QStringLiteral(": No such file or directory"));
        }
        QVERIFY(FindRememberedPort(left, GetRegPortList()).isEmpty());

        TBeaconSimulator next(Named("killed"));
        QCOMPARE(QFileInfo(left).symLinkTarget(), next.DevicePath());
        QCOMPARE(VirtualPortDevice(QStringLiteral("killed")), next.DevicePath());
        QVERIFY(GetRegPortList().contains(QStringLiteral("killed")));
        QCOMPARE(FindRememberedPort(left, GetRegPortList()), QStringLiteral("killed")); // as remembered before

        // Names that could stand for something else are refused.
        for (const char *name : {"", ".hidden", "a/b", "..", "null"})
            QVERIFY2(ErrorOf([name] { TBeaconSimulator refused(Named(name)); })
                         .endsWith(QStringLiteral("cannot name a virtual port: a name must not be empty, begin with a "
                                                  "dot, hold a slash or be the name of a device in /dev.")),
                     name);
    }

    void portsTellWhatTheyAre()
    {
        TBeaconSimulator sim(Named("described"));
        const QList<TPortInfo> ports = ListPorts();
        QCOMPARE(PortNames(ports), GetRegPortList());
        const TPortInfo &virtualPort = ports.constLast();
        QCOMPARE(virtualPort.Name, sim.PortName());
        QCOMPARE(virtualPort.Description, QStringLiteral("Virtual serial port"));
        QVERIFY(!virtualPort.Usb && virtualPort.StableName.isEmpty());

        // With nothing remembered, the first USB adapter is offered; ttyS0
        // only when there is none.
        TPortInfo adapter, second, builtIn;
        adapter.Name = QStringLiteral("ttyACM0");
        adapter.Usb = second.Usb = true;
        second.Name = QStringLiteral("ttyUSB0");
        builtIn.Name = QStringLiteral("ttyS4");
        QCOMPARE(DefaultPort({builtIn, adapter, second}), QStringLiteral("ttyACM0"));
        QCOMPARE(DefaultPort({builtIn, virtualPort}), QStringLiteral("ttyS0"));
        QCOMPARE(DefaultPort({}), QStringLiteral("ttyS0"));
    }

    // An adapter named by its stable name is found again under a new number.
    void stableNamesFindARenumberedAdapter()
    {
        TBeaconSimulator first(Named("first")), second(Named("second"));
        QTemporaryDir byId;
        const QString stable = byId.filePath(QStringLiteral("usb-Maker_Adapter_A1B2-if00-port0"));
        QVERIFY(QFile::link(first.DevicePath(), stable));
        QVERIFY(QFile::link(QStringLiteral("/dev/no-such-port"), byId.filePath(QStringLiteral("usb-gone"))));

        QCOMPARE(StableNameOf(first.DevicePath(), byId.path()), stable);
        QCOMPARE(StableNameOf(first.PortName(), byId.path()), stable); // through the virtual port's link too
        QVERIFY(StableNameOf(second.DevicePath(), byId.path()).isEmpty());
        QVERIFY(StableNameOf(QStringLiteral("ttyS0"), byId.path()).isEmpty());

        const QStringList ports = {second.DevicePath(), first.DevicePath()};
        QCOMPARE(FindRememberedPort(stable, ports), first.DevicePath());
        QCOMPARE(FindRememberedPort(second.DevicePath(), ports), second.DevicePath());
        // Plugged in again as another device: the same stable name finds it.
        QVERIFY(QFile::remove(stable));
        QVERIFY(QFile::link(second.DevicePath(), stable));
        QCOMPARE(FindRememberedPort(stable, ports), second.DevicePath());
        // Not plugged in, or never listed: nothing.
        QVERIFY(FindRememberedPort(byId.filePath(QStringLiteral("usb-gone")), ports).isEmpty());
        QVERIFY(FindRememberedPort(stable, {first.DevicePath()}).isEmpty());
        QVERIFY(FindRememberedPort(QString(), ports).isEmpty());
    }

    // Ports that come and go are reported soon, without polling: an idle
    // watch reports nothing.
    void watcherReportsPortsThatComeAndGo()
    {
        QDir(VirtualPortFolder()).removeRecursively(); // the folder comes with the first port
        TPortWatcher watcher;
        QSignalSpy changed(&watcher, &TPortWatcher::PortsChanged);
        QTest::qWait(TPortWatcher::LateMs + 500);
        QCOMPARE(changed.count(), 0);

        QElapsedTimer clock;
        clock.start();
        auto sim = std::make_unique<TBeaconSimulator>(Named("plugged"));
        QVERIFY(changed.wait(5000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(GetRegPortList().contains(sim->PortName()));
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, 5000); // once more, once the system has settled
        QTest::qWait(TPortWatcher::LateMs);
        QCOMPARE(changed.count(), 2);

        const QString port = sim->PortName();
        changed.clear();
        sim.reset();
        QVERIFY(changed.wait(5000));
        QVERIFY(!GetRegPortList().contains(port));
    }

    void probeOfAMissingPortStopsWithoutDeadlock()
    {
        TConnectionOpenThread probe(false, QStringLiteral("/dev/no-such-port"));
        QTest::qWait(300); // several failed cycles, each handed over
        QVERIFY(!probe.Connected());
        QElapsedTimer clock;
        clock.start();
        probe.StopAndWait();
        QVERIFY(probe.isFinished());
        QVERIFY(clock.elapsed() < 2000);
    }

    // A device server that takes the connection and then says nothing keeps
    // its probe within the connection's own time limit; telling the probe to
    // stop ends that wait at once.
    void aNetworkProbeStopsInsideItsConnectWait()
    {
        SetConnectSeconds(30);
        QTcpServer mute; // the system takes connections into its backlog; nobody answers them
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        TConnectionOpenThread probe(false, QStringLiteral("rfc2217://127.0.0.1:%1").arg(mute.serverPort()));
        QTest::qWait(300);
        QCOMPARE(probe.Cycles(), 0);
        QElapsedTimer clock;
        clock.start();
        probe.StopAndWait();
        QVERIFY(probe.isFinished());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    // Remembered addresses are probed with the serial ports, each within its
    // own time limit: a search waits past its usual six seconds for an
    // address still connecting, and says which, and why each failed.
    void unreachableNetworkBeaconsAreWaitedForAndExplained()
    {
        constexpr int kConnectSeconds = 8;
        SetConnectSeconds(kConnectSeconds);
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        const QString silent = QStringLiteral("rfc2217://127.0.0.1:%1").arg(mute.serverPort());
        const QString refused = QStringLiteral("tcp://127.0.0.1:%1").arg(RefusingPort());
        const QString malformed = QStringLiteral("tcp://no host:4001");
        RememberNetworkBeacon(silent);
        RememberNetworkBeacon(refused, QStringLiteral("20240009"));
        QCOMPARE(DiscoveryPorts(), GetRegPortList() + (QStringList{silent, refused}));

        QStringList statuses;
        QElapsedTimer clock;
        clock.start();
        const TScanResult result = ScanForController({QStringLiteral("/dev/no-such-port"), silent, refused, malformed},
                                                     [&](const QString &status, int) {
                                                         if (statuses.isEmpty() || statuses.last() != status)
                                                             statuses << status;
                                                     });
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= kConnectSeconds * 1000 && elapsed < kConnectSeconds * 1000 + 5000,
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(statuses, (QStringList{Msg::ScanCreatingThreads, Msg::ScanSearching,
                                        Fmt(Msg::ScanWaitingNetwork, silent), Msg::ScanStoppingThreads,
                                        Msg::ScanDone}));
        QVERIFY(result.Answered.isEmpty());
        QVERIFY(result.Port().isEmpty());
        const QStringList expected = {
            Fmt(Msg::NetOpenFailed, silent, Msg::NetStepLineSettings, Fmt(Msg::NetNoAnswer, kConnectSeconds)),
            Fmt(Msg::NetOpenFailed, refused, Msg::NetStepConnect, QStringLiteral("Connection refused")),
            Fmt(Msg::NetAddressMalformed, malformed, Fmt(Msg::NetAddressBadHost, QStringLiteral("no host"))),
        };
        QCOMPARE(result.Unreached, expected);
        QCOMPARE(result.AccessText(), expected.join(u'\n'));
        SetConnectSeconds(TNetworkSettings::DefaultConnectTimeoutMs / 1000);
    }

    void scanTakesTheLaterControllerAndMissesTheNoisyOne()
    {
        TBeaconSimulator simA(Named("simA")), simB(Named("simB"));
        TSimOptions noisy = Named("simC");
        noisy.noise = "xyz";
        TBeaconSimulator simC(noisy);
        const QStringList ports = {QStringLiteral("/dev/no-such-port"), simA.PortName(), simB.PortName(),
                                   simC.PortName()};

        QStringList statuses;
        QList<int> positions;
        QElapsedTimer clock;
        clock.start();
        const TScanResult result = ScanForController(ports, [&](const QString &status, int position) {
            if (statuses.isEmpty() || statuses.last() != status)
                statuses << status;
            positions << position;
        });
        const QString found = result.Port();
        QCOMPARE(found, simB.PortName());
        QCOMPARE(result.Answered, (QStringList{simA.PortName(), simB.PortName()}));
        QVERIFY(result.AccessDenied.isEmpty());
        QVERIFY(clock.elapsed() >= ScanDurationMs);
        QCOMPARE(statuses, (QStringList{Msg::ScanCreatingThreads, Msg::ScanSearching, Msg::ScanStoppingThreads,
                                        Msg::ScanDone}));
        // The bar runs the full time, although two controllers answered at once.
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QVERIFY(positions.size() > 20);
        QCOMPARE(positions.last(), ScanDurationMs);
        QVERIFY(positions.at(positions.size() - 3) >= ScanDurationMs - 1000);

        // A controller found stops being probed; the noisy one was probed on,
        // its earlier replies read in place of fresh headers.
        QCOMPARE(simA.Received(), QList<QByteArray>{"!0100"});
        QCOMPARE(simB.Received(), QList<QByteArray>{"!0100"});
        QVERIFY(simC.Received().size() >= 2);
        // Every probe port is closed again: the port found opens at once.
        TdmCOM dm;
        dm.tmrPortCheck.SetEnabled(false);
        dm.SetPortName(found);
        dm.Open();
        QVERIFY(dm.UniConnected());
    }
};

QTEST_GUILESS_MAIN(TestPortSearch)
#include "tst_portsearch.moc"
