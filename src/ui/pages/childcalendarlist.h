#pragma once
#include "pages/childrecordlist.h"

class TCalendar;
class TCalendarList;

// The exception records of one calendar: the beacon's copy, or the library
// calendar selected on the Holidays & Exceptions page. Changes go through the calendar's own
// operations, which write to the database for a library calendar.
class TfrmChildCalendarList : public TChildRecordList {
    Q_OBJECT
public:
    explicit TfrmChildCalendarList(QWidget *host);

    // The bound calendar, referenced and not owned; may change at any time.
    // Binding redraws the page's list.
    TCalendar *Calendar() const { return fCalendar; }
    void SetCalendar(TCalendar *calendar);
    // The calendar library, which exists only while a library database is
    // open: "Load Calendar" offers its entries, and the linked library list
    // shows it. None disables "Load Calendar".
    void SetCalendarList(TCalendarList *library);

    void btnAddClick() override;
    void btnEditClick() override;
    void btnDeleteClick() override;
    void btnLoadClick() override;

    QTreeWidget *const lvCalendar;

protected:
    TListContent RecordRows() const override;
    std::optional<TListContent> LibraryRows(int selected) const override;

private:
    TCalendar *fCalendar = nullptr;
    TCalendarList *fLibrary = nullptr;
};
