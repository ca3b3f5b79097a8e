// Frames and the request/reply exchange against the simulated controller.
#include "config/exceptions.h"
#include "link/dmcom.h"
#include "link/frame.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestFraming : public QObject, TSimulatedLine {
    Q_OBJECT
    void Start(const TSimOptions &options = {})
    {
        TSimulatedLine::Start(options);
        // A tenth of the line's timeouts, so failed attempts end quickly.
        dm->SetReadTimeouts(25, 25, 250);
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init() { Start(); }

    void cleanup() { StopLine(); }

    void framesAreBuiltWithUpperCaseDigits()
    {
        QCOMPARE(BuildFrame(cmdClock, {}), QByteArray("!1000"));
        QCOMPARE(BuildFrame(cmdAdvanced, "1F04020000"), QByteArray("!30051F04020000"));
        QCOMPARE(BuildFrame(0xAB, QByteArray(510, '0')).left(5), QByteArray("!ABFF"));
        QCOMPARE(HexValue("3a"), 0x3A);
        QCOMPARE(HexValue("0x"), -1);
        QCOMPARE(HexValue(""), -1);
    }

    void unframeablePayloadsNeverLeave()
    {
        QVERIFY_THROWS_EXCEPTION(Exception, dm->SendMessage(cmdSchedule, "123"));
        QVERIFY_THROWS_EXCEPTION(Exception, dm->SendMessage(cmdSchedule, QByteArray(512, '0')));
        QVERIFY(!dm->UniConnected()); // refused before the port was even opened
        QVERIFY(dm->SendMessage(cmdIdentity, {}));
        QTRY_COMPARE(sim->Received(), QList<QByteArray>{"!0100"});
    }

    void exchangeReadsTheClock()
    {
        sim->QueueRawReply("!100609070E050318");
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdClock, {}, res, 2500, true));
        QCOMPARE(res, QByteArray("09070E050318"));
        QCOMPARE(sim->Received(), QList<QByteArray>{"!1000"});
    }

    void theFrameLogRecordsBothDirections()
    {
        TSimOptions options;
        options.logFile = QDir::temp().filePath(
            QStringLiteral("pvbcs-framelog-%1.txt").arg(QCoreApplication::applicationPid()));
        QFile::remove(options.logFile);
        Start(options);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true));
        QTRY_COMPARE(sim->FrameLog().size(), 2);
        sim.reset();
        QFile file(options.logFile);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QList<QByteArray> lines = file.readAll().split('\n');
        file.remove();
        QCOMPARE(lines.size(), 3); // two lines and the end
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} RX !3000$"))
                     .match(QString::fromLatin1(lines[0])).hasMatch(), lines[0]);
        QVERIFY2(lines[1].endsWith(" TX !30051F04020000"), lines[1]);
    }

    void replyOfLengthZeroSucceedsEmpty()
    {
        sim->QueueRawReply("!1000");
        QByteArray res = "old";
        QVERIFY(dm->ExchangeMessage(cmdClock, {}, res, 2500, true));
        QVERIFY(res.isEmpty());
    }

    void replyWithoutStartMarkIsRetriedAfterAFlush()
    {
        // The first attempt reads "xx!10" and leaves the rest unread; only the
        // second attempt's flush keeps it from being taken as a header.
        sim->QueueRawReply("xx!100609070E050318");
        sim->QueueRawReply("!1006AABBCCDDEEFF");
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdClock, {}, res, 2500, true));
        QCOMPARE(res, QByteArray("AABBCCDDEEFF"));
        QCOMPARE(sim->Received(), (QList<QByteArray>{"!1000", "!1000"}));
    }

    void replyWithAnotherCodeFailsTheAttempt()
    {
        sim->QueueRawReply("!0100");
        sim->QueueRawReply("!0100");
        QByteArray res = "kept";
        QVERIFY(!dm->ExchangeMessage(cmdClock, {}, res, 2500, true));
        QCOMPARE(res, QByteArray("kept"));
        QCOMPARE(sim->Received().size(), 2);
    }

    void bytesAfterTheReplyAreDiscardedOnRequest()
    {
        sim->QueueRawReply("!1000GARBAGE");
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdClock, {}, res, 2500, true));
        QCOMPARE(dm->UniInputCount(), 0);

        sim->QueueRawReply("!1000GARBAGE");
        QVERIFY(dm->ExchangeMessage(cmdClock, {}, res, 2500, false));
        QTRY_COMPARE(dm->UniInputCount(), 7);
    }

    void lowerCaseRepliesAreAccepted()
    {
        TSimOptions options;
        options.lowercase = true;
        options.serial = "2024ABCD";
        Start(options);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdIdentity, {}, res, 2500, true));
        QCOMPARE(res, QByteArray("2024abcd00030105"));
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true));
        QCOMPARE(res, QByteArray("1f04020000"));
    }

    void slowRepliesCompleteUnderTheReadTimeouts()
    {
        TSimOptions options;
        options.byteGapMs = 20;
        options.replyDelayMs = 100;
        Start(options);
        dm->SetReadTimeouts(250, 250, 2500);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true));
        QCOMPARE(res, QByteArray("1F04020000"));
    }

    void silentControllerGetsTwoAttempts()
    {
        TSimOptions options;
        options.silent = true;
        Start(options);
        QElapsedTimer clock;
        clock.start();
        QByteArray res;
        QVERIFY(!dm->ExchangeMessage(cmdClock, {}, res, 300, true));
        // Each attempt: the wait for a reply, then the 5-byte header read
        // (25 ms per byte plus 250 ms).
        QVERIFY2(clock.elapsed() >= 2 * (300 + 375) - 50, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(sim->Received(), (QList<QByteArray>{"!1000", "!1000"}));
    }

    void droppedRepliesAreMadeUpByTheRetry()
    {
        TSimOptions options;
        options.dropEvery = 2;
        Start(options);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 300, true)); // reply 1 sent
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 300, true)); // reply 2 dropped, 3 sent
        QCOMPARE(sim->Received().size(), 3);
    }

    void aControllerThatVanishesMidExchange()
    {
        TSimOptions options;
        options.closeAfter = 2;
        Start(options);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true));
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(Exception, dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true));
        QVERIFY(clock.elapsed() < 2500);
        QVERIFY(!dm->UniConnected());
        QVERIFY(!sim->LineOpen());
        // The next exchange fails to open the port that is gone, at once.
        clock.restart();
        QVERIFY_THROWS_EXCEPTION(Exception, dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true));
        QVERIFY(clock.elapsed() < 2500);
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
