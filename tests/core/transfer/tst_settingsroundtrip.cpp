// Whatever a settings file gives is refused with a message, or goes to the
// controller and comes back the same: hostile and mutated files through
// ReadSettingsText, CheckUploadConfiguration and the codecs, against the
// simulated controller.
#include "config/exceptions.h"
#include "protocol/beaconprotocol.h"
#include "simulatedline.h"
#include "store/device.h"
#include "store/inifile.h"
#include "testenv.h"
#include "transfer/settingsfile.h"
#include "transfer/workflows.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
const QLocale enGB(QStringLiteral("en_GB"));

// What the controller holds of a configuration, field by field.
struct TWire {
    QList<int> settings;
    QList<QList<int>> schedule;
    QList<QList<int>> calendar;
    QStringList names;
};

TWire Wire()
{
    const TBeaconSettings &b = BeaconSettings;
    TWire wire;
    wire.settings = {b.BrightnessRange, b.FlashPattern, b.FlashSpeed, b.BeaconRole, b.LinkChannel,
                     b.DstStartDay,     b.DstEndDay,    b.DstShiftTime, b.DstOffset};
    for (int i = 0; i < DeviceSchedule().Count(); ++i) {
        const TScheduleRec r = DeviceSchedule().Records(i);
        wire.schedule << QList<int>{r.RecDay, r.RecOnTime, r.RecOffTime};
    }
    for (int i = 0; i < DeviceCalendar().Count(); ++i) {
        const TCalendarRec r = DeviceCalendar().Records(i);
        wire.calendar << QList<int>{r.DayNum, r.Days, r.DayMode};
        wire.names << r.name;
    }
    return wire;
}

// A whole configuration as this program writes it.
QByteArray BaseFile()
{
    TIniFile ini(enGB);
    TAdvancedSettings page;
    page.SetBrightness(30, 80);
    page.FlashPattern = 5;
    page.DateDST1 = QDate(2026, 3, 29);
    page.DateDST2 = QDate(2026, 10, 25);
    page.TimeDST = QTime(1, 0);
    page.OffsetIndex = 1;
    page.SaveToIni(&ini);
    TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
    schedule.SetRecords({{1000, 0, 0x1F, 420, 510}, {1001, 0, 0x60, 600, 660}, {1002, 0, 0x81, 0, 1439}});
    schedule.SaveToIniFile(ini);
    TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
    calendar.SetRecords({{1000, 0, QStringLiteral("XMAS"), 5472, 1, 6},
                         {1001, 0, QStringLiteral("F\u00eate \u00e9t\u00e9"), 5600, 10, 7},
                         {1002, 0, QString(), 65534, 255, 255}});
    calendar.SaveToIniFile(ini);
    return ini.ToBytes();
}

// One change of the kinds a damaged or hand-edited file shows.
QByteArray Mutate(QByteArray file, QRandomGenerator &random)
{
    static const QList<QByteArray> values = {
        "",           "0",          "1",          "-1",        "15",         "16",         "17",
        "254",        "255",        "256",        "1439",      "1440",       "65534",      "65535",
        "65536",      "2147483647", "-2147483648", "0x7FFFFFFF", "$FF",       "abc",        "1/1/2010",
        "2/1/2010",   "3/1/2010",   "2010-01-01", "2010-01-02", "2189-06-07", "2189-06-08", "30/12/1899",
        "13/13/2013", "3/8/2026",   "8 Mar 2026", "00:00:00",   "23:59:59",  "24:00:00",   "12:00 AM",
        "2:00:00 PM", "?? 2? 0? 0?", "A NAME TOO LONG FOR IT", "x\ty"};
    QList<QByteArray> lines = file.split('\n');
    const int at = random.bounded(int(lines.size()));
    switch (random.bounded(5)) {
    case 0: { // another value for a key
        QByteArray &line = lines[at];
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0)
            line = line.left(equals + 1) + values.at(random.bounded(int(values.size()))) + "\r";
        break;
    }
    case 1:
        lines.removeAt(at);
        break;
    case 2:
        lines.insert(at, lines.at(random.bounded(int(lines.size()))));
        break;
    default: { // a stray byte
        QByteArray &line = lines[at];
        line.insert(random.bounded(int(line.size()) + 1), char(random.bounded(256)));
        break;
    }
    }
    return lines.join('\n');
}
}

