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
                                                 "LinkChannel=7\nBeaconRole=1\n"
                                                 "DateDST1=10/03/2024\nDateDST1ISO=2024-03-10\n"
                                                 "DateDST2=03/11/2024\nDateDST2ISO=2024-11-03\n"
                                                 "TimeDST=02:00:00\nTimeDSTISO=02:00:00\ncbOffsetDST=2\n"
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

    void fileFromAnotherComputerLoadsExactly()
    {
        // Written under en_US, loaded under en_GB, de_DE and C: the companions
        // carry the dates that the locale forms alone could not.
        const TAdvancedSettings page = editedPage();
        SaveSettingsFile(path("us.bcfg"), {}, page, enUS);
        QVERIFY(readAll(path("us.bcfg")).contains("DateDST1=3/10/2024\r\nDateDST1ISO=2024-03-10\r\n"));
        for (const QLocale &locale : {enGB, QLocale(QStringLiteral("de_DE")), QLocale::c()}) {
            TAdvancedSettings loaded;
            LoadSettingsFile(path("us.bcfg"), {}, loaded, locale);
            compareAdvanced(loaded, page);
        }

        // The original format, without companions: read as the locale writes
        // it, or refused when another locale's form could mean two dates.
        writeAll(path("original.bcfg"), crlf("[General]\nDateDST1=3/8/2026\nDateDST2=11/1/2026\n"
                                              "TimeDST=2:00:00 AM\ncbOffsetDST=1\n"));
        TAdvancedSettings loaded;
        LoadSettingsFile(path("original.bcfg"), {false, false, true}, loaded, enUS);
        QCOMPARE(loaded.DateDST1, QDate(2026, 3, 8));
        QCOMPARE(loaded.DateDST2, QDate(2026, 11, 1));
        QCOMPARE(loaded.TimeDST, QTime(2, 0));
        const TAdvancedSettings before = loaded;
        QCOMPARE(ErrorOf([&] { LoadSettingsFile(path("original.bcfg"), {}, loaded, enGB); }),
                 QStringLiteral("DateDST1: cannot tell whether '3/8/2026' is 3 August or 8 March."));
        compareAdvanced(loaded, before);
    }

    void dstRulesTheControllerCannotHoldAreRefused_data()
    {
        QTest::addColumn<QByteArray>("general");
        QTest::addColumn<QString>("error");
        QTest::newRow("before the controller's dates") << QByteArray("DateDST1ISO=2009-03-08\nDateDST2ISO=2009-11-01\n")
                                                       << "DateDST1: 8 March 2009 is outside the dates a Beacon can "
                                                          "hold (3 January 2010 to 7 June 2189).";
        QTest::newRow("after them") << QByteArray("DateDST1ISO=2026-03-08\nDateDST2ISO=2190-11-01\n")
                                    << "DateDST2: 1 November 2190 is outside the dates a Beacon can hold "
                                       "(3 January 2010 to 7 June 2189).";
        QTest::newRow("half switched off") << QByteArray("DateDST1ISO=2010-01-01\nDateDST2ISO=2026-11-01\n")
                                           << "DateDST1: 1 January 2010 (no daylight saving) must be the date of "
                                              "both shifts or of neither.";
        QTest::newRow("shift time unreadable") << QByteArray("TimeDST=2 o'clock\n")
                                               << "TimeDST: cannot read '2 o'clock' as a time of day.";
        QTest::newRow("switched off") << QByteArray("DateDST1ISO=2010-01-01\nDateDST2ISO=2010-01-01\n") << "";
        QTest::newRow("last day") << QByteArray("DateDST1ISO=2010-01-03\nDateDST2ISO=2189-06-07\n") << "";
        QTest::newRow("missing dates keep their default") << QByteArray("DateDST2ISO=2026-11-01\n") << "";
    }

    void dstRulesTheControllerCannotHoldAreRefused()
    {
        QFETCH(QByteArray, general);
        QFETCH(QString, error);
        TAdvancedSettings page = editedPage();
        const QString refused = ErrorOf([&] {
            page = ReadSettingsText("[General]\n" + general, {false, false, true}, page, enGB).Advanced;
        });
        QCOMPARE(refused, error);
        if (!error.isEmpty())
            compareAdvanced(page, editedPage());
    }

    void refusedFileChangesNoPart()
    {
        // The advanced part and the schedule are fine, the calendar is not.
        writeAll(path("half.bcfg"), crlf("[General]\nBrightnessMin=50\nScheduleCount=1\nCalendarCount=1\n"
                                          "[Schedule0]\nRecDay=1\nRecOnTime=1\nRecOffTime=2\n"
                                          "[Calendar0]\nDayNum=5472\nDays=0\n"));
        TAdvancedSettings page = editedPage();
        QCOMPARE(ErrorOf([&] { LoadSettingsFile(path("half.bcfg"), {}, page, enGB); }),
                 QStringLiteral("[Calendar0] Days: the value 0 is outside 1 to 255."));
        compareAdvanced(page, editedPage());
        QCOMPARE(DeviceSchedule().Count(), 2);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
        // Without the calendar the rest loads.
        LoadSettingsFile(path("half.bcfg"), {true, false, true}, page, enGB);
        QCOMPARE(page.BrightnessMin, 50);
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(DeviceCalendar().Count(), 1);

        // Saving refuses a name the file could not keep, and writes nothing.
        DeviceCalendar().SaveRecord({2000, 0, QStringLiteral("Bad\nName"), 5473, 1, 0}, true);
        QCOMPARE(ErrorOf([&] { SaveSettingsFile(path("refused.bcfg"), {}, page, enGB); }),
                 QStringLiteral("Name of calendar record 2: character 4 of the name is the control character 0x0A, "
                                "which a Beacon name cannot carry."));
        QVERIFY(!QFile::exists(path("refused.bcfg")));
    }

    void readingTextNeedsNoDevice()
    {
        // The pure road a fuzz target takes: chosen parts only, the page's
        // own values where the advanced part is not chosen.
        const TAdvancedSettings page = editedPage();
        const QByteArray text = crlf("[General]\nBrightnessMin=20\nScheduleCount=1\n"
                                     "[Schedule0]\nid=5\nRecDay=96\nRecOnTime=600\nRecOffTime=660\n");
        const TBeaconConfiguration schedule = ReadSettingsText(text, {true, false, false}, page, enGB);
        compareAdvanced(schedule.Advanced, page);
        QCOMPARE(schedule.Schedule.size(), 1);
        QCOMPARE(schedule.Schedule.at(0).RecOnTime, 600);
        QVERIFY(schedule.Calendar.isEmpty());
        QCOMPARE(DeviceSchedule().Count(), 2); // untouched
        const TBeaconConfiguration advanced = ReadSettingsText(text, {false, false, true}, page, enGB);
        QCOMPARE(advanced.Advanced.BrightnessMin, 20);
        QCOMPARE(advanced.Advanced.DateDST1, QDate(1899, 12, 30)); // missing: the default, as always
        QVERIFY(advanced.Schedule.isEmpty());
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
