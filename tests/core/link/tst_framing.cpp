// Frames and the request/reply exchange against the simulated controller.
#include "config/exceptions.h"
#include "config/messages.h"
#include "config/threadedtimer.h"
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
#include <QTimer>
#include <limits>
#include <QtTest>

class TestFraming : public QObject, TSimulatedLine {
    Q_OBJECT
    void Start(const TSimOptions &options = {})
    {
        TSimulatedLine::Start(options);
        // A tenth of the line's timeouts, so failed attempts end quickly.
        dm->SetReadTimeouts(25, 25, 250);
    }

    void StartUnpaced()
    {
        TSimOptions options;
        options.paced = false;
        Start(options);
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

    void onlyWholeFramesAreTaken()
    {
        const std::optional<TFrame> clock = ParseFrame("!100609070e050318 and what follows");
        QVERIFY(clock);
        QCOMPARE(clock->cmd, quint8(cmdClock));
        QCOMPARE(clock->payload, QByteArray("09070e050318"));
        QCOMPARE(ParseFrame("!1000")->payload, QByteArray());
        for (const char *damaged : {"", "!10", "1006090", "x!1000", "!1X00", "!10G6", "!1006" "09070E05031"})
            QVERIFY2(!ParseFrame(damaged), damaged);

        // What a read's reply must carry, and what a write's reply may.
        QVERIFY(ReplyPayloadValid("09070e050318", 6));
        QVERIFY(!ReplyPayloadValid("09070E0503", 6));
        QVERIFY(!ReplyPayloadValid("09070E05031800", 6));
        QVERIFY(!ReplyPayloadValid("09070E05O318", 6));
        QVERIFY(!ReplyPayloadValid("", 6));
        QVERIFY(ReplyPayloadValid("", 0));
        QVERIFY(ReplyPayloadValid("not examined", AnyReplyPayload));
    }

    void damagedRepliesFailTheAttemptAndTheRetryMendsThem()
    {
        const QByteArray good = "!100609070E050318";
        const QList<QByteArray> damaged = {
            "!10X609070E050318", // the length changed
            "!1006" "09070EX50318", // a payload digit changed
            "!1005" "09070E0503",   // whole, but not a clock reading's length
        };
        QByteArray res = "kept";
        for (const QByteArray &reply : damaged) {
            sim->QueueRawReply(reply);
            sim->QueueRawReply(reply);
            QVERIFY2(!dm->ExchangeMessage(cmdClock, {}, res, 2500, true, 6), reply.constData());
            QCOMPARE(res, QByteArray("kept"));
        }
        // A lost character leaves the payload short; it is waited for, then refused.
        sim->QueueRawReply("!1006" "09070E05031");
        sim->QueueRawReply(good);
        QVERIFY(dm->ExchangeMessage(cmdClock, {}, res, 2500, true, 6));
        QCOMPARE(res, QByteArray("09070E050318"));
        QCOMPARE(sim->Received().size(), 2 * damaged.size() + 2);

        // A write's reply is taken by its code, whatever it carries, if it is whole.
        sim->QueueRawReply("!1003ZZZZZZ");
        QVERIFY(dm->ExchangeMessage(cmdClock, "09070E050318", res, 2500, true));
        sim->QueueRawReply("!10X3");
        sim->QueueRawReply("!10X3");
        QVERIFY(!dm->ExchangeMessage(cmdClock, "09070E050318", res, 2500, true));
    }

    void theSimulatorTakesTheLinesTime()
    {
        // 10 bits a byte at 115200 baud, both ways: a request must have
        // arrived before it is answered, and the reply comes at that pace.
        const auto wireNs = [](qsizetype bytes) { return qint64(bytes) * 10 * 1000000000LL / 115200; };
        QByteArray res;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(dm->ExchangeMessage(cmdSchedule, {}, res, 2500, true, 80));
        QVERIFY2(clock.nsecsElapsed() >= wireNs(5 + 5 + 160), qPrintable(QString::number(clock.nsecsElapsed())));
        clock.restart();
        QVERIFY(dm->ExchangeMessage(cmdSchedule, res, res, 2500, true));
        QVERIFY2(clock.nsecsElapsed() >= wireNs(5 + 160 + 5), qPrintable(QString::number(clock.nsecsElapsed())));

        StartUnpaced();
        QVERIFY(dm->ExchangeMessage(cmdSchedule, {}, res, 2500, true, 80));
        qint64 fastest = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 5; ++i) {
            clock.restart();
            QVERIFY(dm->ExchangeMessage(cmdSchedule, {}, res, 2500, true, 80));
            fastest = qMin(fastest, clock.nsecsElapsed());
        }
        QVERIFY2(fastest < wireNs(170), qPrintable(QString::number(fastest)));
    }

