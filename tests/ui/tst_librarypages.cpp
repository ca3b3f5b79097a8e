// The main window's embedded pages and its library pages, on a real library
// database: the five pages as the window creates them, adding, renaming and
// deleting library entries with the selection and the records panel
// following, the record counts after record edits, and loading a library
// entry into the beacon's own copy.
#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "app/frmmain.h"
#include "config/appconfig.h"
#include "dialoganswer.h"
#include "pages/childadvanced.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "pages/frmcalendarrec.h"
#include "pages/frmitemselect.h"
#include "pages/frmschedulerec.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/elidedgroupbox.h"
#include "widgets/listfill.h"
#include "widgets/navbutton.h"

#include <QComboBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <sqlite3.h>

using Kind = TMessageService::Kind;

namespace {
QStringList rows(const QTreeWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0) + u'|' + list->topLevelItem(i)->text(1);
    return texts;
}

// The library as the database holds it: "name|record count" in id order.
QStringList tableRows(const QString &entries, const QString &records, const QString &owner)
{
    QStringList texts;
    auto result = DM().Query(QStringLiteral("SELECT e.name, (SELECT count(*) FROM %2 r WHERE r.%3=e.id) FROM %1 e "
                                            "ORDER BY e.id")
                                 .arg(entries, records, owner));
    for (; !result->Eof(); result->Next())
        texts << result->FieldAsString(0) + QStringLiteral("|%1 record(s)").arg(result->FieldAsInteger(1));
    return texts;
}

QStringList scheduleTable()
{
    return tableRows(QStringLiteral("schedules"), QStringLiteral("schedule_rec"), QStringLiteral("schedule_id"));
}

QStringList calendarTable()
{
    return tableRows(QStringLiteral("calendars"), QStringLiteral("calendar_rec"), QStringLiteral("calendar_id"));
}

// The operator clicks a row of a list on the page shown.
void clickRow(QTreeWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(row)).center());
}

// Another program holding the library database locked while it lives.
class TDatabaseLock {
public:
    explicit TDatabaseLock(const QString &file)
    {
        sqlite3_open(file.toUtf8().constData(), &fDb);
        locked = sqlite3_exec(fDb, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~TDatabaseLock() { sqlite3_close(fDb); } // ends the transaction
    bool locked = false;

private:
    sqlite3 *fDb = nullptr;
};

void answerTimes(TfrmScheduleRec &editor, int on, int off)
{
    editor.cbScheduleTimeOn->setTime(QTime(on / 60, on % 60));
    editor.cbScheduleTimeOff->setTime(QTime(off / 60, off % 60));
}
}

class TestLibraryPages : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;
    // Created once and reused, as at start-up.
    std::unique_ptr<TfrmScheduleRec> fScheduleEditor;
    std::unique_ptr<TfrmCalendarRec> fCalendarEditor;
    std::unique_ptr<TfrmItemSelect> fItemSelect;

    // The program as it starts: the store, the window, the database module,
    // with a library of three schedules and two calendars.
    struct TProgram {
        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        TDM dm;
    };

