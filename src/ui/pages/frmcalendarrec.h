#pragma once
#include "config/processinstance.h"
#include "store/calendar.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class TNameFilter;

// The calendar record editor: converts between its controls and a calendar
// record, and closes with OK only while the dates make a record the beacon
// can keep. It
// stores nothing; the record list that opened it saves the record. Created
// once at start-up and reused by every record list.
class TfrmCalendarRec : public QDialog, public TProcessInstance<TfrmCalendarRec> {
    Q_OBJECT
public:
    // The beacon keeps a record's length in one byte and its days up to
    // day 65534; day 65535 reads as the end of its list.
    static constexpr int MaxDays = 255;
    static constexpr int LastDayNum = 65534;
    // What may be typed; a longer stored name is shown and kept as it is.
    static constexpr int MaxNameLength = 15;

    explicit TfrmCalendarRec(QWidget *parent = nullptr);

    static constexpr const char *kMissingInstance = "The calendar record editor does not exist.";

    // A new record: no name, today, no range, "Sunday".
    void InitControls();
    void ShowRecord(const TCalendarRec &rec);
    // Writes the controls into rec; its id and other fields stay as they are.
    void UpdateRecord(TCalendarRec &rec) const;
    // As UpdateRecord, for a new record: a zero id becomes a random one that no
    // record of owner has.
    void GetRecord(TCalendarRec &rec, const TCalendar &owner) const;

    void btnSaveClick();
    void BtnCloseClick();
    void cbUseRangeClick();

    QLineEdit *edtName;
    QDateEdit *dtpHoliday;
    QCheckBox *cbUseRange;
    QDateEdit *dtpHolidayEnd;
    QComboBox *cbScheduleDays;
    QPushButton *btnSave;
    QPushButton *BtnClose;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    TNameFilter *fNameFilter;
};
