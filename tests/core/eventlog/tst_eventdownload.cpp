// The download of the controller's 93 event slots over a pseudo-terminal.
#include "eventlog/eventdownload.h"
#include "eventlog/events.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <numeric>

namespace {
const QLocale enGB(QStringLiteral("en_GB"));

// The controller's log: slot k holds an event on day 5000 + k at 08:00 with
// the event code k % 9 + 1 and the first voltage 400 + k, so each row tells its slot.
void FillEvents(TBeaconController &c)
{
    for (int k = 0; k < TBeaconController::EventSlots; ++k) {
        TBeaconController::TEventSlot &e = c.events[size_t(k)];
        e.dayNum = quint16(5000 + k);
        e.minutes = 480;
        e.type = quint8(k % 9 + 1);
        e.parms = {quint16(400 + k), 505, 1024};
    }
}

QString VoltageOfSlot(int k)
{
    type_events_record record;
    record.parms[0] = qint16(400 + k);
    return TEvents(record).Voltage1(enGB);
}

// Slots without a valid reply: each exchange fails at once (both attempts
// answered with a header that is no header) from firstBad on, for count slots.
TEventProgress SpoilSlots(TBeaconSimulator &sim, int firstBad, int count)
{
    return [&sim, firstBad, count](int slot) {
        if (slot >= firstBad && slot < firstBad + count) {
            sim.QueueRawReply("!35ZZ");
            sim.QueueRawReply("!35ZZ");
        }
        return true;
    };
}

QStringList FirstVoltages(const QList<TListItem> &rows)
{
    QStringList volts;
    for (const TListItem &row : rows)
        volts << row.SubItems.value(1);
    return volts;
}
}

