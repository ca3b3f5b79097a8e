// "Save to File" and "Load from File" on the Manage Beacons page: the two
// dialogs, the choices they keep, and a whole configuration written to a
// settings file and read back.
#include "app/application.h"
#include "app/frmloadsettings.h"
#include "app/frmmain.h"
#include "app/frmsavesettings.h"
#include "config/appconfig.h"
#include "dialoganswer.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/navbutton.h"
#include "widgets/rangebar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using Kind = TMessageService::Kind;

namespace {
void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

// What the advanced settings page shows, control by control.
QStringList shown(const TfrmChildAdvanced &page)
{
    return {page.lblBrightness->text(),
            page.cbFlashPattern->currentText(),
            page.cbFlashSpeed->currentText(),
            page.cbZBeeMode->currentText(),
            page.cbZBeeChannel->currentText(),
            page.cbOffset->currentText(),
            page.dtDate1->date().toString(Qt::ISODate),
            page.dtDate2->date().toString(Qt::ISODate),
            page.dtChangeTime->time().toString(Qt::ISODate)};
}

QStringList listRows(const QTreeWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0) + u'|' + list->topLevelItem(i)->text(1);
    return texts;
}

// The keys of one section of a settings file, in file order.
QStringList sectionKeys(const QString &fileName, const QString &section)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("unreadable")};
    QStringList keys;
    bool inside = false;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString text = QString::fromLatin1(line).trimmed();
        if (text.startsWith(u'['))
            inside = text == u'[' + section + u']';
        else if (inside && text.contains(u'='))
            keys << text.section(u'=', 0, 0);
    }
    return keys;
}

QCheckBox *checkBoxAt(const QGroupBox *group, int position)
{
    return qobject_cast<QCheckBox *>(group->layout()->itemAt(position)->widget());
}
}

class TestSettingsDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;

    // The program with the two dialogs created as at start-up; no library.
    struct TProgram {
        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        TDM dm;
        TfrmSaveSettings save{*window.AdvancedSettingsPage};
        TfrmLoadSettings load{*window.AdvancedSettingsPage, *window.BeaconScheduleRecords,
                              *window.BeaconCalendarRecords};
    };

    // On the library database given, or with none.
    std::unique_ptr<TProgram> start(const QString &library = QStringLiteral("none.db"))
    {
        auto program = std::make_unique<TProgram>();
        program->config.SetDBName(fDir.filePath(library));
        program->window.show();
        if (!QTest::qWaitForWindowExposed(&program->window))
            return nullptr;
        program->window.btnPageNavClick(program->window.btnConnectedSystem);
        program->messages.Clear(); // the reduced mode's message
        return program;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void init()
    {
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
    }

    void dialogsAsDesigned()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        const QString note = QStringLiteral("If Advanced Settings is checked, critical settings such as "
                                            "master/slave, channel, etc. will be overwritten!");

        TfrmSaveSettings &save = program->save;
        QCOMPARE(save.windowTitle(), QStringLiteral("Save Settings"));
        QCOMPARE(save.gbParts->title(), QStringLiteral("  Select parameters for saving:  "));
        QCOMPARE(checkBoxAt(save.gbParts, 0), save.cbSchedule);
        QCOMPARE(checkBoxAt(save.gbParts, 1), save.cbHolidays);
        QCOMPARE(checkBoxAt(save.gbParts, 2), save.cbAdvanced);
        QCOMPARE(save.cbHolidays->text(), QStringLiteral("Holidays && Exceptions")); // a literal "&"
        QCOMPARE(save.lblNote->text(), note);
        QCOMPARE(save.btnSaveToFile->text(), QStringLiteral("Save"));

        TfrmLoadSettings &load = program->load;
        QCOMPARE(load.windowTitle(), QStringLiteral("Load Settings"));
        QCOMPARE(load.gbParts->title(), QStringLiteral("  Select parameters for loading:  "));
        QCOMPARE(checkBoxAt(load.gbParts, 0), load.cbAdvanced);
        QCOMPARE(checkBoxAt(load.gbParts, 1), load.cbHolidays);
        QCOMPARE(checkBoxAt(load.gbParts, 2), load.cbSchedule);
        QCOMPARE(load.lblNote->text(), note);
        QCOMPARE(load.btnLoadFromFile->text(), QStringLiteral("Load"));

        for (QCheckBox *box : {save.cbSchedule, save.cbHolidays, save.cbAdvanced, load.cbSchedule, load.cbHolidays,
                               load.cbAdvanced})
            QVERIFY(box->isChecked());
    }

    void cancelledChooserKeepsTheDialogAndItsChoices()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TfrmSaveSettings &save = program->save;

        // The chooser is cancelled (no file answer): the dialog stays open.
        {
            const TDialogAnswer answer(save, [&] { save.cbAdvanced->setChecked(false); }, save.btnSaveToFile);
            window.btnSaveToFile->click();
            QVERIFY(answer.opened && answer.stayedOpen);
        }
        // Opened again, it shows the last choice.
        {
            bool advanced = true;
            const TDialogAnswer answer(save, [&] { advanced = save.cbAdvanced->isChecked(); }, nullptr);
            window.btnSaveToFile->click();
            QVERIFY(answer.opened);
            QVERIFY(!advanced);
        }
        TfrmLoadSettings &load = program->load;
        {
            const TDialogAnswer answer(load, [&] { load.cbSchedule->setChecked(false); }, load.btnLoadFromFile);
            window.btnLoadFromFile->click();
            QVERIFY(answer.opened && answer.stayedOpen);
        }
        QVERIFY(!load.cbSchedule->isChecked());
        QVERIFY(save.cbSchedule->isChecked()); // each dialog keeps its own
        QVERIFY(program->messages.entries.isEmpty());
    }

    void wholeConfigurationRoundTrip()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TfrmChildAdvanced &page = *window.AdvancedSettingsPage;
        TTestMessageService &messages = program->messages;

        DeviceSchedule().SaveRecord({11, 0, 0x1F, 7 * 60, 8 * 60 + 15}, true);
        DeviceSchedule().SaveRecord({12, 0, 0x82, 13 * 60, 14 * 60}, true);
        DeviceCalendar().SaveRecord({21, 0, QStringLiteral("Winter break"), 5470, 10, 7}, true);
        window.BeaconScheduleRecords->ShowList();
        window.BeaconCalendarRecords->ShowList();
        choose(page.cbFlashPattern, 5);
        choose(page.cbFlashSpeed, 3);
        choose(page.cbZBeeMode, 1);
        choose(page.cbZBeeChannel, 5);
        choose(page.cbOffset, 2);
        page.dtDate1->setDate(QDate(2026, 3, 8));
        page.dtDate2->setDate(QDate(2026, 11, 1));
        page.dtChangeTime->setTime(QTime(2, 30));
        page.rangeBrightness->setFocus(Qt::TabFocusReason);
        QTest::keyClick(page.rangeBrightness, Qt::Key_Right);
        QTest::keyClick(page.rangeBrightness, Qt::Key_Right);
        QTest::keyClick(page.rangeBrightness, Qt::Key_Tab);
        QTest::keyClick(page.rangeBrightness, Qt::Key_Left);
        const QStringList pageBefore = shown(page);
        QCOMPARE(pageBefore.first(), QStringLiteral("Brightness Variation from 30% to 90%"));
        const QStringList scheduleRows = listRows(window.BeaconScheduleRecords->lvSchedule);
        const QStringList calendarRows = listRows(window.BeaconCalendarRecords->lvCalendar);

        const QString file = fDir.filePath(QStringLiteral("beacon.bcfg"));
        messages.fileAnswers.enqueue(file);
        {
            const TDialogAnswer answer(program->save, nullptr, program->save.btnSaveToFile);
            window.btnSaveToFile->click();
            QVERIFY(answer.opened && !answer.stayedOpen);
        }
        QCOMPARE(sectionKeys(file, QStringLiteral("General")),
                 (QStringList{"BrightnessMin", "BrightnessMax", "FlashPattern", "FlashSpeed", "LinkChannel",
                              "BeaconRole", "DateDST1", "DateDST1ISO", "DateDST2", "DateDST2ISO", "TimeDST",
                              "TimeDSTISO", "cbOffsetDST", "ScheduleCount", "CalendarCount"}));

        // Everything changed, then everything loaded back.
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
        window.BeaconScheduleRecords->ShowList();
        window.BeaconCalendarRecords->ShowList();
        page.cbUseMUTCD->click();
        choose(page.cbZBeeMode, 0);
        page.dtDate1->setDate(QDate(2010, 1, 1));
        QVERIFY(shown(page) != pageBefore);
        messages.fileAnswers.enqueue(file);
        {
            const TDialogAnswer answer(program->load, nullptr, program->load.btnLoadFromFile);
            window.btnLoadFromFile->click();
            QVERIFY(answer.opened && !answer.stayedOpen);
        }
        QCOMPARE(shown(page), pageBefore);
        QCOMPARE(listRows(window.BeaconScheduleRecords->lvSchedule), scheduleRows);
        QCOMPARE(listRows(window.BeaconCalendarRecords->lvCalendar), calendarRows);
        QCOMPARE(DeviceSchedule().Records(1).RecDay, quint8(0x82));
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("Winter break"));
        QCOMPARE(DeviceCalendar().Records(0).Days, 10);
        QVERIFY(messages.entries.isEmpty());

        // The page and BeaconSettings agree on what was loaded.
        page.SetSettings();
        QCOMPARE(int(BeaconSettings.BrightnessRange), 4 << 4 | 13);
        QCOMPARE(int(BeaconSettings.LinkChannel), 5);
        QCOMPARE(BeaconSettings.DstShiftTime, 150);
        QCOMPARE(BeaconSettings.DstOffset, 90);
    }

    void onlyTheChosenPartsAreWrittenAndRead()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        DeviceSchedule().SaveRecord({11, 0, 0x1F, 7 * 60, 8 * 60}, true);
        DeviceCalendar().SaveRecord({21, 0, QStringLiteral("Holiday"), 5470, 1, 6}, true);

        const QString file = fDir.filePath(QStringLiteral("schedule-only.bcfg"));
        {
            QFile old(file); // an older file of the name does not survive
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("[Calendar7]\r\nName=Old\r\n");
        }
        TfrmSaveSettings &save = program->save;
        messages.fileAnswers.enqueue(file);
        {
            const TDialogAnswer answer(save, [&] {
                save.cbHolidays->setChecked(false);
                save.cbAdvanced->setChecked(false);
            }, save.btnSaveToFile);
            window.btnSaveToFile->click();
            QVERIFY(answer.opened && !answer.stayedOpen);
        }
        QCOMPARE(sectionKeys(file, QStringLiteral("General")), QStringList(QStringLiteral("ScheduleCount")));
        QCOMPARE(sectionKeys(file, QStringLiteral("Schedule0")).size(), 5);
        QVERIFY(sectionKeys(file, QStringLiteral("Calendar7")).isEmpty());

        // Loading without "Holidays & Exceptions" keeps the calendar but still
        // redraws its list; the schedule part replaces the schedule.
        DeviceSchedule().Clear();
        DeviceCalendar().SaveRecord({22, 0, QStringLiteral("Added"), 5480, 1, 6}, true); // not yet drawn
        TfrmLoadSettings &load = program->load;
        messages.fileAnswers.enqueue(file);
        const QStringList pageBefore = shown(*window.AdvancedSettingsPage);
        {
            const TDialogAnswer answer(load, [&] {
                load.cbHolidays->setChecked(false);
                load.cbAdvanced->setChecked(false);
            }, load.btnLoadFromFile);
            window.btnLoadFromFile->click();
            QVERIFY(answer.opened && !answer.stayedOpen);
        }
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(DeviceCalendar().Count(), 2);
        QCOMPARE(window.BeaconCalendarRecords->lvCalendar->topLevelItemCount(), 2);
        QCOMPARE(window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), 1);
        QCOMPARE(shown(*window.AdvancedSettingsPage), pageBefore);
        QVERIFY(messages.entries.isEmpty());
    }

    // A name that does not exist still loads as an empty configuration, but
    // only after the operator said yes to that.
    void missingFileEmptiesTheConfigurationOnlyWhenConfirmed()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        TfrmLoadSettings &load = program->load;
        DeviceSchedule().SaveRecord({11, 0, 0x1F, 7 * 60, 8 * 60}, true);
        DeviceCalendar().SaveRecord({21, 0, QStringLiteral("Holiday"), 5470, 1, 6}, true);
        window.BeaconScheduleRecords->ShowList();
        const QString file = fDir.filePath(QStringLiteral("no-such-beacon.bcfg"));
        const QString question = QStringLiteral("The file %1 does not exist. Do you want to replace the Beacon's "
                                                "configuration with an empty one?")
                                     .arg(file);

        // No: nothing changes and the dialog stays for another choice.
        messages.fileAnswers.enqueue(file);
        messages.confirmAnswers.enqueue(false);
        {
            const TDialogAnswer answer(load, nullptr, load.btnLoadFromFile);
            window.btnLoadFromFile->click();
            QVERIFY(answer.opened && answer.stayedOpen);
        }
        QCOMPARE(messages.Texts(Kind::Confirmation), QStringList(question));
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(DeviceCalendar().Count(), 1);

        // Yes: the chosen parts are emptied, as a missing file always loaded.
        messages.fileAnswers.enqueue(file);
        messages.confirmAnswers.enqueue(true);
        {
            const TDialogAnswer answer(load, nullptr, load.btnLoadFromFile);
            window.btnLoadFromFile->click();
            QVERIFY(answer.opened && !answer.stayedOpen);
        }
        QCOMPARE(DeviceSchedule().Count(), 0);
        QCOMPARE(DeviceCalendar().Count(), 0);
        QCOMPARE(window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), 0);
        QCOMPARE(messages.Texts(Kind::Confirmation), QStringList({question, question}));
        QVERIFY(!QFile::exists(file));
    }

    void aRefusedFileChangesNothingAndTellsTheOperator()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        DeviceSchedule().SaveRecord({11, 0, 0x1F, 7 * 60, 8 * 60}, true);
        window.BeaconScheduleRecords->ShowList();
        const QString file = fDir.filePath(QStringLiteral("huge.bcfg"));
        {
            QFile huge(file);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            huge.write("[General]\r\nBrightnessMin=50\r\nScheduleCount=2147483647\r\n");
        }
        const QStringList pageBefore = shown(*window.AdvancedSettingsPage);
        program->messages.fileAnswers.enqueue(file);
        const TDialogAnswer answer(program->load, nullptr, program->load.btnLoadFromFile);
        window.btnLoadFromFile->click();
        QVERIFY(answer.opened && !answer.stayedOpen);
        QCOMPARE(program->messages.Texts(Kind::Error),
                 QStringList(QStringLiteral("ScheduleCount: 2147483647 records are more than the 16 a Beacon holds.")));
        QCOMPARE(shown(*window.AdvancedSettingsPage), pageBefore);
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), 1);
    }

    void aFailedWriteClosesTheDialogAndTellsTheOperator()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        const QString file = fDir.filePath(QStringLiteral("missing-folder/beacon.bcfg"));
        program->messages.fileAnswers.enqueue(file);
        const TDialogAnswer answer(program->save, nullptr, program->save.btnSaveToFile);
        program->window.btnSaveToFile->click();
        QVERIFY(answer.opened && !answer.stayedOpen);
        QCOMPARE(program->messages.Texts(Kind::Error), QStringList(QStringLiteral("Unable to write to %1").arg(file)));
        QVERIFY(!QFile::exists(file));
    }

    // The file manager's "Open" while the window has the library open: a
    // second start of the program hands the file to this window and ends;
    // the window comes to Manage Beacons and asks as "Load from File" does,
    // naming the file, and loads the parts chosen.
    void aSecondStartHandsItsFileToTheWindow()
    {
        QVERIFY(CreateLibraryDatabase(fDir.filePath(QStringLiteral("handover.db"))));
        std::unique_ptr<TProgram> program = start(QStringLiteral("handover.db"));
        QVERIFY(program);
        TfrmMain &window = program->window;
        TfrmLoadSettings &load = program->load;
        QVERIFY(window.DatabaseFunctions());
        window.btnPageNavClick(window.btnHome);
        DeviceCalendar().SaveRecord({21, 0, QStringLiteral("Holiday"), 5470, 1, 6}, true);
        const QString file = fDir.filePath(QStringLiteral("school 7.bcfg"));
        QFile written(file);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write("[General]\r\nScheduleCount=1\r\nCalendarCount=0\r\n\r\n[Schedule0]\r\nid=11\r\n"
                      "ScheduleId=0\r\nRecDay=31\r\nRecOnTime=420\r\nRecOffTime=480\r\n");
        written.close();

        QString named;
        const TDialogAnswer answer(load, [&] {
            named = load.lblFile->isVisible() ? load.lblFile->text() : QString();
            load.cbHolidays->setChecked(false);
        }, load.btnLoadFromFile);
        // The second start finds the library in the same configuration and
        // the window in the same runtime folder.
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
        second.setProcessEnvironment(environment);
        second.setWorkingDirectory(fDir.path());
        second.start(QStringLiteral(PVBCS_APP), {QStringLiteral("school 7.bcfg")});
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 120000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(answer.opened);
        QVERIFY(!answer.stayedOpen);
        QCOMPARE(named, QStringLiteral("File: ") + file);
        QCOMPARE(window.TabControl->currentWidget(), window.pageConnectedSystem);
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(DeviceSchedule().Records(0).RecOnTime, 420);
        QCOMPARE(DeviceCalendar().Count(), 1); // not chosen: kept
        QVERIFY(program->messages.entries.isEmpty());
        // "Load from File" afterwards asks for a file again.
        QVERIFY(!load.lblFile->isVisible());
        {
            const TDialogAnswer again(load, nullptr, load.btnLoadFromFile);
            window.btnLoadFromFile->click();
            QVERIFY(again.opened && again.stayedOpen); // the chooser was cancelled
        }
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestSettingsDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsdialogs.moc"
