// The port list and controller discovery.
#include "config/messages.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "link/portsearch.h"
#include "sim/beaconsimulator.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPortInfo>
#include <QtTest>

namespace {
TSimOptions Named(const char *name)
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    return options;
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

        // A name in use gets a number; a dead link's name is taken over.
        TBeaconSimulator another(Named("simA"));
        QCOMPARE(QFileInfo(another.PortName()).fileName(), QStringLiteral("simA-2"));
        TBeaconSimulator revived(Named("dead"));
        QCOMPARE(QFileInfo(revived.PortName()).fileName(), QStringLiteral("dead"));

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
        const QString found = ScanForController(ports, [&](const QString &status, int position) {
            if (statuses.isEmpty() || statuses.last() != status)
                statuses << status;
            positions << position;
        });
        QCOMPARE(found, simB.PortName());
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