class TestEventDownload : public QObject, TSimulatedLine {
    Q_OBJECT
    void Start(const TSimOptions &options = {})
    {
        TSimulatedLine::Start(options);
        sim->WithController(FillEvents);
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init() { Start(); }

    void cleanup() { StopLine(); }

    void allSlotsNewestFirst()
    {
        QList<int> positions;
        QList<bool> scanActive;
        const TEventLogDownload download = DownloadEventLog(
            [&](int slot) {
                positions << slot;
                scanActive << dm->ScanActive();
                return true;
            },
            enGB);
        QCOMPARE(positions.size(), 93);
        QCOMPARE(positions.last(), 92);
        QVERIFY(!scanActive.contains(true));
        QVERIFY(dm->ScanActive());
        QCOMPARE(download.Rows.size(), 93);
        QCOMPARE(download.Unreadable, 0);
        QVERIFY(!download.Aborted);
        QVERIFY(download.Error.isEmpty());
        QCOMPARE(download.Rows.first().Caption, TEvents(type_events_record{5092, 480, 3, {}}).Date(enGB));
        QCOMPARE(download.Rows.first().SubItems.value(1), VoltageOfSlot(92));
        QCOMPARE(download.Rows.last().SubItems.value(1), VoltageOfSlot(0));
        QCOMPARE(download.Rows.last().SubItems.value(0), QStringLiteral("System turned ON after reset"));
    }

    void equalTimesListTheHigherSlotFirst()
    {
        sim->WithController([](TBeaconController &c) {
            for (auto &e : c.events)
                e.dayNum = 4000; // slots 4 and 9 share the latest time; all others earlier
            c.events[4].dayNum = c.events[9].dayNum = 6000;
            c.events[20].dayNum = 100; // the oldest, wherever its slot
        });
        const TEventLogDownload download = DownloadEventLog(nullptr, enGB);
        const QStringList volts = FirstVoltages(download.Rows);
        QCOMPARE(volts.at(0), VoltageOfSlot(9));
        QCOMPARE(volts.at(1), VoltageOfSlot(4));
        QCOMPARE(volts.at(2), VoltageOfSlot(92)); // the equal rest in falling slot order
        QCOMPARE(volts.at(91), VoltageOfSlot(0));
        QCOMPARE(volts.at(92), VoltageOfSlot(20));
    }

    void abortLeavesNoRows()
    {
        const TEventLogDownload download = DownloadEventLog([](int slot) { return slot < 10; }, enGB);
        QVERIFY(download.Aborted);
        QVERIFY(download.Rows.isEmpty());
        QVERIFY(dm->ScanActive());
        QCOMPARE(sim->Received().size(), 10);
    }

    void unreadableSlotsAreNotListed()
    {
        // Both attempts for slots 0 and 5 get a reply of another command.
        const TEventLogDownload download = DownloadEventLog(
            [&](int slot) {
                if (slot == 0 || slot == 5) {
                    sim->QueueRawReply("!0100");
                    sim->QueueRawReply("!0100");
                }
                return true;
            },
            enGB);
        QCOMPARE(download.Unreadable, 2);
        QCOMPARE(download.Rows.size(), 91);
        QCOMPARE(download.Events.size(), 91); // the events of the rows, for the archive
        QCOMPARE(download.Events.first().parms[0], qint16(400 + 92));
        const QStringList volts = FirstVoltages(download.Rows);
        QVERIFY(!volts.contains(VoltageOfSlot(0)));
        QVERIFY(!volts.contains(VoltageOfSlot(5)));
        QCOMPARE(volts.count(VoltageOfSlot(4)), 1); // no slot repeats its neighbour
        QCOMPARE(volts.count(VoltageOfSlot(6)), 1);
    }

    void aLateReplyShiftsNoSlot()
    {
        // Slot 5's first reply comes after its attempt gave up (the 2.5 s
        // reply wait and the header read); the retry takes it, and the
        // reply to the retry, right behind it, is not taken for slot 6.
        dm->SetReadTimeouts(25, 25, 250);
        const TEventLogDownload download = DownloadEventLog(
            [&](int slot) {
                if (slot == 5) {
                    TSimOptions late;
                    late.replyDelayMs = 3200;
                    sim->QueueFaults(late);
                }
                return true;
            },
            enGB);
        QVERIFY(download.Complete());
        QList<int> slots;
        for (const type_events_record &event : download.Events)
            slots << event.parms[0] - 400;
        std::sort(slots.begin(), slots.end());
        QList<int> each(TBeaconController::EventSlots);
        std::iota(each.begin(), each.end(), 0);
        QCOMPARE(slots, each);
    }

    void lineLostPartWayKeepsWhatWasRead()
    {
        TSimOptions options;
        options.closeAfter = 31; // hangs up at the 31st request
        Start(options);
        const TEventLogDownload download = DownloadEventLog(nullptr, enGB);
        const QString lost = QStringLiteral("Lost the connection to %1 while reading the event log: ").arg(sim->PortName());
        QVERIFY2(download.Error.startsWith(lost) && download.Error.size() > lost.size(), qPrintable(download.Error));
        QCOMPARE(download.Rows.size(), 30);
        QCOMPARE(download.Rows.first().SubItems.value(1), VoltageOfSlot(29));
        QVERIFY(dm->ScanActive());
        QVERIFY(!download.Complete());
        QVERIFY(download.Problem().startsWith(download.Error));
    }

    void fiveSlotsInARowWithoutAnswerStopTheDownload()
    {
        dm->SetReadTimeouts(25, 25, 250);
        TEventLogDownload download = DownloadEventLog(SpoilSlots(*sim, 10, 100), enGB);
        QVERIFY(download.StoppedAnswering);
        QCOMPARE(download.Rows.size(), 10);
        QCOMPARE(download.Rows.first().SubItems.value(1), VoltageOfSlot(9));
        QCOMPARE(download.Unreadable, SilentSlotLimit);
        QCOMPARE(sim->Received().size(), 10 + 2 * SilentSlotLimit);
        QCOMPARE(download.Problem(), QStringLiteral("The Beacon stopped answering; 10 event(s) were read."));
        QVERIFY(dm->ScanActive());

        // Four in a row are only unreadable.
        sim->ClearFrameLog();
        download = DownloadEventLog(SpoilSlots(*sim, 3, SilentSlotLimit - 1), enGB);
        QVERIFY(!download.StoppedAnswering);
        QCOMPARE(download.Rows.size(), EventSlotCount - SilentSlotLimit + 1);
        QCOMPARE(download.Problem(),
                 QStringLiteral("4 of the Beacon's event log entries could not be read; they are not listed."));
    }

    // Noise in front of every reply spoils each frame's length: nothing is
    // read, rather than 93 events of zeros.
    void noiseThatSpoilsEveryFrameReadsNothing()
    {
        TSimOptions options;
        options.noise = "!35";
        Start(options);
        dm->SetReadTimeouts(25, 25, 250);
        const TEventLogDownload download = DownloadEventLog(nullptr, enGB);
        QVERIFY(download.StoppedAnswering);
        QVERIFY(download.Rows.isEmpty());
        QCOMPARE(sim->Received().size(), 2 * SilentSlotLimit);
    }

    void abortEndsTheDownloadAtOnceInTheMiddleOfAnExchange()
    {
        TSimOptions options;
        options.ignore = {cmdEventRecord}; // silent slots, after the first
        Start(options);
        sim->QueueRawReply("!0100"); // slot 0 unreadable
        sim->QueueRawReply("!0100");
        QElapsedTimer clock;
        const TEventLogDownload download = DownloadEventLog(
            [&](int slot) {
                if (slot == 1) {
                    QTimer::singleShot(500, dm.get(), [this] { dm->Abort(); });
                    clock.start();
                }
                return true;
            },
            enGB);
        QVERIFY(download.Aborted);
        QVERIFY2(clock.elapsed() < 500 + 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(download.Rows.isEmpty());
        QCOMPARE(download.Problem(), QString()); // no word of the unreadable slot
        QVERIFY(dm->ScanActive());
        QCOMPARE(sim->Received().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestEventDownload)
#include "tst_eventdownload.moc"
