// Settings, clock, status, override and event codecs against the simulated controller.
#include "config/exceptions.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "testenv.h"

#include <QDir>
#include <QtTest>
#include <functional>


class TestSettingsCodecs : public QObject, TSimulatedLine {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init()
    {
        BeaconSettings = {};
        BeaconStatus = {};
        Start();
    }

    void cleanup() { StopLine(); }

    void workedExamplesGoOutByteExact()
    {
        BeaconSettings.BrightnessRange = 0x1F;
        BeaconSettings.FlashPattern = 4;
        BeaconSettings.FlashSpeed = 2;
        QVERIFY(WriteAdvancedSettings());
        QCOMPARE(LastSent(), QByteArray("!30051F04020000"));

        BeaconSettings.DstStartDay = 5181;
        BeaconSettings.DstEndDay = 5419;
        BeaconSettings.DstShiftTime = 120;
        BeaconSettings.DstOffset = 60;
        QVERIFY(WriteDstSettings());
        QCOMPARE(LastSent(), QByteArray("!1607143D152B00783C"));

        QVERIFY(WriteClock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))));
        QCOMPARE(LastSent(), QByteArray("!100609070E050318"));
        QVERIFY(WriteClock(QDateTime(QDate(2255, 1, 1), QTime(0, 0))));
        QVERIFY(LastSent().endsWith("FF"));

        QVERIFY(WriteOverride(1, QTime(15, 30)));
        QCOMPARE(LastSent(), QByteArray("!32030103A2"));
        QVERIFY(WriteOverride(2, QTime(15, 30, 59)));
        QCOMPARE(LastSent(), QByteArray("!32030203A2"));
        QVERIFY(WriteOverride(0, QTime(0, 0)));
        QCOMPARE(LastSent(), QByteArray("!3203000000"));

        BeaconSettings.CommMode = 2;
        QVERIFY(WriteCommMode());
        QCOMPARE(LastSent(), QByteArray("!020102"));

        sim->WithController([](TBeaconController &c) {
            QCOMPARE(c.dstStart, quint16(5181));
            QCOMPARE(c.dstEnd, quint16(5419));
            QCOMPARE(c.advanced[0], quint8(0x1F));
            QCOMPARE(c.overrideMode, quint8(0));
        });
    }

    void readsFillTheRecords()
    {
        sim->WithController([](TBeaconController &c) {
            c.commMode = 7;
            c.advanced = {0x5A, 6, 4, 2, 9};
            c.dstStart = 5181;
            c.dstEnd = 5419;
            c.dstShift = 180;
            c.dstOffset = 30;
            c.SetClock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        });
        QVERIFY(ReadCommMode());
        QCOMPARE(BeaconSettings.CommMode, quint8(7));
        QVERIFY(ReadAdvancedSettings());
        QCOMPARE(BeaconSettings.BrightnessRange, quint8(0x5A));
        QCOMPARE(BeaconSettings.FlashPattern, quint8(6));
        QCOMPARE(BeaconSettings.FlashSpeed, quint8(4));
        QCOMPARE(BeaconSettings.BeaconRole, quint8(2));
        QCOMPARE(BeaconSettings.LinkChannel, quint8(9));
        QVERIFY(ReadDstSettings());
        QCOMPARE(BeaconSettings.DstStartDay, 5181);
        QCOMPARE(BeaconSettings.DstEndDay, 5419);
        QCOMPARE(BeaconSettings.DstShiftTime, 180);
        QCOMPARE(BeaconSettings.DstOffset, 30);
        QVERIFY(ReadClock());
        const qint64 drift = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).secsTo(BeaconSettings.ClockValue);
        QVERIFY2(drift >= 0 && drift < 30, qPrintable(QString::number(drift)));

        QVERIFY(ReadLiveValues());
        QVERIFY(BeaconStatus.LiveValues[1] >= 538 && BeaconStatus.LiveValues[1] <= 544); // about 12.7 V
        QVERIFY(WriteOverride(1, QTime::currentTime().addSecs(3600)));
        QVERIFY(ReadOverrideStatus());
        QVERIFY(BeaconStatus.BeaconOn);
        QCOMPARE(BeaconStatus.SwitchPosition, quint8(0));
        QCOMPARE(BeaconStatus.OverrideState, quint8(1));

        TBeaconController::TEventSlot first;
        sim->WithController([&](TBeaconController &c) { first = c.events[0]; });
        type_events_record record;
        ReadEventRecord(0, record);
        QCOMPARE(record.day_num, qint16(first.dayNum));
        QCOMPARE(record.minutes_num, qint16(first.minutes));
        QCOMPARE(record.event_type, qint8(6)); // the override just set, over the oldest event
        QCOMPARE(record.parms[2], qint16(first.parms[2]));
    }

    void eventRecordsArriveLowByteFirst()
    {
        sim->QueueRawReply("!350B39144F0302F401E0010004");
        type_events_record record;
        ReadEventRecord(5, record);
        QCOMPARE(LastSent(), QByteArray("!350105"));
        QCOMPARE(record.day_num, qint16(5177));
        QCOMPARE(record.minutes_num, qint16(847));
        QCOMPARE(record.event_type, qint8(2));
        QCOMPARE(record.parms[0], qint16(0x01F4));
        QCOMPARE(record.parms[1], qint16(0x01E0));
        QCOMPARE(record.parms[2], qint16(0x0400));

        sim->QueueRawReply("!350BFFFF008080000000000000");
        ReadEventRecord(6, record);
        QCOMPARE(record.day_num, qint16(-1));
        QCOMPARE(record.minutes_num, qint16(-32768));
        QCOMPARE(record.event_type, qint8(-128));
    }

    // A reply that lost or changed a character is refused and asked for again;
    // refused twice, the read fails and what it fills stays as it was.
    void damagedReadRepliesChangeNothing()
    {
        BeaconSettings.CommMode = 9;
        BeaconSettings.BeaconRole = 2;
        BeaconSettings.DstOffset = 90;
        BeaconSettings.ClockValue = QDateTime(QDate(2020, 1, 1), QTime(1, 2, 3));
        BeaconStatus.LiveValues[1] = 500;
        BeaconStatus.OverrideState = 2;
        const TBeaconSettings settings = BeaconSettings;
        const TBeaconStatus status = BeaconStatus;
        const QList<std::pair<QByteArray, std::function<bool()>>> cases = {
            {"!0200", ReadCommMode},                         // nothing where a byte must be
            {"!30031F0402", ReadAdvancedSettings},           // whole, but three bytes of five
            {"!1607143D152B0078-C", ReadDstSettings},        // a character changed
            {"!100609070E05031G", ReadClock},                // a digit that is no digit
            {"!31XX" + QByteArray(32, '0'), ReadLiveValues}, // a length that is no number
            {"!3404020102FF", ReadOverrideStatus},           // whole, one byte too many
        };
        for (const auto &[reply, read] : cases) {
            sim->QueueRawReply(reply);
            sim->QueueRawReply(reply);
            QVERIFY2(!read(), reply.constData());
        }
        QCOMPARE(BeaconSettings.CommMode, settings.CommMode);
        QCOMPARE(BeaconSettings.BeaconRole, settings.BeaconRole);
        QCOMPARE(BeaconSettings.DstOffset, settings.DstOffset);
        QCOMPARE(BeaconSettings.ClockValue, settings.ClockValue);
        QCOMPARE(BeaconStatus.LiveValues, status.LiveValues);
        QCOMPARE(BeaconStatus.OverrideState, status.OverrideState);

        type_events_record record;
        record.parms[2] = 77;
        sim->QueueRawReply("!350339144F"); // three bytes of eleven
        sim->QueueRawReply("!350339144F");
        ReadEventRecord(7, record);
        QCOMPARE(record.day_num, qint16(0));
        QCOMPARE(record.parms[2], qint16(77));

        // A character lost: the payload is waited for, refused, and the
        // retry's good reply taken.
        sim->QueueRawReply("!30051F0402000");
        QVERIFY(ReadAdvancedSettings());
        QCOMPARE(BeaconSettings.BeaconRole, quint8(0));
        QCOMPARE(BeaconSettings.FlashPattern, quint8(4));
    }

    void oddButWholeRepliesAreRead()
    {
        const QDateTime before(QDate(2020, 1, 1), QTime(1, 2, 3));
        BeaconSettings.ClockValue = before;
        sim->QueueRawReply("!100609070E050018"); // month 0
        QVERIFY(!ReadClock());
        QCOMPARE(BeaconSettings.ClockValue, before);
        sim->QueueRawReply("!1006090718050318"); // hour 24
        QVERIFY(!ReadClock());
        QCOMPARE(BeaconSettings.ClockValue, QDateTime(QDate(2024, 3, 5), QTime(0, 0)));

        sim->QueueRawReply("!3403020102");
        QVERIFY(ReadOverrideStatus());
        QVERIFY(!BeaconStatus.BeaconOn); // only a 1 means on
        QCOMPARE(BeaconStatus.SwitchPosition, quint8(1));
        QCOMPARE(BeaconStatus.OverrideState, quint8(2));

        sim->QueueRawReply("!3110FFFF" + QByteArray(28, '0'));
        QVERIFY(ReadLiveValues());
        QCOMPARE(BeaconStatus.LiveValues[0], 65535);
    }

    void failedExchangesChangeNothing()
    {
        TSimOptions options;
        options.noise = "zz"; // every header is spoiled, so both attempts fail at once
        Start(options);
        BeaconSettings.CommMode = 9;
        BeaconSettings.DstStartDay = 33;
        BeaconSettings.ClockValue = QDateTime(QDate(2020, 1, 1), QTime(1, 2, 3));
        const TBeaconSettings settings = BeaconSettings;
        BeaconStatus.LiveValues[1] = 500;
        QVERIFY(!ReadCommMode());
        QVERIFY(!ReadDstSettings());
        QVERIFY(!ReadClock());
        QVERIFY(!ReadAdvancedSettings());
        QVERIFY(!ReadLiveValues());
        QVERIFY(!ReadOverrideStatus());
        QVERIFY(!WriteCommMode());
        QCOMPARE(BeaconSettings.CommMode, settings.CommMode);
        QCOMPARE(BeaconSettings.DstStartDay, settings.DstStartDay);
        QCOMPARE(BeaconSettings.ClockValue, settings.ClockValue);
        QCOMPARE(BeaconStatus.LiveValues[1], 500);
        type_events_record record;
        record.day_num = 42;
        record.parms[1] = 7;
        ReadEventRecord(3, record);
        QCOMPARE(record.day_num, qint16(42));
        QCOMPARE(record.parms[1], qint16(7));
    }

    void valuesThatDoNotFitAreRefusedBeforeSending()
    {
        BeaconSettings.DstStartDay = 5181;
        BeaconSettings.DstEndDay = 5419;
        BeaconSettings.DstShiftTime = 120;
        BeaconSettings.DstOffset = 60;
        const auto refused = [&](qint32 TBeaconSettings::*field, qint32 value, const char *item) {
            const TBeaconSettings good = BeaconSettings;
            BeaconSettings.*field = value;
            const QString text = ErrorOf([] { WriteDstSettings(); });
            BeaconSettings = good;
            QVERIFY2(text.contains(QLatin1String(item)) && text.contains(QString::number(value)), qPrintable(text));
        };
        refused(&TBeaconSettings::DstStartDay, -2, "DST start day");
        refused(&TBeaconSettings::DstEndDay, 65536, "DST end day");
        refused(&TBeaconSettings::DstShiftTime, -1, "DST shift time");
        refused(&TBeaconSettings::DstOffset, 256, "DST offset");
        for (int year : {1999, 2256}) {
            const QString text = ErrorOf([&] { WriteClock(QDateTime(QDate(year, 6, 1), QTime(12, 0))); });
            QVERIFY2(text.contains(QLatin1String("Clock year")) && text.contains(QString::number(year)),
                     qPrintable(text));
        }
        QTest::qWait(100);
        QVERIFY(sim->Received().isEmpty());
        QVERIFY(!dm->UniConnected());
    }

    void noDaylightSavingGoesOutAsARuleOfZeroLength()
    {
        BeaconSettings.DstStartDay = -1;
        BeaconSettings.DstEndDay = -1;
        BeaconSettings.DstShiftTime = 120;
        BeaconSettings.DstOffset = 60;
        QVERIFY(WriteDstSettings());
        QCOMPARE(LastSent(), QByteArray("!16070000000000783C"));
        BeaconSettings.DstStartDay = BeaconSettings.DstEndDay = 77;
        QVERIFY(ReadDstSettings());
        QCOMPARE(BeaconSettings.DstStartDay, -1);
        QCOMPARE(BeaconSettings.DstEndDay, -1);

        BeaconSettings.DstEndDay = 5419; // one day alone cannot make a rule either
        QVERIFY(WriteDstSettings());
        QCOMPARE(LastSent(), QByteArray("!16070000000000783C"));
    }

    void brightnessLevelsAndPercent()
    {
        const int levels[] = {1, 2, 4, 5, 7, 9, 10, 12, 13, 15};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(BrightnessLevelFromPercent(10 * (i + 1)), quint8(levels[i]));
        const int percent[] = {10, 10, 20, 20, 30, 40, 40, 50, 60, 60, 70, 70, 80, 90, 90, 100};
        for (int level = 0; level < 16; ++level)
            QCOMPARE(BrightnessPercentFromLevel(level), percent[level]);
    }
};

QTEST_GUILESS_MAIN(TestSettingsCodecs)
#include "tst_settingscodecs.moc"
