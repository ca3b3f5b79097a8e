#pragma once
#include "pages/childrecordlist.h"

class TSchedule;
class TScheduleList;

// The records of one schedule: the beacon's copy, or the library schedule
// selected on the Schedules page. Changes go through the schedule's own
// operations, which write to the database for a library schedule.
class TfrmChildScheduleList : public TChildRecordList {
    Q_OBJECT
public:
    explicit TfrmChildScheduleList(QWidget *host);

    // The bound schedule, referenced and not owned; may change at any time.
    // Binding redraws the page's list.
    TSchedule *Schedule() const { return fSchedule; }
    void SetSchedule(TSchedule *schedule);
    // The schedule library, which exists only while a library database is
    // open: "Load Schedule" offers its entries, and the linked library list
    // shows it. None disables "Load Schedule".
    void SetScheduleList(TScheduleList *library);

    void btnAddClick() override;
    void btnEditClick() override;
    void btnCopyClick() override;
    void btnDeleteClick() override;
    void btnLoadClick() override;

    QTreeWidget *const lvSchedule;

protected:
    TListContent RecordRows() const override;
    std::optional<TListContent> LibraryRows(int selected) const override;

private:
    TSchedule *fSchedule = nullptr;
    TScheduleList *fLibrary = nullptr;
};
