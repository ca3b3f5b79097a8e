#include "pages/childschedulelist.h"

#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/frmitemselect.h"
#include "pages/frmschedulerec.h"
#include "store/schedule.h"

#include <QPushButton>

TfrmChildScheduleList::TfrmChildScheduleList(QWidget *host)
    : TChildRecordList(host, {QStringLiteral("lvSchedule"),
                              {QStringLiteral("Days"), QStringLiteral("ON Time"), QStringLiteral("OFF Time"),
                               QStringLiteral("Duration")},
                              {140, 80, 80, 80},
                              QStringLiteral("Load Schedule"),
                              true}),
      lvSchedule(RecordList())
{
    setObjectName(QStringLiteral("frmChildScheduleList"));
}

void TfrmChildScheduleList::SetSchedule(TSchedule *schedule)
{
    fSchedule = schedule;
    ShowRecords();
}

void TfrmChildScheduleList::SetScheduleList(TScheduleList *library)
{
    fLibrary = library;
    btnLoad->setEnabled(library != nullptr);
}

TListContent TfrmChildScheduleList::RecordRows() const
{
    return fSchedule ? fSchedule->ShowList(QLocale()) : TListContent();
}

std::optional<TListContent> TfrmChildScheduleList::LibraryRows(int selected) const
{
    if (!fLibrary)
        return std::nullopt;
    return fLibrary->ShowList(selected);
}

void TfrmChildScheduleList::btnAddClick()
{
    if (!fSchedule)
        return;
    fSchedule->CheckRoom(); // before the operator types a record that cannot be kept
    TfrmScheduleRec &editor = TfrmScheduleRec::Instance();
    editor.InitControls();
    if (editor.exec() != QDialog::Accepted)
        return;
    TScheduleRec rec;
    editor.GetRecord(rec, *fSchedule);
    fSchedule->SaveRecord(rec, true);
    ShowList();
}

void TfrmChildScheduleList::btnEditClick()
{
    if (!fSchedule)
        return;
    const int idx = SelectedRecord();
    if (idx < 0)
        return;
    TfrmScheduleRec &editor = TfrmScheduleRec::Instance();
    TScheduleRec rec = fSchedule->Records(idx);
    editor.ShowRecord(rec);
    if (editor.exec() != QDialog::Accepted)
        return;
    editor.UpdateRecord(rec);
    fSchedule->SaveRecord(rec, false);
    ShowList();
}

void TfrmChildScheduleList::btnCopyClick()
{
    if (!fSchedule)
        return;
    const int idx = SelectedRecord();
    if (idx < 0)
        return;
    fSchedule->CheckRoom();
    TfrmScheduleRec &editor = TfrmScheduleRec::Instance();
    editor.ShowRecord(fSchedule->Records(idx));
    if (editor.exec() != QDialog::Accepted)
        return;
    TScheduleRec copy;
    editor.GetRecord(copy, *fSchedule);
    fSchedule->SaveRecord(copy, true);
    ShowList();
}

void TfrmChildScheduleList::btnDeleteClick()
{
    if (!fSchedule)
        return;
    const int idx = SelectedRecord();
    if (idx < 0 || !Messages().Confirm(QString::fromUtf8(Msg::DeleteRecordConfirm)))
        return;
    fSchedule->DeleteRecord(idx);
    ShowList();
}

void TfrmChildScheduleList::btnLoadClick()
{
    if (!fSchedule || !fLibrary)
        return;
    if (fLibrary->Count() == 0) {
        Messages().Error(QString::fromUtf8(Msg::NoLibrarySchedules));
        return;
    }
    QStringList names;
    for (int i = 0; i < fLibrary->Count(); ++i)
        names << fLibrary->Schedules(i)->Name();
    const std::optional<int> chosen = TfrmItemSelect::Instance().Select(
        QStringLiteral("  Schedule"), QStringLiteral("Please select a Schedule from list:"), names);
    if (!chosen)
        return;
    fSchedule->AssignSchedule(*fLibrary->Schedules(*chosen));
    ShowList();
}
