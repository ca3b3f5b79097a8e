// Comparing configurations in plain words, reading a file and the controller
// without touching memory, and the verification after an upload.
#include "history/configcompare.h"
#include "simulatedline.h"
#include "store/device.h"
#include "testenv.h"
#include "transfer/workflows.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QLocale enUS(QStringLiteral("en_US")); // 12-hour clock, month first
const QLocale enGB(QStringLiteral("en_GB")); // 24-hour clock, day first

class TLinesLog final : public TProgressLog {
public:
    void Clear() override { lines.clear(); }
    void Add(const QString &line) override { lines << line; }
    void ReplaceLast(const QString &line) override { lines.last() = line; }
    bool Closed() const override { return false; }
    QStringList lines;
};

TBeaconConfig School()
{
    TBeaconConfig config;
    config.Settings.CommMode = 2;
    config.Settings.BrightnessRange = 0x2F;
    config.Settings.FlashPattern = 4;
    config.Settings.FlashSpeed = 2;
    config.Settings.DstStartDay = 5541;
    config.Settings.DstEndDay = 5775;
    config.Settings.DstShiftTime = 120;
    config.Settings.DstOffset = 60;
    config.Schedule = {{1, 0, 0x1F, 420, 510}, {2, 0, 0x1F, 870, 930}, {3, 0, 0x10, 480, 510}};
    config.Calendar = {{1, 0, QStringLiteral("XMAS"), 5472, 1, 6}};
    return config;
}

QStringList Lines(const QList<TConfigDifference> &differences)
{
    QStringList lines;
    for (const TConfigDifference &d : differences)
        lines << FileDifferenceText(d);
    return lines;
}

TCompareScope Everything()
{
    TCompareScope scope;
    scope.CommMode = scope.Advanced = scope.Schedule = scope.Calendar = true;
    return scope;
}

void HoldInMemory(const TBeaconConfig &config)
{
    RestoreMemory(config);
}
}

