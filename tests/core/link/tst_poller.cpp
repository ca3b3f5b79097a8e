// The identity poller that watches the connection.
#include "link/dmcom.h"
#include "link/frame.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QDir>
#include <QtTest>

class TestPoller : public QObject, TSimulatedLine {
    Q_OBJECT
    void Start(const TSimOptions &options = {})
    {
        TSimulatedLine::Start(options);
        dm->Open();
    }

    // One tick once the answer to the previous poll is in (or the controller
    // had time to give it).
    void TickAfterReply(int expectedBytes)
    {
        if (expectedBytes > 0)
            QTRY_VERIFY(dm->UniInputCount() >= expectedBytes);
        dm->tmrPortCheckTimer();
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void cleanup() { StopLine(); }

    void answeredPollsKeepTheCountAtOne()
    {
        Start();
        dm->tmrPortCheckTimer();
        QCOMPARE(dm->AttemptCount(), quint8(1));
        QVERIFY(dm->SignSerial().isEmpty());
        for (int i = 0; i < 3; ++i) {
            TickAfterReply(21);
            QCOMPARE(dm->AttemptCount(), quint8(1));
        }
        QCOMPARE(dm->SignSerial(), QStringLiteral("20240001"));
        QCOMPARE(dm->SignBoardVer(), QStringLiteral("0003"));
        QCOMPARE(dm->SignFirmwareVer(), QStringLiteral("0105"));
        QTRY_COMPARE(sim->Received(), QList<QByteArray>(4, "!0100"));
    }

    void eleventhUnansweredTickDisconnects()
    {
        TSimOptions options;
        options.ignore = {cmdIdentity};
        Start(options);
        sim->QueueRawReply("!01082024000100030105"); // the first poll only is answered
        dm->tmrPortCheckTimer();
        TickAfterReply(21);
        QCOMPARE(dm->SignSerial(), QStringLiteral("20240001"));
        // The second poll goes unanswered; the ticks that follow within its
        // reply wait send nothing, but count all the same.
        for (int tick = 2; tick <= 10; ++tick)
            dm->tmrPortCheckTimer();
        QCOMPARE(dm->AttemptCount(), quint8(10));
        QVERIFY(dm->UniConnected());
        dm->tmrPortCheckTimer();
        QVERIFY(!dm->UniConnected());
        QCOMPARE(dm->AttemptCount(), quint8(0));
        QVERIFY(dm->SignSerial().isEmpty());
        QCOMPARE(dm->SignBoardVer(), QStringLiteral("0003")); // versions keep their text
        QCOMPARE(dm->SignFirmwareVer(), QStringLiteral("0105"));
        QTest::qWait(100);
        QCOMPARE(sim->Received(), QList<QByteArray>(2, "!0100"));

        dm->UniDisconnect(); // on a closed port: nothing to do but forget
        QVERIFY(!dm->UniConnected());
        dm->tmrPortCheckTimer(); // a closed port is left alone
        QTest::qWait(100);
        QCOMPARE(sim->Received().size(), 2);
    }

    void anEmptyIdentityForgetsTheController()
    {
        Start();
        dm->tmrPortCheckTimer();
        TickAfterReply(21);
        QCOMPARE(dm->SignSerial(), QStringLiteral("20240001"));
        sim->QueueRawReply("!0100");
        dm->tmrPortCheckTimer(); // its poll is answered with no payload
        TickAfterReply(5);
        QVERIFY(dm->SignSerial().isEmpty());
        QVERIFY(dm->SignBoardVer().isEmpty());
        QVERIFY(dm->SignFirmwareVer().isEmpty());
        QCOMPARE(dm->AttemptCount(), quint8(1));
    }

    void pollerKeepsOffTheLineWhileScanActiveIsCleared()
    {
        Start();
        dm->SetScanActive(false);
        dm->tmrPortCheckTimer();
        QTest::qWait(100);
        QVERIFY(sim->Received().isEmpty());
        QCOMPARE(dm->AttemptCount(), quint8(0));
    }

    void theTimerDrivesThePoller()
    {
        Start();
        dm->tmrPortCheck.SetInterval(50);
        dm->tmrPortCheck.SetEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(dm->SignSerial(), QStringLiteral("20240001"), 10000);

        TSimOptions options;
        options.name = QStringLiteral("quiet");
        options.silent = true;
        Start(options);
        dm->tmrPortCheck.SetInterval(20);
        dm->tmrPortCheck.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(!dm->UniConnected(), 10000);
        QVERIFY(sim->Received().size() < 11); // one poll a reply wait, not one a tick
    }
};

QTEST_GUILESS_MAIN(TestPoller)
#include "tst_poller.moc"
