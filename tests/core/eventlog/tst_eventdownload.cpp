// The download of the controller's 93 event slots over a pseudo-terminal.
#include "eventlog/eventdownload.h"
#include "eventlog/events.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QDir>
#include <QtTest>

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

    void lineLostPartWayKeepsWhatWasRead()
    {
        TSimOptions options;
        options.closeAfter = 31; // hangs up at the 31st request
        Start(options);
        const TEventLogDownload download = DownloadEventLog(nullptr, enGB);
        QVERIFY(!download.Error.isEmpty());
        QCOMPARE(download.Rows.size(), 30);
        QCOMPARE(download.Rows.first().SubItems.value(1), VoltageOfSlot(29));
        QVERIFY(dm->ScanActive());
    }
};

QTEST_GUILESS_MAIN(TestEventDownload)
#include "tst_eventdownload.moc"
