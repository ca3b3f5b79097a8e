// The advanced settings model: rules, conversions to and from BeaconSettings,
// and "Auto Set" from the workstation's time zone.
#include "config/messages.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "transfer/advancedsettings.h"
#include "transfer/dstrules.h"

#include <QtTest>
#include <ctime>

namespace {
// The workstation's zone as the program sees it: TZ, then the C library's view.
void SetZone(const char *zone)
{
    qputenv("TZ", zone);
    tzset();
}

QDate NthWeekday(int year, int month, int qtWeekday, int n)
{
    QDate day(year, month, 1);
    while (day.dayOfWeek() != qtWeekday)
        day = day.addDays(1);
    return day.addDays(7 * (n - 1));
}

// A moment the zone's clocks change, found from its offsets alone.
struct TClockChange {
    QDateTime localBefore; // the clock time that ends with the change
    int minutes;           // how far the clocks move: forward above 0
};

// Every change of the zone's offset from UTC in year, in order: the offset is
// looked at every six hours, and each change narrowed down to the second.
QList<TClockChange> ClockChanges(const QTimeZone &zone, int year)
{
    QList<TClockChange> changes;
    const QDateTime end(QDate(year + 1, 1, 1), QTime(0, 0), Qt::UTC);
    QDateTime at(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
    int offset = zone.offsetFromUtc(at);
    for (; at < end; at = at.addSecs(6 * 3600)) {
        const QDateTime next = at.addSecs(6 * 3600);
        const int nextOffset = zone.offsetFromUtc(next);
        if (nextOffset == offset)
            continue;
        qint64 low = at.toSecsSinceEpoch(), high = next.toSecsSinceEpoch(); // offset at low, new one at high
        while (high - low > 1) {
            const qint64 middle = (low + high) / 2;
            (zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(middle, Qt::UTC)) == offset ? low : high) = middle;
        }
        changes.append({QDateTime::fromSecsSinceEpoch(high + offset, Qt::UTC), (nextOffset - offset) / 60});
        offset = nextOffset;
    }
    return changes;
}

QDate LastWeekday(int year, int month, int qtWeekday)
{
    QDate day(year, month, QDate(year, month, 1).daysInMonth());
    while (day.dayOfWeek() != qtWeekday)
        day = day.addDays(-1);
    return day;
}
}