class TestSettingsRoundTrip : public QObject, TSimulatedLine {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
        Start();
    }

    void cleanupTestCase() { StopLine(); }

    void whatLoadsComesBackFromTheController()
    {
        QList<QByteArray> files = {
            BaseFile(),
            "[General]\r\nScheduleCount=2147483647\r\n",
            "[General]\r\nScheduleCount=1\r\n[Schedule0]\r\nRecDay=1\r\nRecOnTime=-2\r\nRecOffTime=2147483647\r\n",
            "[General]\r\nCalendarCount=1\r\n[Calendar0]\r\nDayNum=1\r\nDays=-2147483648\r\n",
            "[General]\r\nDateDST1=3/8/2026\r\nDateDST2=11/1/2026\r\nTimeDST=2:00:00 AM\r\n",
            "[General]\r\nDateDST1ISO=2010-01-01\r\nDateDST2ISO=2010-01-01\r\n",
            "[General]\r\n",
        };
        QRandomGenerator random(20260308);
        const QByteArray base = BaseFile();
        for (int i = 0; i < 400; ++i) {
            QByteArray mutant = base;
            for (int changes = 1 + random.bounded(3); changes > 0; --changes)
                mutant = Mutate(mutant, random);
            files << mutant;
        }

        TAdvancedSettings page;
        int refusedOnLoad = 0, refusedBeforeSending = 0, sent = 0;
        for (const QByteArray &file : std::as_const(files)) {
            TBeaconConfiguration configuration{page, {}, {}};
            QString error = ErrorOf([&] { configuration = ReadSettingsText(file, {}, page, enGB); });
            if (!error.isEmpty()) {
                ++refusedOnLoad;
                continue;
            }
            BeaconSettings = TBeaconSettings();
            configuration.Advanced.SetSettings(BeaconSettings);
            DeviceSchedule().SetRecords(configuration.Schedule);
            DeviceCalendar().SetRecords(configuration.Calendar);
            error = ErrorOf([] { CheckUploadConfiguration(true, true, true); });
            if (!error.isEmpty()) {
                ++refusedBeforeSending;
                continue;
            }
            const TWire before = Wire();
            error = ErrorOf([] {
                RequireAnswer(WriteAdvancedSettings() && WriteDstSettings() && WriteSchedule() && WriteCalendar(),
                              QStringLiteral("writing"));
                for (int i = 0; i < DeviceCalendar().Count(); ++i)
                    RequireAnswer(WriteCalendarName(quint8(i)), QStringLiteral("a name"));
                BeaconSettings = TBeaconSettings();
                const int names = DeviceCalendar().Count();
                DeviceSchedule().Clear();
                DeviceCalendar().Clear();
                RequireAnswer(ReadAdvancedSettings() && ReadDstSettings() && ReadSchedule() > 0 && ReadCalendar() > 0,
                              QStringLiteral("reading"));
                for (int i = 0; i < names; ++i)
                    RequireAnswer(ReadCalendarName(quint8(i)), QStringLiteral("a name"));
            });
            QVERIFY2(error.isEmpty(), qPrintable(error + u'\n' + QString::fromLatin1(file)));
            const TWire after = Wire();
            QCOMPARE(after.settings, before.settings);
            QCOMPARE(after.schedule, before.schedule);
            QCOMPARE(after.calendar, before.calendar);
            QCOMPARE(after.names, before.names);
            ++sent;
        }
        qInfo("%d files: %d refused on loading, %d before sending, %d sent and read back alike (%d frames)",
              int(files.size()), refusedOnLoad, refusedBeforeSending, sent, int(sim->Received().size()));
        QVERIFY(sent > 50); // the mutations leave plenty of files that load
        QVERIFY(refusedOnLoad > 50);
    }
};

QTEST_GUILESS_MAIN(TestSettingsRoundTrip)
#include "tst_settingsroundtrip.moc"