    std::unique_ptr<TProgram> start(bool withLibrary = true)
    {
        const QString file = fDir.filePath(QStringLiteral("pvbcs.db"));
        QFile::remove(file);
        if (withLibrary) {
            CreateLibraryDatabase(file);
            TDM dm;
            dm.OpenDatabase(file);
            TScheduleList schedules;
            for (const char *name : {"Mornings", "Afternoons", "Evenings"})
                schedules.AddSchedule(QString::fromLatin1(name));
            schedules.Schedules(0)->SaveRecord({0, 0, 0x1F, 7 * 60, 8 * 60}, true);
            schedules.Schedules(0)->SaveRecord({0, 0, 0x60, 9 * 60, 10 * 60}, true);
            schedules.Schedules(2)->SaveRecord({0, 0, 0x7F, 18 * 60, 19 * 60}, true);
            TCalendarList calendars;
            calendars.AddCalendar(QStringLiteral("School year"));
            calendars.AddCalendar(QStringLiteral("Summer camp"));
            calendars.Calendars(0)->SaveRecord({0, 0, QStringLiteral("Christmas"), 5470, 3, 6}, true);
        }
        auto program = std::make_unique<TProgram>();
        program->config.SetDBName(file);
        program->window.show();
        if (!QTest::qWaitForWindowExposed(&program->window))
            return nullptr;
        return program;
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(fDir.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        fScheduleEditor = std::make_unique<TfrmScheduleRec>();
        fCalendarEditor = std::make_unique<TfrmCalendarRec>();
        fItemSelect = std::make_unique<TfrmItemSelect>();
    }
    void init()
    {
        DeviceSchedule().Clear();
        DeviceCalendar().Clear();
    }

    void embeddedPagesAsTheWindowCreatesThem()
    {
        TTestMessageService messages;
        TAppConfig config;
        TfrmMain window;
        // Created inside their hosts, bound and linked, before any database.
        QCOMPARE(window.AdvancedSettingsPage->parentWidget(), window.pageAdvancedSettings);
        QCOMPARE(window.BeaconScheduleRecords->parentWidget(), window.pageSettingsSchedule);
        QCOMPARE(window.BeaconScheduleRecords->Schedule(), &DeviceSchedule());
        QVERIFY(!window.BeaconScheduleRecords->LibraryListLink());
        QCOMPARE(window.BeaconCalendarRecords->parentWidget(), window.pageSettingsCalendar);
        QCOMPARE(window.BeaconCalendarRecords->Calendar(), &DeviceCalendar());
        QVERIFY(!window.BeaconCalendarRecords->LibraryListLink());
        QCOMPARE(window.LibraryScheduleRecords->parentWidget(), window.pnlScheduleRecords);
        QCOMPARE(window.LibraryScheduleRecords->LibraryListLink(), window.lvSchedules);
        QVERIFY(!window.LibraryScheduleRecords->Schedule());
        QVERIFY(window.LibraryScheduleRecords->isHidden());
        QCOMPARE(window.LibraryCalendarRecords->parentWidget(), window.pnlCalendarRecords);
        QCOMPARE(window.LibraryCalendarRecords->LibraryListLink(), window.lvCalendars);
        QVERIFY(!window.LibraryCalendarRecords->Calendar());
        QVERIFY(window.LibraryCalendarRecords->isHidden());
        QVERIFY(!window.BeaconScheduleRecords->btnLoad->isEnabled());

        // The pages fit the window's designed size.
        QVERIFY(window.width() <= 900 && window.height() <= 600);
    }

    void reducedModeKeepsTheLoadButtonsDisabled()
    {
        std::unique_ptr<TProgram> program = start(false);
        QVERIFY(program);
        TfrmMain &window = program->window;
        QVERIFY(!window.DatabaseFunctions());
        window.btnPageNavClick(window.btnConnectedSystem);
        for (TChildRecordList *page : {static_cast<TChildRecordList *>(window.BeaconScheduleRecords),
                                       static_cast<TChildRecordList *>(window.BeaconCalendarRecords)}) {
            QVERIFY(!page->btnLoad->isHidden());
            QVERIFY(!page->btnLoad->isEnabled());
        }
        // The beacon's copy is still edited as usual.
        const TDialogAnswer answer(*fScheduleEditor, [&] { answerTimes(*fScheduleEditor, 60, 120); },
                                   fScheduleEditor->btnSave);
        window.BeaconScheduleRecords->btnAdd->click();
        QVERIFY(answer.opened);
        QCOMPARE(DeviceSchedule().Count(), 1);
    }

    void addRenameAndDeleteFollowTheSelection()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        QTreeWidget *lv = window.lvSchedules;
        window.btnPageNavClick(window.btnSchedules);
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral(" Schedule not selected "));

        clickRow(lv, 1);
        QVERIFY(window.LibraryScheduleRecords->isVisible());
        QVERIFY(!window.LibraryScheduleRecords->btnLoad->isVisible()); // loading is the beacon's
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Selected Schedule: Afternoons  "));
        QCOMPARE(window.LibraryScheduleRecords->Schedule(), window.ScheduleLibrary()->Schedules(1));
        clickRow(lv, 0); // moving the selection ends on the new row
        QCOMPARE(window.LibraryScheduleRecords->Schedule(), window.ScheduleLibrary()->Schedules(0));
        QCOMPARE(window.LibraryScheduleRecords->lvSchedule->topLevelItemCount(), 2);
        clickRow(lv, 1);

