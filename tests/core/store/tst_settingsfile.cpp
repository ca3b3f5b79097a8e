#include "config/exceptions.h"
#include "store/calendar.h"
#include "store/inifile.h"
#include "store/localetext.h"
#include "store/schedule.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {
const QLocale enUS(QStringLiteral("en_US"));
const QLocale enGB(QStringLiteral("en_GB"));
const QLocale deDE(QStringLiteral("de_DE"));

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

}

class TestSettingsFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void writesSectionsAndKeysInFirstWrittenOrder()
    {
        TIniFile ini(enUS);
        ini.WriteInteger(QStringLiteral("General"), QStringLiteral("ScheduleCount"), 2);
        ini.WriteString(QStringLiteral("Calendar0"), QStringLiteral("Name"), QStringLiteral("Fête"));
        ini.WriteInteger(QStringLiteral("general"), QStringLiteral("CalendarCount"), -1);
        ini.WriteInteger(QStringLiteral("GENERAL"), QStringLiteral("schedulecount"), 3); // updated in place
        // A line break in a value cannot forge a section.
        ini.WriteString(QStringLiteral("Calendar0"), QStringLiteral("Note"), QStringLiteral("a\r\n[Schedule9]\nid=1"));
        QCOMPARE(ini.ToBytes(), crlf("[General]\nScheduleCount=3\nCalendarCount=-1\n\n"
                                     "[Calendar0]\nName=F\xEAte\nNote=a  [Schedule9] id=1\n"));
        QCOMPARE(ini.SectionNames(), (QStringList{"General", "Calendar0"}));
    }

    void readsLikeTheProfileFunctions()
    {
        TIniFile ini(enUS);
        ini.LoadFromBytes("stray=1\r\n\r\n[General]\n  Count = 0x1F \r\n\r\nHex=$ff\nNeg=-12\nBad=12abc\n"
                          "Empty=\nPrefixOnly=0x\nBig=2147483648\nAllBits=$FFFFFFFF\nMin=-2147483648\n"
                          "count=99\nno equals sign\n[ Schedule0 ]\nid=5\n[general]\nLate=7\n");
        QCOMPARE(ini.SectionNames(), (QStringList{"General", "Schedule0"}));
        const QString g = QStringLiteral("GENERAL");
        QCOMPARE(ini.ReadInteger(g, QStringLiteral("count"), -9), 31); // the first of repeated keys
        QCOMPARE(ini.ReadInteger(g, QStringLiteral("Hex"), -9), 255);
        QCOMPARE(ini.ReadInteger(g, QStringLiteral("Neg"), -9), -12);
        QCOMPARE(ini.ReadInteger(g, QStringLiteral("Min"), -9), int(-2147483648LL));
        QCOMPARE(ini.ReadInteger(g, QStringLiteral("AllBits"), -9), -1);
        for (const char *key : {"Bad", "Empty", "PrefixOnly", "Big", "Missing", "stray"})
            QCOMPARE(ini.ReadInteger(g, QString::fromLatin1(key), -9), -9);
        QCOMPARE(ini.ReadInteger(g, QStringLiteral("Late"), -9), 7);
        QCOMPARE(ini.ReadInteger(QStringLiteral("schedule0"), QStringLiteral("ID"), -9), 5);
        QCOMPARE(ini.ReadString(g, QStringLiteral("Empty"), QStringLiteral("def")), QString());
        QCOMPARE(ini.ReadString(g, QStringLiteral("Missing"), QStringLiteral("def")), QStringLiteral("def"));

        ini.WriteString(QStringLiteral("Text"), QStringLiteral("Long"), QString(3000, u'n'));
        QCOMPARE(ini.ReadString(QStringLiteral("Text"), QStringLiteral("Long"), QString()).size(), 2047);
    }

    void datesAndTimesAreWrittenInTheOperatorsFormats()
    {
        const QDate date(2024, 3, 10);
        const QTime time(14, 5, 0);
        const struct {
            QLocale locale;
            const char *date;
            const char *time;
        } cases[] = {{enUS, "3/10/2024", "2:05:00 PM"}, {enGB, "10/03/2024", "14:05:00"},
                     {deDE, "10.03.2024", "14:05:00"}};
        for (const auto &c : cases) {
            TIniFile ini(c.locale);
            ini.WriteDate(QStringLiteral("General"), QStringLiteral("DateDST1"), date);
            ini.WriteTime(QStringLiteral("General"), QStringLiteral("TimeDST"), time);
            QCOMPARE(ini.ReadString(QStringLiteral("General"), QStringLiteral("DateDST1"), QString()),
                     QString::fromLatin1(c.date));
            QCOMPARE(ini.ReadString(QStringLiteral("General"), QStringLiteral("TimeDST"), QString()),
                     QString::fromLatin1(c.time));
            QCOMPARE(ini.ReadDate(QStringLiteral("General"), QStringLiteral("DateDST1"), QDate()), date);
            QCOMPARE(ini.ReadTime(QStringLiteral("General"), QStringLiteral("TimeDST"), QTime()), time);
        }
    }

    void datesAndTimesFromOtherLocalesAreRead_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        const QDate none;
        const QTime never;
        QTest::newRow("en_GB date under en_US") << "en_US" << "31/03/2024" << QDate(2024, 3, 31) << never;
        QTest::newRow("en_US date under en_GB") << "en_GB" << "11/30/2024" << QDate(2024, 11, 30) << never;
        QTest::newRow("ISO under de_DE") << "de_DE" << "2024-10-27" << QDate(2024, 10, 27) << never;
        QTest::newRow("two-digit year") << "de_DE" << "27.10.24" << QDate(2024, 10, 27) << never;
        QTest::newRow("own form, as this locale writes it") << "en_US" << "3/8/2026" << QDate(2026, 3, 8) << never;
        QTest::newRow("another locale's form, either order") << "en_GB" << "3/10/2024" << none << never;
        QTest::newRow("no locale set") << "en_US" << "8 Mar 2026" << QDate(2026, 3, 8) << never;
        QTest::newRow("no locale set, time") << "en_US" << "02:00:00" << none << QTime(2, 0);
        QTest::newRow("year never taken from a day") << "en_US" << "31/03/24" << QDate(2024, 3, 31) << never;
        QTest::newRow("24-hour under en_US") << "en_US" << "14:00" << none << QTime(14, 0);
        QTest::newRow("12-hour under de_DE") << "de_DE" << "2:30:00 PM" << none << QTime(14, 30);
        QTest::newRow("12 AM") << "en_GB" << "12:15 am" << none << QTime(0, 15);
        QTest::newRow("12 PM") << "de_DE" << "12:15:09 PM" << none << QTime(12, 15, 9);
        QTest::newRow("dotted clock, or a day-first date") << "en_US" << "14.05.06" << QDate(2006, 5, 14)
                                                            << QTime(14, 5, 6);
        QTest::newRow("unknown marker") << "en_US" << "2:00:00 XY" << none << never;
        QTest::newRow("13 PM") << "en_US" << "13:00 PM" << none << never;
        QTest::newRow("no such hour") << "en_GB" << "25:00:00" << none << never;
        QTest::newRow("no such date") << "en_US" << "2/30/2024" << none << never;
        QTest::newRow("words") << "en_US" << "soon" << none << never;
        QTest::newRow("empty") << "en_US" << "" << none << never;
    }

    void datesAndTimesFromOtherLocalesAreRead()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QCOMPARE(TextToDate(text, QLocale(locale)), date);
        QCOMPARE(TextToTime(text, QLocale(locale)), time);
    }

    void fileWrittenOnWindowsIsReadUnderEnUS()
    {
        const QString file = dir.filePath(QStringLiteral("windows.bcfg"));
        writeAll(file, crlf("[General]\nBrightnessMin=1\nDateDST1=3/10/2024\nDateDST2=11/3/2024\n"
                            "TimeDST=2:00:00 AM\nScheduleCount=1\nCalendarCount=1\n"
                            "[Schedule0]\nid=1000\nScheduleId=0\nRecDay=31\nRecOnTime=420\nRecOffTime=510\n"
                            "[Calendar0]\nid=1000\nCalendarId=0\nName=F\xEAte\nDayNum=5472\nDays=1\nDayMode=6\n"));
        TIniFile ini(enUS);
        ini.LoadFromFile(file);
        const QString g = QStringLiteral("General");
        const QDate epoch(1899, 12, 30);
        QCOMPARE(ini.ReadDate(g, QStringLiteral("DateDST1"), epoch), QDate(2024, 3, 10));
        QCOMPARE(ini.ReadDate(g, QStringLiteral("DateDST2"), epoch), QDate(2024, 11, 3));
        QCOMPARE(ini.ReadTime(g, QStringLiteral("TimeDST"), QTime(0, 0)), QTime(2, 0));
        QCOMPARE(ErrorOf([&] { ini.ReadDate(g, QStringLiteral("ScheduleCount"), epoch); }),
                 QStringLiteral("ScheduleCount: cannot read '1' as a date."));
        QCOMPARE(ini.ReadDate(g, QStringLiteral("Missing"), epoch), epoch);

        TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
        schedule.LoadFromIniFile(ini);
        QCOMPARE(schedule.Count(), 1);
        QCOMPARE(schedule.Records(0).id, 1000);
        QCOMPARE(schedule.Records(0).RecDay, quint8(31));
        QCOMPARE(schedule.Records(0).RecOffTime, 510);
        TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
        calendar.LoadFromIniFile(ini);
        QCOMPARE(calendar.Count(), 1);
        QCOMPARE(calendar.Records(0).name, QStringLiteral("Fête"));
        QCOMPARE(calendar.Records(0).DayNum, 5472);
        QCOMPARE(calendar.Records(0).DayMode, quint8(6));
        QCOMPARE(calendar.Name(), QStringLiteral("DEVICE"));
    }

    void fileFromEnGBIsReadUnderEnUS()
    {
        const QString file = dir.filePath(QStringLiteral("british.bcfg"));
        TIniFile written(enGB);
        written.WriteDate(QStringLiteral("General"), QStringLiteral("DateDST1"), QDate(2024, 3, 31));
        written.WriteDate(QStringLiteral("General"), QStringLiteral("DateDST2"), QDate(2024, 10, 27));
        written.WriteTime(QStringLiteral("General"), QStringLiteral("TimeDST"), QTime(1, 0));
        written.SaveToFile(file);
        QCOMPARE(readAll(file), crlf("[General]\nDateDST1=31/03/2024\nDateDST1ISO=2024-03-31\n"
                                     "DateDST2=27/10/2024\nDateDST2ISO=2024-10-27\n"
                                     "TimeDST=01:00:00\nTimeDSTISO=01:00:00\n"));

        TIniFile ini(enUS);
        ini.LoadFromFile(file);
        QCOMPARE(ini.ReadDate(QStringLiteral("General"), QStringLiteral("DateDST1"), QDate()), QDate(2024, 3, 31));
        QCOMPARE(ini.ReadDate(QStringLiteral("General"), QStringLiteral("DateDST2"), QDate()), QDate(2024, 10, 27));
        QCOMPARE(ini.ReadTime(QStringLiteral("General"), QStringLiteral("TimeDST"), QTime()), QTime(1, 0));
    }

    void scheduleAndCalendarSections()
    {
        TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
        TScheduleRec s;
        s.id = 1000;
        s.RecDay = 0x1F;
        s.RecOnTime = 420;
        s.RecOffTime = 510;
        schedule.SaveRecord(s, true);
        s.id = -5;
        s.RecDay = 0x84;
        s.RecOnTime = 0;
        schedule.SaveRecord(s, true);
        TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
        TCalendar empty(QStringLiteral("DEVICE"), 0, false);

        TIniFile onlySchedule(enUS);
        schedule.SaveToIniFile(onlySchedule);
        empty.SaveToIniFile(onlySchedule);
        QCOMPARE(onlySchedule.ToBytes(),
                 crlf("[General]\nScheduleCount=2\nCalendarCount=0\n\n"
                      "[Schedule0]\nid=1000\nScheduleId=0\nRecDay=31\nRecOnTime=420\nRecOffTime=510\n\n"
                      "[Schedule1]\nid=-5\nScheduleId=0\nRecDay=132\nRecOnTime=0\nRecOffTime=510\n"));

        TCalendarRec c;
        c.id = 1001;
        c.name = QStringLiteral("Fête");
        c.DayNum = 5472;
        c.Days = 1;
        c.DayMode = 6;
        calendar.SaveRecord(c, true);
        TIniFile both(enUS);
        calendar.SaveToIniFile(both);
        QCOMPARE(both.ToBytes(),
                 crlf("[General]\nCalendarCount=1\n\n"
                      "[Calendar0]\nid=1001\nCalendarId=0\nName=F\xEAte\nDayNum=5472\nDays=1\nDayMode=6\n"));

        TSchedule back(QStringLiteral("kept"), 0, false);
        back.LoadFromIniFile(onlySchedule);
        QCOMPARE(back.Count(), 2);
        QCOMPARE(back.Records(1).id, -5);
        QCOMPARE(back.Records(1).RecDay, quint8(0x84));
        QCOMPARE(back.Name(), QStringLiteral("kept"));
        calendar.LoadFromIniFile(onlySchedule); // a count of 0
        QCOMPARE(calendar.Count(), 0);
    }

    void oddValuesWithinRangeLoad()
    {
        TIniFile ini(enUS);
        ini.LoadFromBytes(QByteArray("[General]\nScheduleCount=1\nCalendarCount=0x2\n"
                                     "[Schedule0]\nid=7\nRecDay=0x81\nRecOnTime=$59F\n"
                                     "[Calendar0]\nDayNum=1\nDays=1\n"
                                     "[Calendar1]\nName=")
                          + QByteArray(300, 'z') + "\nDayNum=65534\nDayMode=255\nDays=$FF\n");
        TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
        schedule.LoadFromIniFile(ini);
        QCOMPARE(schedule.Count(), 1);
        QCOMPARE(schedule.Records(0).id, 7);
        QCOMPARE(schedule.Records(0).RecDay, quint8(0x81));
        QCOMPARE(schedule.Records(0).RecOnTime, 1439);
        QCOMPARE(schedule.Records(0).RecOffTime, 0); // a missing time is midnight

        TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
        calendar.LoadFromIniFile(ini);
        QCOMPARE(calendar.Count(), 2);
        QCOMPARE(calendar.Records(0).name, QString());
        QCOMPARE(calendar.Records(1).name, QString(255, u'z'));
        QCOMPARE(calendar.Records(1).DayNum, 65534);
        QCOMPARE(calendar.Records(1).DayMode, quint8(255));
        QCOMPARE(calendar.Records(1).Days, 255);
    }

    // Each of these once crashed, hung, overflowed or loaded a value the
    // controller would take for something else.
    void recordSectionsThatCannotBeTakenAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error");
        QTest::newRow("absurd count") << QByteArray("[General]\r\nScheduleCount=2147483647\r\n")
                                      << "ScheduleCount: 2147483647 records are more than the 16 a Beacon holds.";
        QTest::newRow("one too many") << QByteArray("[General]\nCalendarCount=17\n")
                                      << "CalendarCount: 17 records are more than the 16 a Beacon holds.";
        QTest::newRow("sections missing") << QByteArray("[General]\nScheduleCount=2\n[Schedule0]\nRecDay=1\n")
                                          << "ScheduleCount: 2 records, but the file has no section [Schedule1].";
        QTest::newRow("negative count") << QByteArray("[General]\nCalendarCount=-3\n")
                                        << "CalendarCount: the value -3 is outside 0 to 16.";
        QTest::newRow("count in words") << QByteArray("[General]\nScheduleCount=two\n")
                                        << "ScheduleCount: 'two' is not a number.";
        QTest::newRow("negative on time") << QByteArray("[General]\nScheduleCount=1\n[Schedule0]\nRecDay=31\nRecOnTime=-2\n")
                                          << "[Schedule0] RecOnTime: the value -2 is outside 0 to 1439.";
        QTest::newRow("off time overflowing a duration")
            << QByteArray("[General]\nScheduleCount=1\n[Schedule0]\nRecDay=31\nRecOffTime=2147483647\n")
            << "[Schedule0] RecOffTime: the value 2147483647 is outside 0 to 1439.";
        QTest::newRow("time as a clock") << QByteArray("[General]\nScheduleCount=1\n[Schedule0]\nRecDay=1\nRecOnTime=7:00\n")
                                         << "[Schedule0] RecOnTime: '7:00' is not a number.";
        QTest::newRow("no days") << QByteArray("[General]\nScheduleCount=1\n[Schedule0]\nRecDay=0\n")
                                 << "[Schedule0] RecDay: the value 0 is outside 1 to 254.";
        QTest::newRow("day byte missing") << QByteArray("[General]\nScheduleCount=1\n[Schedule0]\nid=1\n")
                                          << "[Schedule0] RecDay: the key is missing.";
        QTest::newRow("day byte past 8 bits") << QByteArray("[General]\nScheduleCount=1\n[Schedule0]\nRecDay=0x181\n")
                                              << "[Schedule0] RecDay: the value 0x181 is outside 1 to 254.";
        const QByteArray calendar("[General]\nCalendarCount=1\n[Calendar0]\nDayNum=5472\nDays=1\n");
        QTest::newRow("least days") << QByteArray("[General]\nCalendarCount=1\n[Calendar0]\nDayNum=5472\n"
                                                  "Days=-2147483648\n")
                                    << "[Calendar0] Days: the value -2147483648 is outside 1 to 255.";
        QTest::newRow("more days than the field") << QByteArray("[General]\nCalendarCount=1\n[Calendar0]\nDayNum=5472\n"
                                                                "Days=256\n")
                                                  << "[Calendar0] Days: the value 256 is outside 1 to 255.";
        QTest::newRow("first day ending the table") << QByteArray("[General]\nCalendarCount=1\n[Calendar0]\nDayNum=0\n"
                                                                  "Days=1\n")
                                                    << "[Calendar0] DayNum: the value 0 is outside 1 to 65534.";
        QTest::newRow("first day missing") << QByteArray("[General]\nCalendarCount=1\n[Calendar0]\nDays=1\n")
                                           << "[Calendar0] DayNum: the key is missing.";
        QTest::newRow("day mode past 8 bits") << calendar + "DayMode=265\n"
                                              << "[Calendar0] DayMode: the value 265 is outside 0 to 255.";
        QTest::newRow("long garbage shortened") << calendar + "DayMode=" + QByteArray(5000, '9') + "\n"
                                                << "[Calendar0] DayMode: '" + QString(40, u'9') + "...' is not a number.";
    }

    void recordSectionsThatCannotBeTakenAreRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        TIniFile ini(enUS);
        QElapsedTimer clock;
        clock.start();
        ini.LoadFromBytes(file);
        TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
        schedule.SaveRecord({1, 0, 1, 2, 3}, true);
        TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
        calendar.SaveRecord({1, 0, QStringLiteral("KEPT"), 1, 1, 0}, true);
        const QString scheduleError = ErrorOf([&] { schedule.LoadFromIniFile(ini); });
        const QString calendarError = ErrorOf([&] { calendar.LoadFromIniFile(ini); });
        QCOMPARE(scheduleError.isEmpty() ? calendarError : scheduleError, error);
        QVERIFY(clock.elapsed() < 5000);
        // A refused part keeps what it held.
        if (!scheduleError.isEmpty())
            QCOMPARE(schedule.Records(0).RecOffTime, 3);
        if (!calendarError.isEmpty())
            QCOMPARE(calendar.Records(0).name, QStringLiteral("KEPT"));
    }

    void controlCharactersInNamesAreRefusedBothWays()
    {
        // A lone CR once stayed in a loaded name and went to the controller
        // as byte 0x0D, and saving made it a blank: now neither happens.
        TIniFile ini(enUS);
        for (const auto &[bytes, error] :
             {std::pair{QByteArray("Name=Line\rTwo\n"), "character 5 of the name is the control character 0x0D"},
              std::pair{QByteArray("Name=Tab\tbed\n"), "character 4 of the name is the control character 0x09"},
              std::pair{QByteArray("Name=Nul\0led\n", 12), "character 4 of the name is the control character 0x00"},
              std::pair{QByteArray("Name=C1 \x81\n"), "character 4 of the name is the control character 0x81"}}) {
            ini.LoadFromBytes("[General]\nCalendarCount=1\n[Calendar0]\nDayNum=5472\nDays=1\n" + bytes);
            QCOMPARE(ErrorOf([&] { TCalendar::ReadIniFile(ini); }),
                     QStringLiteral("[Calendar0] Name: %1, which a Beacon name cannot carry.").arg(QLatin1String(error)));
        }

        TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
        calendar.SaveRecord({1, 0, QStringLiteral("XMAS"), 5472, 1, 6}, true);
        calendar.SaveRecord({2, 0, QStringLiteral("Line\rTwo"), 5473, 1, 6}, true);
        TIniFile out(enUS);
        QCOMPARE(ErrorOf([&] { calendar.SaveToIniFile(out); }),
                 QStringLiteral("Name of calendar record 2: character 5 of the name is the control character 0x0D, "
                                "which a Beacon name cannot carry."));
        // Characters that are no controls survive the code page both ways.
        calendar.DeleteRecord(1);
        calendar.SaveRecord({3, 0, QStringLiteral("F\u00eate \u20ac \u00c6"), 5474, 1, 6}, true);
        TIniFile written(enUS);
        calendar.SaveToIniFile(written);
        TIniFile read(enUS);
        read.LoadFromBytes(written.ToBytes());
        QCOMPARE(TCalendar::ReadIniFile(read).at(1).name, QStringLiteral("F\u00eate \u20ac \u00c6"));
    }

    void hugeAndHostileFilesStayCheap()
    {
        // A file far larger than any settings file is refused unread.
        const QString big = dir.filePath(QStringLiteral("big.bcfg"));
        writeAll(big, QByteArray(TIniFile::MaxFileBytes + 1, '\n'));
        TIniFile ini(enUS);
        QCOMPARE(ErrorOf([&] { ini.LoadFromFile(big); }),
                 QStringLiteral("%1 is too large to be a settings file (at most 1048576 bytes).").arg(big));

        // A file at the limit made of distinct keys and sections loads in
        // linear time (key lookups once compared every pair).
        QByteArray keys("[General]\n");
        for (int i = 0; keys.size() < TIniFile::MaxFileBytes / 2; ++i)
            keys += "Key" + QByteArray::number(i) + "=1\n";
        for (int i = 0; keys.size() < TIniFile::MaxFileBytes - 32; ++i)
            keys += "[S" + QByteArray::number(i) + "]\n";
        writeAll(big, keys);
        QElapsedTimer clock;
        clock.start();
        ini.LoadFromFile(big);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ini.ReadInteger(QStringLiteral("general"), QStringLiteral("KEY4000"), 0), 1);
        QVERIFY(ini.HasSection(QStringLiteral("s100")));
    }

    void datesWithAmbiguousOrLostFormsAreRefused()
    {
        TIniFile ini(enGB);
        // A file from en_US: "3/8/2026" is 8 March there and 3 August here.
        ini.LoadFromBytes("[General]\nDateDST1=3/8/2026\nDateDST2=11/1/2026\nTimeDST=2:00:00 AM\n"
                          "Unreadable=soon\nMonths=10.11.12\n"
                          // Korean AM/PM became "??" in the code page; the clock is lost.
                          "KoreanTime=?? 2? 0? 0?\n");
        const QString g = QStringLiteral("General");
        QCOMPARE(ErrorOf([&] { ini.ReadDate(g, QStringLiteral("DateDST1"), {}); }),
                 QStringLiteral("DateDST1: cannot tell whether '3/8/2026' is 3 August or 8 March."));
        QCOMPARE(ErrorOf([&] { ini.ReadDate(g, QStringLiteral("DateDST2"), {}); }),
                 QStringLiteral("DateDST2: cannot tell whether '11/1/2026' is 11 January or 1 November."));
        QCOMPARE(ini.ReadTime(g, QStringLiteral("TimeDST"), {}), QTime(2, 0));
        QCOMPARE(ErrorOf([&] { ini.ReadDate(g, QStringLiteral("Unreadable"), {}); }),
                 QStringLiteral("Unreadable: cannot read 'soon' as a date."));
        QCOMPARE(ErrorOf([&] { ini.ReadTime(g, QStringLiteral("Unreadable"), {}); }),
                 QStringLiteral("Unreadable: cannot read 'soon' as a time of day."));
        QCOMPARE(ErrorOf([&] { ini.ReadDate(g, QStringLiteral("Months"), {}); }),
                 QStringLiteral("Months: cannot tell whether '10.11.12' is 10 November or 11 October."));
        TIniFile korean(QLocale(QStringLiteral("ko_KR")));
        korean.LoadFromBytes(ini.ToBytes());
        QCOMPARE(ErrorOf([&] { korean.ReadTime(g, QStringLiteral("KoreanTime"), {}); }),
                 QStringLiteral("KoreanTime: cannot tell whether '?? 2? 0? 0?' is 02:00 or 14:00."));

        // A valid companion settles what the locale form leaves open; a
        // broken one does not count.
        ini.WriteString(g, QStringLiteral("DateDST1ISO"), QStringLiteral("2026-03-08"));
        QCOMPARE(ini.ReadDate(g, QStringLiteral("DateDST1"), {}), QDate(2026, 3, 8));
        ini.WriteString(g, QStringLiteral("DateDST1ISO"), QStringLiteral("2026-02-30"));
        QVERIFY(!ErrorOf([&] { ini.ReadDate(g, QStringLiteral("DateDST1"), {}); }).isEmpty());
        korean.WriteString(g, QStringLiteral("KoreanTimeISO"), QStringLiteral("14:00:00"));
        QCOMPARE(korean.ReadTime(g, QStringLiteral("KoreanTime"), {}), QTime(14, 0));
        // A locale form edited by hand no longer means the companion's value:
        // which of the two is meant cannot be told.
        ini.WriteString(g, QStringLiteral("TimeDSTISO"), QStringLiteral("14:00:00"));
        QCOMPARE(ErrorOf([&] { ini.ReadTime(g, QStringLiteral("TimeDST"), {}); }),
                 QStringLiteral("TimeDST: '2:00:00 AM' and TimeDSTISO '14:00:00' do not agree; please correct or "
                                "remove one of them."));
        // A broken companion alone is no default either.
        ini.WriteString(g, QStringLiteral("LoneISO"), QStringLiteral("8 March"));
        QCOMPARE(ErrorOf([&] { ini.ReadDate(g, QStringLiteral("Lone"), {}); }),
                 QStringLiteral("LoneISO: cannot read '8 March' as a date."));
        QCOMPARE(ini.ReadDate(g, QStringLiteral("Absent"), QDate(1899, 12, 30)), QDate(1899, 12, 30));
    }

    // Written under any locale Qt knows, read back under the same and under
    // others. With the companions every reading is exact; without them (a
    // file from the original format) the writer's own locale reads each
    // value exactly or refuses it, never guesses.
    void everyLocaleReadsBackUnderEveryOther()
    {
        const QList<QLocale> all =
            QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        QVERIFY(all.size() > 300);
        const QList<QLocale> readers{QLocale::c(),         enUS, enGB, deDE, QLocale(QStringLiteral("ja_JP")),
                                     QLocale(QStringLiteral("ko_KR")), QLocale(QStringLiteral("ar_EG")),
                                     QLocale(QStringLiteral("my_MM")), QLocale(QStringLiteral("fa_IR"))};
        const QDate dates[] = {QDate(2026, 3, 8), QDate(2026, 11, 1), QDate(2026, 10, 25), QDate(2031, 12, 31)};
        const QTime times[] = {QTime(2, 0), QTime(14, 30, 5)};
        const QString g = QStringLiteral("General");
        int refusedWithout = 0;
        for (qsizetype w = 0; w < all.size(); ++w) {
            TIniFile written(all.at(w));
            for (int i = 0; i < 4; ++i)
                written.WriteDate(g, QStringLiteral("D%1").arg(i), dates[i]);
            for (int i = 0; i < 2; ++i)
                written.WriteTime(g, QStringLiteral("T%1").arg(i), times[i]);
            const QByteArray bytes = written.ToBytes();
            QList<QLocale> under = readers;
            under << all.at(w) << all.at((w * 7 + 3) % all.size()) << all.at((w * 13 + 5) % all.size());
            for (const QLocale &reader : std::as_const(under)) {
                TIniFile read(reader);
                read.LoadFromBytes(bytes);
                for (int i = 0; i < 4; ++i)
                    QCOMPARE(read.ReadDate(g, QStringLiteral("D%1").arg(i), {}), dates[i]);
                for (int i = 0; i < 2; ++i)
                    QCOMPARE(read.ReadTime(g, QStringLiteral("T%1").arg(i), {}), times[i]);
            }

            // The original format: the locale forms alone.
            TIniFile own(all.at(w));
            for (int i = 0; i < 4; ++i)
                own.WriteString(g, QStringLiteral("D%1").arg(i), DateToText(dates[i], all.at(w)));
            for (int i = 0; i < 2; ++i)
                own.WriteString(g, QStringLiteral("T%1").arg(i), TimeToText(times[i], all.at(w)));
            own.LoadFromBytes(own.ToBytes());
            for (int i = 0; i < 6; ++i) {
                const QString key = i < 4 ? QStringLiteral("D%1").arg(i) : QStringLiteral("T%1").arg(i - 4);
                bool exact = false;
                const QString error = ErrorOf([&] {
                    exact = i < 4 ? own.ReadDate(g, key, {}) == dates[i] : own.ReadTime(g, key, {}) == times[i - 4];
                });
                QVERIFY2(exact || !error.isEmpty(),
                         qPrintable(all.at(w).name() + u' ' + key + u' ' + own.ReadString(g, key, {})));
                refusedWithout += error.isEmpty() ? 0 : 1;
            }
        }
        // Most locales write forms the code page keeps; only those with their
        // own digits or AM/PM words need the companions.
        QVERIFY2(refusedWithout < all.size() * 6 / 5, qPrintable(QString::number(refusedWithout)));
    }

    void saveReplacesTheFileOrLeavesItIntact()
    {
        const QString file = dir.filePath(QStringLiteral("config.bcfg"));
        const QByteArray old = crlf("[General]\nScheduleCount=0\n[Old]\nx=1\n");
        writeAll(file, old);
        TIniFile ini(enUS);
        ini.LoadFromFile(dir.filePath(QStringLiteral("missing.bcfg")));
        QCOMPARE(ini.SectionNames(), QStringList());
        ini.WriteInteger(QStringLiteral("General"), QStringLiteral("CalendarCount"), 0);
        ini.SaveToFile(file);
        QCOMPARE(readAll(file), crlf("[General]\nCalendarCount=0\n"));

        // A write that fails half-way (here: the file size limit) must leave the
        // operator's previous file as it was.
        writeAll(file, old);
        ini.WriteString(QStringLiteral("General"), QStringLiteral("Padding"), QString(2000, u'p'));
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 512;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString error = ErrorOf([&] { ini.SaveToFile(file); });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(file));
        QCOMPARE(readAll(file), old);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("config.bcfg*")}, QDir::Files),
                 QStringList{QStringLiteral("config.bcfg")});

        const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.bcfg"));
        QCOMPARE(ErrorOf([&] { ini.SaveToFile(nowhere); }), QStringLiteral("Unable to write to %1").arg(nowhere));
        QCOMPARE(ErrorOf([&] { ini.LoadFromFile(dir.path()); }), QStringLiteral("Unable to read %1").arg(dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
