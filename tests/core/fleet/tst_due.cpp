// What is due for a beacon, rule by rule, from a real library database whose
// register and archive are written as the program writes them.
#include "config/appconfig.h"
#include "fleet/due.h"
#include "fleet/inventory.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testevents.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>

namespace {
const QDateTime Now(QDate(2026, 8, 20), QTime(12, 0), Qt::UTC);
const QDate DayZero(2010, 1, 1);
const QString Serial = QStringLiteral("20240007");

// A whole configuration: one schedule record, one calendar record ending
// calendarEnd days from today, and a daylight-saving rule for this year and
// the next (south of the equator) or for this year only.
QByteArray Settings(int flashSpeed, int calendarEnd, bool dstThisYearOnly)
{
    const QDate today = Now.toLocalTime().date();
    const QString dst = dstThisYearOnly ? QStringLiteral("DateDST1ISO=2026-03-08\nDateDST2ISO=2026-11-01\n")
                                        : QStringLiteral("DateDST1ISO=2026-10-04\nDateDST2ISO=2027-04-04\n");
    return QStringLiteral("[General]\nBrightnessMin=10\nBrightnessMax=100\nFlashPattern=0\nFlashSpeed=%1\n"
                          "LinkChannel=0\nBeaconRole=0\n%2TimeDSTISO=02:00:00\ncbOffsetDST=1\nScheduleCount=1\n"
                          "CalendarCount=1\n\n[Schedule0]\nid=1\nScheduleId=0\nRecDay=31\nRecOnTime=420\n"
                          "RecOffTime=510\n\n[Calendar0]\nid=1\nCalendarId=0\nName=BREAK\nDayNum=%3\nDays=1\n"
                          "DayMode=6\n")
        .arg(flashSpeed)
        .arg(dst)
        .arg(DayZero.daysTo(today.addDays(calendarEnd)))
        .toUtf8();
}

type_events_record Event(int type, int rawVolts, int minutes)
{
    return TestEvent(type, rawVolts, minutes, QDate(2026, 8, 1));
}

struct TCase {
    const char *name;
    int assignedSpeed = 2;       // -1: nothing assigned
    int recordedSpeed = 2;       // -1: no configuration recorded
    int calendarEnd = 200;       // days from today
    bool dstThisYearOnly = false;
    qint64 drift = 5;            // LLONG_MIN: no contact recorded
    int reachedDaysAgo = 1;      // -1: never reached
    QList<type_events_record> older = {Event(1, 400, 10)}; // an earlier visit's reset and low voltage
    QList<type_events_record> newest = {Event(2, 520, 420), Event(3, 515, 510)};
    QStringList rules = {};
    QString text = {};           // found in the first item's text
};
}

