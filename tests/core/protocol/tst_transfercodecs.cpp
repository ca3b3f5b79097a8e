// Schedule and calendar transfer codecs against the simulated controller.
#include "config/exceptions.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "store/device.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QDir>
#include <QtTest>

namespace {

void AddSchedule(quint8 day, int on, int off)
{
    TScheduleRec rec;
    rec.id = DeviceSchedule().Count() + 1;
    rec.RecDay = day;
    rec.RecOnTime = on;
    rec.RecOffTime = off;
    // Taken exactly as given, so the codec's own limit can be tried with more
    // records than the page lets an operator add.
    QList<TScheduleRec> records;
    for (int i = 0; i < DeviceSchedule().Count(); ++i)
        records << DeviceSchedule().Records(i);
    DeviceSchedule().SetRecords(records << rec);
}

void AddCalendar(int dayNum, int days, quint8 mode, const QString &name = {})
{
    TCalendarRec rec;
    rec.id = DeviceCalendar().Count() + 1;
    rec.DayNum = dayNum;
    rec.Days = days;
    rec.DayMode = mode;
    rec.name = name;
    QList<TCalendarRec> records; // as for schedules
    for (int i = 0; i < DeviceCalendar().Count(); ++i)
        records << DeviceCalendar().Records(i);
    DeviceCalendar().SetRecords(records << rec);
}

QByteArray Repeat(const char *text, int times)
{
    return QByteArray(text).repeated(times);
}
}

class TestTransferCodecs : public QObject, TSimulatedLine {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init()
    {
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        Start();
    }

    void cleanup() { StopLine(); }

    void workedExamplesGoOutByteExact()
    {
        QVERIFY(WriteSchedule());
        QCOMPARE(LastSent(), "!0750" + QByteArray(160, '0'));

        AddSchedule(0x1F, 420, 510);
        QVERIFY(WriteSchedule());
        QCOMPARE(LastSent(), "!07501F01A401FE" + Repeat("0000000000", 15));

        AddCalendar(5472, 1, 6, QStringLiteral("XMAS"));
        QVERIFY(WriteCalendar());
        QCOMPARE(LastSent(), "!064015600106" + Repeat("00000000", 15));
        QVERIFY(WriteCalendarName(0));
        QCOMPARE(LastSent(), "!33110200584D4153" + Repeat("00", 11));

        sim->WithController([](TBeaconController &c) {
            QCOMPARE(c.schedule[0].on, quint16(420));
            QCOMPARE(c.schedule[1].day, quint8(0));
            QCOMPARE(c.calendar[0].dayNum, quint16(5472));
            QCOMPARE(c.calendar[0].name, QByteArray("XMAS\0\0\0\0\0\0\0\0\0\0\0", 15));
        });
    }

    void readsReplaceTheDeviceTables()
    {
        AddSchedule(0x60, 1, 2); // replaced by what the controller holds
        QCOMPARE(ReadSchedule(), 3);
        QCOMPARE(DeviceSchedule().Count(), 2);
        const TScheduleRec second = DeviceSchedule().Records(1);
        QCOMPARE(second.id, 1001);
        QCOMPARE(second.CalendarID, 0);
        QCOMPARE(second.RecDay, quint8(0x1F));
        QCOMPARE(second.RecOnTime, 14 * 60 + 30);
        QCOMPARE(second.RecOffTime, 15 * 60 + 30);

        QCOMPARE(ReadCalendar(), 3);
        QCOMPARE(DeviceCalendar().Count(), 2);
        QCOMPARE(DeviceCalendar().Records(0).id, 1000);
        QCOMPARE(DeviceCalendar().Records(0).Days, 1);
        QCOMPARE(DeviceCalendar().Records(0).DayMode, quint8(6));
        QVERIFY(DeviceCalendar().Records(0).name.isEmpty());
        QVERIFY(ReadCalendarName(0));
        QVERIFY(ReadCalendarName(1));
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
        QCOMPARE(DeviceCalendar().Records(1).name, QStringLiteral("NEW YEAR"));
        QCOMPARE(LastSent(), QByteArray("!33020201"));
    }

