#include "config/exceptions.h"
#include "store/calendar.h"
#include "store/inifile.h"
#include "store/localetext.h"
#include "store/schedule.h"
#include "testenv.h"

#include <QDir>
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
        QTest::newRow("own order first") << "en_GB" << "3/10/2024" << QDate(2024, 10, 3) << never;
        QTest::newRow("year never taken from a day") << "en_US" << "31/03/24" << QDate(2024, 3, 31) << never;
        QTest::newRow("24-hour under en_US") << "en_US" << "02:00:00" << none << QTime(2, 0);
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
        QCOMPARE(ini.ReadDate(g, QStringLiteral("BrightnessMin"), epoch), epoch);

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
        QCOMPARE(readAll(file), crlf("[General]\nDateDST1=31/03/2024\nDateDST2=27/10/2024\nTimeDST=01:00:00\n"));

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

    void missingSectionsAndOddValuesLoadAsDefaults()
    {
        TIniFile ini(enUS);
        ini.LoadFromBytes(QByteArray("[General]\nScheduleCount=2\nCalendarCount=2\n"
                                     "[Schedule0]\nid=7\nRecDay=0x181\nRecOnTime=abc\n"
                                     "[Calendar1]\nName=")
                          + QByteArray(300, 'z') + "\nDayMode=265\nDays=$10\n");
        TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
        schedule.LoadFromIniFile(ini);
        QCOMPARE(schedule.Count(), 2);
        QCOMPARE(schedule.Records(0).id, 7);
        QCOMPARE(schedule.Records(0).RecDay, quint8(0x81));
        QCOMPARE(schedule.Records(0).RecOnTime, 0);
        QCOMPARE(schedule.Records(1).id, 0);
        QCOMPARE(schedule.Records(1).RecOffTime, 0);

        TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
        calendar.LoadFromIniFile(ini);
        QCOMPARE(calendar.Count(), 2);
        QCOMPARE(calendar.Records(0).name, QString());
        QCOMPARE(calendar.Records(1).name, QString(255, u'z'));
        QCOMPARE(calendar.Records(1).DayMode, quint8(9));
        QCOMPARE(calendar.Records(1).Days, 16);

        ini.LoadFromBytes("[General]\nScheduleCount=-3\n");
        schedule.LoadFromIniFile(ini);
        QCOMPARE(schedule.Count(), 0);
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
