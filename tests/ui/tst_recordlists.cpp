#include "app/application.h"
#include "dialoganswer.h"
#include "pages/childcalendarlist.h"
#include "pages/childschedulelist.h"
#include "pages/frmcalendarrec.h"
#include "pages/frmitemselect.h"
#include "pages/frmschedulerec.h"
#include "store/datamodule.h"
#include "store/librarydb.h"
#include "testenv.h"
#include "testmessageservice.h"
#include "widgets/listfill.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

using Kind = TMessageService::Kind;

namespace {
struct TAnswered {
    bool opened;
    bool stayedOpen;
};

TAnswered clickAnswering(QAbstractButton *click, QDialog &dialog, std::function<void()> fill,
                         QAbstractButton *press)
{
    const TDialogAnswer answer(dialog, std::move(fill), press);
    click->click();
    return {answer.opened, answer.stayedOpen};
}

void selectRow(QTreeWidget *lv, int row)
{
    lv->clearSelection();
    if (row >= 0)
        lv->topLevelItem(row)->setSelected(true);
}

QStringList rowTexts(QTreeWidget *lv, int row)
{
    QStringList texts;
    const QTreeWidgetItem *item = lv->topLevelItem(row);
    for (int column = 0; item && column < lv->columnCount(); ++column)
        texts << item->text(column);
    return texts;
}

TScheduleRec scheduleRec(int id, quint8 day, int on, int off)
{
    TScheduleRec rec;
    rec.id = id;
    rec.RecDay = day;
    rec.RecOnTime = on;
    rec.RecOffTime = off;
    return rec;
}

qint64 scalar(const QString &sql, const QVariantList &params = {})
{
    return DM().Query(sql, params)->FieldAsInteger(0);
}
}

class TestRecordLists : public QObject {
    Q_OBJECT

    QTemporaryDir fDir;
    int fDbNumber = 0;
    // Created once and reused, as at start-up.
    std::unique_ptr<TfrmScheduleRec> fScheduleEditor;
    std::unique_ptr<TfrmCalendarRec> fCalendarEditor;
    std::unique_ptr<TfrmItemSelect> fItemSelect;

    void openLibrary(TDM &dm)
    {
        const QString file = fDir.filePath(QStringLiteral("lib%1.db").arg(++fDbNumber));
        QVERIFY(CreateLibraryDatabase(file));
        QVERIFY(dm.OpenDatabase(file));
    }