class TestAdvancedSettings : public QObject {
    Q_OBJECT
    QByteArray savedZone;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        savedZone = qgetenv("TZ");
    }

    void cleanup()
    {
        if (savedZone.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", savedZone);
        tzset();
    }

    void createdAsThePage()
    {
        TAdvancedSettings page;
        QVERIFY(page.UseMUTCD);
        QCOMPARE(page.BrightnessMin, 10);
        QCOMPARE(page.BrightnessMax, 100);
        QCOMPARE(page.FlashPattern, 4);
        QCOMPARE(page.FlashSpeed, 2);
        QVERIFY(page.FlashSpeedEnabled);
        QCOMPARE(page.BeaconRole, 0);
        QCOMPARE(page.LinkChannel, 0);
        QVERIFY(!page.LinkChannelEnabled);
        QCOMPARE(TAdvancedSettings::FlashPatternItems().size(), 7);
        QCOMPARE(TAdvancedSettings::FlashPatternItems().at(4), QStringLiteral("Alternating One Flash (Default)"));
        QCOMPARE(TAdvancedSettings::LinkChannelItems().first(), QStringLiteral("OFF"));
        QCOMPARE(TAdvancedSettings::LinkChannelItems().last(), QStringLiteral("Channel #9"));
        QCOMPARE(TAdvancedSettings::OffsetItems().last(), QStringLiteral(" "));
    }

    void patternAndMutcdRules()
    {
        TAdvancedSettings page;
        page.FlashPattern = 0; // "Constant Level (ON/OFF)"
        page.cbFlashPatternChange();
        QCOMPARE(page.FlashSpeed, 0);
        QVERIFY(!page.FlashSpeedEnabled);
        QVERIFY(!page.UseMUTCD);

        page.UseMUTCD = true; // the operator checks the box
        page.cbUseMUTCDClick();
        QCOMPARE(page.FlashPattern, 4);
        QCOMPARE(page.FlashSpeed, 2);
        QVERIFY(page.FlashSpeedEnabled);

        page.FlashSpeed = 3; // "Fast"
        page.cbFlashPatternChange();
        QVERIFY(!page.UseMUTCD);
        QCOMPARE(page.FlashSpeed, 3);
        page.FlashSpeed = 2; // "Medium (Default)" again
        page.cbFlashPatternChange();
        QVERIFY(page.UseMUTCD);

        page.UseMUTCD = false; // clearing the box changes nothing else
        page.cbUseMUTCDClick();
        QCOMPARE(page.FlashPattern, 4);
        QCOMPARE(page.FlashSpeed, 2);
    }

    void roleRule()
    {
        TTestMessageService messages;
        TAdvancedSettings page;
        page.BeaconRole = 1;
        page.cbZBeeModeChange();
        QVERIFY(page.LinkChannelEnabled);
        page.LinkChannel = 3;
        page.BeaconRole = 0;
        page.cbZBeeModeChange();
        QCOMPARE(page.LinkChannel, 0);
        QVERIFY(!page.LinkChannelEnabled);
        QVERIFY(messages.entries.isEmpty());

        page.BeaconRole = 2;
        page.cbZBeeModeChange();
        page.cbZBeeModeChange(); // chosen again: warned again
        QCOMPARE(messages.Texts(TMessageService::Kind::Warning),
                 QStringList(2, QString::fromUtf8(Msg::SlaveModeWarning)));
        QCOMPARE(page.BeaconRole, 2);
        QVERIFY(page.LinkChannelEnabled);
    }

    void brightnessCodesBothWays()
    {
        TAdvancedSettings page;
        const int codes[10] = {1, 2, 4, 5, 7, 9, 10, 12, 13, 15};
        for (int i = 0; i < 10; ++i) {
            TBeaconSettings settings;
            page.SetBrightness(10 * (i + 1), 100);
            page.SetSettings(settings);
            QCOMPARE(settings.BrightnessRange, quint8(codes[i] << 4 | 15));
            page.ShowSettings(settings); // every multiple of ten comes back unchanged
            QCOMPARE(page.BrightnessMin, 10 * (i + 1));
        }
        const int shown[16] = {10, 10, 20, 20, 30, 40, 40, 50, 60, 60, 70, 70, 80, 90, 90, 100};
        for (int code = 0; code < 16; ++code) {
            TBeaconSettings settings;
            settings.BrightnessRange = quint8(code);
            page.ShowSettings(settings);
            QCOMPARE(page.BrightnessMax, shown[code]);
        }
        for (auto [range, low, high] : {std::tuple{0x1F, 10, 100}, std::tuple{0x59, 40, 60}, std::tuple{0x00, 10, 10}}) {
            TBeaconSettings settings;
            settings.BrightnessRange = quint8(range);
            page.ShowSettings(settings);
            QCOMPARE(page.BrightnessMin, low);
            QCOMPARE(page.BrightnessMax, high);
        }
        page.SetBrightness(1, 250); // the bar keeps its limits
        QCOMPARE(page.BrightnessMin, 10);
        QCOMPARE(page.BrightnessMax, 100);
    }

    void showSettingsOutOfRangeAndRules()
    {
        TTestMessageService messages;
        TAdvancedSettings page;
        TBeaconSettings settings;
        settings.FlashPattern = 9;
        settings.FlashSpeed = 5;
        settings.BeaconRole = 3;
        settings.LinkChannel = 10;
        settings.DstOffset = 45; // not in the list: the list stays
        page.OffsetIndex = 2;
        page.ShowSettings(settings);
        QCOMPARE(page.FlashPattern, 0);
        QCOMPARE(page.FlashSpeed, 0);
        QVERIFY(!page.FlashSpeedEnabled);
        QVERIFY(!page.UseMUTCD);
        QCOMPARE(page.BeaconRole, 0);
        QCOMPARE(page.LinkChannel, 0);
        QCOMPARE(page.OffsetIndex, 2);
        QVERIFY(messages.entries.isEmpty());

        settings.BeaconRole = 2; // showing a slave's settings warns too
        settings.LinkChannel = 4;
        settings.DstOffset = 120;
        page.ShowSettings(settings);
        QCOMPARE(messages.Texts(TMessageService::Kind::Warning).size(), 1);
        QCOMPARE(page.LinkChannel, 4);
        QCOMPARE(page.OffsetIndex, 3);
    }

    void setSettingsKeepsFieldsOfEmptyLists()
    {
        TAdvancedSettings page;
        TBeaconSettings settings;
        settings.DstOffset = 90;
        settings.LinkChannel = 5;
        page.OffsetIndex = 4; // the blank item
        page.LinkChannel = -1; // nothing selected, as an out-of-range file value leaves it
        page.SetSettings(settings);
        QCOMPARE(settings.DstOffset, 90);
        QCOMPARE(settings.LinkChannel, quint8(5));
        page.OffsetIndex = 0;
        page.SetSettings(settings);
        QCOMPARE(settings.DstOffset, 30);
    }

    void dstDaysAndShiftTime()
    {
        QCOMPARE(DstDayFromDate(QDate(2010, 1, 2)), 0);
        QCOMPARE(DstDayFromDate(QDate(2010, 1, 1)), -1);
        QCOMPARE(DstDayFromDate(QDate(2024, 3, 10)), 5181);
        QCOMPARE(DstDayFromDate(QDate(2024, 11, 3)), 5419);
        QCOMPARE(DstDayToDate(5181), QDate(2024, 3, 10));
        QCOMPARE(DstDayToDate(-1), QDate(2010, 1, 1));

        TAdvancedSettings page;
        page.DateDST1 = QDate(2024, 3, 10);
        page.DateDST2 = QDate(2024, 11, 3);
        page.TimeDST = QTime(2, 30, 45);
        TBeaconSettings settings;
        page.SetSettings(settings);
        QCOMPARE(settings.DstStartDay, 5181);
        QCOMPARE(settings.DstEndDay, 5419);
        QCOMPARE(settings.DstShiftTime, 150);
        TAdvancedSettings shown;
        shown.ShowSettings(settings);
        QCOMPARE(shown.DateDST1, page.DateDST1);
        QCOMPARE(shown.DateDST2, page.DateDST2);
        QCOMPARE(shown.TimeDST, QTime(2, 30));

        // All-zero settings, as before anything was read, show 2 January 2010 and midnight.
        shown.ShowSettings(TBeaconSettings{});
        QCOMPARE(shown.DateDST1, QDate(2010, 1, 2));
        QCOMPARE(shown.TimeDST, QTime(0, 0));
    }

    void transitionRuleDates()
    {
        QCOMPARE(TransitionDate({3, 0, 2, {}}, 2025), QDate(2025, 3, 9));
        QCOMPARE(TransitionDate({11, 0, 1, {}}, 2025), QDate(2025, 11, 2));
        QCOMPARE(TransitionDate({3, 0, 5, {}}, 2025), QDate(2025, 3, 30));
        QCOMPARE(TransitionDate({10, 0, 5, {}}, 2025), QDate(2025, 10, 26));
        QCOMPARE(TransitionDate({2, 6, 4, {}}, 2025), QDate(2025, 2, 22)); // a Saturday
    }

    void autoSetUsZone()
    {
        SetZone("America/New_York");
        TAdvancedSettings page;
        page.OffsetIndex = 3;
        page.btnSetDSTClick(QTimeZone::systemTimeZone(), 2025);
        QCOMPARE(page.DateDST1, QDate(2025, 3, 9));
        QCOMPARE(page.DateDST2, QDate(2025, 11, 2));
        QCOMPARE(page.TimeDST, QTime(2, 0));
        QCOMPARE(page.OffsetIndex, 1); // the one-hour shift, not the zone's offset from UTC
        TBeaconSettings settings;
        page.SetSettings(settings);
        QCOMPARE(settings.DstStartDay, 5545);
        QCOMPARE(settings.DstEndDay, 5783);
        QCOMPARE(settings.DstShiftTime, 120);
        QCOMPARE(settings.DstOffset, 60);

        const int year = QDate::currentDate().year(); // what the page gets at creation
        TAdvancedSettings created;
        QCOMPARE(created.DateDST1, NthWeekday(year, 3, Qt::Sunday, 2));
        QCOMPARE(created.DateDST2, NthWeekday(year, 11, Qt::Sunday, 1));
    }

    void autoSetEuropeanZone()
    {
        SetZone("Europe/Berlin");
        TAdvancedSettings page;
        page.btnSetDSTClick(QTimeZone::systemTimeZone(), 2025);
        QCOMPARE(page.DateDST1, QDate(2025, 3, 30));
        QCOMPARE(page.DateDST2, QDate(2025, 10, 26));
        QCOMPARE(page.TimeDST, QTime(2, 0)); // 01:00 UTC in local standard time
        QCOMPARE(page.OffsetIndex, 1);

        const int year = QDate::currentDate().year();
        page.btnSetDSTClick();
        QCOMPARE(page.DateDST1, LastWeekday(year, 3, Qt::Sunday));
        QCOMPARE(page.DateDST2, LastWeekday(year, 10, Qt::Sunday));
    }

    void autoSetSouthernAndHalfHourZones()
    {
        SetZone("Australia/Sydney");
        TAdvancedSettings page;
        page.btnSetDSTClick(QTimeZone::systemTimeZone(), 2025);
        QCOMPARE(page.DateDST1, QDate(2025, 10, 5)); // late in the year
        QCOMPARE(page.DateDST2, QDate(2025, 4, 6));
        QCOMPARE(page.TimeDST, QTime(2, 0));

        SetZone("Australia/Lord_Howe"); // shifts by half an hour
        page.btnSetDSTClick(QTimeZone::systemTimeZone(), 2025);
        QCOMPARE(page.OffsetIndex, 0);
    }

    // Irish winter time is recorded as a negative daylight-saving shift;
    // the beacon still needs spring forward and autumn back.
    void autoSetIrishZone()
    {
        SetZone("Europe/Dublin");
        TAdvancedSettings page;
        page.OffsetIndex = 3;
        page.btnSetDSTClick(QTimeZone::systemTimeZone(), 2026);
        QCOMPARE(page.DateDST1, QDate(2026, 3, 29));
        QCOMPARE(page.DateDST2, QDate(2026, 10, 25));
        QCOMPARE(page.TimeDST, QTime(1, 0));
        QCOMPARE(page.OffsetIndex, 1);
    }

    // Every zone the system knows whose clocks go forward and back in a year
    // gets those two dates, the spring time and the size of the shift;
    // every other zone gets "no daylight saving".
    void autoSetFollowsEveryZonesClockChanges()
    {
        const QList<int> offsets{30, 60, 90, 120};
        int withShift = 0;
        for (const QByteArray &id : QTimeZone::availableTimeZoneIds()) {
            const QTimeZone zone(id);
            for (const int year : {2025, 2026}) {
                const QList<TClockChange> changes = ClockChanges(zone, year);
                const auto firstWay = [&](bool forward) {
                    for (const TClockChange &change : changes)
                        if ((change.minutes > 0) == forward)
                            return change;
                    return TClockChange{{}, 0};
                };
                const TClockChange forward = firstWay(true), back = firstWay(false);
                TAdvancedSettings page;
                page.OffsetIndex = -1;
                page.btnSetDSTClick(zone, year);
                const QString where = QStringLiteral("%1 %2").arg(QString::fromLatin1(id)).arg(year);
                if (forward.minutes == 0 || back.minutes == 0) {
                    QVERIFY2(page.DateDST1 == QDate(2010, 1, 1) && page.DateDST2 == QDate(2010, 1, 1),
                             qPrintable(where));
                    continue;
                }
                ++withShift;
                QVERIFY2(page.DateDST1 == forward.localBefore.date(), qPrintable(where));
                QVERIFY2(page.DateDST2 == back.localBefore.date(), qPrintable(where));
                const QTime springTime = forward.localBefore.time();
                QVERIFY2(page.TimeDST == QTime(springTime.hour(), springTime.minute()), qPrintable(where));
                QVERIFY2(page.OffsetIndex == offsets.indexOf(forward.minutes), qPrintable(where));
            }
        }
        QVERIFY2(withShift > 100, qPrintable(QString::number(withShift))); // the system's zone data is there
    }

    void autoSetZoneWithoutDst()
    {
        SetZone("Asia/Tokyo");
        TAdvancedSettings page;
        page.OffsetIndex = 3;
        page.TimeDST = QTime(3, 15);
        page.btnSetDSTClick();
        QCOMPARE(page.DateDST1, QDate(2010, 1, 1));
        QCOMPARE(page.DateDST2, QDate(2010, 1, 1));
        QCOMPARE(page.OffsetIndex, 3);
        QCOMPARE(page.TimeDST, QTime(3, 15));
        TBeaconSettings settings;
        page.SetSettings(settings);
        QCOMPARE(settings.DstStartDay, -1);
        QCOMPARE(settings.DstEndDay, -1);
    }
};

QTEST_GUILESS_MAIN(TestAdvancedSettings)
#include "tst_advancedsettings.moc"
