// Slow, late and backlogged controllers: every reply the link takes answers
// its own request, whatever the controller's pace.
#include "config/threadedtimer.h"
#include "link/dmcom.h"
#include "link/frame.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
// Reply delays from a prompt controller to one just inside the reply wait.
const int Delays[] = {0, 300, 600, 1200, 1800, 2400};

// Requests whose replies carry no word of what they answer (event slots) or
// name it (calendar names), in an order where a reply one behind would pass
// for the next one's.
const QList<QPair<quint8, QByteArray>> Reads = {
    {cmdEventRecord, "00"}, {cmdEventRecord, "01"}, {cmdCalendarName, "0200"}, {cmdCalendarName, "0201"}};

int Requests(const TBeaconSimulator &sim)
{
    return int(sim.Received().size());
}
}

class TestSlowLine : public QObject, TSimulatedLine {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void cleanup() { StopLine(); }

    // An identity poll is on its way when the reads begin, as it is when an
    // operation takes the line from the poll.
    void everyReplyAnswersItsOwnRequestAtEveryDelay()
    {
        for (const int delay : Delays) {
            TSimOptions options;
            options.replyDelayMs = delay;
            Start(options);
            dm->Open();
            dm->tmrPortCheckTimer();
            QVERIFY(dm->ReplyOwed());
            for (const auto &[cmd, request] : Reads) {
                QByteArray reply;
                QVERIFY2(dm->ExchangeMessage(cmd, request, reply, TdmCOM::ReplyWaitMs, true),
                         qPrintable(QStringLiteral("%1 ms").arg(delay)));
                QCOMPARE(reply, Truth(cmd, request));
            }
            QVERIFY(!dm->ReplyOwed());
            QCOMPARE(sim->RequestsWhileOwed(), 0);
            QCOMPARE(Requests(*sim), 1 + Reads.size()); // no retry
            if (delay >= 1200)
                QVERIFY2(dm->LastReplyMs() >= delay, qPrintable(QString::number(dm->LastReplyMs())));
        }
    }

    // One poll a second against a controller that answers in more than a
    // second: no poll is sent while one is unanswered, so the controller
    // never falls behind, the link is never given up, and an exchange after
    // a long while connected still gets its own reply. (Ten times faster
    // than the window's pace, with the same proportions.)
    void thePollNeverBacklogsASlowController()
    {
        TSimOptions options;
        options.replyDelayMs = 180;
        Start(options);
        dm->Open();
        dm->tmrPortCheck.SetInterval(100);
        dm->tmrPortCheck.SetEnabled(true);
        int highest = 0;
        QElapsedTimer connected;
        connected.start();
        while (connected.elapsed() < 3000) {
            QTest::qWait(20);
            highest = qMax(highest, int(dm->AttemptCount()));
        }
        QVERIFY(dm->UniConnected());
        QVERIFY2(highest < TdmCOM::MaxAttempts / 2, qPrintable(QString::number(highest)));
        QCOMPARE(dm->SignSerial(), QStringLiteral("20240001"));
        QByteArray reply;
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "05", reply, TdmCOM::ReplyWaitMs, true));
        QCOMPARE(reply, Truth(cmdEventRecord, "05"));
        dm->tmrPortCheck.SetEnabled(false);
        dm->Close(); // waits for the last poll's reply
        QCOMPARE(sim->RequestsWhileOwed(), 0);
        QVERIFY2(Requests(*sim) > 5, qPrintable(QString::number(Requests(*sim))));
    }

    // A controller so late that the attempt gives up answers the retry too:
    // the retry takes the first reply (the same request's). The second is
    // discarded when it comes within the reply wait, and when it comes later
    // still, the next request knows it may come first and does not take it
    // for its own slot.
    void aLateReplyAndItsDuplicateAnswerOneRequest()
    {
        for (const int duplicateDelay : {400, TdmCOM::ReplyWaitMs + 300}) {
            Start();
            dm->SetReadTimeouts(25, 25, 250);
            TSimOptions late;
            late.replyDelayMs = TdmCOM::ReplyWaitMs + 300; // past the reply wait
            sim->QueueFaults(late);
            TSimOptions slow;
            slow.replyDelayMs = duplicateDelay; // the retry's own reply, after the late one
            sim->QueueFaults(slow);
            QByteArray reply;
            QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", reply, 300, true));
            QCOMPARE(reply, Truth(cmdEventRecord, "00"));
            QVERIFY(dm->ExchangeMessage(cmdEventRecord, "01", reply, TdmCOM::ReplyWaitMs, true));
            QVERIFY2(reply == Truth(cmdEventRecord, "01"), qPrintable(QString::number(duplicateDelay)));
            QCOMPARE(Requests(*sim), 3);
            // The retry, once the first request's wait was over, and the next
            // request, once the retry's was.
            QCOMPARE(sim->RequestsWhileOwed(), duplicateDelay > TdmCOM::ReplyWaitMs ? 2 : 1);
            StopLine();
        }
    }

    // A request whose reply never comes leaves the retry unsure which of the
    // two its one reply answered; the next exchange allows for the other
    // reply, and the one after that is prompt again.
    void aReplyThatNeverComesSlowsOneExchangeOnly()
    {
        Start();
        dm->SetReadTimeouts(25, 25, 250);
        TSimOptions dropped;
        dropped.dropEvery = 1;
        sim->QueueFaults(dropped);
        sim->QueueFaults(TSimOptions());
        QByteArray reply;
        QVERIFY(dm->ExchangeMessage(cmdEventRecord, "00", reply, 300, true));
        for (const QByteArray &slot : {QByteArray("01"), QByteArray("02"), QByteArray("03")}) {
            QElapsedTimer clock;
            clock.start();
            QVERIFY(dm->ExchangeMessage(cmdEventRecord, slot, reply, TdmCOM::ReplyWaitMs, true));
            QCOMPARE(reply, Truth(cmdEventRecord, slot));
            if (slot != "01")
                QVERIFY2(clock.elapsed() < TdmCOM::ReplyWaitMs, qPrintable(QString::number(clock.elapsed())));
        }
        QCOMPARE(Requests(*sim), 5);
    }

    // Closing the port waits for the reply owed, so that it cannot reach
    // whoever opens the line next; a controller that never answers is not
    // waited for longer than the reply wait.
    void closingLeavesNothingOwed()
    {
        for (const bool silent : {false, true}) {
            TSimOptions options;
            options.replyDelayMs = 600;
            options.silent = silent;
            Start(options);
            dm->Open();
            dm->tmrPortCheckTimer();
            QElapsedTimer clock;
            clock.start();
            dm->Close();
            QVERIFY(clock.elapsed() >= 550);
            QVERIFY(clock.elapsed() < TdmCOM::ReplyWaitMs + 1000);
            QCOMPARE(sim->FrameLog().size(), silent ? 1 : 2);
            QVERIFY(!dm->ReplyOwed());
        }
    }
};

QTEST_GUILESS_MAIN(TestSlowLine)
#include "tst_slowline.moc"
