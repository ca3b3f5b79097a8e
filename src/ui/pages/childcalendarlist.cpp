#include "pages/childcalendarlist.h"

#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/frmcalendarrec.h"
#include "pages/frmitemselect.h"
#include "store/calendar.h"

#include <QPushButton>

TfrmChildCalendarList::TfrmChildCalendarList(QWidget *host)
    : TChildRecordList(host, {QStringLiteral("lvCalendar"),
                              {QStringLiteral("Name"), QStringLiteral("Date From"), QStringLiteral("Date To"),
                               QStringLiteral("Duration"), QStringLiteral("Substitute")},
                              {95, 70, 70, 65, 90},
                              QStringLiteral("Load Calendar"),
                              false}),
      lvCalendar(RecordList())
{
    setObjectName(QStringLiteral("frmChildCalendarList"));
}

void TfrmChildCalendarList::SetCalendar(TCalendar *calendar)
{
    fCalendar = calendar;
    ShowRecords();
}

void TfrmChildCalendarList::SetCalendarList(TCalendarList *library)
{
    fLibrary = library;
    btnLoad->setEnabled(library != nullptr);
}

TListContent TfrmChildCalendarList::RecordRows() const
{
    return fCalendar ? fCalendar->ShowList(QLocale()) : TListContent();
}

std::optional<TListContent> TfrmChildCalendarList::LibraryRows(int selected) const
{
    if (!fLibrary)
        return std::nullopt;
    return fLibrary->ShowList(selected);
}

void TfrmChildCalendarList::btnAddClick()
{
    if (!fCalendar)
        return;
    fCalendar->CheckRoom(); // before the operator types a record that cannot be kept
    TfrmCalendarRec &editor = TfrmCalendarRec::Instance();
    editor.InitControls();
    if (editor.exec() != QDialog::Accepted)
        return;
    TCalendarRec rec;
    editor.GetRecord(rec, *fCalendar);
    fCalendar->SaveRecord(rec, true);
    ShowList();
}

void TfrmChildCalendarList::btnEditClick()
{
    if (!fCalendar)
        return;
    const int idx = SelectedRecord();
    if (idx < 0)
        return;
    TfrmCalendarRec &editor = TfrmCalendarRec::Instance();
    TCalendarRec rec = fCalendar->Records(idx);
    editor.ShowRecord(rec);
    if (editor.exec() != QDialog::Accepted)
        return;
    editor.UpdateRecord(rec);
    fCalendar->SaveRecord(rec, false);
    ShowList();
}

void TfrmChildCalendarList::btnDeleteClick()
{
    if (!fCalendar)
        return;
    const int idx = SelectedRecord();
    if (idx < 0 || !Messages().Confirm(QString::fromUtf8(Msg::DeleteRecordConfirm)))
        return;
    fCalendar->DeleteRecord(idx);
    ShowList();
}

void TfrmChildCalendarList::btnLoadClick()
{
    if (!fCalendar || !fLibrary)
        return;
    if (fLibrary->Count() == 0) {
        Messages().Error(QString::fromUtf8(Msg::NoLibraryCalendars));
        return;
    }
    QStringList names;
    for (int i = 0; i < fLibrary->Count(); ++i)
        names << fLibrary->Calendars(i)->Name();
    const std::optional<int> chosen = TfrmItemSelect::Instance().Select(
        QStringLiteral("  Calendar"), QStringLiteral("Please select a Calendar from list:"), names);
    if (!chosen)
        return;
    fCalendar->AssignCalendar(*fLibrary->Calendars(*chosen));
    ShowList();
}
