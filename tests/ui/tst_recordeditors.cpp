#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "pages/frmcalendarrec.h"
#include "pages/frmschedulerec.h"
#include "store/localetext.h"
#include "testenv.h"
#include "testmessageservice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QtTest>

using Kind = TMessageService::Kind;

namespace {
const QDate kDayZero(2010, 1, 1);

QList<bool> checkedDays(const TfrmScheduleRec &editor)
{
    QList<bool> days;
    for (int day = 0; day < 7; ++day)
        days << (editor.cbScheduleDays->item(day)->checkState() == Qt::Checked);
    return days;
}

QList<bool> daysOf(quint8 mask)
{
    QList<bool> days;
    for (int day = 0; day < 7; ++day)
        days << bool(mask & (1 << day));
    return days;
}

// "on" or "off" for the day list with its two buttons, which must follow it.
QString dayList(const TfrmScheduleRec &editor)
{
    const bool enabled = editor.cbScheduleDays->isEnabled();
    if (editor.btnCheckDays->isEnabled() != enabled || editor.btnUncheckDays->isEnabled() != enabled)
        return QStringLiteral("buttons differ");
    return enabled ? QStringLiteral("on") : QStringLiteral("off");
}

// Types text key by key, as a keyboard with every character would.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
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
}

class TestRecordEditors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void newScheduleRecordStartsOnWeekdaysAtMidnight()
    {
        TfrmScheduleRec editor;
        QCOMPARE(&TfrmScheduleRec::Instance(), &editor);
        editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SelectedDays);
        editor.cbScheduleTimeOn->setTime(QTime(9, 0));
        editor.InitControls();
        QCOMPARE(editor.cbDayMode->currentText(), QStringLiteral("Weekdays"));
        QCOMPARE(checkedDays(editor), daysOf(0x1F));
        QCOMPARE(dayList(editor), QStringLiteral("off"));
        QCOMPARE(editor.cbScheduleTimeOn->time(), QTime(0, 0));
        QCOMPARE(editor.cbScheduleTimeOff->time(), QTime(0, 0));
        QCOMPARE(editor.cbScheduleTimeOn->displayFormat(), QStringLiteral("HH:mm"));
    }

    void dayModePresetsComeBackAsSelectedDays_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("recDay");
        QTest::newRow("Every day") << int(TfrmScheduleRec::EveryDay) << 0x7F;
        QTest::newRow("Weekdays") << int(TfrmScheduleRec::Weekdays) << 0x1F;
        QTest::newRow("Weekend") << int(TfrmScheduleRec::Weekend) << 0x60;
    }

    void dayModePresetsComeBackAsSelectedDays()
    {
        QFETCH(int, mode);
        QFETCH(int, recDay);
        TfrmScheduleRec editor;
        editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SelectedDays);
        editor.cbDayMode->setCurrentIndex(mode);
        QCOMPARE(dayList(editor), QStringLiteral("off"));
        TScheduleRec rec = scheduleRec(5, 0, 0, 0);
        editor.UpdateRecord(rec);
        QCOMPARE(int(rec.RecDay), recDay);

        editor.InitControls();
        editor.ShowRecord(rec);
        QCOMPARE(editor.cbDayMode->currentIndex(), int(TfrmScheduleRec::SelectedDays));
        QCOMPARE(checkedDays(editor), daysOf(quint8(recDay)));
        QCOMPARE(dayList(editor), QStringLiteral("on"));
    }

    void specialDayModesKeepTheDayListEmptyAndDisabled()
    {
        TfrmScheduleRec editor;
        const quint8 expected[3] = {0x81, 0x82, 0x84};
        for (int n = 0; n < 3; ++n) {
            editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::EveryDay);
            editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SpecialDayMode1 + n);
            QCOMPARE(checkedDays(editor), daysOf(0));
            QCOMPARE(dayList(editor), QStringLiteral("off"));
            TScheduleRec rec;
            editor.UpdateRecord(rec);
            QCOMPARE(rec.RecDay, expected[n]);

            editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SelectedDays);
            editor.btnCheckDays->click();
            editor.ShowRecord(rec);
            QCOMPARE(editor.cbDayMode->currentIndex(), TfrmScheduleRec::SpecialDayMode1 + n);
            QCOMPARE(checkedDays(editor), daysOf(0));
            QCOMPARE(dayList(editor), QStringLiteral("off"));
        }
        // A special byte with several mode bits belongs to its lowest.
        editor.ShowRecord(scheduleRec(1, 0x86, 0, 60));
        QCOMPARE(editor.cbDayMode->currentIndex(), int(TfrmScheduleRec::SpecialDayMode2));
    }

    void selectedDaysAndTheDayButtons()
    {
        TfrmScheduleRec editor;
        editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SelectedDays);
        QCOMPARE(dayList(editor), QStringLiteral("on"));
        QCOMPARE(checkedDays(editor), daysOf(0));
        editor.btnCheckDays->click();
        QCOMPARE(checkedDays(editor), daysOf(0x7F));
        editor.btnUncheckDays->click();
        QCOMPARE(checkedDays(editor), daysOf(0));
        editor.cbScheduleDays->item(0)->setCheckState(Qt::Checked);
        editor.cbScheduleDays->item(2)->setCheckState(Qt::Checked);
        TScheduleRec rec;
        editor.UpdateRecord(rec);
        QCOMPARE(int(rec.RecDay), 0x05);
    }

    // A special byte without a known mode must not be saved unchanged into
    // another mode or into a record without days: the operator chooses.
    void unknownSpecialBytesAskForAChoice()
    {
        TTestMessageService messages;
        TfrmScheduleRec editor;
        for (const quint8 odd : {quint8(0x80), quint8(0x88), quint8(0xC0)}) {
            editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SpecialDayMode3);
            editor.ShowRecord(scheduleRec(1, odd, 60, 120));
            QCOMPARE(editor.cbDayMode->currentIndex(), int(TfrmScheduleRec::SelectedDays));
            QCOMPARE(checkedDays(editor), daysOf(0));
            QCOMPARE(dayList(editor), QStringLiteral("on"));
            QSignalSpy accepted(&editor, &QDialog::accepted);
            messages.Clear();
            editor.btnSaveClick();
            QCOMPARE(messages.Texts(), QStringList(QStringLiteral("Please select at least one day.")));
            QCOMPARE(accepted.count(), 0);
        }
    }

    void timesBecomeMinutesWithoutSeconds()
    {
        TfrmScheduleRec editor;
        editor.cbScheduleTimeOn->setTime(QTime(7, 30, 40));
        editor.cbScheduleTimeOff->setTime(QTime(8, 15));
        TScheduleRec rec = scheduleRec(77, 0, 0, 0);
        rec.CalendarID = 12;
        editor.UpdateRecord(rec);
        QCOMPARE(rec.RecOnTime, 450);
        QCOMPARE(rec.RecOffTime, 495);
        QCOMPARE(rec.id, 77);
        QCOMPARE(rec.CalendarID, 12);

        editor.ShowRecord(scheduleRec(1, 0x01, 1439, 1439));
        QCOMPARE(editor.cbScheduleTimeOn->time(), QTime(23, 59));
    }

    void timeRangeAndDaysAreBothChecked()
    {
        TTestMessageService messages;
        TfrmScheduleRec editor;
        QSignalSpy accepted(&editor, &QDialog::accepted);

        editor.InitControls(); // 00:00 to 00:00
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error), QStringList(QStringLiteral("Please check the selected Time Range.")));

        messages.Clear();
        editor.cbDayMode->setCurrentIndex(TfrmScheduleRec::SelectedDays);
        editor.cbScheduleTimeOn->setTime(QTime(22, 0));
        editor.cbScheduleTimeOff->setTime(QTime(2, 0));
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error), (QStringList{QStringLiteral("Please check the selected Time Range."),
                                                           QStringLiteral("Please select at least one day.")}));
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(editor.cbScheduleTimeOn->time(), QTime(22, 0)); // the content stays

        messages.Clear();
        editor.cbScheduleDays->item(6)->setCheckState(Qt::Checked);
        editor.cbScheduleTimeOff->setTime(QTime(22, 1));
        editor.btnSaveClick();
        QVERIFY(messages.entries.isEmpty());
        QCOMPARE(accepted.count(), 1);
    }

    // Edits keep the record's id, even 0: drawing a new one would make the
    // save miss the stored record.
    void onlyNewRecordsGetAnIdThatNoRecordHas()
    {
        TfrmScheduleRec editor;
        TSchedule owner(QStringLiteral("DEVICE"), 0, false);
        TScheduleRec edited = scheduleRec(0, 0x01, 10, 20);
        editor.ShowRecord(edited);
        editor.UpdateRecord(edited);
        QCOMPARE(edited.id, 0);

        // Every id but one is taken: the new record gets that one. (Records
        // taken exactly as given: far more than a Beacon's copy lets an
        // operator add.)
        QList<TScheduleRec> taken;
        for (int id = 0; id < 100000; ++id)
            if (id != 4242)
                taken << scheduleRec(id, 0x01, 10, 20);
        owner.SetRecords(taken);
        TScheduleRec fresh;
        editor.GetRecord(fresh, owner);
        QCOMPARE(fresh.id, 4242);

        TScheduleRec kept = scheduleRec(31, 0, 0, 0);
        editor.GetRecord(kept, owner);
        QCOMPARE(kept.id, 31);
    }

    void newCalendarRecordStartsTodayOnSunday()
    {
        TfrmCalendarRec editor;
        QCOMPARE(&TfrmCalendarRec::Instance(), &editor);
        editor.edtName->setText(QStringLiteral("Old"));
        editor.cbUseRange->setChecked(true);
        editor.cbScheduleDays->setCurrentIndex(2);
        editor.InitControls();
        QCOMPARE(editor.edtName->text(), QString());
        QCOMPARE(editor.dtpHoliday->date(), QDate::currentDate());
        QCOMPARE(editor.dtpHolidayEnd->date(), QDate::currentDate());
        QVERIFY(!editor.cbUseRange->isChecked());
        QVERIFY(!editor.dtpHolidayEnd->isEnabled());
        QCOMPARE(editor.cbScheduleDays->currentText(), QStringLiteral("Sunday"));
        QCOMPARE(editor.cbScheduleDays->count(), 10);
        QCOMPARE(editor.cbScheduleDays->itemText(9), QStringLiteral("Special Day Mode #3"));

        editor.cbUseRange->click();
        QVERIFY(editor.dtpHolidayEnd->isEnabled());
        editor.cbUseRange->click();
        QVERIFY(!editor.dtpHolidayEnd->isEnabled());
    }

    void datesBecomeDayNumbersAndLengths()
    {
        TfrmCalendarRec editor;
        editor.edtName->setText(QStringLiteral("Christmas"));
        editor.dtpHoliday->setDate(QDate(2024, 12, 24));
        editor.cbUseRange->setChecked(true);
        editor.dtpHolidayEnd->setDate(QDate(2024, 12, 26));
        editor.cbScheduleDays->setCurrentIndex(8);
        TCalendarRec rec;
        rec.id = 9;
        editor.UpdateRecord(rec);
        QCOMPARE(rec.name, QStringLiteral("Christmas"));
        QCOMPARE(rec.DayNum, int(kDayZero.daysTo(QDate(2024, 12, 24))));
        QCOMPARE(rec.Days, 3);
        QCOMPARE(int(rec.DayMode), 8);
        QCOMPARE(rec.id, 9);

        editor.InitControls();
        editor.ShowRecord(rec);
        QCOMPARE(editor.dtpHoliday->date(), QDate(2024, 12, 24));
        QCOMPARE(editor.dtpHolidayEnd->date(), QDate(2024, 12, 26));
        QVERIFY(editor.cbUseRange->isChecked());
        QVERIFY(editor.dtpHolidayEnd->isEnabled());
        QCOMPARE(editor.cbScheduleDays->currentIndex(), 8);

        // A range ending where it starts is one day and reopens without a range.
        editor.dtpHolidayEnd->setDate(QDate(2024, 12, 24));
        editor.UpdateRecord(rec);
        QCOMPARE(rec.Days, 1);
        editor.ShowRecord(rec);
        QVERIFY(!editor.cbUseRange->isChecked());
        QVERIFY(!editor.dtpHolidayEnd->isEnabled());

        // Without the range box the end date does not count.
        editor.dtpHoliday->setDate(kDayZero);
        editor.dtpHolidayEnd->setDate(QDate(2010, 3, 1));
        editor.UpdateRecord(rec);
        QCOMPARE(rec.DayNum, 0);
        QCOMPARE(rec.Days, 1);

        // Nothing before the beacon's first day.
        editor.dtpHoliday->setDate(QDate(2009, 12, 31));
        QCOMPARE(editor.dtpHoliday->date(), kDayZero);
    }

    // A mode above 9 (from the beacon or a file) is kept unless the operator picks one.
    void unknownDayModeIsKept()
    {
        TfrmCalendarRec editor;
        TCalendarRec rec;
        rec.Days = 1;
        rec.DayMode = 42;
        editor.ShowRecord(rec);
        QCOMPARE(editor.cbScheduleDays->currentIndex(), -1);
        editor.UpdateRecord(rec);
        QCOMPARE(int(rec.DayMode), 42);
        editor.cbScheduleDays->setCurrentIndex(0);
        editor.UpdateRecord(rec);
        QCOMPARE(int(rec.DayMode), 0);
    }

    void dateRangeMustRunForwardAndFitTheBeacon()
    {
        TTestMessageService messages;
        TfrmCalendarRec editor;
        QSignalSpy accepted(&editor, &QDialog::accepted);

        editor.dtpHoliday->setDate(QDate(2025, 3, 10));
        editor.dtpHolidayEnd->setDate(QDate(2025, 3, 9));
        editor.btnSaveClick(); // no range: the end date is not looked at
        QCOMPARE(accepted.count(), 1);

        editor.cbUseRange->setChecked(true);
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error), QStringList(QStringLiteral("Please check the selected Range of Dates.")));
        QCOMPARE(accepted.count(), 1);

        messages.Clear();
        editor.dtpHolidayEnd->setDate(QDate(2025, 3, 10).addDays(TfrmCalendarRec::MaxDays - 1));
        editor.btnSaveClick();
        QVERIFY(messages.entries.isEmpty());
        QCOMPARE(accepted.count(), 2);
        TCalendarRec rec;
        editor.UpdateRecord(rec);
        QCOMPARE(rec.Days, 255);

        // A longer range says why it is refused.
        editor.dtpHolidayEnd->setDate(QDate(2025, 3, 10).addDays(TfrmCalendarRec::MaxDays));
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList(QStringLiteral("A calendar record can cover at most 255 days.")));
        QCOMPARE(accepted.count(), 2);
    }

    // A stored record opens as it is, whatever the beacon can keep; saving
    // refuses what it cannot keep instead of the pickers shortening it.
    void storedRecordsOpenUnchangedAndSavingRefusesWhatTheBeaconCannotKeep()
    {
        TTestMessageService messages;
        TfrmCalendarRec editor;
        QSignalSpy accepted(&editor, &QDialog::accepted);
        const QString tooLate = QStringLiteral("A calendar record cannot end after %1, the last day the Beacon can "
                                               "store.")
                                    .arg(DateToText(kDayZero.addDays(65534), QLocale()));

        // Ends four days after the last day: shown and kept, but not saved.
        TCalendarRec late{7, 0, QStringLiteral("Far"), 65534, 5, 3};
        editor.ShowRecord(late);
        TCalendarRec shown = late;
        editor.UpdateRecord(shown);
        QCOMPARE(shown.DayNum, 65534);
        QCOMPARE(shown.Days, 5);
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error), QStringList(tooLate));
        QCOMPARE(accepted.count(), 0);

        // Ending on the last day is fine; a single day after it is not.
        messages.Clear();
        editor.ShowRecord({7, 0, QStringLiteral("Last"), 65530, 5, 3});
        editor.btnSaveClick();
        QCOMPARE(accepted.count(), 1);
        editor.ShowRecord({7, 0, QStringLiteral("After"), 65535, 1, 3});
        editor.UpdateRecord(shown);
        QCOMPARE(shown.DayNum, 65535);
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error), QStringList(tooLate));

        // A stored 256-day record opens with its length and says why it
        // cannot be saved.
        messages.Clear();
        editor.ShowRecord({7, 0, QStringLiteral("Long"), 5000, 256, 3});
        editor.UpdateRecord(shown);
        QCOMPARE(shown.Days, 256);
        editor.btnSaveClick();
        QCOMPARE(messages.Texts(Kind::Error),
                 QStringList(QStringLiteral("A calendar record can cover at most 255 days.")));
        QCOMPARE(accepted.count(), 1);
    }

    // The name limit is for typing: a longer stored name survives opening
    // and saving, and typing never lengthens it.
    void nameLimitAppliesToWhatIsTyped()
    {
        TTestMessageService messages;
        TfrmCalendarRec editor;
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        const QString stored = QStringLiteral("Twenty characters!!!");
        QCOMPARE(stored.size(), 20);
        TCalendarRec rec{3, 0, stored, 5000, 1, 6};
        editor.ShowRecord(rec);
        TCalendarRec saved = rec;
        editor.UpdateRecord(saved);
        QCOMPARE(saved.name, stored);

        editor.edtName->setFocus();
        editor.edtName->end(false);
        QTest::keyClicks(editor.edtName, QStringLiteral("x"));
        QCOMPARE(editor.edtName->text(), stored);
        QTest::keyClick(editor.edtName, Qt::Key_Backspace);
        QTest::keyClick(editor.edtName, Qt::Key_Home);
        QTest::keyClicks(editor.edtName, QStringLiteral("ab"));
        QCOMPARE(editor.edtName->text(), stored.left(19));
        QTest::keyClick(editor.edtName, Qt::Key_Right, Qt::ShiftModifier); // typing over a character
        QTest::keyClicks(editor.edtName, QStringLiteral("tw"));
        QCOMPARE(editor.edtName->text(), u't' + stored.mid(1, 18));

        editor.InitControls();
        QTest::keyClicks(editor.edtName, QStringLiteral("A name of twenty chars"));
        QCOMPARE(editor.edtName->text(), QStringLiteral("A name of twenty chars").left(15));
        editor.edtName->selectAll();
        editor.edtName->insert(QStringLiteral("Replaced by a longer paste"));
        QCOMPARE(editor.edtName->text(), QStringLiteral("Replaced by a l"));
        QCoreApplication::processEvents();
        QVERIFY(messages.entries.isEmpty());
    }

    // Typed or pasted characters the code page lacks never reach the name,
    // and a notice beside the field names them all, while the typing goes on.
    void nameRefusesCharactersTheBeaconCannotStore()
    {
        TTestMessageService messages;
        TfrmCalendarRec editor;
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.edtName->setFocus();
        typeText(editor.edtName, QStringLiteral("F\u00EAte \u03A9\u20AC"));
        QCOMPARE(editor.edtName->text(), QStringLiteral("F\u00EAte \u20AC"));
        QCOMPARE(messages.notices, QStringList(QStringLiteral("These characters cannot be stored in a name: \u03A9")));
        QCOMPARE(messages.noticeSubjects, QList<QObject *>{editor.edtName});

        editor.edtName->setCursorPosition(4);
        editor.edtName->insert(QStringLiteral(" \u0141\u00F3d\u017A\t"));
        QCOMPARE(editor.edtName->text(), QStringLiteral("F\u00EAte \u00F3d \u20AC"));
        QCOMPARE(editor.edtName->cursorPosition(), 8);
        // Every character left out since the field took the focus.
        QCOMPARE(messages.notices.last(),
                 QStringLiteral("These characters cannot be stored in a name: \u03A9 \u0141 \u017A U+0009"));
        TCalendarRec rec;
        editor.UpdateRecord(rec);
        QCOMPARE(rec.name, editor.edtName->text());
        QVERIFY(messages.entries.isEmpty());

        // What the program shows is not the operator's typing: no notice.
        messages.Clear();
        editor.ShowRecord({3, 0, QStringLiteral("Kept"), 5000, 1, 6});
        QCoreApplication::processEvents();
        QVERIFY(messages.notices.isEmpty());
    }

    // Typed at an operator's pace through the window, as the keyboard sends
    // it: the notice shows under the field and takes neither the focus nor a
    // single letter.
    void theNoticeDoesNotInterruptTheTyping()
    {
        TDialogMessageService dialogs;
        TMessageService::Install(&dialogs);
        const auto restore = qScopeGuard([] { TMessageService::Install(nullptr); });
        TfrmCalendarRec editor;
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        editor.edtName->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), editor.edtName);
        for (const QChar c : QStringLiteral("F\u00EAte \u03A9\u20AC \u0141\u00F3d\u017A"))
            QTest::sendKeyEvent(QTest::Click, static_cast<QWidget *>(nullptr), Qt::Key_unknown, QString(c),
                                Qt::NoModifier, 20);
        QCOMPARE(editor.edtName->text(), QStringLiteral("F\u00EAte \u20AC \u00F3d"));
        QCOMPARE(QApplication::focusWidget(), editor.edtName);
        QCOMPARE(QGuiApplication::focusWindow(), editor.windowHandle());
        QVERIFY(!QApplication::activeModalWidget());
        auto *notice = editor.edtName->findChild<QLabel *>(QStringLiteral("lblNotice"));
        QVERIFY(notice && notice->isVisible());
        QVERIFY(notice->windowFlags().testFlag(Qt::ToolTip));
        QCOMPARE(notice->text(), QStringLiteral("These characters cannot be stored in a name: \u03A9 \u0141 \u017A"));
        QVERIFY(notice->geometry().top() >= editor.edtName->mapToGlobal(QPoint(0, editor.edtName->height())).y());
        // It goes with the field's window.
        editor.hide();
        QVERIFY(!notice->isVisible());
    }

    void newCalendarIdsAvoidTheCalendarsIds()
    {
        TfrmCalendarRec editor;
        TCalendar owner(QStringLiteral("DEVICE"), 0, false);
        // Taken exactly as given: far more than a Beacon's copy lets an operator add.
        QList<TCalendarRec> taken;
        for (int id = 0; id < 100000; ++id)
            if (id != 99999) {
                TCalendarRec rec;
                rec.id = id;
                taken << rec;
            }
        owner.SetRecords(taken);
        TCalendarRec fresh;
        editor.GetRecord(fresh, owner);
        QCOMPARE(fresh.id, 99999);
    }

    void datePickersUseTheShortDateFormat()
    {
        TfrmCalendarRec editor;
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QCOMPARE(editor.dtpHoliday->displayFormat(), ShortDateFormat(QLocale()));
        QCOMPARE(editor.dtpHolidayEnd->displayFormat(), ShortDateFormat(QLocale()));
        editor.dtpHoliday->setDate(QDate(2024, 12, 24));
        QCOMPARE(editor.dtpHoliday->text(), DateToText(QDate(2024, 12, 24), QLocale()));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestRecordEditors test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_recordeditors.moc"
