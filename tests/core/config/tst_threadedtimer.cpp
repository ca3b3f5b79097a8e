#include "config/threadedtimer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QtTest>
#include <stdexcept>

class TestThreadedTimer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ticksNeverOverlapEvenInNestedLoops()
    {
        TThreadedTimer timer(nullptr, 10);
        int depth = 0, maxDepth = 0, ticks = 0;
        timer.OnTimer = [&] {
            ++depth;
            maxDepth = qMax(maxDepth, depth);
            ++ticks;
            // A handler that waits like a modal box: other events run meanwhile.
            QEventLoop loop;
            QTimer::singleShot(35, &loop, &QEventLoop::quit);
            loop.exec();
            --depth;
        };
        timer.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 4, 5000);
        timer.SetEnabled(false);
        QCOMPARE(maxDepth, 1);
    }

    void nextIntervalStartsAfterTheHandler()
    {
        TThreadedTimer timer(nullptr, 50);
        QElapsedTimer clock;
        QList<qint64> starts, ends;
        timer.OnTimer = [&] {
            starts << clock.elapsed();
            QTest::qWait(100);
            ends << clock.elapsed();
        };
        clock.start();
        timer.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(starts.size() >= 3, 5000);
        timer.SetEnabled(false);
        for (int i = 1; i < starts.size(); ++i)
            QVERIFY2(starts[i] - ends[i - 1] >= 45, "a tick began before its interval had passed");
    }

    void aHoldDefersTicksUntilTheLastHoldEnds()
    {
        TThreadedTimer timer(nullptr, 5), disabled(nullptr, 5);
        int ticks = 0, disabledTicks = 0;
        timer.OnTimer = [&] { ++ticks; };
        disabled.OnTimer = [&] { ++disabledTicks; };
        {
            const TThreadedTimer::THold outer;
            timer.SetEnabled(true);
            disabled.SetEnabled(true);
            {
                const TThreadedTimer::THold inner;
                QTest::qWait(60);
            }
            QTest::qWait(60); // the outer hold still stands
            QCOMPARE(ticks, 0);
            disabled.SetEnabled(false); // while its tick waited
        }
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000); // the held tick, then the timer as before
        QTest::qWait(30);
        QCOMPARE(disabledTicks, 0);
    }

    void exceptionsAreSwallowedAndTheTimerGoesOn()
    {
        TThreadedTimer timer(nullptr, 5);
        int ticks = 0;
        timer.OnTimer = [&] {
            ++ticks;
            throw std::runtime_error("link lost");
        };
        timer.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 5000);
    }

    void handlerMayStopOrDeleteItsTimer()
    {
        TThreadedTimer timer(nullptr, 5);
        int ticks = 0;
        timer.OnTimer = [&] {
            ++ticks;
            timer.SetEnabled(false);
        };
        timer.SetEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(ticks, 1, 5000);
        QTest::qWait(50);
        QCOMPARE(ticks, 1);

        auto *owned = new TThreadedTimer(nullptr, 5);
        bool deleted = false;
        owned->OnTimer = [&] {
            deleted = true;
            delete owned;
        };
        owned->SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(deleted, 5000);
        QTest::qWait(20); // nothing may touch the deleted timer
    }
};

QTEST_GUILESS_MAIN(TestThreadedTimer)
#include "tst_threadedtimer.moc"
