// The manual override and the real-time diagnostics window, worked from the
// Manage Beacons page against a simulated controller on a pseudo-terminal.
#include "app/application.h"
#include "monitorrig.h"
#include "store/localetext.h"
#include "testenv.h"

#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTimeEdit>

using namespace MonitorRig;
using Kind = TMessageService::Kind;

namespace {
const QString kOverrideSet = QStringLiteral("Override parameters were set to Beacon.");
const QString kOverrideNotSet = QStringLiteral("Communication Error. Override parameters were not set.");

TSimOptions Named(const char *name)
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    return options;
}

// The override frames the controller received.
QList<QByteArray> OverrideFrames(const TBeaconSimulator &sim)
{
    QList<QByteArray> frames;
    for (const QByteArray &frame : sim.Received())
        if (frame.startsWith("!32"))
            frames << frame;
    return frames;
}

QStringList Fields(const TfrmRealTime &window)
{
    return {window.lblStatusTime->text(),    window.lblStatusDate->text(),    window.lblStatusVoltage->text(),
            window.lblStatusBeacon->text(), window.lblStateOverride->text(), window.lblSwitchState->text()};
}

// The operator types a time into the picker, hours first.
void TypeTime(QTimeEdit *picker, const QString &digits)
{
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::HourSection);
    QTest::keyClicks(picker, digits);
}
}

class TestMonitor : public QObject, public TRigHolder {
    Q_OBJECT

    TRig &StartConnected(TBeaconSimulator &sim)
    {
        TRig &rig = StartRig(sim.PortName());
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        rig.messages.Clear();
        return rig;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitTestEnvironment();
        ClearVirtualPorts();
    }
    void init() { ResetBeaconMemory(); }
    void cleanup() { fRig.reset(); }

    void overrideOnUntil1530AndBackToAuto()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        TfrmMain &window = rig.window;
        QCOMPARE(window.gbManualControl->title(), QStringLiteral(" Manual Override "));
        QCOMPARE(window.cbOverrideMode->currentText(), QStringLiteral("Auto"));
        QCOMPARE(window.cbScheduleTimeOn->time(), QTime(23, 59));
        QVERIFY(!window.cbScheduleTimeOn->isEnabled());
        QVERIFY(!window.btnOverride->isEnabled()); // no beacon yet
        Connect(false);
        WaitForIdentity();
        ShowPage(window.btnConnectedSystem, window.pageConnectedSystem);
        rig.messages.Clear();

        OperatorPick(window.cbOverrideMode, 1);
        QVERIFY(window.cbScheduleTimeOn->isEnabled());
        TypeTime(window.cbScheduleTimeOn, QStringLiteral("1530"));
        QCOMPARE(window.cbScheduleTimeOn->time(), QTime(15, 30));
        OperatorClick(window.btnOverride);
        QCOMPARE(rig.messages.Texts(Kind::Information), QStringList{kOverrideSet});
        // ON until 930 minutes; a loaded machine may see the exchange's own retry.
        const QList<QByteArray> frames = OverrideFrames(sim);
        QVERIFY(!frames.isEmpty() && frames.size() <= 2);
        for (const QByteArray &frame : frames)
            QCOMPARE(frame, QByteArray("!32030103A2"));
        TBeaconController controller = Controller(sim);
        QCOMPARE(controller.overrideMode, quint8(1));
        QCOMPARE(controller.overrideUntil.time(), QTime(15, 30));

        // Back to the schedule: midnight goes out, the picker keeps its time.
        OperatorPick(window.cbOverrideMode, 0);
        QVERIFY(!window.cbScheduleTimeOn->isEnabled());
        QCOMPARE(window.cbScheduleTimeOn->time(), QTime(15, 30));
        OperatorClick(window.btnOverride);
        QCOMPARE(OverrideFrames(sim).constLast(), QByteArray("!3203000000"));
        QCOMPARE(Controller(sim).overrideMode, quint8(0));
        QCOMPARE(rig.messages.Texts(), (QStringList{kOverrideSet, kOverrideSet}));