    void setTimes(int on, int off)
    {
        fScheduleEditor->cbScheduleTimeOn->setTime(QTime(on / 60, on % 60));
        fScheduleEditor->cbScheduleTimeOff->setTime(QTime(off / 60, off % 60));
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

    void addEditCopyAndDeleteOnTheBeaconSchedule()
    {
        TTestMessageService messages;
        TSchedule device(QStringLiteral("DEVICE"), 0, false);
        QWidget host;
        auto *page = new TfrmChildScheduleList(&host);
        page->SetSchedule(&device);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        TfrmScheduleRec &editor = *fScheduleEditor;

        auto answer = clickAnswering(page->btnAdd, editor, nullptr, editor.BtnClose);
        QVERIFY(answer.opened);
        QCOMPARE(device.Count(), 0);

        answer = clickAnswering(page->btnAdd, editor, [&] {
            QCOMPARE(editor.cbDayMode->currentText(), QStringLiteral("Weekdays")); // a fresh start
            editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::Weekend);
            setTimes(480, 570);
        }, editor.btnSave);
        QVERIFY(answer.opened && !answer.stayedOpen);
        QCOMPARE(device.Count(), 1);
        QCOMPARE(rowTexts(page->lvSchedule, 0), (QStringList{"Sa,Su", "08:00", "09:30", "1 hr 30 min"}));
        const TScheduleRec first = device.Records(0);
        QVERIFY(first.id >= 0 && first.id < 100000);

        // Nothing selected: Edit, Copy and Delete say so and open nothing.
        selectRow(page->lvSchedule, -1);
        for (QPushButton *button : {page->btnEdit, page->btnCopy, page->btnDelete}) {
            messages.Clear();
            answer = clickAnswering(button, editor, nullptr, editor.BtnClose);
            QVERIFY(!answer.opened);
            QCOMPARE(messages.Texts(), QStringList(QStringLiteral("Please select a Record from the List.")));
        }
        QCOMPARE(device.Count(), 1);

        // Copy and Cancel adds nothing; Copy and Save adds a record of its own
        // and leaves the selected one as it was.
        selectRow(page->lvSchedule, 0);
        answer = clickAnswering(page->btnCopy, editor, [&] { setTimes(600, 660); }, editor.BtnClose);
        QVERIFY(answer.opened);
        QCOMPARE(device.Count(), 1);
        selectRow(page->lvSchedule, 0);
        answer = clickAnswering(page->btnCopy, editor, [&] {
            QCOMPARE(editor.cbDayMode->currentIndex(), int(TfrmScheduleRec::SelectedDays));
            QCOMPARE(editor.cbScheduleTimeOn->time(), QTime(8, 0));
            setTimes(600, 660);
        }, editor.btnSave);
        QVERIFY(answer.opened && !answer.stayedOpen);
        QCOMPARE(device.Count(), 2);
        QCOMPARE(device.Records(0).RecOnTime, first.RecOnTime);
        QCOMPARE(device.Records(0).id, first.id);
        QCOMPARE(device.Records(1).RecOnTime, 600);
        QCOMPARE(int(device.Records(1).RecDay), 0x60);
        QVERIFY(device.Records(1).id != first.id);

        // Edit changes the selected record in place and keeps its id.
        selectRow(page->lvSchedule, 1);
        const int copyId = device.Records(1).id;
        answer = clickAnswering(page->btnEdit, editor, [&] {
            editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SpecialDayMode1);
        }, editor.btnSave);
        QVERIFY(answer.opened);
        QCOMPARE(device.Count(), 2);
        QCOMPARE(device.Records(1).id, copyId);
        QCOMPARE(int(device.Records(1).RecDay), 0x81);
        QCOMPARE(rowTexts(page->lvSchedule, 1).value(0), QStringLiteral("Special Day Mode #1"));
        QCOMPARE(device.Records(0).RecDay, first.RecDay);

