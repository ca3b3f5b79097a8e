// The window's part of the history, worked as an operator would: what each
// action records, the upload's verification, a register that cannot be
// written, "Compare with Beacon" and "Event Archive".
#include "app/application.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "pages/childadvanced.h"
#include "monitorrig.h"
#include "store/convprocs.h"
#include "testenv.h"
#include "transfer/advancedsettings.h"
#include "widgets/panelstatusbar.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace MonitorRig;
using Kind = TMessageService::Kind;

namespace {
TSimOptions Named(const char *name)
{
    TSimOptions options;
    options.name = QString::fromLatin1(name);
    return options;
}

QStringList Actions()
{
    QStringList what;
    for (const TActionRecord &a : THistoryRegister(DM()).Actions())
        what << a.Action + u' ' + a.Options + u' ' + a.Outcome;
    return what;
}
}

class TestHistoryWindow : public QObject, public TRigHolder {
    Q_OBJECT

    // Presses "Upload to Beacon" in the dialog, with work done in it first.
    void Upload(const std::function<void()> &work = {})
    {
        TRig &rig = *fRig;
        WhenModal(&rig.uploadSettings, [&rig, work] {
            if (work)
                work();
            OperatorClick(rig.uploadSettings.btnUploadTo);
        });
        OperatorClick(rig.window.btnUploadTo);
        QVERIFY(!rig.uploadSettings.isVisible());
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        ClearVirtualPorts();
    }

    void init() { ResetBeaconMemory(); }
    void cleanup() { fRig.reset(); }

    void eachActionOfTheWindowIsRecorded()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        // A library made now has its register from the start.
        QVERIFY(rig.window.DatabaseFunctions());
        QVERIFY(rig.window.btnSchedules->isEnabled());
        QVERIFY(THistoryRegister(DM()).Exists());
        QVERIFY(THistoryRegister(DM()).Actions().isEmpty());

