// The upload and download dialogs and their communication log, worked from
// the main window against a simulated controller on a pseudo-terminal.
#include "app/application.h"
#include "monitorrig.h"
#include "widgets/panelstatusbar.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "store/localetext.h"
#include "testenv.h"
#include "transfer/advancedsettings.h"
#include "widgets/rangebar.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimeEdit>
#include <QWindow>

using namespace MonitorRig;
using Kind = TMessageService::Kind;

namespace {
const QDate kDayZero(2010, 1, 1);

TSimOptions Named(const char *name)
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    return options;
}

QStringList LogLines(const TfrmComProgress &progress)
{
    return progress.mmoLog->toPlainText().split(u'\n');
}

// The commands of a sequence, without the identity polls around it.
QStringList SequenceCommands(const TBeaconSimulator &sim)
{
    QStringList codes = Commands(sim);
    codes.removeAll(QStringLiteral("01"));
    return codes;
}

// Calendar records held in memory, shown on the page as a loaded file would.
void HoldCalendarRecords(TfrmMain &window, int count)
{
    for (int i = 0; i < count; ++i)
        DeviceCalendar().SaveRecord({i + 1, 0, QStringLiteral("DAY %1").arg(i + 1), 5472 + 10 * i, 1, quint8(i % 7)},
                                    true);
    window.BeaconCalendarRecords->ShowList();
}

QList<bool> Boxes(const TfTransferSettings &dialog)
{
    return {dialog.cbSchedule->isChecked(), dialog.cbHolidays->isChecked(), dialog.cbAdvanced->isChecked()};
}

void ClearBoxes(TfTransferSettings &dialog)
{
    for (QCheckBox *box : {dialog.cbSchedule, dialog.cbHolidays, dialog.cbAdvanced})
        if (box->isChecked())
            OperatorToggle(box);
    QCOMPARE(Boxes(dialog), QList<bool>(3, false));
}

void ShowSettingsTab(TfrmMain &window, int tab)
{
    OperatorClick(window.TabSetSettings, window.TabSetSettings->tabRect(tab).center());
    QCOMPARE(window.TabControlSettings->currentIndex(), tab);
}
}

class TestTransfers : public QObject, public TRigHolder {
    Q_OBJECT

    // Opens a transfer dialog with the main window's button; inside it, work
    // runs and then the dialog's own button is pressed.
    void Transfer(QPushButton *mainButton, TfTransferSettings &dialog, QPushButton *dialogButton,
                  const std::function<void()> &work = {})
    {
        WhenModal(&dialog, [&dialog, dialogButton, work] {
            if (work)
                work();
            OperatorClick(dialogButton);
        });
        OperatorClick(mainButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!fRig->comProgress.isVisible());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(dmCOM().ScanActive());
    }

    void Upload(const std::function<void()> &work = {})
    {
        // The read-back after an upload has tests of its own; these watch the upload alone.
        Transfer(fRig->window.btnUploadTo, fRig->uploadSettings, fRig->uploadSettings.btnUploadTo, [this, work] {
            if (fRig->uploadSettings.cbVerify->isChecked())
                OperatorToggle(fRig->uploadSettings.cbVerify);
            if (work)
                work();
        });
    }

