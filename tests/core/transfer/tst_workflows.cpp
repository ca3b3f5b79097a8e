// Upload and download sequences against the simulated controller over a
// pseudo-terminal: the commands sent, the log, the options and the failures.
#include "config/exceptions.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "store/device.h"
#include "simulatedline.h"
#include "testenv.h"
#include "transfer/advancedsettings.h"
#include "transfer/workflows.h"

#include <QDir>
#include <QtTest>

namespace {
// The progress window as a list of lines; it can be "closed" after a number of lines.
class TRecordingLog final : public TProgressLog {
public:
    void Clear() override { lines.clear(); }
    void Add(const QString &line) override
    {
        if (onLine)
            onLine(line);
        lines << line;
        scanActiveSeen << dmCOM().ScanActive();
        ++shown;
    }
    void ReplaceLast(const QString &line) override
    {
        if (onLine)
            onLine(line);
        lines.last() = line;
        ++shown;
    }
    bool Closed() const override { return closeAfter > 0 && shown >= closeAfter; }

    QStringList lines;
    QList<bool> scanActiveSeen;
    int shown = 0;
    int closeAfter = 0;
    std::function<void(const QString &)> onLine; // runs as each line is shown
};


void fillDevice(int names)
{
    DeviceSchedule().Clear();
    DeviceSchedule().SaveRecord({1, 0, 0x1F, 420, 510}, true);
    DeviceSchedule().SaveRecord({2, 0, 0x81, 900, 960}, true);
    DeviceCalendar().Clear();
    for (int i = 0; i < names; ++i)
        DeviceCalendar().SaveRecord({i + 1, 0, QStringLiteral("DAY %1").arg(i + 1), 5472 + 10 * i, 1 + i, quint8(i)},
                                    true);
}
}

class TestWorkflows : public QObject, TSimulatedLine {
    Q_OBJECT

    // Command codes of the frames the controller received, in order.
    QStringList Commands() const
    {
        QStringList codes;
        for (const QByteArray &frame : sim->Received())
            codes << QString::fromLatin1(frame.mid(1, 2));
        return codes;
    }

