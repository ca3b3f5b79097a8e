// "Save to File" and "Load from File" of a beacon configuration, and the ten
// advanced keys of the advanced settings model.
#include "config/exceptions.h"
#include "store/device.h"
#include "store/inifile.h"
#include "store/localetext.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "transfer/advancedsettings.h"
#include "transfer/settingsfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QLocale enGB(QStringLiteral("en_GB"));
const QLocale enUS(QStringLiteral("en_US"));

QByteArray crlf(const char *lines)
{
    return QByteArray(lines).replace("\n", "\r\n");
}

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void fillDevice()
{
    DeviceSchedule().Clear();
    DeviceSchedule().SaveRecord({1000, 0, 0x1F, 420, 510}, true);
    DeviceSchedule().SaveRecord({1001, 0, 0x60, 600, 660}, true);
    DeviceCalendar().Clear();
    DeviceCalendar().SaveRecord({1000, 0, QStringLiteral("XMAS"), 5472, 1, 6}, true);
}

// A page with every control away from its initial value.
TAdvancedSettings editedPage()
{
    TAdvancedSettings page;
    page.SetBrightness(30, 80);
    page.FlashPattern = 5;
    page.FlashSpeed = 3;
    page.LinkChannel = 7;
    page.BeaconRole = 1;
    page.DateDST1 = QDate(2024, 3, 10);
    page.DateDST2 = QDate(2024, 11, 3);
    page.TimeDST = QTime(2, 0);
    page.OffsetIndex = 2;
    return page;
}

void compareAdvanced(const TAdvancedSettings &a, const TAdvancedSettings &b)
{
    QCOMPARE(a.BrightnessMin, b.BrightnessMin);
    QCOMPARE(a.BrightnessMax, b.BrightnessMax);
    QCOMPARE(a.FlashPattern, b.FlashPattern);
    QCOMPARE(a.FlashSpeed, b.FlashSpeed);
    QCOMPARE(a.LinkChannel, b.LinkChannel);
    QCOMPARE(a.BeaconRole, b.BeaconRole);
    QCOMPARE(a.DateDST1, b.DateDST1);
    QCOMPARE(a.DateDST2, b.DateDST2);
    QCOMPARE(a.TimeDST, b.TimeDST);
    QCOMPARE(a.OffsetIndex, b.OffsetIndex);
}
}

class TestConfigFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void init() { fillDevice(); }

    void allPartsRoundTrip()
    {
        const TAdvancedSettings page = editedPage();
        SaveSettingsFile(path("all.bcfg"), {}, page, enGB);
        QCOMPARE(readAll(path("all.bcfg")), crlf("[General]\n"
                                                 "BrightnessMin=30\nBrightnessMax=80\nFlashPattern=5\nFlashSpeed=3\n"
                                                 "LinkChannel=7\nBeaconRole=1\nDateDST1=10/03/2024\n"
                                                 "DateDST2=03/11/2024\nTimeDST=02:00:00\ncbOffsetDST=2\n"
                                                 "ScheduleCount=2\nCalendarCount=1\n\n"
                                                 "[Schedule0]\nid=1000\nScheduleId=0\nRecDay=31\nRecOnTime=420\n"
                                                 "RecOffTime=510\n\n"
                                                 "[Schedule1]\nid=1001\nScheduleId=0\nRecDay=96\nRecOnTime=600\n"
                                                 "RecOffTime=660\n\n"
                                                 "[Calendar0]\nid=1000\nCalendarId=0\nName=XMAS\nDayNum=5472\n"
                                                 "Days=1\nDayMode=6\n"));
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        TTestMessageService messages;
        TAdvancedSettings loaded;
        LoadSettingsFile(path("all.bcfg"), {}, loaded, enGB);
        compareAdvanced(loaded, page);
        QVERIFY(messages.entries.isEmpty()); // loading runs no rule, so no role message either
        QCOMPARE(DeviceSchedule().Count(), 2);
        QCOMPARE(DeviceSchedule().Records(1).RecDay, quint8(0x60));
        QCOMPARE(DeviceCalendar().Count(), 1);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
    }

    void onlyScheduleAndEmptyCalendar()
    {
        SaveSettingsFile(path("schedule.bcfg"), {true, false, false}, TAdvancedSettings(), enGB);
        const QByteArray bytes = readAll(path("schedule.bcfg"));
        QVERIFY(bytes.startsWith(crlf("[General]\nScheduleCount=2\n\n[Schedule0]\n")));
        QVERIFY(!bytes.contains("Calendar"));

        DeviceCalendar().Clear();
        SaveSettingsFile(path("calendar.bcfg"), {false, true, false}, TAdvancedSettings(), enGB);
        QCOMPARE(readAll(path("calendar.bcfg")), crlf("[General]\nCalendarCount=0\n"));
    }

    void savingReplacesTheWholeFile()
    {
        writeAll(path("old.bcfg"), crlf("[General]\nScheduleCount=9\n[Schedule8]\nRecDay=1\n[Extra]\nKey=1\n"));
        SaveSettingsFile(path("old.bcfg"), {true, false, false}, TAdvancedSettings(), enGB);
        const QByteArray bytes = readAll(path("old.bcfg"));
        QVERIFY(bytes.contains("ScheduleCount=2"));
        QVERIFY(!bytes.contains("Schedule8"));
        QVERIFY(!bytes.contains("Extra"));
    }

    void unwritableFileKeepsTheOldOne()
    {
        const QString missingFolder = path("no-such-folder/x.bcfg");
        try {
            SaveSettingsFile(missingFolder, {}, TAdvancedSettings(), enGB);
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Unable to write to %1").arg(missingFolder));
        }
    }

    void loadingKeepsPartsNotChosen()
    {
        SaveSettingsFile(path("parts.bcfg"), {}, editedPage(), enGB);
        DeviceCalendar().Clear();
        DeviceCalendar().SaveRecord({7, 0, QStringLiteral("KEPT"), 5000, 2, 1}, true);
        DeviceSchedule().Clear();
        TAdvancedSettings page;
        const TAdvancedSettings before = page;
        LoadSettingsFile(path("parts.bcfg"), {true, false, false}, page, enGB);
        QCOMPARE(DeviceSchedule().Count(), 2);
        QCOMPARE(DeviceCalendar().Count(), 1);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("KEPT"));
        compareAdvanced(page, before);
    }

    void missingFileLoadsDefaults()
    {
        TAdvancedSettings page = editedPage();
        LoadSettingsFile(path("missing.bcfg"), {}, page, enGB);
        QCOMPARE(page.BrightnessMin, 10); // 1 from the defaults, within the bar's limits
        QCOMPARE(page.BrightnessMax, 100);
        QCOMPARE(page.FlashPattern, 0);
        QCOMPARE(page.FlashSpeed, 0);
        QCOMPARE(page.LinkChannel, 0);
        QCOMPARE(page.BeaconRole, 0);
        QCOMPARE(page.DateDST1, QDate(1899, 12, 30));
        QCOMPARE(page.DateDST2, QDate(1899, 12, 30));
        QCOMPARE(page.TimeDST, QTime(0, 0));
        QCOMPARE(page.OffsetIndex, 0);
        QVERIFY(page.FlashSpeedEnabled); // enabled states do not follow loaded values
        QCOMPARE(DeviceSchedule().Count(), 0);
        QCOMPARE(DeviceCalendar().Count(), 0);
    }

    void outOfRangeListIndex()
    {
        TIniFile ini(enGB);
        ini.LoadFromBytes(crlf("[general]\nlinkchannel=12\nFlashPattern=-3\nFlashSpeed=0x4\ncbOffsetDST=4\n"
                               "TimeDST=7:45 PM\n"));
        TAdvancedSettings page;
        page.LoadFromIni(&ini);
        QCOMPARE(page.LinkChannel, -1); // nothing selected
        QCOMPARE(page.FlashPattern, -1);
        QCOMPARE(page.FlashSpeed, 4);
        QCOMPARE(page.OffsetIndex, 4);
        QCOMPARE(page.TimeDST, QTime(19, 45)); // a 12-hour file still reads under a 24-hour locale

        TIniFile out(enUS);
        page.SaveToIni(&out);
        QCOMPARE(out.ReadString(QStringLiteral("General"), QStringLiteral("LinkChannel"), {}), QStringLiteral("-1"));
        QCOMPARE(out.ReadString(QStringLiteral("General"), QStringLiteral("TimeDST"), {}),
                 TimeToText(QTime(19, 45), enUS));

        page.SaveToIni(nullptr); // without a file nothing happens
        page.LoadFromIni(nullptr);
        QCOMPARE(page.FlashSpeed, 4);
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