        OperatorPick(window.cbOverrideMode, 2);
        QVERIFY(window.cbScheduleTimeOn->isEnabled());
        QCOMPARE(window.cbScheduleTimeOn->time(), QTime(15, 30));
    }

    void anOverrideWithoutAnswerIsReported()
    {
        TSimOptions options = Named("beacon");
        options.ignore = {0x32};
        TBeaconSimulator sim(options);
        TRig &rig = StartConnected(sim);
        dmCOM().SetReadTimeouts(250, 250, 250);
        OperatorPick(rig.window.cbOverrideMode, 2);
        OperatorClick(rig.window.btnOverride);
        QCOMPARE(rig.messages.Texts(), QStringList{kOverrideNotSet});
        QCOMPARE(rig.messages.entries.constFirst().kind, Kind::Error);
        QCOMPARE(OverrideFrames(sim).size(), 2); // the exchange's own retry
    }

    // The window shows the controller's values, keeps the identity poll off
    // the line while it is open, and continues its cycle when opened again.
    void diagnosticsShowTheControllersValues()
    {
        TBeaconSimulator sim(Named("beacon"));
        const QDateTime clock(QDate(2031, 5, 17), QTime(10, 20, 30));
        sim.WithController([&](TBeaconController &c) {
            c.SetClock(clock);
            c.switchPosition = 2;
            c.overrideMode = 1;
            c.overrideUntil = clock.addSecs(7200);
        });
        TRig &rig = StartConnected(sim);
        TfrmRealTime &realTime = rig.realTime;
        QCOMPARE(Fields(realTime), QStringList(6, QStringLiteral(" ...")));

        QStringList shown;
        bool pollHeldOff = false;
        int stepWhenClosed = -1;
        WhenModal(&realTime, [&] {
            pollHeldOff = !dmCOM().ScanActive();
            sim.ClearFrameLog();
            QVERIFY(QTest::qWaitFor([&] { return realTime.lblSwitchState->text() != QStringLiteral(" ..."); },
                                    kSequenceWaitMs));
            // A whole cycle more, so that every field comes from this opening's reads.
            QVERIFY(QTest::qWaitFor([&] { return Commands(sim).count(QStringLiteral("34")) >= 2; }, kSequenceWaitMs));
            QVERIFY(QTest::qWaitFor([&] { return realTime.Step() == 2; }, kSequenceWaitMs));
            shown = Fields(realTime);
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(rig.window.btnRealTime);
        stepWhenClosed = realTime.Step();

        QVERIFY(pollHeldOff);
        QVERIFY(!realTime.isVisible());
        QVERIFY(dmCOM().ScanActive());
        QVERIFY(!realTime.tmrScan.isActive());
        const QStringList received = Commands(sim);
        QVERIFY2(!received.contains(QStringLiteral("01")), qPrintable(received.join(u' ')));
        QVERIFY(received.contains(QStringLiteral("10")) && received.contains(QStringLiteral("31")));

        QVERIFY2(shown.at(0).startsWith(QStringLiteral(" Time: ")), qPrintable(shown.at(0)));
        const QTime shownTime = TextToTime(shown.at(0).mid(7), QLocale());
        QVERIFY2(shownTime >= clock.time() && shownTime < clock.time().addSecs(600), qPrintable(shown.at(0)));
        QCOMPARE(shown.at(1), QStringLiteral(" Date: ") + DateToText(clock.date(), QLocale()));
        // The simulated supply wanders between raw 538 and 544.
        QVERIFY2(QRegularExpression(QStringLiteral("^ Voltage: 12\\.[67]\\dV$")).match(shown.at(2)).hasMatch(),
                 qPrintable(shown.at(2)));
        QCOMPARE(shown.mid(3), (QStringList{" Beacon is ON", " Schedule overridden to ON state",
                                            " Switch in OFF position"}));

        // Closed, it polls no more; opened again, it goes on where it stopped.
        sim.ClearFrameLog();
        QTest::qWait(400);
        QVERIFY(!Commands(sim).contains(QStringLiteral("10")));
        int stepWhenOpened = -1;
        WhenModal(&realTime, [&] {
            stepWhenOpened = realTime.Step();
            QCOMPARE(Fields(realTime), shown);
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(rig.window.btnRealTime);
        QCOMPARE(stepWhenOpened, stepWhenClosed);
        QCOMPARE(rig.messages.Texts(), QStringList());
    }

    // A controller that takes 0.6 s a reply: each read is sent once, never
    // while another is unanswered, and the fields show the controller's values.
    void aSlowBeaconsDiagnosticsAskEachReadOnce()
    {
        TSimOptions options = Named("slow");
        options.replyDelayMs = 600;
        TBeaconSimulator sim(options);
        sim.WithController([](TBeaconController &c) { c.switchPosition = 1; });
        TRig &rig = StartConnected(sim);
        TfrmRealTime &realTime = rig.realTime;
        QTRY_VERIFY_WITH_TIMEOUT(dmCOM().ReplyOwed(), kIdentityWaitMs);
        QStringList shown;
        WhenModal(&realTime, [&] {
            sim.ClearFrameLog();
            QVERIFY(QTest::qWaitFor([&] { return Commands(sim).count(QStringLiteral("34")) >= 2; }, kSequenceWaitMs));
            QVERIFY(QTest::qWaitFor([&] { return realTime.Step() == 2; }, kSequenceWaitMs));
            shown = Fields(realTime);
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(rig.window.btnRealTime);
        const QString received = Commands(sim).join(u' ');
        QVERIFY2(received.startsWith(QStringLiteral("10 31 34 10 31 34")), qPrintable(received));
        QCOMPARE(sim.RequestsWhileOwed(), 0);
        QCOMPARE(shown.at(5), QStringLiteral(" Switch in ON position"));
        QCOMPARE(rig.messages.Texts(), QStringList());
    }

    // An override waiting for its reply, and a step of the real-time window
    // still waiting after the operator closed it: link work the main window
    // holds, so no transfer starts inside it.
    void linkWorkInProgressHoldsTheWindow()
    {
        TSimOptions options = Named("beacon");
        options.replyDelayMs = 600;
        TBeaconSimulator sim(options);
        TRig &rig = StartConnected(sim);
        TfrmMain &window = rig.window;
        bool uploadOpened = false;
        WhenModal(&rig.uploadSettings, [&] {
            uploadOpened = true;
            rig.uploadSettings.reject();
        });
        const auto held = [&window] {
            for (QWidget *control : QList<QWidget *>{window.imgPortSwitch, window.cbComPort, window.btnUploadTo,
                                                     window.btnDownloadFrom, window.btnDownloadEvents,
                                                     window.btnRealTime, window.btnOverride})
                if (control->isEnabled())
                    return false;
            return true;
        };

        bool heldDuringOverride = false;
        sim.ClearFrameLog();
        Watch(&window, [&] {
            if (!Commands(sim).contains(QStringLiteral("32")))
                return false;
            heldDuringOverride = held();
            OperatorClick(window.btnUploadTo); // the operator tries anyway
            return true;
        });
        OperatorClick(window.btnOverride);
        QVERIFY(heldDuringOverride);
        QCOMPARE(rig.messages.Texts(), QStringList{kOverrideSet});
        QVERIFY(!held());

        TfrmRealTime &realTime = rig.realTime;
        bool heldAfterClosing = false;
        Watch(&realTime, [&] {
            if (!realTime.isVisible() || !Commands(sim).contains(QStringLiteral("10")))
                return false;
            OperatorClick(realTime.btnClose); // while the clock read waits for its reply
            heldAfterClosing = !realTime.isVisible() && held();
            OperatorClick(window.btnUploadTo);
            return true;
        });
        sim.ClearFrameLog();
        OperatorClick(window.btnRealTime);
        QVERIFY(heldAfterClosing);
        QVERIFY(!uploadOpened);
        QVERIFY(!held());
        QVERIFY(window.SwitchedOn());
    }

    // A link error greys the values and says when they were read, until the
    // window is opened again on a working link.
    void aLinkErrorMarksTheValuesStale()
    {
        TBeaconSimulator lost(Named("beacon-a")), working(Named("beacon-b"));
        TRig &rig = StartConnected(lost);
        TfrmMain &window = rig.window;
        TfrmRealTime &realTime = rig.realTime;
        const auto greyed = [&realTime](bool expected) {
            for (QLabel *field : {realTime.lblStatusTime, realTime.lblStatusDate, realTime.lblStatusVoltage,
                                  realTime.lblStatusBeacon, realTime.lblStateOverride, realTime.lblSwitchState})
                if (field->isEnabled() == expected)
                    return false;
            return true;
        };

        bool currentFirst = false, marked = false;
        QString note;
        QTime before;
        WhenModal(&realTime, [&] {
            QVERIFY(QTest::qWaitFor([&] { return realTime.lblSwitchState->text() != QStringLiteral(" ..."); },
                                    kSequenceWaitMs));
            currentFirst = greyed(false) && realTime.lblStale->text().isEmpty();
            before = QTime::currentTime();
            lost.CloseLine();
            QVERIFY(QTest::qWaitFor([&] { return realTime.Stale(); }, kSequenceWaitMs));
            marked = greyed(true);
            note = realTime.lblStale->text();
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(window.btnRealTime);
        QVERIFY(currentFirst);
        QVERIFY(marked);
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^Not current: the values were last read at (.+)\\.$")).match(note);
        QVERIFY2(match.hasMatch(), qPrintable(note));
        const QTime readAt = TextToTime(match.captured(1), QLocale());
        QVERIFY2(readAt.isValid() && qAbs(readAt.secsTo(before)) < 60, qPrintable(note));

        // Reopened on another controller: current again.
        QTRY_VERIFY_WITH_TIMEOUT(!window.SwitchedOn(), kIdentityWaitMs);
        OperatorPick(window.cbComPort, window.cbComPort->findText(working.PortName()));
        Connect(false);
        WaitForIdentity();
        bool currentOnOpening = false, currentAfterReading = false;
        WhenModal(&realTime, [&] {
            currentOnOpening = greyed(false) && realTime.lblStale->text().isEmpty();
            const int reads = int(Commands(working).size());
            QVERIFY(QTest::qWaitFor([&] { return Commands(working).size() >= reads + 3; }, kSequenceWaitMs));
            currentAfterReading = greyed(false) && !realTime.Stale();
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(window.btnRealTime);
        QVERIFY(currentOnOpening);
        QVERIFY(currentAfterReading);
    }

    // An unplugged controller: the window shows the link's error once and
    // stops polling, instead of failing again every tick.
    void anUnpluggedControllerStopsThePolling()
    {
        auto sim = std::make_unique<TBeaconSimulator>(Named("beacon"));
        TRig &rig = StartConnected(*sim);
        TfrmRealTime &realTime = rig.realTime;
        QStringList errorsWhileOpen;
        bool stopped = false;
        WhenModal(&realTime, [&] {
            QVERIFY(QTest::qWaitFor([&] { return realTime.lblSwitchState->text() != QStringLiteral(" ..."); },
                                    kSequenceWaitMs));
            sim->CloseLine();
            QVERIFY(QTest::qWaitFor([&] { return !rig.messages.Texts(Kind::Error).isEmpty(); }, kSequenceWaitMs));
            // Ample time for a flood at one tick every 100 ms, and for the status tick.
            QTest::qWait(2500);
            errorsWhileOpen = rig.messages.Texts(Kind::Error);
            stopped = !realTime.tmrScan.isActive();
            OperatorClick(realTime.btnClose);
        });
        OperatorClick(rig.window.btnRealTime);

        QVERIFY(stopped);
        // The window's one error names the port; the status tick, finding
        // the loss already reported, does not add a second box.
        QCOMPARE(errorsWhileOpen.size(), 1);
        QVERIFY2(errorsWhileOpen.constFirst().startsWith("Lost the connection to " + sim->PortName() + " while "),
                 qPrintable(errorsWhileOpen.constFirst()));
        QVERIFY(dmCOM().ScanActive());
        QVERIFY(!rig.window.SwitchedOn());
        QVERIFY(!rig.window.btnRealTime->isEnabled());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestMonitor test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_monitor.moc"