        // Delete asks first; No keeps the record.
        selectRow(page->lvSchedule, 0);
        messages.confirmAnswers.enqueue(false);
        page->btnDelete->click();
        QCOMPARE(messages.Texts(Kind::Confirmation).last(), QStringLiteral("Do you want to delete Selected Record?"));
        QCOMPARE(device.Count(), 2);
        messages.confirmAnswers.enqueue(true);
        page->btnDelete->click();
        QCOMPARE(device.Count(), 1);
        QCOMPARE(device.Records(0).id, copyId);
        QCOMPARE(page->lvSchedule->topLevelItemCount(), 1);
    }

    void doubleClickEditsAndAnInvalidRecordIsNotSaved()
    {
        TTestMessageService messages;
        TSchedule device(QStringLiteral("DEVICE"), 0, false);
        device.SaveRecord(scheduleRec(0, 0x01, 60, 120), true); // id 0, as a settings file may give
        device.SaveRecord(scheduleRec(1001, 0x02, 60, 120), true);
        QWidget host;
        auto *page = new TfrmChildScheduleList(&host);
        page->SetSchedule(&device);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        TfrmScheduleRec &editor = *fScheduleEditor;

        QTreeWidget *lv = page->lvSchedule;
        const QPoint row0 = lv->visualItemRect(lv->topLevelItem(0)).center();
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, row0);
        {
            const TDialogAnswer answer(editor, [&] { setTimes(300, 360); }, editor.btnSave);
            QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, row0);
            QVERIFY(answer.opened);
        }
        QCOMPARE(device.Records(0).RecOnTime, 300);
        QCOMPARE(device.Records(0).id, 0);
        QCOMPARE(device.Records(1).RecOnTime, 60);

        // No day and OFF before ON: both texts, one after the other, and the
        // stored record stays as it was.
        selectRow(lv, 1);
        const TAnswered answer = clickAnswering(page->btnEdit, editor, [&] {
            editor.btnUncheckDays->click();
            setTimes(600, 540);
        }, editor.btnSave);
        QVERIFY(answer.stayedOpen);
        QCOMPARE(messages.Texts(Kind::Error), (QStringList{QStringLiteral("Please check the selected Time Range."),
                                                           QStringLiteral("Please select at least one day.")}));
        QCOMPARE(device.Records(1).RecOnTime, 60);
        QCOMPARE(int(device.Records(1).RecDay), 0x02);
    }

    void aLibrarySchedulePageFollowsTheDatabaseAndTheLibraryList()
    {
        TTestMessageService messages;
        TDM dm;
        openLibrary(dm);
        TScheduleList library;
        library.AddSchedule(QStringLiteral("Winter"));
        library.AddSchedule(QStringLiteral("Summer"));
        QTreeWidget lvSchedules;
        lvSchedules.setColumnCount(2);
        FillListView(&lvSchedules, library.ShowList(1));

        QWidget host;
        auto *page = new TfrmChildScheduleList(&host);
        page->SetScheduleList(&library);
        page->SetLibraryListLink(&lvSchedules);
        TSchedule *summer = library.Schedules(1);
        page->SetSchedule(summer);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(page->btnLoad->isHidden()); // loading belongs to the beacon's copy
        TfrmScheduleRec &editor = *fScheduleEditor;

        auto answer = clickAnswering(page->btnAdd, editor, [&] { setTimes(450, 495); }, editor.btnSave);
        QVERIFY(answer.opened);
        QCOMPARE(rowTexts(&lvSchedules, 1), (QStringList{"Summer", "1 record(s)"}));
        QCOMPARE(SelectedRow(&lvSchedules), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM schedule_rec WHERE schedule_id=?"), {summer->ID()}), 1);
        const int rowId = summer->Records(0).id;
        QCOMPARE(scalar(QStringLiteral("SELECT s_day FROM schedule_rec WHERE id=?"), {rowId}), 0x1F);
        QCOMPARE(scalar(QStringLiteral("SELECT s_time_off FROM schedule_rec WHERE id=?"), {rowId}), 495);

        selectRow(page->lvSchedule, 0);
        answer = clickAnswering(page->btnCopy, editor, nullptr, editor.btnSave);
        QVERIFY(answer.opened);
        QCOMPARE(rowTexts(&lvSchedules, 1).value(1), QStringLiteral("2 record(s)"));
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM schedule_rec WHERE schedule_id=?"), {summer->ID()}), 2);

        selectRow(page->lvSchedule, 0);
        answer = clickAnswering(page->btnEdit, editor, [&] { setTimes(450, 500); }, editor.btnSave);
        QVERIFY(answer.opened);
        QCOMPARE(scalar(QStringLiteral("SELECT s_time_off FROM schedule_rec WHERE id=?"), {rowId}), 500);
        QCOMPARE(summer->Records(1).RecOffTime, 495);

        selectRow(page->lvSchedule, 0);
        messages.confirmAnswers.enqueue(true);
        page->btnDelete->click();
        QCOMPARE(rowTexts(&lvSchedules, 1).value(1), QStringLiteral("1 record(s)"));
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM schedule_rec WHERE id=?"), {rowId}), 0);
        QCOMPARE(rowTexts(&lvSchedules, 0).value(1), QStringLiteral("0 record(s)"));
    }

    // The Beacon's copy holds 16 records: Add and Copy refuse the 17th before
    // the editor opens, Load refuses a larger library schedule and says so.
    void theBeaconsCopyRefusesTheSeventeenthRecord_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("add") << QStringLiteral("btnAdd");
        QTest::newRow("copy") << QStringLiteral("btnCopy");
        QTest::newRow("load") << QStringLiteral("btnLoad");
    }
    void theBeaconsCopyRefusesTheSeventeenthRecord()
    {
        QFETCH(QString, button);
        TTestMessageService messages;
        TDM dm;
        openLibrary(dm);
        TScheduleList library;
        library.AddSchedule(QStringLiteral("Long"));
        for (int i = 0; i < 17; ++i)
            library.Schedules(0)->SaveRecord(scheduleRec(0, 0x1F, 420 + i, 480 + i), true);
        TSchedule device(QStringLiteral("DEVICE"), 0, false);
        const int kept = button == QLatin1String("btnLoad") ? 1 : 16;
        for (int i = 0; i < kept; ++i)
            device.SaveRecord(scheduleRec(1000 + i, 0x7F, 420, 480), true);
        QWidget host;
        auto *page = new TfrmChildScheduleList(&host);
        page->SetSchedule(&device);
        page->SetScheduleList(&library);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        selectRow(page->lvSchedule, 0);

        QDialog &opens = button == QLatin1String("btnLoad") ? static_cast<QDialog &>(*fItemSelect)
                                                             : static_cast<QDialog &>(*fScheduleEditor);
        QAbstractButton *press = button == QLatin1String("btnLoad") ? static_cast<QAbstractButton *>(fItemSelect->btnOk)
                                                                     : fScheduleEditor->btnSave;
        const auto answer = clickAnswering(page->findChild<QPushButton *>(button), opens, nullptr, press);
        QCOMPARE(answer.opened, button == QLatin1String("btnLoad")); // the choice comes before the refusal
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList{button == QLatin1String("btnLoad")
                                 ? QStringLiteral("\"Long\" has 17 records, more than the 16 a Beacon holds. Remove "
                                                  "some in the library and load it again.")
                                 : QStringLiteral("A Beacon's schedule holds at most 16 records.")});
        QCOMPARE(device.Count(), kept);
        QCOMPARE(device.Name(), QStringLiteral("DEVICE"));
        QCOMPARE(page->lvSchedule->topLevelItemCount(), kept);
    }

    void loadScheduleFromTheLibrary()
    {
        TTestMessageService messages;
        TSchedule device(QStringLiteral("DEVICE"), 0, false);
        device.SaveRecord(scheduleRec(1000, 0x7F, 420, 480), true);
        QWidget host;
        auto *page = new TfrmChildScheduleList(&host);
        page->SetSchedule(&device);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(page->btnLoad->isVisible());
        QVERIFY(!page->btnLoad->isEnabled()); // no library database

        TDM dm;
        openLibrary(dm);
        TScheduleList library;
        page->SetScheduleList(&library);
        QVERIFY(page->btnLoad->isEnabled());
        TfrmItemSelect &select = *fItemSelect;

        auto answer = clickAnswering(page->btnLoad, select, nullptr, select.BtnClose);
        QVERIFY(!answer.opened);
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList(QStringLiteral("You do not have any previously created Schedules.")));

        library.AddSchedule(QStringLiteral("School days"));
        library.AddSchedule(QStringLiteral("Empty"));
        library.Schedules(0)->SaveRecord(scheduleRec(0, 0x1F, 450, 495), true);
        library.Schedules(0)->SaveRecord(scheduleRec(0, 0x84, 600, 660), true);

        answer = clickAnswering(page->btnLoad, select, [&] {
            QCOMPARE(select.windowTitle(), QStringLiteral("  Schedule"));
            QCOMPARE(select.lblCaption->text(), QStringLiteral("Please select a Schedule from list:"));
            QCOMPARE(select.cbList->count(), 2);
            QCOMPARE(select.cbList->itemText(0), QStringLiteral("School days"));
            QCOMPARE(select.cbList->itemText(1), QStringLiteral("Empty"));
            QCOMPARE(select.cbList->currentIndex(), 0);
        }, select.BtnClose);
        QVERIFY(answer.opened);
        QCOMPARE(device.Name(), QStringLiteral("DEVICE"));
        QCOMPARE(device.Count(), 1);
        QCOMPARE(device.Records(0).id, 1000);

        answer = clickAnswering(page->btnLoad, select, nullptr, select.btnOk);
        QVERIFY(answer.opened);
        QCOMPARE(device.Name(), QStringLiteral("School days"));
        QCOMPARE(device.Count(), 2);
        QCOMPARE(device.Records(1).id, library.Schedules(0)->Records(1).id);
        QCOMPARE(device.Records(1).CalendarID, 0);
        QCOMPARE(page->lvSchedule->topLevelItemCount(), 2);
        QCOMPARE(rowTexts(page->lvSchedule, 1).value(0), QStringLiteral("Special Day Mode #3"));

        // The copy is independent: changing it leaves the library alone.
        selectRow(page->lvSchedule, 0);
        messages.confirmAnswers.enqueue(true);
        page->btnDelete->click();
        QCOMPARE(library.Schedules(0)->Count(), 2);
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM schedule_rec")), 2);

        // Loading an empty library schedule empties the beacon's copy.
        answer = clickAnswering(page->btnLoad, select, [&] { select.cbList->setCurrentIndex(1); }, select.btnOk);
        QVERIFY(answer.opened);
        QCOMPARE(device.Name(), QStringLiteral("Empty"));
        QCOMPARE(device.Count(), 0);
        QCOMPARE(page->lvSchedule->topLevelItemCount(), 0);
    }

    void calendarPageAddsEditsAndRefusesOverlongRanges()
    {
        TTestMessageService messages;
        TDM dm;
        openLibrary(dm);
        TCalendarList library;
        library.AddCalendar(QStringLiteral("Holidays"));
        QTreeWidget lvCalendars;
        lvCalendars.setColumnCount(2);
        FillListView(&lvCalendars, library.ShowList(0));
        QWidget host;
        auto *page = new TfrmChildCalendarList(&host);
        page->SetCalendarList(&library);
        page->SetLibraryListLink(&lvCalendars);
        TCalendar *holidays = library.Calendars(0);
        page->SetCalendar(holidays);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(!page->btnCopy);
        QVERIFY(page->btnLoad->isHidden());
        TfrmCalendarRec &editor = *fCalendarEditor;

        // 256 days: refused, the dialog stays open, nothing is stored.
        auto answer = clickAnswering(page->btnAdd, editor, [&] {
            editor.edtName->setText(QStringLiteral("Too long"));
            editor.dtpHoliday->setDate(QDate(2025, 1, 1));
            editor.cbUseRange->setChecked(true);
            editor.dtpHolidayEnd->setDate(QDate(2025, 1, 1).addDays(255));
        }, editor.btnSave);
        QVERIFY(answer.stayedOpen);
        QCOMPARE(messages.Texts(Kind::Error), QStringList(QStringLiteral("A calendar record can cover at most 255 days.")));
        QCOMPARE(holidays->Count(), 0);

        answer = clickAnswering(page->btnAdd, editor, [&] {
            QCOMPARE(editor.edtName->text(), QString()); // a fresh start
            editor.edtName->setText(QStringLiteral("Christmas"));
            editor.dtpHoliday->setDate(QDate(2024, 12, 24));
            editor.cbUseRange->setChecked(true);
            editor.dtpHolidayEnd->setDate(QDate(2024, 12, 26));
            editor.cbScheduleDays->setCurrentIndex(7);
        }, editor.btnSave);
        QVERIFY(answer.opened && !answer.stayedOpen);
        QCOMPARE(rowTexts(&lvCalendars, 0), (QStringList{"Holidays", "1 record(s)"}));
        QCOMPARE(rowTexts(page->lvCalendar, 0),
                 (QStringList{"Christmas", "24/12/2024", "26/12/2024", "3 day(s)", "Special Day Mode #1"}));
        const int rowId = holidays->Records(0).id;
        QCOMPARE(scalar(QStringLiteral("SELECT c_len FROM calendar_rec WHERE id=?"), {rowId}), 3);

        selectRow(page->lvCalendar, 0);
        answer = clickAnswering(page->btnEdit, editor, [&] {
            QVERIFY(editor.cbUseRange->isChecked());
            QCOMPARE(editor.dtpHolidayEnd->date(), QDate(2024, 12, 26));
            editor.cbUseRange->setChecked(false);
        }, editor.btnSave);
        QVERIFY(answer.opened);
        QCOMPARE(scalar(QStringLiteral("SELECT c_len FROM calendar_rec WHERE id=?"), {rowId}), 1);
        QCOMPARE(rowTexts(page->lvCalendar, 0).value(2), QStringLiteral("24/12/2024"));

        selectRow(page->lvCalendar, 0);
        messages.confirmAnswers.enqueue(true);
        page->btnDelete->click();
        QCOMPARE(rowTexts(&lvCalendars, 0).value(1), QStringLiteral("0 record(s)"));
        QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM calendar_rec")), 0);
    }

    void loadCalendarFromTheLibrary()
    {
        TTestMessageService messages;
        TCalendar device(QStringLiteral("DEVICE"), 0, false);
        QWidget host;
        auto *page = new TfrmChildCalendarList(&host);
        page->SetCalendar(&device);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(!page->btnLoad->isEnabled());

        TDM dm;
        openLibrary(dm);
        TCalendarList library;
        page->SetCalendarList(&library);
        TfrmItemSelect &select = *fItemSelect;
        auto answer = clickAnswering(page->btnLoad, select, nullptr, select.BtnClose);
        QVERIFY(!answer.opened);
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList(QStringLiteral("You do not have any previously created Calendars.")));

        library.AddCalendar(QStringLiteral("2025"));
        TCalendarRec rec;
        rec.name = QStringLiteral("New Year");
        rec.DayNum = 5479;
        rec.Days = 1;
        rec.DayMode = 6;
        library.Calendars(0)->SaveRecord(rec, true);

        answer = clickAnswering(page->btnLoad, select, [&] {
            QCOMPARE(select.windowTitle(), QStringLiteral("  Calendar"));
            QCOMPARE(select.lblCaption->text(), QStringLiteral("Please select a Calendar from list:"));
        }, select.BtnClose);
        QVERIFY(answer.opened);
        QCOMPARE(device.Count(), 0);

        answer = clickAnswering(page->btnLoad, select, nullptr, select.btnOk);
        QVERIFY(answer.opened);
        QCOMPARE(device.Name(), QStringLiteral("2025"));
        QCOMPARE(device.Count(), 1);
        QCOMPARE(device.Records(0).name, QStringLiteral("New Year"));
        QCOMPARE(rowTexts(page->lvCalendar, 0).value(4), QStringLiteral("Sunday"));
    }

    void theSelectionListDropsDownWhenTheOperatorTypes()
    {
        TfrmItemSelect &select = *fItemSelect;
        select.cbList->clear();
        select.cbList->addItems({QStringLiteral("School days"), QStringLiteral("Empty")});
        select.show();
        QVERIFY(QTest::qWaitForWindowExposed(&select));
        QTest::keyClick(select.cbList, Qt::Key_E, Qt::NoModifier);
        QTRY_VERIFY(select.cbList->view()->isVisible());
        QCOMPARE(select.cbList->currentText(), QStringLiteral("Empty"));
        select.cbList->hidePopup();
        select.reject();
    }

    void rebindingRedrawsAndAnUnboundPageDoesNothing()
    {
        TTestMessageService messages;
        TSchedule first(QStringLiteral("A"), 0, false);
        first.SaveRecord(scheduleRec(1, 0x01, 60, 120), true);
        TSchedule second(QStringLiteral("B"), 0, false);
        QWidget host;
        auto *page = new TfrmChildScheduleList(&host);
        QCOMPARE(page->parentWidget(), &host);
        page->SetSchedule(&first);
        QCOMPARE(page->lvSchedule->topLevelItemCount(), 1);
        page->SetSchedule(&second);
        QCOMPARE(page->lvSchedule->topLevelItemCount(), 0);
        page->SetSchedule(nullptr);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        auto answer = clickAnswering(page->btnAdd, *fScheduleEditor, nullptr, fScheduleEditor->btnSave);
        QVERIFY(!answer.opened);
        QVERIFY(messages.entries.isEmpty());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestRecordLists test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_recordlists.moc"