    TBeaconController Controller()
    {
        std::optional<TBeaconController> copy;
        sim->WithController([&](TBeaconController &c) { copy = c; });
        return *copy;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init()
    {
        BeaconSettings = {};
        fillDevice(3);
        Start();
    }

    void cleanup() { StopLine(); }

    void uploadWritesEverythingInOrder()
    {
        BeaconSettings.CommMode = 2;
        BeaconSettings.BrightnessRange = 0x4C;
        BeaconSettings.FlashPattern = 5;
        BeaconSettings.FlashSpeed = 3;
        BeaconSettings.BeaconRole = 1;
        BeaconSettings.LinkChannel = 6;
        BeaconSettings.DstStartDay = 5181;
        BeaconSettings.DstEndDay = 5419;
        BeaconSettings.DstShiftTime = 120;
        BeaconSettings.DstOffset = 60;
        sim->WithController([](TBeaconController &c) { c.SetClock(QDateTime(QDate(2020, 1, 1), QTime(0, 0))); });
        TRecordingLog log;
        QVERIFY(UploadToBeacon(log, true, true, true, true));

        QCOMPARE(log.lines, QStringList({"Writing Communication Mode Settings...", "Writing Real-Time Clock Settings...",
                                         "Writing Advanced Settings...", "Writing DST Settings...",
                                         "Writing Beacon Schedule...", "Writing Calendar of Exceptions...",
                                         "Writing Name for calendar record 3..."}));
        QVERIFY(!log.scanActiveSeen.contains(true)); // the identity poll stays off the line throughout
        QVERIFY(dm->ScanActive());
        QCOMPARE(Commands(), QStringList({"02", "10", "30", "16", "07", "06", "33", "33", "33"}));

        const TBeaconController c = Controller();
        QCOMPARE(c.commMode, quint8(2));
        QCOMPARE(c.advanced, (std::array<quint8, 5>{0x4C, 5, 3, 1, 6}));
        QCOMPARE(c.dstStart, quint16(5181));
        QCOMPARE(c.dstEnd, quint16(5419));
        QVERIFY(qAbs(c.Clock().secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(c.schedule[1].day, quint8(0x81));
        QCOMPARE(c.schedule[1].off, quint16(960));
        QCOMPARE(c.schedule[2].day, quint8(0)); // the rest of the table is emptied
        QCOMPARE(c.calendar[2].dayNum, quint16(5492));
        QCOMPARE(c.calendar[2].days, quint8(3));
        QCOMPARE(c.calendar[2].name, QByteArray("DAY 3").leftJustified(15, '\0'));
        QCOMPARE(c.calendar[3].dayNum, quint16(0));
    }

    void uploadOptionsLeaveOutTheirSteps()
    {
        TRecordingLog log;
        QVERIFY(UploadToBeacon(log, false, false, false, false));
        // Communication mode and the names of the records held in memory go out whatever the options.
        QCOMPARE(Commands(), QStringList({"02", "33", "33", "33"}));
        QCOMPARE(log.lines,
                 QStringList({"Writing Communication Mode Settings...", "Writing Name for calendar record 3..."}));

        sim->ClearFrameLog();
        QVERIFY(UploadToBeacon(log, true, false, true, false)); // holidays and clock cleared
        QCOMPARE(Commands(), QStringList({"02", "30", "16", "07", "33", "33", "33"}));

        sim->ClearFrameLog();
        DeviceCalendar().Clear(); // no records: no names, no name line
        QVERIFY(UploadToBeacon(log, false, false, false, true));
        QCOMPARE(Commands(), QStringList({"02", "06"}));
        QCOMPARE(log.lines.last(), QStringLiteral("Writing Calendar of Exceptions..."));
    }

    void closingTheProgressWindowEndsTheNameLoop()
    {
        TRecordingLog log;
        log.closeAfter = 2; // closed while the first name is written
        QVERIFY(UploadToBeacon(log, false, false, false, false));
        QCOMPARE(Commands(), QStringList({"02", "33"}));
    }

    void failureAtTheFirstStepRestoresTheScan()
    {
        StartIgnoring({0x02});
        TRecordingLog log;
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, true, true, true, true); }),
                 QStringLiteral("Exception while processing Communication Mode Settings"));
        QVERIFY(dm->ScanActive());
        QCOMPARE(Commands(), QStringList({"02", "02"})); // one retry, then nothing more
        QCOMPARE(log.lines, QStringList({"Writing Communication Mode Settings..."}));
    }

    void failingNameNamesItsRecord()
    {
        DeviceCalendar().SaveRecord({4, 0, QStringLiteral("LAST"), 6000, 1, 1}, true);
        TRecordingLog log;
        log.onLine = [&](const QString &line) {
            if (line.contains(QLatin1String("record 4"))) { // both attempts get a reply of another command
                sim->QueueRawReply("!0100");
                sim->QueueRawReply("!0100");
            }
        };
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, false, false, false, false); }),
                 QStringLiteral("Exception while processing Name for calendar record 4"));
        QCOMPARE(log.lines.last(), QStringLiteral("Writing Name for calendar record 4..."));
        QVERIFY(dm->ScanActive());
    }

    void refusedConfigurationSendsNothing()
    {
        TRecordingLog log;
        log.lines = {QStringLiteral("Reading Beacon Schedule...")}; // the last run's log
        DeviceCalendar().SaveRecord({9, 0, QStringLiteral("A NAME TOO LONG!"), 5000, 1, 1}, true);
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, false, false, false, false); }),
                 QStringLiteral("Name of calendar record 4: the name \"A NAME TOO LONG!\" cannot be sent to the Beacon "
                                "(at most 15 characters)."));
        QCOMPARE(log.lines, QStringList()); // cleared before the refusal
        fillDevice(3);
        DeviceSchedule().SaveRecord({3, 0, 0x01, 70000, 80}, true);
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, false, false, true, false); }),
                 QStringLiteral("On time of schedule record 3: the value 70000 cannot be sent to the Beacon "
                                "(allowed 0 to 65535)."));
        QVERIFY(sim->Received().isEmpty()); // refused before the first frame
        QVERIFY(UploadToBeacon(log, false, false, false, false)); // the schedule is not sent: no objection
        sim->ClearFrameLog();

        fillDevice(3);
        BeaconSettings.DstStartDay = DstDayFromDate(QDate(1899, 12, 30)); // a file's missing date
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, true, false, false, false); }),
                 QStringLiteral("DST start day: 30 December 1899 is outside the dates a Beacon can hold (2 January "
                                "2010 to 7 June 2189)."));
        const int endDay = BeaconSettings.DstEndDay;
        BeaconSettings.DstStartDay = 0;
        BeaconSettings.DstEndDay = 0x10000;
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, true, false, false, false); }),
                 QStringLiteral("DST end day: 8 June 2189 is outside the dates a Beacon can hold (2 January 2010 to 7 "
                                "June 2189)."));
        BeaconSettings.DstEndDay = endDay;
        BeaconSettings.DstStartDay = -1; // "no daylight saving" goes out
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, true, false, false, false); }), QString());
        QCOMPARE(Commands().first(), QStringLiteral("02"));

        sim->ClearFrameLog();
        // Taken exactly as given: more records than the page lets an operator add.
        QList<TCalendarRec> records;
        for (int i = 0; i < DeviceCalendar().Count(); ++i)
            records << DeviceCalendar().Records(i);
        for (int i = 0; i < 14; ++i)
            records.append({100 + i, 0, {}, 5000, 1, 1});
        DeviceCalendar().SetRecords(records);
        QCOMPARE(ErrorOf([&] { UploadToBeacon(log, false, false, false, false); }),
                 QStringLiteral("Holidays & Exceptions: 17 records cannot be sent to the Beacon (at most 16)."));
        QVERIFY(sim->Received().isEmpty());
        QVERIFY(dm->ScanActive());
    }

    void downloadReadsTheController()
    {
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        TRecordingLog log;
        QVERIFY(DownloadFromBeacon(log, true, true, true));
        QCOMPARE(log.lines, QStringList({"Reading Communication Mode Settings...", "Reading Advanced Settings...",
                                         "Reading Beacon Schedule...", "Reading Calendar of Exceptions...",
                                         "Reading DST Settings...", "Reading Name for calendar record 2..."}));
        QVERIFY(!log.scanActiveSeen.contains(true));
        QVERIFY(dm->ScanActive());
        QCOMPARE(Commands(), QStringList({"02", "30", "07", "06", "16", "33", "33"}));

        const TBeaconController c = Controller();
        QCOMPARE(BeaconSettings.CommMode, c.commMode);
        QCOMPARE(BeaconSettings.BrightnessRange, quint8(0x1F));
        QCOMPARE(BeaconSettings.FlashPattern, quint8(4));
        QCOMPARE(BeaconSettings.DstStartDay, int(c.dstStart));
        QCOMPARE(DeviceSchedule().Count(), 2);
        QCOMPARE(DeviceSchedule().Records(0).RecOnTime, 420);
        QCOMPARE(DeviceCalendar().Count(), 2);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
        QCOMPARE(DeviceCalendar().Records(1).name, QStringLiteral("NEW YEAR"));
        QCOMPARE(DeviceCalendar().Records(1).DayNum, int(c.calendar[1].dayNum));
    }

    void downloadWithEveryBoxCleared()
    {
        TRecordingLog log;
        QVERIFY(DownloadFromBeacon(log, false, false, false));
        // Mode, DST rule and a name for each of the three records held in memory.
        QCOMPARE(Commands(), QStringList({"02", "16", "33", "33", "33"}));
        QCOMPARE(log.lines, QStringList({"Reading Communication Mode Settings...", "Reading DST Settings...",
                                         "Reading Name for calendar record 3..."}));
        QCOMPARE(DeviceSchedule().Count(), 2); // untouched
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
        QCOMPARE(DeviceCalendar().Records(2).name, QString()); // the controller's third slot has no name
    }

    // A line that fails names the step and the port, before the system's text.
    void aLostLineNamesTheStepAndThePort()
    {
        const auto lostWhile = [this](const QString &error, const char *step) {
            const QString lead = QStringLiteral("Lost the connection to %1 while %2: ").arg(sim->PortName(),
                                                                                           QLatin1String(step));
            QVERIFY2(error.startsWith(lead) && error.size() > lead.size(), qPrintable(error));
        };
        TSimOptions options;
        options.closeAfter = 5; // at the schedule: mode, clock, advanced and DST are answered
        Start(options);
        TRecordingLog log;
        lostWhile(ErrorOf([&] { UploadToBeacon(log, true, true, true, true); }), "writing Beacon Schedule");
        QVERIFY(dm->ScanActive());

        options.closeAfter = 2; // at the advanced settings
        Start(options);
        lostWhile(ErrorOf([&] { DownloadFromBeacon(log, true, true, true); }), "reading Advanced Settings");
        options.closeAfter = 7; // at the second name
        Start(options);
        lostWhile(ErrorOf([&] { DownloadFromBeacon(log, true, true, true); }), "reading Name for calendar record 2");
    }

    void failedScheduleReadStopsTheDownload()
    {
        StartIgnoring({0x07});
        TRecordingLog log;
        QCOMPARE(ErrorOf([&] { DownloadFromBeacon(log, true, true, true); }),
                 QStringLiteral("Exception while processing Beacon Schedule"));
        QCOMPARE(Commands(), QStringList({"02", "30", "07", "07"}));
        QVERIFY(dm->ScanActive());
        QCOMPARE(BeaconSettings.FlashPattern, quint8(4)); // what was read before stays
        QCOMPARE(DeviceSchedule().Count(), 2);            // the failed read changes nothing
        QCOMPARE(DeviceSchedule().Records(1).RecDay, quint8(0x81));
    }
};

QTEST_GUILESS_MAIN(TestWorkflows)
#include "tst_workflows.moc"
