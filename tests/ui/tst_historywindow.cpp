// The window's part of the history, worked as an operator would: what each
// action records, the upload's verification, a register that cannot be
// written, "Compare with Beacon" and "Event Archive".
#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "history/historymodel.h"
#include "monitor/frmhistory.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "pages/childadvanced.h"
#include "pages/childschedulelist.h"
#include "monitorrig.h"
#include "store/convprocs.h"
#include "testenv.h"
#include "transfer/advancedsettings.h"
#include "widgets/panelstatusbar.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>
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
        QVERIFY(rig.window.StatusBar->NoteText().isEmpty());
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
        TPanelStatusBar &bar = *rig.window.StatusBar;
        const QString report = bar.NoteText();
        QVERIFY2(report.startsWith(QLatin1String("History not recorded: ")), qPrintable(report));
        // Beside the connection and the serial number, which stay in view;
        // the panels it covers come back.
        const QList<QLabel *> panels = bar.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
        QList<bool> shown;
        for (const QLabel *panel : panels)
            shown << panel->isVisible();
        QCOMPARE(shown, (QList<bool>{true, true, false, false, false, true}));
        QCOMPARE(panels.at(1)->text(), QStringLiteral("Serial Number: 20240001"));
        QVERIFY(panels.at(5)->geometry().left() >= panels.at(1)->geometry().right());
        bar.HideNote();
        QVERIFY(!panels.at(5)->isVisible() && panels.at(4)->isVisible());
        // Reported once: the next failure leaves the bar alone.
        Upload();
        QVERIFY(bar.NoteText().isEmpty());
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

    // "Beacon History": the connected controller's actions, newest first;
    // a recorded download opens into the pages (asked first) or is saved as
    // a file; two recorded configurations are compared.
    void theHistoryViewListsOpensSavesAndCompares()
    {
        TBeaconSimulator sim(Named("beacon"));
        TRig &rig = StartRig(sim.PortName());
        Connect(true); // and download
        WaitForIdentity();
        sim.WithController([](TBeaconController &c) { c.schedule[0].off = 525; });
        ShowPage(rig.window.btnConnectedSystem, rig.window.pageConnectedSystem);
        WhenModal(&rig.downloadSettings, [&rig] { OperatorClick(rig.downloadSettings.btnDownloadFrom); });
        OperatorClick(rig.window.btnDownloadFrom);
        QCOMPARE(DeviceSchedule().Records(0).RecOffTime, 525);
        DeviceSchedule().SetRecords({});
        const QList<TActionRecord> recorded = THistoryRegister(DM()).Actions(QStringLiteral("20240001"));
        QCOMPARE(recorded.size(), 3); // download, identify, download
        const qint64 first = recorded.first().Id, second = recorded.last().Id;

        const QString saved = fDir.filePath(QStringLiteral("recorded.bcfg"));
        bool worked = false;
        WhenModalOf<TfrmHistory>(this, [&](TfrmHistory &history) {
            QCOMPARE(history.cbBeacon->currentText(), QStringLiteral("20240001"));
            THistoryModel &model = history.Model();
            QCOMPARE(model.rowCount(), 3);
            QCOMPARE(model.ActionAt(0).Id, second); // newest first
            QCOMPARE(model.data(model.index(0, THistoryModel::ColOutcome)).toString(), QStringLiteral("done"));
            QCOMPARE(model.data(model.index(0, THistoryModel::ColPort)).toString(), sim.PortName());
            QCOMPARE(model.data(model.index(0, THistoryModel::ColWhen)).toString(),
                     QLocale().toString(recorded.last().When.toLocalTime(), QLocale::ShortFormat));

            const auto select = [&](const QList<int> &rows) {
                history.tvActions->clearSelection();
                for (int row : rows)
                    history.tvActions->selectionModel()->select(
                        model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
            };
            select({0});
            rig.messages.fileAnswers << saved;
            OperatorClick(history.btnSave);
            rig.messages.confirmAnswers << false; // asked first: no
            OperatorClick(history.btnOpen);
            QCOMPARE(DeviceSchedule().Count(), 0);
            rig.messages.confirmAnswers << true;
            OperatorClick(history.btnOpen);
            select({1}); // the identity holds no configuration
            OperatorClick(history.btnOpen);
            select({0, 2});
            OperatorClick(history.btnCompare);
            OperatorPick(history.cbBeacon, 0); // all Beacons
            QCOMPARE(model.Serial(), QString());
            OperatorClick(history.btnClose);
            worked = true;
        });
        OperatorClick(rig.window.btnHistory);
        QVERIFY(worked);

        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), THistoryRegister(DM()).Action(second)->Config);
        QCOMPARE(rig.messages.Texts(Kind::Confirmation).last(),
                 QStringLiteral("Do you want to replace the Beacon's configuration on the pages with the one recorded "
                                "on %1 (20240001, action %2)?")
                     .arg(QLocale().toString(recorded.last().When.toLocalTime(), QLocale::ShortFormat))
                     .arg(second));
        QCOMPARE(DeviceSchedule().Records(0).RecOffTime, 525); // opened: the second download's schedule
        QCOMPARE(rig.window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), DeviceSchedule().Count());
        QCOMPARE(rig.messages.Texts(Kind::Error),
                 QStringList{QStringLiteral("Action %1 holds no recorded configuration.").arg(recorded.at(1).Id)});
        QCOMPARE(rig.messages.Texts(Kind::Warning),
                 QStringList{QStringLiteral("Actions %1 and %2 recorded different configurations:\n"
                                            "Schedule record 1: OFF time %3 in #%1, %4 in #%2")
                                 .arg(first)
                                 .arg(second)
                                 .arg(MinutesToTimeText(510, QLocale()), MinutesToTimeText(525, QLocale()))});
        // Reached from the Event Log page too.
        ShowPage(rig.window.btnLog, rig.window.pageLog);
        WhenModalOf<TfrmHistory>(this, [](TfrmHistory &history) { OperatorClick(history.btnClose); });
        OperatorClick(rig.window.btnLogHistory);
    }

    // A long text (a comparison of many records) comes in a window that fits
    // a small screen, scrolls, can be resized and copied, its OK in view.
    void aLongMessageFitsTheScreenAndScrolls()
    {
        TDialogMessageService dialogs;
        TMessageService::Install(&dialogs);
        const auto restore = qScopeGuard([] { TMessageService::Install(nullptr); });
        QStringList lines;
        for (int i = 1; i <= 40; ++i)
            lines << QStringLiteral("Calendar record %1: Name NEW YEAR on the Beacon, none in the file").arg(i);
        const QString text = QStringLiteral("The Beacon differs from school.bcfg:\n") + lines.join(u'\n');
        bool checked = false;
        QWidget owner;
        WhenModalOf<QDialog>(&owner, [&](QDialog &dialog) {
            const QRect screen = dialog.screen()->availableGeometry();
            QVERIFY(dialog.frameGeometry().height() <= screen.height());
            auto *view = dialog.findChild<QPlainTextEdit *>();
            QVERIFY(view);
            QCOMPARE(view->toPlainText(), text);
            QVERIFY(view->isReadOnly());
            QVERIFY(view->textInteractionFlags() & Qt::TextSelectableByMouse);
            QVERIFY(view->verticalScrollBar()->maximum() > 0); // it scrolls
            auto *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            QVERIFY(dialog.rect().contains(QRect(ok->mapTo(&dialog, QPoint()), ok->size())));
            QVERIFY(dialog.isSizeGripEnabled());
            checked = true;
            ok->click();
        });
        Messages().Warning(text);
        QVERIFY(checked);
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
        // Shown in the list read as it scrolls, in place of the download's.
        const QAbstractItemModel *archived = rig.window.lvArchive->model();
        QVERIFY(rig.window.lvArchive->isVisible());
        QVERIFY(!rig.window.lvEvents->isVisible());
        QTRY_COMPARE(archived->rowCount(), 95);
        QCOMPARE(rig.window.lblLogSource->text(), QStringLiteral("Archive of Beacon 20240001: 95 event(s)"));
        QCOMPARE(archived->data(archived->index(0, 1)).toString(), QStringLiteral("Beacons switched ON [Manual]"));
        QCOMPARE(archived->headerData(2, Qt::Horizontal).toString(), rig.window.lvEvents->headerItem()->text(2));

        // Saved in the event-log file's format, as any list is.
        const QString csv = fDir.filePath(QStringLiteral("archive.csv"));
        rig.messages.fileAnswers << csv;
        OperatorClick(rig.window.btnSaveLogToFile);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text.count("\r\n"), 95);
        QVERIFY(text.startsWith("\"" + archived->data(archived->index(0, 0)).toString().toLatin1() +
                                "\",\"Beacons switched ON [Manual]\",\""));

        // A file that cannot be read leaves the archive shown.
        rig.messages.fileAnswers << fDir.filePath(QStringLiteral("missing.csv"));
        OperatorClick(rig.window.btnLoadLogFromFile);
        QCOMPARE(rig.messages.Texts(Kind::Error).size(), 1);
        QVERIFY(rig.window.lvArchive->isVisible());
        QCOMPARE(rig.window.lvArchive->model(), archived);

        // A download shows the controller's own log again.
        OperatorClick(rig.window.btnDownloadEvents);
        QCOMPARE(rig.window.lvEvents->topLevelItemCount(), 93);
        QVERIFY(rig.window.lvEvents->isVisible());
        QVERIFY(!rig.window.lvArchive->isVisible());
        QVERIFY(!rig.window.ArchiveModel);
        QVERIFY(rig.window.lblLogSource->text().isEmpty());

        // The archive's file loaded back shows in the download's list.
        WhenModal(&rig.itemSelect, [&rig] { OperatorClick(rig.itemSelect.btnOk); });
        OperatorClick(rig.window.btnEventArchive);
        rig.messages.fileAnswers << csv;
        OperatorClick(rig.window.btnLoadLogFromFile);
        QVERIFY(rig.window.lvEvents->isVisible());
        QCOMPARE(rig.window.lvEvents->topLevelItemCount(), 95);
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
