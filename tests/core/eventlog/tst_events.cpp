// Event texts and the event-log file.
#include "config/exceptions.h"
#include "eventlog/eventlogfile.h"
#include "eventlog/events.h"
#include "testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QLocale enUS(QStringLiteral("en_US")); // 12-hour clock
const QLocale enGB(QStringLiteral("en_GB")); // 24-hour clock
const QLocale deDE(QStringLiteral("de_DE")); // "." between date fields

TEvents Event(int day, int minutes, int type = 2, int v1 = 0, int v2 = 0, int brightness = 0)
{
    type_events_record record;
    record.day_num = qint16(day);
    record.minutes_num = qint16(minutes);
    record.event_type = qint8(type);
    record.parms[0] = qint16(v1);
    record.parms[1] = qint16(v2);
    record.parms[2] = qint16(brightness);
    return TEvents(record);
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

class TestEvents : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void dateTexts()
    {
        QCOMPARE(Event(0, 0).DateT(), QDateTime(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(Event(365, 1439).DateT(), QDateTime(QDate(2011, 1, 1), QTime(23, 59), Qt::UTC));
        const TEvents event = Event(1000, 930);
        QCOMPARE(event.DateT(), QDateTime(QDate(2012, 9, 27), QTime(15, 30), Qt::UTC));
        QCOMPARE(event.Date(enGB), QStringLiteral("27/09/12 15:30"));
        QCOMPARE(event.Date(enUS), QStringLiteral("27/09/12 03:30") + enUS.pmText()); // day first, whatever the locale
        QCOMPARE(event.Date(deDE), QStringLiteral("27.09.12 15:30"));
        QCOMPARE(Event(0, 0).Date(enUS), QStringLiteral("01/01/10 12:00") + enUS.amText());
        QCOMPARE(Event(0, 720).Date(enUS), QStringLiteral("01/01/10 12:00") + enUS.pmText());
    }

    void voltageAndBrightnessTexts()
    {
        const int raw[] = {520, 505, 100, -100, 0, 32767};
        const char *volts[] = {"12.40 V", "12.00 V", "2.38 V", "-2.38 V", "0.00 V", "779.00 V"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(Event(0, 0, 1, raw[i]).Voltage1(enGB), QString::fromLatin1(volts[i]));
            QCOMPARE(Event(0, 0, 1, 0, raw[i]).Voltage2(enGB), QString::fromLatin1(volts[i]));
        }
        QCOMPARE(Event(0, 0, 1, 520).Voltage1(deDE), QStringLiteral("12,40 V"));

        const int brightness[] = {1024, 2048, 512, 3000, 8192, 0, -1024};
        const char *percent[] = {"100 %", "50 %", "200 %", "34 %", "12 %", "0", "-100 %"};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(Event(0, 0, 1, 0, 0, brightness[i]).Brightness(), QString::fromLatin1(percent[i]));
    }

    void eventNames()
    {
        QCOMPARE(Event(0, 0, 1).EventName(), QStringLiteral("System turned ON after reset"));
        QCOMPARE(Event(0, 0, 9).EventName(), QStringLiteral("Master command; Beacons OFF"));
        QCOMPARE(Event(0, 0, 0).EventName(), QString());
        QCOMPARE(Event(0, 0, 10).EventName(), QString());
        QCOMPARE(Event(0, 0, -3).EventName(), QString());
        const TListItem row = Event(1000, 930, 6, 520, 505, 2048).Row(enGB);
        QCOMPARE(row.Caption, QStringLiteral("27/09/12 15:30"));
        QCOMPARE(row.SubItems, QStringList({"Schedule overridden; Beacons turned ON", "12.40 V", "12.00 V", "50 %"}));
    }

    void commaTextSplitting()
    {
        QCOMPARE(SplitCommaText(QStringLiteral(R"("a","b c","","d";)")), QStringList({"a", "b c", "", "d", ";"}));
        QCOMPARE(SplitCommaText(QStringLiteral(R"(  "say ""hi""",x)")), QStringList({R"(say "hi")", "x"}));
        QCOMPARE(SplitCommaText(QStringLiteral("one two,three,")), QStringList({"one", "two", "three", ""}));
        QCOMPARE(SplitCommaText(QStringLiteral("a , b")), QStringList({"a", "b"}));
        QCOMPARE(SplitCommaText(QStringLiteral("\"open")), QStringList({"open"}));
        QCOMPARE(SplitCommaText(QStringLiteral(",")), QStringList({"", ""}));
        QCOMPARE(SplitCommaText(QString()), QStringList());
        QCOMPARE(SplitCommaText(QStringLiteral("a") + QChar(0) + QStringLiteral(",b")), QStringList({"a"}));
    }

    void fileRoundTrip()
    {
        QList<TListItem> rows;
        for (int i = 0; i < 93; ++i)
            rows << Event(5000 - i, 600, 1 + i % 9, 500 + i, 505, 1024 + i).Row(enGB);
        rows << TListItem{QStringLiteral("01/01/10 00:00"), {QString(), QStringLiteral("0.00 V"),
                                                             QStringLiteral("0.00 V"), QStringLiteral("0")}};
        QVERIFY(SaveEventLogFile(path("log.csv"), rows));
        const QByteArray bytes = readAll(path("log.csv"));
        QVERIFY(bytes.startsWith("\"10/09/23 10:00\",\"System turned ON after reset\",\"11.90 V\",\"12.00 V\","
                                 "\"100 %\";\r\n"));
        QVERIFY(bytes.endsWith("\"01/01/10 00:00\",\"\",\"0.00 V\",\"0.00 V\",\"0\";\r\n"));
        QCOMPARE(bytes.count("\r\n"), 94);

        QList<TListItem> loaded{TListItem{QStringLiteral("old"), {}}};
        LoadEventLogFile(path("log.csv"), loaded);
        QCOMPARE(loaded.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(loaded.at(i).Caption, rows.at(i).Caption);
            QCOMPARE(loaded.at(i).SubItems, rows.at(i).SubItems);
        }
    }

    void loadedTextsSaveAsTheyLoaded()
    {
        // Texts a hand-edited file gave: quotes inside, around and alone.
        writeAll(path("edited.csv"), "\"say \"\"hi\"\"\",07:30\",\"\"\"\",\" x \",\"\";\r\n");
        QList<TListItem> rows;
        LoadEventLogFile(path("edited.csv"), rows);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().Caption, QStringLiteral("say \"hi\""));
        QCOMPARE(rows.first().SubItems, QStringList({"07:30\"", "\"", " x ", ""}));
        QVERIFY(SaveEventLogFile(path("saved.csv"), rows));
        QList<TListItem> again;
        LoadEventLogFile(path("saved.csv"), again);
        QCOMPARE(again.size(), 1);
        QCOMPARE(again.first().Caption, rows.first().Caption);
        QCOMPARE(again.first().SubItems, rows.first().SubItems);
    }

    void emptyListWritesNoFile()
    {
        writeAll(path("kept.csv"), "\"x\",\"y\",\"z\",\"v\",\"w\";\r\n");
        QVERIFY(!SaveEventLogFile(path("kept.csv"), {}));
        QCOMPARE(readAll(path("kept.csv")), QByteArray("\"x\",\"y\",\"z\",\"v\",\"w\";\r\n"));
        QVERIFY(!SaveEventLogFile(path("none.csv"), {}));
        QVERIFY(!QFile::exists(path("none.csv")));
    }

    void loadingOtherFiles()
    {
        // A byte-order mark names the encoding; otherwise the text is Windows-1252.
        writeAll(path("utf8.csv"), "\xEF\xBB\xBF\"caf\xC3\xA9\",\"b\",\"c\",\"d\",\"e\";\n");
        writeAll(path("ansi.csv"), "\"caf\xE9\",\"b\",\"c\",\"d\",\"e\",\"f\"\r\n\"2\",\"b\",\"c\",\"d\",\"e\"");
        QList<TListItem> rows;
        LoadEventLogFile(path("utf8.csv"), rows);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().Caption, QStringLiteral("caf\u00E9"));
        LoadEventLogFile(path("ansi.csv"), rows);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.first().Caption, QStringLiteral("caf\u00E9"));
        QCOMPARE(rows.first().SubItems, QStringList({"b", "c", "d", "e"})); // further fields are ignored

        // A short line ends the load; the rows before it stay.
        writeAll(path("short.csv"), "\"1\",\"b\",\"c\",\"d\",\"e\";\r\n\"2\",\"b\",\"c\",\"d\"\r\n\"3\",\"b\",\"c\",\"d\",\"e\"\r\n");
        QCOMPARE(ErrorOf([&] { LoadEventLogFile(path("short.csv"), rows); }),
                 QStringLiteral("Line 2 of %1 does not hold the five fields of an event.").arg(path("short.csv")));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().Caption, QStringLiteral("1"));

        // A file that cannot be read leaves the list as it was.
        QCOMPARE(ErrorOf([&] { LoadEventLogFile(path("missing.csv"), rows); }),
                 QStringLiteral("Unable to read %1").arg(path("missing.csv")));
        QCOMPARE(rows.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestEvents)
#include "tst_events.moc"