    void fullTablesAndEndMarks()
    {
        for (int k = 0; k < 16; ++k)
            AddSchedule(quint8(1 + k), k, k + 60);
        QVERIFY(WriteSchedule());
        QCOMPARE(ReadSchedule(), 17); // the 17th slot lies beyond the payload
        QCOMPARE(DeviceSchedule().Count(), 16);

        DeviceSchedule().Clear();
        AddSchedule(0x1F, 1, 2);
        AddSchedule(0xFF, 3, 4); // written, but ends the table on reading
        AddSchedule(0x1F, 5, 6);
        QVERIFY(WriteSchedule());
        QCOMPARE(ReadSchedule(), 2);
        QCOMPARE(DeviceSchedule().Count(), 1);

        AddCalendar(5472, 1, 6);
        AddCalendar(0, 1, 6); // 1 January 2010
        AddCalendar(5479, 1, 6);
        QVERIFY(WriteCalendar());
        QCOMPARE(ReadCalendar(), 2);
        QCOMPARE(DeviceCalendar().Count(), 1);
    }

    void aCalendarNameForAnotherRecordIsNotTaken()
    {
        // A reply naming another record answers an earlier request: the
        // attempt fails, and the retry, once that request's own reply has
        // come and gone, takes the record asked for.
        const QByteArray forRecord1 = "!3311020158004D4153" + Repeat("00", 10);
        const QByteArray forRecord2 = "!3311020241" + Repeat("00", 14); // beyond the table
        for (const QByteArray &stale : {forRecord1, forRecord2}) {
            DeviceCalendar().Clear();
            AddCalendar(5472, 1, 6, QStringLiteral("old0"));
            AddCalendar(5479, 1, 6, QStringLiteral("old1"));
            sim->ClearFrameLog();
            sim->QueueRawReply(stale);
            QVERIFY(ReadCalendarName(0));
            QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("XMAS"));
            QCOMPARE(DeviceCalendar().Records(1).name, QStringLiteral("old1"));
            QCOMPARE(DeviceCalendar().Count(), 2);
            QCOMPARE(sim->Received(), QList<QByteArray>(2, "!33020200"));
        }
    }

    void failedReadsLeaveTheTablesAlone()
    {
        TSimOptions options;
        options.noise = "zz";
        Start(options);
        AddSchedule(0x1F, 1, 2);
        AddCalendar(5472, 1, 6, QStringLiteral("keep"));
        QCOMPARE(ReadSchedule(), -1);
        QCOMPARE(ReadCalendar(), -1);
        QVERIFY(!ReadCalendarName(0));
        QVERIFY(!WriteSchedule());
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(DeviceCalendar().Count(), 1);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("keep"));
    }

    void whatTheControllerCannotHoldIsRefusedBeforeSending()
    {
        const auto refused = [](const std::function<void()> &codec, const QStringList &parts) {
            const QString text = ErrorOf(codec);
            for (const QString &part : parts)
                QVERIFY2(text.contains(part), qPrintable(text));
        };
        for (int k = 0; k < 17; ++k)
            AddSchedule(0x1F, k, k + 1);
        refused([] { WriteSchedule(); }, {QStringLiteral("Schedule"), QStringLiteral("17")});
        DeviceSchedule().Clear();
        AddSchedule(0x1F, 420, 510);
        AddSchedule(0x1F, 70000, 510);
        refused([] { WriteSchedule(); }, {QStringLiteral("On time of schedule record 2"), QStringLiteral("70000")});
        DeviceSchedule().Clear();
        AddSchedule(0x1F, 420, -1);
        refused([] { WriteSchedule(); }, {QStringLiteral("Off time of schedule record 1"), QStringLiteral("-1")});

        for (int k = 0; k < 17; ++k)
            AddCalendar(5000 + k, 1, 6);
        refused([] { WriteCalendar(); }, {QStringLiteral("Holidays & Exceptions"), QStringLiteral("17")});
        DeviceCalendar().Clear();
        AddCalendar(5000, 256, 6);
        refused([] { WriteCalendar(); }, {QStringLiteral("Length of calendar record 1"), QStringLiteral("256")});
        DeviceCalendar().Clear();
        AddCalendar(65536, 1, 6, QStringLiteral("Independence Day"));
        refused([] { WriteCalendar(); }, {QStringLiteral("Date of calendar record 1"), QStringLiteral("65536")});
        refused([] { WriteCalendarName(0); }, {QStringLiteral("Name of calendar record 1"),
                                               QStringLiteral("Independence Day")});

        QTest::qWait(100);
        QVERIFY(sim->Received().isEmpty());
        QVERIFY(!dm->UniConnected());
    }
};

QTEST_GUILESS_MAIN(TestTransferCodecs)
#include "tst_transfercodecs.moc"