    void Download(const std::function<void()> &work = {})
    {
        Transfer(fRig->window.btnDownloadFrom, fRig->downloadSettings, fRig->downloadSettings.btnDownloadFrom, work);
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

    void theDialogsAsDesigned()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        QCOMPARE(rig.uploadSettings.windowTitle(), QStringLiteral("Upload to Beacon"));
        QCOMPARE(rig.uploadSettings.gbParameters->title(), QStringLiteral("  Select parameters for uploading:  "));
        QCOMPARE(rig.uploadSettings.btnUploadTo->text(), QStringLiteral("Upload to Beacon"));
        QCOMPARE(rig.downloadSettings.windowTitle(), QStringLiteral("Download Settings"));
        QCOMPARE(rig.downloadSettings.gbParameters->title(), QStringLiteral("  Select parameters for downloading:  "));
        QCOMPARE(rig.downloadSettings.btnDownloadFrom->text(), QStringLiteral("Download from Beacon"));
        for (const TfTransferSettings *dialog : {static_cast<TfTransferSettings *>(&rig.uploadSettings),
                                                 static_cast<TfTransferSettings *>(&rig.downloadSettings)}) {
            QVERIFY(dialog->isModal());
            QCOMPARE(Boxes(*dialog), QList<bool>(3, true));
            QCOMPARE(dialog->cbSchedule->text(), QStringLiteral("Schedule"));
            QCOMPARE(dialog->cbHolidays->text().replace(QStringLiteral("&&"), QStringLiteral("&")),
                     QStringLiteral("Holidays & Exceptions"));
            QCOMPARE(dialog->cbAdvanced->text(), QStringLiteral("Advanced Settings"));
        }
        QVERIFY(rig.comProgress.windowTitle().isEmpty());
        QCOMPARE(rig.comProgress.btnCancel->text(), QStringLiteral("Cancel"));
        QVERIFY(rig.comProgress.mmoLog->isReadOnly());
    }