class TestDue : public QObject {
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
    }

    void rulesOneByOne()
    {
        const QList<TCase> cases = {
            {"nothing due"},
            {"config differs", 2, 3, 200, false, 5, 1, {}, {}, {"config"}, "differs from term.bcfg: Advanced Settings: Flashing Speed"},
            {"config never read", 2, -1, 200, false, 5, 1, {}, {}, {"config"}, "never read"},
            {"nothing assigned", -1, 2, 200, false, 5, 1, {}, {}, {"config"}, "no configuration assigned"},
            {"nothing assigned, nothing read", -1, -1, 200, false, 5, 1, {}, {}, {"config"}, "no configuration assigned"},
            {"calendar ends soon", 2, 2, 30, false, 5, 1, {}, {}, {"calendar"}, "ends on 2026-09-19"},
            {"calendar ends later", 2, 2, 31, false, 5, 1, {}, {}, {}, {}},
            {"calendar ended", 2, 2, -3, false, 5, 1, {}, {}, {"calendar", "plan"}, "ended on 2026-08-17"},
            {"daylight saving for this year only", 2, 2, 200, true, 5, 1, {}, {}, {"plan"},
             "2027-01-01: The daylight-saving rule holds dates for 2026 only"},
            {"clock drift", 2, 2, 200, false, -61, 1, {}, {}, {"clock"}, "off by -61 s"},
            {"clock drift at the threshold", 2, 2, 200, false, 60, 1, {}, {}, {}, {}},
            {"no drift recorded", 2, 2, 200, false, LLONG_MIN, 1, {}, {}, {}, {}},
            {"no contact for long", 2, 2, 200, false, 5, 31, {}, {}, {"contact"}, "no contact since 2026-07-20"},
            {"contact at the threshold", 2, 2, 200, false, 5, 29, {}, {}, {}, {}},
            {"never reached", 2, -1, 200, false, LLONG_MIN, -1, {}, {}, {"config", "contact"}, "never read"},
            {"reset since the last visit", 2, 2, 200, false, 5, 1, {}, {Event(2, 520, 400), Event(1, 510, 430)},
             {"resets"}, "1 reset(s) in the last event download, the newest on 2026-08-01 07:10"},
            {"low voltage since the last visit", 2, 2, 200, false, 5, 1, {}, {Event(2, 520, 400), Event(3, 420, 430)},
             {"voltage"}, "down to 9.98 V in the last event download, on 2026-08-01 07:10"},
            {"everything at once", 3, 2, -1, true, 900, 45, {}, {Event(1, 300, 5)},
             {"config", "calendar", "plan", "plan", "clock", "contact", "resets", "voltage"}, "Flashing Speed"},
        };
        for (const TCase &c : cases) {
            const QString file = fDir.filePath(QStringLiteral("due-%1.db").arg(c.name));
            QVERIFY(CreateLibraryDatabase(file));
            TDM dm;
            QVERIFY(dm.OpenDatabase(file));
            THistoryRegister reg(dm);
            TFleetInventory inventory(dm);

            TFleetBeacon beacon;
            beacon.Name = QStringLiteral("North");
            beacon.Serial = Serial;
            if (c.assignedSpeed >= 0) {
                beacon.AssignedName = QStringLiteral("term.bcfg");
                beacon.AssignedConfig = Settings(c.assignedSpeed, c.calendarEnd, c.dstThisYearOnly);
            }
            inventory.Add(beacon);

            TActionRecord action;
            action.Serial = Serial;
            action.Outcome = QStringLiteral("done");
            action.When = Now.addDays(-std::max(c.reachedDaysAgo, 0));
            // What failed never counts as a contact, nor is a configuration it kept.
            TActionRecord failed = action;
            failed.When = Now.addSecs(-60);
            failed.Action = THistoryRegister::Upload;
            failed.Outcome = QStringLiteral("The Beacon on ttyUSB0 did not answer.");
            failed.Config = Settings(7, 200, false);
            reg.Add(failed);
            if (c.reachedDaysAgo >= 0) {
                action.Action = THistoryRegister::Identify;
                reg.Add(action);
                action.Action = THistoryRegister::Events;
                TEventArchive(dm).Merge(Serial, c.older, reg.Add(action));
                TEventArchive(dm).Merge(Serial, c.newest, reg.Add(action));
            }
            if (c.recordedSpeed >= 0) {
                action.Action = THistoryRegister::Download;
                action.Config = Settings(c.recordedSpeed, c.calendarEnd, c.dstThisYearOnly);
                reg.Add(action);
            }
            if (c.drift != LLONG_MIN) {
                inventory.RecordContact({Serial, Now.addDays(-5), 1, 0});
                inventory.RecordContact({Serial, Now.addDays(-1), c.drift, 0});
            }

            const QList<TDueItem> items = DueItems(dm, *inventory.Beacon(beacon.Name), TFleetThresholds(), Now);
            QStringList rules, texts;
            for (const TDueItem &item : items) {
                rules << item.Rule;
                texts << item.Text;
            }
            QVERIFY2(rules == c.rules, qPrintable(QStringLiteral("%1: %2").arg(c.name, texts.join(u'|'))));
            if (!c.rules.isEmpty())
                QVERIFY2(texts.first().contains(c.text), qPrintable(QStringLiteral("%1: %2").arg(c.name, texts.first())));
        }
    }

    void beaconWithoutSerial()
    {
        const QString file = fDir.filePath(QStringLiteral("noserial.db"));
        QVERIFY(CreateLibraryDatabase(file));
        TDM dm;
        QVERIFY(dm.OpenDatabase(file));
        TFleetBeacon beacon;
        beacon.Name = QStringLiteral("New");
        QStringList rules;
        for (const TDueItem &item : DueItems(dm, beacon, TFleetThresholds(), Now))
            rules << item.Rule + u'=' + item.Text;
        QCOMPARE(rules, (QStringList{"config=no configuration assigned", "contact=never reached"}));
    }

    void thresholdsFromTheStore()
    {
        QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
        store.setValue(QStringLiteral("Fleet/ClockDriftSeconds"), 10);
        store.setValue(QStringLiteral("Fleet/LowVoltage"), QStringLiteral("11.5"));
        store.setValue(QStringLiteral("Fleet/NoContactDays"), QStringLiteral("soon"));
        store.setValue(QStringLiteral("Fleet/PlanDays"), -4);
        store.sync();
        const TFleetThresholds t = TFleetThresholds::Load();
        QCOMPARE(t.ClockDriftSeconds, 10);
        QCOMPARE(t.LowVoltage, 11.5);
        QCOMPARE(t.NoContactDays, TFleetThresholds().NoContactDays);
        QCOMPARE(t.PlanDays, TFleetThresholds().PlanDays);
        QCOMPARE(t.CalendarEndDays, TFleetThresholds().CalendarEndDays);
    }
};

QTEST_GUILESS_MAIN(TestDue)
#include "tst_due.moc"