        // Add: a fourth row, the second stays selected with its records.
        messages.promptAnswers.enqueue(QStringLiteral("Winter"));
        window.btnAddSchedule->click();
        QCOMPARE(messages.prompts, QStringList(QStringLiteral("Please type a Name:")));
        QCOMPARE(messages.promptInitials, QStringList(QString()));
        QCOMPARE(rows(lv), (QStringList{"Mornings|2 record(s)", "Afternoons|0 record(s)", "Evenings|1 record(s)",
                                        "Winter|0 record(s)"}));
        QCOMPARE(scheduleTable(), rows(lv));
        QCOMPARE(SelectedRow(lv), 1);
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Selected Schedule: Afternoons  "));
        QCOMPARE(window.LibraryScheduleRecords->Schedule(), window.ScheduleLibrary()->Schedules(1));

        // Cancel in the name prompt adds nothing.
        window.btnAddSchedule->click();
        QCOMPARE(window.ScheduleLibrary()->Count(), 4);
        QCOMPARE(scheduleTable(), rows(lv));

        // Rename: the prompt starts from the name; Cancel keeps it.
        window.btnRenameSchedule->click();
        QCOMPARE(messages.promptInitials.last(), QStringLiteral("Afternoons"));
        QCOMPARE(lv->topLevelItem(1)->text(0), QStringLiteral("Afternoons"));
        messages.promptAnswers.enqueue(QStringLiteral("Lunch"));
        window.btnRenameSchedule->click();
        QCOMPARE(lv->topLevelItem(1)->text(0), QStringLiteral("Lunch"));
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Selected Schedule: Lunch  "));
        QCOMPARE(scheduleTable(), rows(lv));

        // Delete asks with the name; No changes nothing.
        clickRow(lv, 0);
        messages.confirmAnswers.enqueue(false);
        window.btnDeleteSchedule->click();
        QCOMPARE(messages.Texts(Kind::Confirmation), QStringList(QStringLiteral("Do you want to delete Mornings?")));
        QCOMPARE(window.ScheduleLibrary()->Count(), 4);
        QCOMPARE(SelectedRow(lv), 0);
        // Yes deletes it with its records; the row index stays selected and the
        // panel shows the schedule now there.
        messages.confirmAnswers.enqueue(true);
        window.btnDeleteSchedule->click();
        QCOMPARE(rows(lv), (QStringList{"Lunch|0 record(s)", "Evenings|1 record(s)", "Winter|0 record(s)"}));
        QCOMPARE(scheduleTable(), rows(lv));
        QCOMPARE(DM().Query(QStringLiteral("SELECT count(*) FROM schedule_rec"))->FieldAsInteger(0), 1);
        QCOMPARE(SelectedRow(lv), 0);
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Selected Schedule: Lunch  "));
        QCOMPARE(window.LibraryScheduleRecords->Schedule(), window.ScheduleLibrary()->Schedules(0));

        // Deleting the selected last row selects the first.
        clickRow(lv, 2);
        messages.confirmAnswers.enqueue(true);
        window.btnDeleteSchedule->click();
        QCOMPARE(SelectedRow(lv), 0);
        QVERIFY(window.LibraryScheduleRecords->isVisible());
        QCOMPARE(window.LibraryScheduleRecords->Schedule(), window.ScheduleLibrary()->Schedules(0));

        // Deleting the rest leaves an empty list and a hidden panel.
        messages.defaultConfirm = true;
        window.btnDeleteSchedule->click();
        window.btnDeleteSchedule->click();
        QCOMPARE(lv->topLevelItemCount(), 0);
        QVERIFY(scheduleTable().isEmpty());
        QVERIFY(window.LibraryScheduleRecords->isHidden());
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Schedule not selected  "));

