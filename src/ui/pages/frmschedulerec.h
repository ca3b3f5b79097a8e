#pragma once
#include "config/processinstance.h"
#include "store/schedule.h"

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;
class QTimeEdit;

// The schedule record editor: converts between its controls and a schedule
// record, and closes with OK only while the controls hold a valid record. It
// stores nothing; the record list that opened it saves the record. Created
// once at start-up and reused by every record list.
class TfrmScheduleRec : public QDialog, public TProcessInstance<TfrmScheduleRec> {
    Q_OBJECT
public:
    // The items of cbDayMode.
    enum DayMode { EveryDay, Weekdays, Weekend, SelectedDays, SpecialDayMode1, SpecialDayMode2, SpecialDayMode3 };

    explicit TfrmScheduleRec(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The schedule record editor does not exist.";

    // A new record: "Weekdays", both times 00:00.
    void InitControls();
    void ShowRecord(const TScheduleRec &rec);
    // Writes the controls into rec; its id and other fields stay as they are.
    void UpdateRecord(TScheduleRec &rec) const;
    // As UpdateRecord, for a new record: a zero id becomes a random one that no
    // record of owner has.
    void GetRecord(TScheduleRec &rec, const TSchedule &owner) const;

    void btnSaveClick();
    void BtnCloseClick();
    void cbDayModeChange();
    // "Select All" checks every day, "Unselect All" clears every day.
    void btnCheckDaysClick(QObject *sender);

    QComboBox *cbDayMode;
    QTimeEdit *cbScheduleTimeOn;
    QTimeEdit *cbScheduleTimeOff;
    QListWidget *cbScheduleDays;
    QPushButton *btnCheckDays;
    QPushButton *btnUncheckDays;
    QPushButton *btnSave;
    QPushButton *BtnClose;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void SetAllDays(bool checked);
    void EnableDayList(bool enabled);
};
