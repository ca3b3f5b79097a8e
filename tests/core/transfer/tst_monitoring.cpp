// The manual override and the real-time diagnostics against the simulated controller.
#include "config/exceptions.h"
#include "config/messages.h"
#include "link/dmcom.h"
#include "link/portlist.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "simulatedline.h"
#include "store/localetext.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "transfer/monitoring.h"

#include <QDir>
#include <QtTest>

namespace {
const QLocale enUS(QStringLiteral("en_US"));
}

class TestMonitoring : public QObject, TSimulatedLine {
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

    void overrideSendsModeAndMinutes()
    {
        TTestMessageService messages;
        QVERIFY(SendOverride(1, QTime(15, 30, 59))); // seconds are dropped
        QCOMPARE(LastSent(), QByteArray("!32030103A2"));
        QVERIFY(SendOverride(0, QTime(12, 0))); // "Auto" always sends midnight
        QCOMPARE(LastSent(), QByteArray("!3203000000"));
        QVERIFY(SendOverride(2, QTime(23, 59)));
        QCOMPARE(LastSent(), QByteArray("!320302059F"));
        QVERIFY(SendOverride(1, QTime(0, 0)));
        QCOMPARE(LastSent(), QByteArray("!3203010000"));
        QCOMPARE(messages.Texts(TMessageService::Kind::Information),
                 QStringList(4, QString::fromUtf8(Msg::OverrideSet)));
        sim->WithController([](TBeaconController &c) { QCOMPARE(c.overrideMode, quint8(1)); });
    }

    void overrideWithoutAnswer()
    {
        StartIgnoring({0x32});
        TTestMessageService messages;
        QVERIFY(!SendOverride(2, QTime(8, 0)));
        QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8(Msg::OverrideNotSet)});
        QCOMPARE(messages.entries.first().kind, TMessageService::Kind::Error);
    }

    void fieldsBeforeAnythingWasRead()
    {
        TDiagnostics diagnostics(enUS);
        QCOMPARE(diagnostics.Fields(), QStringList(6, QStringLiteral(" ...")));
        diagnostics.Refresh();
        QCOMPARE(diagnostics.lblStatusVoltage, QStringLiteral(" Voltage: 0.34V"));
        QCOMPARE(diagnostics.lblStatusBeacon, QStringLiteral(" Beacon is OFF"));
        QCOMPARE(diagnostics.lblSwitchState, QStringLiteral(" Switch in AUTO position"));
        QCOMPARE(diagnostics.lblStateOverride, QStringLiteral(" Override mode is not active"));
    }

    void voltageSwitchAndOverrideTexts()
    {
        TDiagnostics diagnostics(enUS);
        BeaconStatus.LiveValues[1] = 0x0220;
        BeaconStatus.BeaconOn = true;
        BeaconStatus.SwitchPosition = 2;
        BeaconStatus.OverrideState = 1;
        BeaconSettings.ClockValue = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        diagnostics.Refresh();
        QCOMPARE(diagnostics.lblStatusVoltage, QStringLiteral(" Voltage: 12.76V"));
        QCOMPARE(diagnostics.lblStatusBeacon, QStringLiteral(" Beacon is ON"));
        QCOMPARE(diagnostics.lblSwitchState, QStringLiteral(" Switch in OFF position"));
        QCOMPARE(diagnostics.lblStateOverride, QStringLiteral(" Schedule overridden to ON state"));
        QVERIFY(diagnostics.lblStatusTime.startsWith(QLatin1String(" Time: 2:07:09")));
        QCOMPARE(diagnostics.lblStatusDate, QStringLiteral(" Date: 3/5/2024"));

        BeaconStatus.LiveValues[1] = 0xFFFF;
        BeaconStatus.SwitchPosition = 3; // unknown: the field keeps its text
        BeaconStatus.OverrideState = 7;
        diagnostics.Refresh();
        QCOMPARE(diagnostics.lblStatusVoltage, QStringLiteral(" Voltage: 1496.57V"));
        QCOMPARE(diagnostics.lblSwitchState, QStringLiteral(" Switch in OFF position"));
        QCOMPARE(diagnostics.lblStateOverride, QStringLiteral(" Schedule overridden to ON state"));

        BeaconStatus.LiveValues[1] = 0x0220;
        TDiagnostics de{QLocale(QStringLiteral("de_DE"))};
        de.Refresh();
        QCOMPARE(de.lblStatusVoltage, QStringLiteral(" Voltage: 12,76V"));
    }

    void ticksRunTheCycleInFourSteps()
    {
        sim->WithController([](TBeaconController &c) {
            c.switchPosition = 1;
            c.SetClock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        });
        TDiagnostics diagnostics(enUS);
        QCOMPARE(diagnostics.StaleNote(), QStringLiteral("Not current: no values have been read from the Beacon."));
        for (int tick = 0; tick < 4; ++tick)
            diagnostics.Tick();
        QCOMPARE(diagnostics.Step(), 0);
        // The refresh shows the clock read the tick before: that reading's time.
        const QDateTime readAt = diagnostics.ShownReadAt();
        QVERIFY(readAt.isValid() && qAbs(readAt.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(diagnostics.StaleNote(),
                 QStringLiteral("Not current: the values were last read at %1.").arg(TimeToText(readAt.time(), enUS)));
        QCOMPARE(sim->Received().size(), 3); // clock, live values, override status
        QCOMPARE(diagnostics.lblStatusDate, QStringLiteral(" Date: 3/5/2024"));
        // Refreshed before the status was read: the values of the start, all zero.
        QCOMPARE(diagnostics.lblSwitchState, QStringLiteral(" Switch in AUTO position"));
        diagnostics.Tick();
        diagnostics.Tick();
        QCOMPARE(diagnostics.lblSwitchState, QStringLiteral(" Switch in ON position"));
        QCOMPARE(diagnostics.Step(), 2);

        sim->CloseLine(); // an error of the line: the step is tried again
        QVERIFY_THROWS_EXCEPTION(Exception, diagnostics.Tick());
        QCOMPARE(diagnostics.Step(), 2);
        QVERIFY(diagnostics.ShownReadAt() >= readAt);
    }

    void cycleForTheCommandLine()
    {
        sim->WithController([](TBeaconController &c) {
            c.overrideMode = 2;
            c.overrideUntil = c.Clock().addSecs(3600);
        });
        TDiagnostics diagnostics(enUS);
        diagnostics.RunCycle();
        QCOMPARE(diagnostics.lblStateOverride, QStringLiteral(" Schedule overridden to OFF state"));
        QVERIFY(diagnostics.lblStatusVoltage.startsWith(QLatin1String(" Voltage: 12.")));

        StartIgnoring({0x31});
        try {
            diagnostics.RunCycle();
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Exception while processing Live Values"));
        }
    }
};

QTEST_GUILESS_MAIN(TestMonitoring)
#include "tst_monitoring.moc"