    // The whole road: connect, accept the offered download, find the
    // controller's configuration on the pages, change it there, upload it,
    // and find exactly that on the controller.
    void connectDownloadChangeAndUpload()
    {
        TBeaconSimulator sim(Named("beacon"));
        const TBeaconController before = Controller(sim);
        TRig &rig = StartRig(sim.PortName());
        TfrmMain &window = rig.window;

        // What the operator sees while the download runs.
        bool sawRunning = false;
        Watch(&rig.comProgress, [&] {
            if (!rig.comProgress.isVisible())
                return false;
            const QCursor *cursor = QGuiApplication::overrideCursor();
            sawRunning = cursor && cursor->shape() == Qt::WaitCursor && !dmCOM().ScanActive()
                         && !rig.downloadSettings.btnDownloadFrom->isEnabled();
            return sawRunning;
        });
        Connect(true);
        QVERIFY(sawRunning);
        QCOMPARE(rig.messages.Texts(), QStringList{kQuestion});
        QVERIFY(!rig.downloadSettings.isVisible());
        QCOMPARE(window.TabControl->currentWidget(), window.pageConnectedSystem);
        QCOMPARE(LogLines(rig.comProgress),
                 (QStringList{"Reading Communication Mode Settings...", "Reading Advanced Settings...",
                              "Reading Beacon Schedule...", "Reading Calendar of Exceptions...",
                              "Reading DST Settings...", "Reading Name for calendar record 2..."}));
        QCOMPARE(SequenceCommands(sim), (QStringList{"02", "30", "07", "06", "16", "33", "33"}));

        // The controller's configuration, on the pages.
        QCOMPARE(DeviceSchedule().Count(), 2);
        QCOMPARE(DeviceSchedule().Records(0).RecOnTime, 7 * 60);
        QCOMPARE(DeviceSchedule().Records(1).RecOffTime, 15 * 60 + 30);
        const QList<QStringList> scheduleRows = Rows(window.BeaconScheduleRecords->lvSchedule);
        QCOMPARE(scheduleRows, Rows(DeviceSchedule().ShowList(QLocale())));
        QCOMPARE(scheduleRows.size(), 2);
        QCOMPARE(scheduleRows.at(0).at(1), TimeToText(QTime(7, 0), QLocale()).left(5));
        const QList<QStringList> calendarRows = Rows(window.BeaconCalendarRecords->lvCalendar);
        QCOMPARE(calendarRows, Rows(DeviceCalendar().ShowList(QLocale())));
        QCOMPARE(calendarRows.size(), 2);
        QCOMPARE(calendarRows.at(0).at(0), QStringLiteral("XMAS"));
        QCOMPARE(calendarRows.at(1).at(0), QStringLiteral("NEW YEAR"));
        TfrmChildAdvanced &advanced = *window.AdvancedSettingsPage;
        QCOMPARE(advanced.cbFlashPattern->currentIndex(), 4);
        QCOMPARE(advanced.cbFlashSpeed->currentIndex(), 2);
        QCOMPARE(advanced.cbZBeeMode->currentIndex(), 0);
        QCOMPARE(advanced.cbZBeeChannel->currentIndex(), 0);
        QCOMPARE(advanced.dtDate1->date(), DstDayToDate(before.dstStart));
        QCOMPARE(advanced.dtDate2->date(), DstDayToDate(before.dstEnd));
        QCOMPARE(advanced.dtChangeTime->time(), QTime(2, 0));
        QCOMPARE(advanced.cbOffset->currentText(), QStringLiteral("60 Minutes"));
        QCOMPARE(advanced.rangeBrightness->Lower(), qMax(10, BrightnessPercentFromLevel(1)));
        QCOMPARE(advanced.rangeBrightness->Upper(), 100);

        // The operator changes it on the pages.
        ShowSettingsTab(window, 2);
        OperatorPick(advanced.cbFlashPattern, 2); // "Simultaneous Two Flashes"
        OperatorPick(advanced.cbZBeeMode, 1);     // "Master Beacon"
        QVERIFY(advanced.cbZBeeChannel->isEnabled());
        OperatorPick(advanced.cbZBeeChannel, 3);
        OperatorPick(advanced.cbOffset, 2); // "90 Minutes"

        ShowSettingsTab(window, 0);
        OperatorSelectRow(window.BeaconScheduleRecords->lvSchedule, 0);
        WhenModal(&rig.scheduleRec, [&rig] {
            QTimeEdit *on = rig.scheduleRec.cbScheduleTimeOn;
            on->setFocus();
            on->setSelectedSection(QDateTimeEdit::HourSection);
            QTest::keyClicks(on, QStringLiteral("0715"));
            QCOMPARE(on->time(), QTime(7, 15));
            OperatorClick(rig.scheduleRec.btnSave);
        });
        OperatorClick(window.BeaconScheduleRecords->btnEdit);
        QCOMPARE(DeviceSchedule().Records(0).RecOnTime, 7 * 60 + 15);

        ShowSettingsTab(window, 1);
        OperatorSelectRow(window.BeaconCalendarRecords->lvCalendar, 1);
        rig.messages.confirmAnswers << true;
        OperatorClick(window.BeaconCalendarRecords->btnDelete);
        QCOMPARE(DeviceCalendar().Count(), 1);
        const QDate sportsDay(QDate::currentDate().year() + 1, 5, 20);
        WhenModal(&rig.calendarRec, [&rig, sportsDay] {
            QTest::keyClicks(rig.calendarRec.edtName, QStringLiteral("SPORTS DAY"));
            rig.calendarRec.dtpHoliday->setDate(sportsDay); // picked in the calendar pop-up
            OperatorPick(rig.calendarRec.cbScheduleDays, 4); // "Friday"
            OperatorClick(rig.calendarRec.btnSave);
        });
        OperatorClick(window.BeaconCalendarRecords->btnAdd);
        QCOMPARE(DeviceCalendar().Count(), 2);
        QCOMPARE(Rows(window.BeaconCalendarRecords->lvCalendar).at(1).at(0), QStringLiteral("SPORTS DAY"));

        // Upload everything, the clock included.
        QVERIFY(window.cbSyncRTC->isChecked());
        sim.WithController([](TBeaconController &c) { c.SetClock(QDateTime(QDate(2030, 1, 1), QTime(0, 0))); });
        sim.ClearFrameLog();
        bool sawUploading = false;
        Watch(&rig.comProgress, [&] {
            sawUploading = rig.comProgress.isVisible() && !rig.uploadSettings.btnUploadTo->isEnabled();
            return sawUploading;
        });
        Upload([&rig] { QCOMPARE(Boxes(rig.uploadSettings), QList<bool>(3, true)); });
        QVERIFY(sawUploading);
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        QCOMPARE(LogLines(rig.comProgress),
                 (QStringList{"Writing Communication Mode Settings...", "Writing Real-Time Clock Settings...",
                              "Writing Advanced Settings...", "Writing DST Settings...", "Writing Beacon Schedule...",
                              "Writing Calendar of Exceptions...", "Writing Name for calendar record 2..."}));
        QCOMPARE(SequenceCommands(sim), (QStringList{"02", "10", "30", "16", "07", "06", "33", "33"}));

        // The controller now holds exactly the pages' configuration.
        const TBeaconController after = Controller(sim);
        QCOMPARE(after.commMode, quint8(2));
        const quint8 brightness = quint8(BrightnessLevelFromPercent(advanced.rangeBrightness->Lower()) << 4
                                         | BrightnessLevelFromPercent(advanced.rangeBrightness->Upper()));
        QCOMPARE(after.advanced, (std::array<quint8, 5>{brightness, 2, 2, 1, 3}));
        QCOMPARE(after.dstStart, before.dstStart);
        QCOMPARE(after.dstEnd, before.dstEnd);
        QCOMPARE(after.dstShift, before.dstShift);
        QCOMPARE(after.dstOffset, quint8(90));
        QVERIFY(qAbs(after.Clock().secsTo(QDateTime::currentDateTime())) < 60);
        for (int k = 0; k < TBeaconController::TableSlots; ++k) {
            const TBeaconController::TScheduleSlot &s = after.schedule[size_t(k)];
            const TBeaconController::TScheduleSlot expected =
                k == 0 ? TBeaconController::TScheduleSlot{0x1F, 7 * 60 + 15, 8 * 60 + 30}
                : k == 1 ? before.schedule[1]
                         : TBeaconController::TScheduleSlot{};
            QCOMPARE(s.day, expected.day);
            QCOMPARE(s.on, expected.on);
            QCOMPARE(s.off, expected.off);
        }
        for (int k = 0; k < TBeaconController::TableSlots; ++k) {
            const TBeaconController::TCalendarSlot &c = after.calendar[size_t(k)];
            TBeaconController::TCalendarSlot expected;
            if (k == 0)
                expected = before.calendar[0];
            else if (k == 1)
                expected = {quint16(kDayZero.daysTo(sportsDay)), 1, 4, QByteArrayLiteral("SPORTS DAY")};
            if (k < 2) // names go out in fixed fields of 15 bytes
                expected.name = expected.name.leftJustified(15, '\0');
            QCOMPARE(c.dayNum, expected.dayNum);
            QCOMPARE(c.days, expected.days);
            QCOMPARE(c.mode, expected.mode);
            QCOMPARE(c.name, expected.name);
        }
        QCOMPARE(rig.messages.Texts(),
                 (QStringList{kQuestion, QStringLiteral("Do you want to delete Selected Record?")}));
    }