        Connect(true); // and download
        WaitForIdentity();
        QTest::qWait(2500); // the poll answers again and again
        QVERIFY(THistoryRegister(DM()).Exists());
        QCOMPARE(Actions(), (QStringList{"download schedule,holidays,advanced done", "identify  done"}));
        const QList<TActionRecord> recorded = THistoryRegister(DM()).Actions();
        QCOMPARE(recorded.last().Serial, QStringLiteral("20240001"));
        QCOMPARE(recorded.last().Source, QStringLiteral("window"));
        // The download was asked for before the controller had said who it is.
        const QByteArray config = THistoryRegister(DM()).Action(recorded.first().Id)->Config;
        QVERIFY(config.startsWith("[General]\r\nBrightnessMin=10\r\nBrightnessMax=100\r\nFlashPattern=4\r\n"));
        QVERIFY(config.contains("[Calendar1]\r\nid=1001\r\nCalendarId=0\r\nName=NEW YEAR\r\n"));

        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        Upload();
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        OperatorPick(rig.window.cbOverrideMode, 2);
        OperatorClick(rig.window.btnOverride);
        ShowPage(rig.window.btnLog, rig.window.pageLog);
        OperatorClick(rig.window.btnDownloadEvents);
        QCOMPARE(rig.window.lvEvents->topLevelItemCount(), 93);
        QCOMPARE(Actions().mid(2), (QStringList{"upload schedule,holidays,advanced,clock,verify done",
                                                "override off until 23:59 done", "events  done"}));
        QCOMPARE(TEventArchive(DM()).Events(QStringLiteral("20240001")).size(), 93);
        QVERIFY(rig.window.StatusBar->currentMessage().isEmpty());
    }

    void theUploadDialogOffersVerificationAfterItsThreeBoxes()
    {
        TBeaconSimulator sim(Named("beacon"));
        sim.WithController([](TBeaconController &c) { c.corruptWrites = {0x07}; });
        TRig &rig = StartRig(sim.PortName());
        const auto *layout = static_cast<QVBoxLayout *>(rig.uploadSettings.gbParameters->layout());
        QStringList captions;
        for (int i = 0; i < 4; ++i)
            captions << static_cast<QCheckBox *>(layout->itemAt(i)->widget())->text();
        QCOMPARE(captions, (QStringList{"Schedule", "Holidays && Exceptions", "Advanced Settings", "Verify after Upload"}));
        QVERIFY(rig.uploadSettings.cbVerify->isChecked());

        Connect(true);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        rig.messages.Clear();
        Upload();
        const QString difference = QStringLiteral("The Beacon does not hold what was uploaded:\n"
                                                  "Schedule record 1: OFF time 08:31 on the Beacon, 08:30 uploaded");
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{difference});
        QCOMPARE(Actions().last(), "upload schedule,holidays,advanced,clock,verify " + difference);
        QCOMPARE(DeviceSchedule().Records(0).RecOffTime, 510); // the page keeps what was sent

        // Cleared, the box stays cleared and the upload reads nothing back.
        sim.ClearFrameLog();
        Upload([&rig] { OperatorToggle(rig.uploadSettings.cbVerify); });
        QVERIFY(!rig.uploadSettings.cbVerify->isChecked());
        QCOMPARE(rig.messages.Texts(Kind::Error).size(), 1);
        QVERIFY(!Commands(sim).contains(QStringLiteral("31")));
        QCOMPARE(Actions().last(), QStringLiteral("upload schedule,holidays,advanced,clock done"));
    }

    void aRegisterThatCannotBeWrittenStopsNoUpload()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        // Tables of another shape: no action can be written.
        DM().Exec(QStringLiteral("DROP TABLE history_actions"));
        DM().Exec(QStringLiteral("DROP TABLE history_events"));
        DM().Exec(QStringLiteral("CREATE TABLE history_actions (id INTEGER PRIMARY KEY)"));
        DM().Exec(QStringLiteral("CREATE TABLE history_events (id INTEGER PRIMARY KEY)"));
        Connect(false);
        WaitForIdentity();
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        rig.window.AdvancedSettingsPage->Change([](TAdvancedSettings &s) { s.FlashSpeed = 4; });
        Upload();
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        QCOMPARE(Controller(sim).advanced[2], quint8(4)); // written all the same
        const QString report = rig.window.StatusBar->currentMessage();
        QVERIFY2(report.startsWith(QLatin1String("History not recorded: ")), qPrintable(report));
        // Reported once: the next failure leaves the bar alone.
        rig.window.StatusBar->clearMessage();
        Upload();
        QVERIFY(rig.window.StatusBar->currentMessage().isEmpty());
    }

    // A controller may hold a name with a control character, written by an
    // older version. No settings file can hold it: the download goes on and
    // the register keeps its configuration all the same; an upload of that
    // name is refused before anything is sent, with the refusal recorded.
    void aNameNoSettingsFileCanHoldStopsNoDownload()
    {
        TBeaconSimulator sim(Named("beacon"));
        sim.WithController([](TBeaconController &c) { c.calendar[0].name = "AB\rCD"; });
        TRig &rig = StartRig(sim.PortName());
        Connect(true); // and download
        WaitForIdentity();
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList());
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("AB\rCD"));
        QCOMPARE(Actions().first(), QStringLiteral("download schedule,holidays,advanced done"));
        QVERIFY(THistoryRegister(DM()).Actions().first().HasConfig);

        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        sim.ClearFrameLog();
        Upload();
        const QString refusal = QStringLiteral("Name of calendar record 1: character 3 of the name is the control "
                                               "character 0x0D, which a Beacon name cannot carry.");
        QCOMPARE(rig.messages.Texts(Kind::Error), QStringList{refusal});
        QCOMPARE(Actions().last(), "upload schedule,holidays,advanced,clock,verify " + refusal);
        QStringList sent = Commands(sim);
        sent.removeAll(QStringLiteral("01")); // the identity poll goes on
        QCOMPARE(sent, QStringList());
    }

    void compareWithBeaconListsTheDifferences()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        QVERIFY(!rig.window.btnCompare->isEnabled()); // no beacon yet
        Connect(false);
        WaitForIdentity();
        QTRY_VERIFY(rig.window.btnCompare->isEnabled());
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        const QString fileName = fDir.filePath(QStringLiteral("school.bcfg"));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\r\nScheduleCount=2\r\n[Schedule0]\r\nRecDay=31\r\nRecOnTime=420\r\nRecOffTime=525\r\n"
                   "[Schedule1]\r\nRecDay=31\r\nRecOnTime=870\r\nRecOffTime=930\r\n");
        file.close();
        DeviceSchedule().SaveRecord({5, 0, 0x40, 600, 700}, true);

        rig.messages.fileAnswers << fileName;
        OperatorClick(rig.window.btnCompare);
        QCOMPARE(rig.messages.Texts(Kind::Warning),
                 QStringList{"The Beacon differs from " + fileName + ":\n"
                             "Schedule record 1: OFF time " + MinutesToTimeText(510, QLocale()) +
                             " on the Beacon, " + MinutesToTimeText(525, QLocale()) + " in the file"});
        QCOMPARE(DeviceSchedule().Count(), 1); // the page's configuration is left alone
        QVERIFY(!rig.comProgress.isVisible());
        QVERIFY(rig.window.pageConnectedSystem->isEnabled());

        // The controller now holds what the file holds.
        sim.WithController([](TBeaconController &c) { c.schedule[0].off = 525; });
        rig.messages.fileAnswers << fileName;
        OperatorClick(rig.window.btnCompare);
        QCOMPARE(rig.messages.Texts(Kind::Information).last(),
                 "The Beacon holds the configuration of " + fileName + ".");
    }

    void theEventArchiveIsShownSavedAndPrinted()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        ShowPage(rig.window.btnLog, rig.window.pageLog);
        OperatorClick(rig.window.btnEventArchive);
        QCOMPARE(rig.messages.Texts(Kind::Information), QStringList{"No events have been archived yet."});

        Connect(false);
        WaitForIdentity();
        OperatorClick(rig.window.btnDownloadEvents);
        // The log wraps: two new events take the places of the two oldest.
        sim.WithController([](TBeaconController &c) {
            for (int i = 0; i < 2; ++i) {
                c.SetClock(QDateTime(QDate::currentDate().addDays(1), QTime(9, i)));
                c.AddEvent(4);
            }
        });
        OperatorClick(rig.window.btnDownloadEvents);
        QCOMPARE(rig.window.lvEvents->topLevelItemCount(), 93);

        WhenModal(&rig.itemSelect, [&rig] {
            QCOMPARE(rig.itemSelect.cbList->currentText().left(26), QStringLiteral("20240001: 95 event(s), the"));
            OperatorClick(rig.itemSelect.btnOk);
        });
        OperatorClick(rig.window.btnEventArchive);
        QCOMPARE(rig.window.lvEvents->topLevelItemCount(), 95);
        QCOMPARE(rig.window.lblLogSource->text(), QStringLiteral("Archive of Beacon 20240001: 95 event(s)"));
        QCOMPARE(rig.window.lvEvents->topLevelItem(0)->text(1), QStringLiteral("Beacons switched ON [Manual]"));

        // Saved in the event-log file's format, as any list is.
        const QString csv = fDir.filePath(QStringLiteral("archive.csv"));
        rig.messages.fileAnswers << csv;
        OperatorClick(rig.window.btnSaveLogToFile);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text.count("\r\n"), 95);
        QVERIFY(text.startsWith("\"" + rig.window.lvEvents->topLevelItem(0)->text(0).toLatin1() +
                                "\",\"Beacons switched ON [Manual]\",\""));

        // A download shows the controller's own log again.
        OperatorClick(rig.window.btnDownloadEvents);
        QCOMPARE(rig.window.lvEvents->topLevelItemCount(), 93);
        QVERIFY(rig.window.lblLogSource->text().isEmpty());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestHistoryWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_historywindow.moc"
