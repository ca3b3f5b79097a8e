#pragma once
#include "calendarimport/calendarimport.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The preview of a school calendar import: the records the file gives with
// the options chosen (range, day mode, the text events must contain), and
// what was skipped, merged or shortened, before anything is made. Every
// change of an option shows the import again. Reused, so the day mode and
// the text are kept from one import to the next.
class TfrmCalendarImport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCalendarImport(QWidget *parent = nullptr);

    // Shows file's import, the range its events give and the calendar's own
    // name (else the file's) first; true when the operator chose Import.
    bool Execute(const TSchoolCalendarFile &file, const QString &fileName);
    // After Execute: the name typed, as the library keeps it, and the import.
    QString CalendarName() const;
    const TImportResult &Result() const { return fResult; }

    QLineEdit *edtName;
    QDateEdit *dtpFrom;
    QDateEdit *dtpTo;
    QComboBox *cbDayMode;
    QLineEdit *edtOnly;
    QTreeWidget *lvRecords;
    QTreeWidget *lvNotes;
    QLabel *lblStatus; // the record count, the Beacon's limit, or why nothing can be imported
    QPushButton *btnImport;
    QPushButton *btnCancel;

private:
    // Imports again with the controls' options and shows the outcome.
    void Preview(bool ownRange);
    void btnImportClick();

    const TSchoolCalendarFile *fFile = nullptr;
    TImportResult fResult;
    bool fFilling = false;
};
