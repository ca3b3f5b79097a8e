// The byte-level primitives and waits of the link, over a real pseudo-terminal.
#include "config/appconfig.h"
#include "config/exceptions.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "link/serialline.h"
#include "sim/pseudoterminal.h"
#include "testenv.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>
#include <chrono>
#include <thread>
#include <time.h>

namespace {
qint64 ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

}

class TestTransport : public QObject {
    Q_OBJECT
    std::unique_ptr<TPseudoTerminal> pty;
    std::unique_ptr<TdmCOM> dm;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively(); // left by an earlier run that crashed
    }

    void init()
    {
        pty = std::make_unique<TPseudoTerminal>();
        dm = std::make_unique<TdmCOM>();
        dm->tmrPortCheck.SetEnabled(false);
        dm->SetPortName(pty->SlavePath());
    }

    void cleanup()
    {
        dm.reset();
        pty.reset();
    }

    void writeOpensTheClosedPortWithTheLastName()
    {
        QCOMPARE(TdmCOM().PortName(), TAppConfig::DefaultPortName());
        QVERIFY(!dm->UniConnected());
        QCOMPARE(dm->UniWriteStr("!0100"), 5);
        QVERIFY(dm->UniConnected());
        QCOMPARE(pty->Read(2000), QByteArray("!0100"));
    }

    void theOpenIsExclusiveUnderEveryName()
    {
        const TVirtualPort registered(QStringLiteral("excl"), pty->SlavePath());
        const QString link = registered.Path();
        dm->SetPortName(link);
        dm->Open();
        for (const QString &name : {pty->SlavePath(), link, registered.Name()}) {
            QSerialPort second;
            const QString text = ErrorOf([&] { OpenSerialLine(second, name); });
            QVERIFY2(!text.isEmpty(), qPrintable(name));
            qInfo("A second opener of %s is told: %s", qPrintable(name), qPrintable(text));
            QVERIFY(!second.isOpen());
        }
        QVERIFY(dm->UniConnected());
        QCOMPARE(dm->UniWriteStr("ok"), 2);
        QCOMPARE(pty->Read(2000), QByteArray("ok"));
        dm->Close();
        QSerialPort next;
        OpenSerialLine(next, registered.Name()); // free again once closed
        QVERIFY(next.isOpen());
    }

    void inputCountAndFlush()
    {
        dm->Open();
        QCOMPARE(dm->UniFlushBuffer(), 0);
        pty->Write("12345");
        // Counted while still in the driver, before any event is processed.
        QDeadlineTimer deadline(2000);
        while (dm->UniInputCount() < 5 && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QCOMPARE(dm->UniInputCount(), 5);
        QCOMPARE(dm->UniFlushBuffer(), 5);
        QCOMPARE(dm->UniInputCount(), 0);
        dm->Close();
        QCOMPARE(dm->UniInputCount(), 0);
    }

    void delayWithBufferReturnsAtOnceWhenSatisfied()
    {
        dm->Open();
        bool eventRan = false;
        QTimer::singleShot(0, this, [&] { eventRan = true; });
        QElapsedTimer clock;
        clock.start();
        dm->Delay(5000, 0);
        dm->Delay(5000, -1);
        pty->Write("abc");
        QTRY_COMPARE(dm->UniInputCount(), 3);
        eventRan = false;
        QTimer::singleShot(0, this, [&] { eventRan = true; });
        dm->Delay(5000, 3);
        QVERIFY(!eventRan); // returned without processing events
        QVERIFY(clock.elapsed() < 2500);

        // Waits for more with the window alive, and ends when the bytes are in.
        QTimer::singleShot(100, this, [&] { pty->Write("defgh"); });
        clock.restart();
        dm->Delay(5000, 8);
        QCOMPARE(dm->UniInputCount(), 8);
        QVERIFY(clock.elapsed() < 2500);
    }

    void anEndedWaitLeavesNoTimerBehind()
    {
        // Its timer goes with it; otherwise a long download piles up timers
        // that all fire long after their waits are over.
        dm->Open();
        const qsizetype timers = QAbstractEventDispatcher::instance()->children().size();
        for (int i = 1; i <= 5; ++i) {
            QTimer::singleShot(10, this, [&] { pty->Write("x"); });
            dm->Delay(5000, i);
        }
        QCOMPARE(dm->UniInputCount(), 5);
        QCOMPARE(QAbstractEventDispatcher::instance()->children().size(), timers);
    }

    void delayKeepsTheWindowAliveWithoutSpinning()
    {
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        const qint64 cpu = ProcessCpuMs();
        dm->Delay(600);
        const qint64 spent = ProcessCpuMs() - cpu;
        QVERIFY(clock.elapsed() >= 590);
        QVERIFY2(ticks >= 4, qPrintable(QString::number(ticks)));
        QVERIFY2(spent < 200, qPrintable(QStringLiteral("%1 ms of processor time").arg(spent)));
    }

    void readCompletesOnCountOrTimeouts()
    {
        dm->Open();
        pty->Write("!1000xyz");
        QByteArray text;
        QCOMPARE(dm->UniReadStr(text, 5), 5);
        QCOMPARE(text, QByteArray("!1000"));
        QCOMPARE(dm->UniReadStr(text, 3), 3);
        QCOMPARE(text, QByteArray("xyz"));

        // Real time, with the line's own timeouts: 250 ms after the last
        // byte, and 250 ms per byte plus 2500 ms on a silent line.
        pty->Write("abc");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(dm->UniReadStr(text, 5), 3);
        QCOMPARE(text, QByteArray("abc"));
        QVERIFY2(clock.elapsed() >= 240 && clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));

        const qint64 cpu = ProcessCpuMs();
        clock.restart();
        QCOMPARE(dm->UniReadStr(text, 5), 0);
        QVERIFY(text.isEmpty());
        QVERIFY2(clock.elapsed() >= 3700 && clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ProcessCpuMs() - cpu < 200);
    }

    void aLineThatVanishesFailsOnceAndNothingSpins()
    {
        // While a wait runs: the wait ends early, the read raises the failure.
        dm->Open();
        const qint64 cpu = ProcessCpuMs();
        QTimer::singleShot(100, this, [&] { pty->Close(); });
        QElapsedTimer clock;
        clock.start();
        dm->Delay(5000, 5);
        QVERIFY(clock.elapsed() < 2500);
        QByteArray text;
        const QString failure = ErrorOf([&] { dm->UniReadStr(text, 5); });
        QVERIFY(!failure.isEmpty());
        QVERIFY(!dm->UniConnected());
        // Reported once: what follows is a fresh open of a device that is gone.
        QVERIFY(!ErrorOf([&] { dm->UniWriteStr("!0100"); }).isEmpty());
        QVERIFY(!dm->UniConnected());
        QVERIFY2(ProcessCpuMs() - cpu < 300, "the failed line kept the processor busy");
    }

    void aLineThatVanishesDuringABlockingRead()
    {
        dm->Open();
        std::thread unplug([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            pty->Close();
        });
        QElapsedTimer clock;
        clock.start();
        QByteArray text;
        const QString failure = ErrorOf([&] { dm->UniReadStr(text, 5); });
        unplug.join();
        QVERIFY(!failure.isEmpty());
        QVERIFY(clock.elapsed() < 3000); // not the full 3750 ms of a silent line
        QVERIFY(!dm->UniConnected());
    }

    void aLineThatVanishesWhileIdleIsClosed()
    {
        dm->Open();
        pty->Close();
        QTRY_VERIFY_WITH_TIMEOUT(!dm->UniConnected(), 5000);
        const qint64 cpu = ProcessCpuMs();
        QTest::qWait(500);
        QVERIFY(ProcessCpuMs() - cpu < 150);
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