    // The clock and the three parts left out: the mode and the names of the
    // records held in memory still go; the boxes stay as the operator left them.
    void uploadWithoutClockOrPartsKeepsTheBoxes()
    {
        TBeaconSimulator sim(Named("beacon"));
        const TBeaconController before = Controller(sim);
        TRig &rig = StartRig(sim.PortName());
        HoldCalendarRecords(rig.window, 3);
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);

        OperatorToggle(rig.window.cbSyncRTC);
        QVERIFY(!rig.window.cbSyncRTC->isChecked());
        const QDateTime farClock(QDate(2030, 1, 1), QTime(0, 0));
        sim.WithController([&](TBeaconController &c) { c.SetClock(farClock); });
        sim.ClearFrameLog();
        Upload([&rig] { ClearBoxes(rig.uploadSettings); });

        QCOMPARE(LogLines(rig.comProgress),
                 (QStringList{"Writing Communication Mode Settings...", "Writing Name for calendar record 3..."}));
        QCOMPARE(SequenceCommands(sim), (QStringList{"02", "33", "33", "33"}));
        const TBeaconController after = Controller(sim);
        QVERIFY(after.Clock() < farClock.addSecs(600)); // not set to the workstation's time
        QCOMPARE(after.advanced, before.advanced);
        QCOMPARE(after.calendar[0].dayNum, before.calendar[0].dayNum);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(after.calendar[size_t(k)].name, QStringLiteral("DAY %1").arg(k + 1).toLatin1().leftJustified(15, '\0'));
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());

        // Opened again, the dialog shows the operator's last choice.
        QList<bool> shown;
        WhenModal(&rig.uploadSettings, [&] {
            shown = Boxes(rig.uploadSettings);
            QTest::keyClick(&rig.uploadSettings, Qt::Key_Escape);
        });
        OperatorClick(rig.window.btnUploadTo);
        QCOMPARE(shown, QList<bool>(3, false));
        QVERIFY(!rig.uploadSettings.isVisible());
    }

    // Every box cleared: the mode, the DST rule and the names of the records
    // held in memory are read, and the page shows memory afterwards.
    void downloadWithEveryBoxCleared()
    {
        TBeaconSimulator sim(Named("beacon"));
        const TBeaconController controller = Controller(sim);
        TRig &rig = StartRig(sim.PortName());
        TfrmMain &window = rig.window;
        HoldCalendarRecords(window, 3);
        DeviceSchedule().SaveRecord({1, 0, 0x60, 600, 660}, true);
        window.BeaconScheduleRecords->ShowList();
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);

        sim.ClearFrameLog();
        Download([&rig] { ClearBoxes(rig.downloadSettings); });

        QCOMPARE(LogLines(rig.comProgress),
                 (QStringList{"Reading Communication Mode Settings...", "Reading DST Settings...",
                              "Reading Name for calendar record 3..."}));
        QCOMPARE(SequenceCommands(sim), (QStringList{"02", "16", "33", "33", "33"}));
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        // The schedule and the calendar dates stay; the names are the controller's.
        QCOMPARE(Rows(window.BeaconScheduleRecords->lvSchedule).size(), 1);
        QCOMPARE(DeviceCalendar().Records(1).DayNum, 5482);
        const QList<QStringList> calendarRows = Rows(window.BeaconCalendarRecords->lvCalendar);
        QCOMPARE(calendarRows, Rows(DeviceCalendar().ShowList(QLocale())));
        QCOMPARE(calendarRows.size(), 3);
        QCOMPARE(calendarRows.at(0).at(0), QStringLiteral("XMAS"));
        QCOMPARE(calendarRows.at(1).at(0), QStringLiteral("NEW YEAR"));
        QCOMPARE(calendarRows.at(2).at(0), QString());
        // The advanced page shows memory: the DST rule read, the rest as all-zero settings give.
        TfrmChildAdvanced &advanced = *window.AdvancedSettingsPage;
        QCOMPARE(advanced.dtDate1->date(), DstDayToDate(controller.dstStart));
        QCOMPARE(advanced.dtChangeTime->time(), QTime(2, 0));
        QCOMPARE(advanced.cbFlashPattern->currentText(), QStringLiteral("Constant Level (ON/OFF)"));
        QCOMPARE(advanced.cbZBeeMode->currentText(), QStringLiteral("Single Beacon System"));
    }

    // A controller that takes 1.8 s a reply, with an identity poll on its way
    // when the download begins: every calendar name reaches its own record,
    // the status bar says the Beacon is slow, and the link stays up long
    // after, the poll never falling behind.
    void aSlowBeaconsSettingsComeWholeAndTheLinkStays()
    {
        TSimOptions options = Named("slow");
        options.replyDelayMs = 1800;
        TBeaconSimulator sim(options);
        const TBeaconController controller = Controller(sim);
        TRig &rig = StartRig(sim.PortName());
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        QTRY_VERIFY_WITH_TIMEOUT(dmCOM().ReplyOwed(), kIdentityWaitMs);
        Download();

        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        QStringList names, expected;
        for (int i = 0; i < DeviceCalendar().Count(); ++i)
            names << DeviceCalendar().Records(i).name;
        for (const auto &slot : controller.calendar) {
            if (slot.dayNum == 0)
                break;
            expected << QString::fromLatin1(slot.name);
        }
        QCOMPARE(names, expected);
        QCOMPARE(sim.RequestsWhileOwed(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(rig.window.StatusBar->PanelText(0).contains(QStringLiteral("slow Beacon: 1.8")),
                                 kIdentityWaitMs);

        QTest::qWait(10000);
        QVERIFY(rig.window.SwitchedOn());
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        QCOMPARE(sim.RequestsWhileOwed(), 0);
    }

    // A controller that does not answer the first step: the error box, the
    // poll resumed, the dialog closed and, after a download, the page redrawn.
    void failureAtTheFirstStep_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("upload") << true;
        QTest::newRow("download") << false;
    }
    void failureAtTheFirstStep()
    {
        QFETCH(bool, upload);
        TSimOptions options = Named("beacon");
        options.ignore = {0x02};
        TBeaconSimulator sim(options);
        TRig &rig = StartRig(sim.PortName());
        TfrmMain &window = rig.window;
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        dmCOM().SetReadTimeouts(250, 250, 250);
        // Memory changed behind the page's back; a download shows it even when it fails.
        DeviceSchedule().SaveRecord({1, 0, 0x1F, 600, 660}, true);
        QCOMPARE(window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), 0);

        bool errorWithLogOpen = false;
        rig.messages.onShow = [&](const TTestMessageService::Entry &entry) {
            if (entry.kind == Kind::Error)
                errorWithLogOpen = rig.comProgress.isVisible();
        };
        sim.ClearFrameLog();
        if (upload)
            Upload();
        else
            Download();

        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("Exception while processing Communication Mode Settings")});
        QVERIFY(errorWithLogOpen);
        QCOMPARE(SequenceCommands(sim), (QStringList{"02", "02"})); // the exchange's own retry, nothing after
        QCOMPARE(LogLines(rig.comProgress).size(), 1);
        QCOMPARE(window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), upload ? 0 : 1);
        QVERIFY(window.SwitchedOn());
        // The poll runs again.
        sim.ClearFrameLog();
        QTRY_VERIFY_WITH_TIMEOUT(Commands(sim).contains(QStringLiteral("01")), kIdentityWaitMs);
    }

    // While a sequence runs its dialog refuses to close, and nothing in the
    // main window that works the link can be used: a second transfer cannot
    // start inside the first.
    void aRunningTransferHoldsTheWindow_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("upload") << true;
        QTest::newRow("download") << false;
    }
    void aRunningTransferHoldsTheWindow()
    {
        QFETCH(bool, upload);
        TSimOptions options = Named("beacon");
        options.replyDelayMs = 300; // time to try things
        TBeaconSimulator sim(options);
        TRig &rig = StartRig(sim.PortName());
        TfrmMain &window = rig.window;
        HoldCalendarRecords(window, 2);
        Connect(false);
        WaitForIdentity();
        ShowPage(window.btnConnectedSystem, window.pageConnectedSystem);
        TfTransferSettings &dialog = upload ? static_cast<TfTransferSettings &>(rig.uploadSettings)
                                            : static_cast<TfTransferSettings &>(rig.downloadSettings);
        TfTransferSettings &other = upload ? static_cast<TfTransferSettings &>(rig.downloadSettings)
                                           : static_cast<TfTransferSettings &>(rig.uploadSettings);
        bool otherOpened = false;
        WhenModal(&other, [&] {
            otherOpened = true;
            other.reject();
        });

        bool tried = false, stayedOpen = false, stillModal = false, controlsHeld = false;
        Watch(&rig.comProgress, [&] {
            if (!rig.comProgress.isVisible() || rig.comProgress.mmoLog->toPlainText().isEmpty())
                return false;
            tried = true;
            dialog.windowHandle()->close(); // the close box
            QTest::keyClick(&dialog, Qt::Key_Escape);
            stayedOpen = dialog.isVisible();
            stillModal = QApplication::activeModalWidget() == &dialog;
            controlsHeld = true;
            for (QWidget *control : QList<QWidget *>{window.imgPortSwitch, window.cbComPort, window.btnUploadTo,
                                                     window.btnDownloadFrom, window.btnDownloadEvents,
                                                     window.btnRealTime, window.btnOverride})
                controlsHeld = controlsHeld && !control->isEnabled();
            // The operator tries the other transfer and the switch anyway.
            OperatorClick(upload ? window.btnDownloadFrom : window.btnUploadTo);
            OperatorClick(window.imgPortSwitch);
            return true;
        });
        sim.ClearFrameLog();
        if (upload)
            Upload([&rig] { ClearBoxes(rig.uploadSettings); });
        else
            Download([&rig] { ClearBoxes(rig.downloadSettings); });

        QVERIFY(tried);
        QVERIFY(stayedOpen);
        QVERIFY(stillModal);
        QVERIFY(controlsHeld);
        QVERIFY(!otherOpened);
        QVERIFY(window.SwitchedOn());
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        // One sequence to its end, nothing mixed into it.
        QCOMPARE(SequenceCommands(sim), upload ? (QStringList{"02", "10", "33", "33"})
                                               : (QStringList{"02", "16", "33", "33"}));
        // The window is free again afterwards.
        QVERIFY(window.imgPortSwitch->isEnabled() && window.btnDownloadEvents->isEnabled());
        QVERIFY(!window.cbComPort->isEnabled()); // still switched on
        QTRY_VERIFY_WITH_TIMEOUT(window.btnUploadTo->isEnabled() && window.btnDownloadFrom->isEnabled(),
                                 kIdentityWaitMs);
        // The log's title bar stays empty: a blank, as an empty title would
        // show the program's name.
        QVERIFY(rig.comProgress.windowTitle().isEmpty());
        const QString title = rig.comProgress.windowHandle()->title();
        QVERIFY(!title.isEmpty() && title.trimmed().isEmpty());
    }

    // A configuration refused before the first frame: its error box shows
    // over a cleared log, not the last run's lines.
    void aRefusedUploadClearsTheLogFirst()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        Download([&rig] { ClearBoxes(rig.downloadSettings); });
        QVERIFY(!rig.comProgress.mmoLog->toPlainText().isEmpty());

        DeviceCalendar().SaveRecord({1, 0, QStringLiteral("A NAME TOO LONG!"), 5000, 1, 1}, true);
        rig.window.BeaconCalendarRecords->ShowList();
        QString logWhenRefused = QStringLiteral("not shown");
        rig.messages.onShow = [&](const TTestMessageService::Entry &entry) {
            if (entry.kind == Kind::Error)
                logWhenRefused = rig.comProgress.mmoLog->toPlainText();
        };
        sim.ClearFrameLog();
        Upload();
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("Name of calendar record 1: the name \"A NAME TOO LONG!\" cannot be sent "
                                            "to the Beacon (at most 15 characters).")});
        QCOMPARE(logWhenRefused, QString());
        QCOMPARE(SequenceCommands(sim), QStringList());
    }

    // Cancel on the log during the calendar names ends the loop after the
    // name being written, without an error; the dialog's button, disabled
    // meanwhile, starts nothing.
    void closingTheLogEndsTheNameLoop()
    {
        TSimOptions options = Named("beacon");
        options.replyDelayMs = 80;
        TBeaconSimulator sim(options);
        TRig &rig = StartRig(sim.PortName());
        HoldCalendarRecords(rig.window, 12);
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        OperatorToggle(rig.window.cbSyncRTC);

        int namesWhenClosed = 0;
        bool buttonDisabled = false;
        Watch(&rig.comProgress, [&] {
            if (!rig.comProgress.isVisible())
                return false;
            const QString last = LogLines(rig.comProgress).constLast();
            static const QRegularExpression nameLine(QStringLiteral("^Writing Name for calendar record (\\d+)\\.\\.\\.$"));
            const QRegularExpressionMatch match = nameLine.match(last);
            if (!match.hasMatch() || match.captured(1).toInt() < 3)
                return false;
            buttonDisabled = !rig.uploadSettings.btnUploadTo->isEnabled();
            OperatorClick(rig.uploadSettings.btnUploadTo); // a second click
            namesWhenClosed = match.captured(1).toInt();
            OperatorClick(rig.comProgress.btnCancel);
            return true;
        });
        sim.ClearFrameLog();
        Upload([&rig] { ClearBoxes(rig.uploadSettings); });

        QVERIFY(buttonDisabled);
        QVERIFY(namesWhenClosed >= 3 && namesWhenClosed < 12);
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        QStringList expected{"02"};
        for (int i = 0; i < namesWhenClosed; ++i)
            expected << QStringLiteral("33");
        QCOMPARE(SequenceCommands(sim), expected);
        QCOMPARE(LogLines(rig.comProgress).constLast(),
                 QStringLiteral("Writing Name for calendar record %1...").arg(namesWhenClosed));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestTransfers test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_transfers.moc"