        // Rename and Delete without a selection name what is missing.
        messages.Clear();
        messages.prompts.clear();
        window.btnRenameSchedule->click();
        window.btnDeleteSchedule->click();
        QCOMPARE(messages.Texts(Kind::Error), (QStringList{"Schedule", "Schedule"}));
        QVERIFY(messages.prompts.isEmpty());
    }

    void calendarPageHasItsOwnTexts()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        QTreeWidget *lv = window.lvCalendars;
        window.btnPageNavClick(window.btnCalendars);

        window.btnRenameCalendar->click();
        QCOMPARE(messages.Texts(Kind::Error), QStringList(QStringLiteral("Calendar")));
        clickRow(lv, 0);
        QCOMPARE(window.gbCalendarRecords->title(), QStringLiteral("  Selected Calendar: School year  "));
        QCOMPARE(window.LibraryCalendarRecords->lvCalendar->topLevelItemCount(), 1);

        // Two entries of one name: the question names the one selected.
        messages.promptAnswers.enqueue(QStringLiteral("School year"));
        window.btnAddCalendar->click();
        clickRow(lv, 2);
        messages.confirmAnswers.enqueue(true);
        window.btnDeleteCalendar->click();
        QCOMPARE(messages.Texts(Kind::Confirmation), QStringList(QStringLiteral("Do you want to delete School year?")));
        QCOMPARE(rows(lv), (QStringList{"School year|1 record(s)", "Summer camp|0 record(s)"}));
        QCOMPARE(calendarTable(), rows(lv));
        QCOMPARE(window.LibraryCalendarRecords->Calendar(), window.CalendarLibrary()->Calendars(0));
    }

    void recordCountsFollowRecordEdits()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        window.btnPageNavClick(window.btnSchedules);
        clickRow(window.lvSchedules, 1);

        TfrmScheduleRec &editor = *fScheduleEditor;
        const TDialogAnswer answer(editor, [&] { answerTimes(editor, 450, 495); }, editor.btnSave);
        window.LibraryScheduleRecords->btnAdd->click();
        QVERIFY(answer.opened);
        QCOMPARE(window.lvSchedules->topLevelItem(1)->text(1), QStringLiteral("1 record(s)"));
        QCOMPARE(SelectedRow(window.lvSchedules), 1);
        QVERIFY(window.LibraryScheduleRecords->isVisible());
        QCOMPARE(window.LibraryScheduleRecords->lvSchedule->topLevelItemCount(), 1);
        QCOMPARE(scheduleTable(), rows(window.lvSchedules));

        clickRow(window.LibraryScheduleRecords->lvSchedule, 0);
        program->messages.confirmAnswers.enqueue(true);
        window.LibraryScheduleRecords->btnDelete->click();
        QCOMPARE(window.lvSchedules->topLevelItem(1)->text(1), QStringLiteral("0 record(s)"));
        QCOMPARE(scheduleTable(), rows(window.lvSchedules));

        // The same on the calendar page.
        window.btnPageNavClick(window.btnCalendars);
        clickRow(window.lvCalendars, 1);
        TfrmCalendarRec &calendarEditor = *fCalendarEditor;
        const TDialogAnswer calendarAnswer(
            calendarEditor, [&] { calendarEditor.edtName->setText(QStringLiteral("Camp day")); },
            calendarEditor.btnSave);
        window.LibraryCalendarRecords->btnAdd->click();
        QVERIFY(calendarAnswer.opened);
        QCOMPARE(rows(window.lvCalendars), (QStringList{"School year|1 record(s)", "Summer camp|1 record(s)"}));
        QCOMPARE(calendarTable(), rows(window.lvCalendars));
        QCOMPARE(SelectedRow(window.lvCalendars), 1);
    }

    // A name with characters the code page lacks is refused with a message
    // naming them, and the prompt comes back without them: what is stored is
    // what the operator saw.
    void namesHoldOnlyWhatTheLibraryCanStore()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        window.btnPageNavClick(window.btnSchedules);
        const QString refused = QStringLiteral("These characters cannot be stored in a name: \u03A9 \u0141 \u017A");

        messages.promptAnswers.enqueue(QStringLiteral("F\u00EAte \u03A9\u20AC \u0141\u00F3d\u017A"));
        messages.promptAnswers.enqueue(QStringLiteral("F\u00EAte \u20AC \u00F3d"));
        window.btnAddSchedule->click();
        QCOMPARE(messages.Texts(Kind::Error), QStringList(refused));
        QCOMPARE(messages.promptInitials.last(), QStringLiteral("F\u00EAte \u20AC \u00F3d"));
        QCOMPARE(rows(window.lvSchedules).last(), QStringLiteral("F\u00EAte \u20AC \u00F3d|0 record(s)"));
        QCOMPARE(scheduleTable(), rows(window.lvSchedules));

        // The window's own prompt filters the field as the operator types.
        TDialogMessageService dialogs;
        QString typed;
        QTimer typist;
        connect(&typist, &QTimer::timeout, [&] {
            auto *prompt = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!prompt)
                return;
            typist.stop();
            auto *field = prompt->findChild<QLineEdit *>();
            QTest::keyClick(field, Qt::Key_End);
            for (const QChar c : QStringLiteral(" \u03A9\u00E9")) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(field, &press);
            }
            typed = field->text();
            prompt->accept();
        });
        messages.Clear();
        typist.start(5);
        const std::optional<QString> name =
            dialogs.PromptText(QStringLiteral("Calendar"), QStringLiteral("Please type a Name:"),
                               QStringLiteral("Old \u03A9 name"));
        QCOMPARE(typed, QStringLiteral("Old \u03A9 name \u00E9"));
        QCOMPARE(name, std::optional<QString>(typed)); // the initial text is the caller's
        // Told beside the field, with no box in the way of the typing.
        QCOMPARE(messages.notices, QStringList(QStringLiteral("These characters cannot be stored in a name: \u03A9")));
        QVERIFY(messages.entries.isEmpty());
    }

    // A delete the database refuses (another program holds it locked) leaves
    // the entry listed, selected and shown in a records panel that works.
    void failedDeleteShowsTheEntryAgain()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        window.btnPageNavClick(window.btnSchedules);
        clickRow(window.lvSchedules, 0);
        const QStringList before = rows(window.lvSchedules);
        {
            const TDatabaseLock lock(fDir.filePath(QStringLiteral("pvbcs.db")));
            QVERIFY(lock.locked);
            messages.confirmAnswers.enqueue(true);
            window.btnDeleteSchedule->click();
            QCOMPARE(messages.Texts(Kind::Error),
                     QStringList(QStringLiteral("The library database \"%1\" is locked by another program. Please "
                                                "close that program and try again.")
                                     .arg(fDir.filePath(QStringLiteral("pvbcs.db")))));
        }
        QCOMPARE(rows(window.lvSchedules), before);
        QCOMPARE(SelectedRow(window.lvSchedules), 0);
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Selected Schedule: Mornings  "));
        QVERIFY(window.LibraryScheduleRecords->isVisible());
        QCOMPARE(window.LibraryScheduleRecords->Schedule(), window.ScheduleLibrary()->Schedules(0));
        QCOMPARE(window.LibraryScheduleRecords->lvSchedule->topLevelItemCount(), 2);

        // The panel works again once the lock is gone.
        TfrmScheduleRec &editor = *fScheduleEditor;
        const TDialogAnswer answer(editor, [&] { answerTimes(editor, 450, 495); }, editor.btnSave);
        window.LibraryScheduleRecords->btnAdd->click();
        QVERIFY(answer.opened);
        QCOMPARE(window.LibraryScheduleRecords->lvSchedule->topLevelItemCount(), 3);
        QCOMPARE(rows(window.lvSchedules).first(), QStringLiteral("Mornings|3 record(s)"));
        QCOMPARE(scheduleTable(), rows(window.lvSchedules));
    }

    void doubleClickRenamesOrHidesTheRecords()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        TTestMessageService &messages = program->messages;
        QTreeWidget *lv = window.lvSchedules;
        window.btnPageNavClick(window.btnSchedules);

        // Nothing selected, below the rows: no prompt, no message.
        const QPoint empty(20, lv->viewport()->height() - 5);
        QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, empty);
        QVERIFY(messages.entries.isEmpty());
        QVERIFY(messages.prompts.isEmpty());
        QVERIFY(window.LibraryScheduleRecords->isHidden());
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral(" Schedule not selected "));

        const QPoint row2 = lv->visualItemRect(lv->topLevelItem(2)).center();
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, row2);
        messages.promptAnswers.enqueue(QStringLiteral("Nights"));
        QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, row2);
        QCOMPARE(messages.promptInitials, QStringList(QStringLiteral("Evenings")));
        QCOMPARE(lv->topLevelItem(2)->text(0), QStringLiteral("Nights"));
        QCOMPARE(scheduleTable(), rows(lv));
        QCOMPARE(window.gbScheduleRecords->title(), QStringLiteral("  Selected Schedule: Nights  "));
    }

    void loadFromTheLibraryIntoTheBeaconsCopy()
    {
        std::unique_ptr<TProgram> program = start();
        QVERIFY(program);
        TfrmMain &window = program->window;
        window.btnPageNavClick(window.btnConnectedSystem);
        DeviceSchedule().SaveRecord({1, 0, 0x01, 60, 120}, true);
        window.BeaconScheduleRecords->ShowList();
        TfrmItemSelect &select = *fItemSelect;
        QVERIFY(window.BeaconScheduleRecords->btnLoad->isEnabled());

        // Cancel changes nothing.
        {
            const TDialogAnswer answer(select, nullptr, select.BtnClose);
            window.BeaconScheduleRecords->btnLoad->click();
            QVERIFY(answer.opened);
        }
        QCOMPARE(DeviceSchedule().Count(), 1);

        QStringList offered;
        {
            const TDialogAnswer answer(select, [&] {
                for (int i = 0; i < select.cbList->count(); ++i)
                    offered << select.cbList->itemText(i);
                select.cbList->setCurrentIndex(0);
            }, select.btnOk);
            window.BeaconScheduleRecords->btnLoad->click();
            QVERIFY(answer.opened);
        }
        QCOMPARE(offered, (QStringList{"Mornings", "Afternoons", "Evenings"}));
        QCOMPARE(DeviceSchedule().Name(), QStringLiteral("Mornings"));
        QCOMPARE(DeviceSchedule().Count(), 2);
        QCOMPARE(window.BeaconScheduleRecords->lvSchedule->topLevelItemCount(), 2);
        QVERIFY(!DeviceSchedule().DBMode());

        // The copy is the beacon's own: editing it leaves the library alone,
        // and editing the library leaves it alone.
        window.TabSetSettings->setCurrentIndex(0);
        clickRow(window.BeaconScheduleRecords->lvSchedule, 0);
        program->messages.confirmAnswers.enqueue(true);
        window.BeaconScheduleRecords->btnDelete->click();
        QCOMPARE(DeviceSchedule().Count(), 1);
        QCOMPARE(scheduleTable().first(), QStringLiteral("Mornings|2 record(s)"));
        window.ScheduleLibrary()->Schedules(0)->DeleteRecord(0);
        window.ScheduleLibrary()->Schedules(0)->DeleteRecord(0);
        QCOMPARE(DeviceSchedule().Count(), 1);

        // The calendar page does the same with the calendar library.
        {
            const TDialogAnswer answer(select, [&] { select.cbList->setCurrentIndex(0); }, select.btnOk);
            window.BeaconCalendarRecords->btnLoad->click();
            QVERIFY(answer.opened);
        }
        QCOMPARE(DeviceCalendar().Name(), QStringLiteral("School year"));
        QCOMPARE(DeviceCalendar().Count(), 1);
        QCOMPARE(DeviceCalendar().Records(0).name, QStringLiteral("Christmas"));
        QCOMPARE(window.BeaconCalendarRecords->lvCalendar->topLevelItemCount(), 1);
        QVERIFY(program->messages.Texts(Kind::Error).isEmpty());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestLibraryPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_librarypages.moc"