    void theSimulatorDamagesEveryNthReply()
    {
        TSimOptions options;
        options.damageEvery = 2;
        options.damage = TDamage::Change;
        Start(options);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 300, true, 5)); // reply 1 whole
        QVERIFY(dm->ExchangeMessage(cmdAdvanced, {}, res, 300, true, 5)); // reply 2 changed, 3 whole
        QCOMPARE(res, QByteArray("1F04020000"));
        QStringList sent;
        for (const TFrameLogEntry &entry : sim->FrameLog())
            if (entry.direction == QLatin1String("TX"))
                sent << QString::fromLatin1(entry.text);
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.at(0), QStringLiteral("!30051F04020000"));
        QCOMPARE(sent.at(1).size(), sent.at(0).size());
        QCOMPARE(sent.at(1).count(u'X'), 1);

        options.damage = TDamage::Drop;
        options.damageEvery = 1;
        Start(options);
        QVERIFY(!dm->ExchangeMessage(cmdAdvanced, "1F04020000", res, 300, true)); // "!3000" short of a character
        for (const TFrameLogEntry &entry : sim->FrameLog())
            if (entry.direction == QLatin1String("TX"))
                QCOMPARE(entry.text.size(), 4);
    }

    void queuedFaultsServeOneRequestEach()
    {
        QByteArray slot0, slot1;
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", slot0, 300, true, 11));
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "01", slot1, 300, true, 11));
        sim->ClearFrameLog();
        TSimOptions dropped, noisy, hangUp;
        dropped.dropEvery = 1;
        // Noise longer than a header: the whole frame comes after the 5
        // characters the header read takes.
        noisy.noise = QByteArray(10, '\0');
        hangUp.closeAfter = 1;
        sim->QueueFaults(dropped);
        sim->QueueFaults(noisy);
        QByteArray res;
        QVERIFY(!dm->ExchangeMessage(cmdEventRecord, "00", res, 300, true, 11)); // both attempts spoiled
        // The failed exchange left nothing of the noisy reply on the line for
        // the next to take as its own; the simulator's own options serve it.
        QTest::qWait(100);
        QCOMPARE(dm->UniInputCount(), 0);
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "01", res, 300, true, 11));
        QCOMPARE(res, slot1);
        QList<QByteArray> sent;
        for (const TFrameLogEntry &entry : sim->FrameLog())
            if (entry.direction == QLatin1String("TX"))
                sent << entry.text;
        QCOMPARE(sent, (QList<QByteArray>{noisy.noise + "!350B" + slot0, "!350B" + slot1}));

        sim->QueueFaults(hangUp);
        sim->ClearQueuedFaults();
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", res, 300, true, 11));
        sim->QueueFaults(hangUp);
        QVERIFY_THROWS_EXCEPTION(Exception, dm->ExchangeMessage(cmdEventRecord, "00", res, 300, true, 11));
        QVERIFY(!sim->LineOpen());
    }

    void lateRepliesAreNeverTakenForAnotherRequest()
    {
        // Each attempt here gives up after 675 ms (its wait and the header
        // read), and a reply is owed for 2500 ms after its request. A late
        // reply comes halfway between, so a loaded machine that runs the
        // link's waits or the simulator hundreds of milliseconds late still
        // sees it come after the attempt and within the owed time. The
        // events of the first two slots, read on a good line:
        QByteArray slot0, slot1;
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", slot0, 300, true, 11));
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "01", slot1, 300, true, 11));
        QVERIFY(slot0 != slot1);
        sim->ClearFrameLog();

        // The first reply comes in the retry's wait, and the retry takes it;
        // the reply to the retry, right behind it, is not left on the line
        // for the next exchange to take as the second slot's.
        TSimOptions late;
        late.replyDelayMs = 1600;
        sim->QueueFaults(late);
        QByteArray res;
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", res, 300, true, 11));
        QCOMPARE(res, slot0);
        QTest::qWait(100);
        QCOMPARE(sim->Received().size(), 2);
        QCOMPARE(dm->UniInputCount(), 0);
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "01", res, 300, true, 11));
        QCOMPARE(res, slot1);

        // Both attempts unanswered, the second's reply coming in the next
        // exchange's wait: that exchange sees its own reply follow, and asks again.
        TSimOptions dropped;
        dropped.dropEvery = 1;
        sim->QueueFaults(dropped);
        sim->QueueFaults(late);
        QVERIFY(!dm->ExchangeMessage(cmdEventRecord, "00", res, 300, true, 11));
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "01", res, 300, true, 11));
        QCOMPARE(res, slot1);
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", res, 300, true, 11));
        QCOMPARE(res, slot0);
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
        // second attempt's flush, once the rest is in, keeps it from being
        // taken as a header.
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
        StartUnpaced(); // the bytes after the frame are in with it
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
        const QString lost = QStringLiteral("Lost the connection to %1 while reading the test item: ").arg(sim->PortName());
        QElapsedTimer clock;
        clock.start();
        {
            const TLinkActivity activity(*dm, QStringLiteral("reading the test item"));
            const QString error = ErrorOf([&] { dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true); });
            // Not the system's leftover text of an earlier call, but what happened.
            QCOMPARE(error, lost + QString::fromUtf8(Msg::LinkDeviceGone));
        }
        QVERIFY(clock.elapsed() < 2500);
        QVERIFY(!dm->UniConnected());
        QVERIFY(!sim->LineOpen());
        // The next exchange fails to open the port that is gone, at once.
        clock.restart();
        const QString error = ErrorOf([&] { dm->ExchangeMessage(cmdAdvanced, {}, res, 2500, true); });
        QVERIFY2(error.startsWith(QStringLiteral("Lost the connection to %1: ").arg(sim->PortName())), qPrintable(error));
        QVERIFY2(error.count(sim->PortName()) == 1, qPrintable(error)); // the port is named once
        QVERIFY(clock.elapsed() < 2500);
    }

    void abortEndsAnExchangeAtOnceWhereverItWaits()
    {
        TSimOptions options;
        options.silent = true;
        Start(options);
        dm->SetReadTimeouts(250, 250, 2500); // a header read of 3.75 s
        QByteArray res;
        QElapsedTimer clock;
        const auto abortAfter = [&](int ms) {
            QTimer::singleShot(ms, dm.get(), [&] { dm->Abort(); });
            clock.start();
        };
        {
            const TLinkAbortScope abortable(*dm);
            abortAfter(300); // in the wait for the reply
            QVERIFY_THROWS_EXCEPTION(ELinkAborted, dm->ExchangeMessage(cmdClock, {}, res, 2500, true));
            QVERIFY2(clock.elapsed() < 300 + 400, qPrintable(QString::number(clock.elapsed())));
        }
        {
            const TLinkAbortScope abortable(*dm);
            abortAfter(600); // in the header read, after a short wait for the reply
            QVERIFY_THROWS_EXCEPTION(ELinkAborted, dm->ExchangeMessage(cmdClock, {}, res, 100, true));
            QVERIFY2(clock.elapsed() < 600 + 400, qPrintable(QString::number(clock.elapsed())));
            // Once aborted, every wait of the operation ends at once.
            clock.restart();
            QVERIFY_THROWS_EXCEPTION(ELinkAborted, dm->Delay(1000));
            QVERIFY(clock.elapsed() < 400);
        }
        // Outside an abortable operation Abort does nothing.
        dm->SetReadTimeouts(25, 25, 250);
        abortAfter(50);
        QVERIFY(!dm->ExchangeMessage(cmdClock, {}, res, 300, true));
        QVERIFY(clock.elapsed() >= 2 * 300);
    }

    void readsHoldTheTimerTicksButRepaintsAndSuchRun()
    {
        TSimOptions options;
        options.silent = true;
        Start(options);
        dm->SetReadTimeouts(100, 100, 300); // a silent header read takes 800 ms
        dm->Open();
        int ticks = 0, others = 0;
        TThreadedTimer poll(nullptr, 20);
        poll.OnTimer = [&] { ++ticks; };
        QTimer other;
        connect(&other, &QTimer::timeout, this, [&] { ++others; });
        poll.SetEnabled(true);
        other.start(20);
        QByteArray header;
        QCOMPARE(dm->UniReadStr(header, 5), 0);
        QCOMPARE(ticks, 0);
        QVERIFY2(others >= 10, qPrintable(QString::number(others)));
        QTRY_VERIFY(ticks >= 1); // the held tick, once the read is over
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