class TestConfigCompare : public QObject, TSimulatedLine {
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
        QVERIFY(fDir.isValid());
    }

    void cleanup() { StopLine(); }

    void differencesAreNamedInPlainWords()
    {
        const TBeaconConfig beacon = School();
        QVERIFY(CompareConfigs(beacon, beacon, Everything(), enUS).isEmpty());

        TBeaconConfig file = School();
        file.Schedule[2].RecOffTime = 525;
        QCOMPARE(Lines(CompareConfigs(beacon, file, Everything(), enUS)),
                 QStringList{"Schedule record 3: OFF time 08:30AM on the Beacon, 08:45AM in the file"});

        file.Settings.FlashPattern = 1;
        file.Settings.BrightnessRange = 0x4F;
        file.Settings.DstOffset = 30;
        file.Calendar[0].name = QStringLiteral("CHRISTMAS");
        file.Calendar.append({2, 0, QStringLiteral("NEW YEAR"), 5479, 2, 6});
        file.Schedule.removeFirst(); // records compare by position
        QCOMPARE(Lines(CompareConfigs(beacon, file, Everything(), enUS)),
                 (QStringList{
                     "Advanced Settings: Brightness Min 20% on the Beacon, 30% in the file",
                     "Advanced Settings: Flashing Pattern Alternating One Flash (Default) on the Beacon, "
                     "Simultaneous One Flash in the file",
                     "Advanced Settings: Time Offset 60 Minutes on the Beacon, 30 Minutes in the file",
                     "Schedule record 1: ON time 07:00AM on the Beacon, 02:30PM in the file",
                     "Schedule record 1: OFF time 08:30AM on the Beacon, 03:30PM in the file",
                     "Schedule record 2: Days Mo,Tu,We,Th,Fr on the Beacon, Fr in the file",
                     "Schedule record 2: ON time 02:30PM on the Beacon, 08:00AM in the file",
                     "Schedule record 2: OFF time 03:30PM on the Beacon, 08:45AM in the file",
                     "Schedule record 3: Fr 08:00AM to 08:30AM on the Beacon, none in the file",
                     "Calendar record 1: Name XMAS on the Beacon, CHRISTMAS in the file",
                     "Calendar record 2: none on the Beacon, NEW YEAR 1/1/2025, 2 day(s), Sunday in the file",
                 }));
        // Only what the scope names is looked at.
        TCompareScope names;
        names.Names = true;
        QCOMPARE(Lines(CompareConfigs(beacon, file, names, enGB)),
                 QStringList{"Calendar record 1: Name XMAS on the Beacon, CHRISTMAS in the file"});
        TBeaconConfig mode = School();
        mode.Settings.CommMode = 0;
        TCompareScope commMode;
        commMode.CommMode = true;
        QCOMPARE(Lines(CompareConfigs(mode, School(), commMode)),
                 QStringList{"Communication mode 0 on the Beacon, 2 in the file"});
    }

    void aFileIsReadWithoutTouchingMemory()
    {
        HoldInMemory(School());
        const QString fileName = fDir.filePath(QStringLiteral("part.bcfg"));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\r\nScheduleCount=1\r\n[Schedule0]\r\nRecDay=64\r\nRecOnTime=600\r\nRecOffTime=720\r\n");
        file.close();

        const TConfigParts parts = FileParts(fileName);
        QVERIFY(parts.Schedule && !parts.Holidays && !parts.Advanced);
        TBeaconConfig base = School();
        base.Settings.FlashSpeed = 4;
        const TBeaconConfig config = FileConfig(fileName, parts, base);
        QCOMPARE(config.Schedule.size(), 1);
        QCOMPARE(config.Schedule.first().RecOnTime, 600);
        QCOMPARE(config.Settings.FlashSpeed, quint8(4)); // not in the file: the base's
        QCOMPARE(config.Calendar.size(), 1);
        QCOMPARE(DeviceSchedule().Count(), 3); // memory as it was
        QCOMPARE(BeaconSettings.FlashSpeed, quint8(2));
        const TConfigParts none = FileParts(fDir.filePath(QStringLiteral("missing.bcfg")));
        QVERIFY(!none.Schedule && !none.Holidays && !none.Advanced);
    }

    void readingTheControllerLeavesMemoryAsItWas()
    {
        Start();
        HoldInMemory(School());
        TLinesLog log;
        const TBeaconConfig beacon = ReadBeaconConfig(log, {true, true, true});
        QCOMPARE(beacon.Schedule.size(), 2); // the simulator's own schedule
        QCOMPARE(beacon.Calendar.first().name, QStringLiteral("XMAS"));
        QCOMPARE(log.lines.first(), QStringLiteral("Reading Communication Mode Settings..."));
        QCOMPARE(DeviceSchedule().Count(), 3);
        QCOMPARE(DeviceSchedule().Records(2).RecDay, quint8(0x10));
        QCOMPARE(BeaconSettings.DstStartDay, 5541);
    }

    void verificationPassesWhenTheControllerKeepsWhatWasSent()
    {
        Start();
        HoldInMemory(School());
        TLinesLog log;
        QVERIFY(UploadToBeacon(log, true, false, true, true));
        VerifyUpload(log, true, true, true);
        // The upload's lines stay; the read-back follows them.
        QCOMPARE(log.lines.at(5), QStringLiteral("Writing Name for calendar record 1..."));
        QCOMPARE(log.lines.at(6), QStringLiteral("Reading Communication Mode Settings..."));
        QCOMPARE(DeviceSchedule().Count(), 3);
    }

    void verificationCatchesAControllerThatStoresOtherValues_data()
    {
        QTest::addColumn<quint8>("command");
        QTest::addColumn<bool>("holidays");
        QTest::addColumn<QString>("difference");
        QTest::newRow("schedule") << quint8(0x07) << true
                                  << "Schedule record 1: OFF time 08:31 on the Beacon, 08:30 uploaded";
        QTest::newRow("calendar") << quint8(0x06) << true
                                  << "Calendar record 1: Duration 2 day(s) on the Beacon, 1 day(s) uploaded";
        QTest::newRow("advanced") << quint8(0x30) << true
                                  << "Advanced Settings: Flashing Speed Fast on the Beacon, Medium (Default) uploaded";
        QTest::newRow("dst") << quint8(0x16) << true << "Advanced Settings: Shift Time 02:01 on the Beacon, 02:00 uploaded";
        // The names go out whatever the options; so they are read back too.
        QTest::newRow("name") << quint8(0x33) << false << "Calendar record 1: Name #MAS on the Beacon, XMAS uploaded";
        QTest::newRow("mode") << quint8(0x02) << true << "Communication mode 3 on the Beacon, 2 uploaded";
    }

    void verificationCatchesAControllerThatStoresOtherValues()
    {
        QFETCH(quint8, command);
        QFETCH(bool, holidays);
        QFETCH(QString, difference);
        Start();
        sim->WithController([command](TBeaconController &c) { c.corruptWrites = {command}; });
        HoldInMemory(School());
        QLocale::setDefault(enGB);
        TLinesLog log;
        QVERIFY(UploadToBeacon(log, true, false, true, holidays));
        QString error;
        try {
            VerifyUpload(log, true, true, holidays, enGB);
        } catch (const EUploadDiffers &e) {
            error = e.Message();
        }
        QCOMPARE(error, QStringLiteral("The Beacon does not hold what was uploaded:\n") + difference);
        // Memory keeps what was sent, as the pages show it.
        QCOMPARE(DeviceSchedule().Records(0).RecOffTime, 510);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
        QCOMPARE(BeaconSettings.FlashSpeed, quint8(2));
    }
};

QTEST_GUILESS_MAIN(TestConfigCompare)
#include "tst_configcompare.moc"
