// The main window's library pages: Schedules and Holidays & Exceptions. Each
// lists its library's entries, adds, renames and deletes them, and shows the
// records of the selected entry in its records panel. The two pages behave
// alike; only their library, controls and texts differ.
#include "app/frmmain.h"

#include "calendarimport/calendarimport.h"

#include "config/cp1252.h"
#include "config/errorhandler.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "config/messageservice.h"
#include "pages/childcalendarlist.h"
#include "pages/frmcalendarimport.h"
#include "pages/childschedulelist.h"
#include "store/calendar.h"
#include "store/schedule.h"
#include "widgets/elidedgroupbox.h"
#include "widgets/listfill.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

namespace {
// The library operations under one name for both kinds of entry.
TSchedule *Entry(const TScheduleList &library, int idx) { return library.Schedules(idx); }
TCalendar *Entry(const TCalendarList &library, int idx) { return library.Calendars(idx); }
void AddEntry(TScheduleList &library, const QString &name) { library.AddSchedule(name); }
void AddEntry(TCalendarList &library, const QString &name) { library.AddCalendar(name); }
void RenameEntry(TScheduleList &library, int idx, const QString &name) { library.RenameSchedule(idx, name); }
void RenameEntry(TCalendarList &library, int idx, const QString &name) { library.RenameCalendar(idx, name); }
void DeleteEntry(TScheduleList &library, int idx) { library.DeleteSchedule(idx); }
void DeleteEntry(TCalendarList &library, int idx) { library.DeleteCalendar(idx); }
void Bind(TfrmChildScheduleList *records, TSchedule *schedule) { records->SetSchedule(schedule); }
void Bind(TfrmChildCalendarList *records, TCalendar *calendar) { records->SetCalendar(calendar); }

// One library page as its handlers see it.
template <class Library, class Records> struct TLibraryPage {
    Library *library; // none in the reduced mode, where the page cannot be reached
    QTreeWidget *list;
    QAbstractButton *btnAdd;
    QAbstractButton *btnRename;
    QAbstractButton *btnDelete;
    TElidedGroupBox *group;
    Records *records;
    QString kind; // "Schedule" or "Calendar": the prompt's title and the no-selection error

    void ButtonProc(QObject *sender) const
    {
        if (!library)
            return;
        try {
            if (!Change(sender))
                return;
        } catch (...) {
            // A failed statement (a locked database) leaves the list as it
            // was: show it again with the records panel bound and usable.
            Refresh();
            throw;
        }
        Refresh();
    }

    // Adds, renames or deletes; false when it stopped before the list
    // could change.
    bool Change(QObject *sender) const
    {
        if (sender == btnAdd) {
            const std::optional<QString> name = PromptName(QString());
            // Cancel adds nothing: an entry without a name is never what it meant.
            if (!name)
                return false;
            AddEntry(*library, *name);
        } else if (sender == btnRename || sender == btnDelete) {
            const int row = SelectedRow(list);
            if (row < 0) {
                Messages().Error(kind);
                return false;
            }
            const QString current = Entry(*library, row)->Name();
            if (sender == btnRename) {
                // Cancel keeps the current name.
                RenameEntry(*library, row, PromptName(current).value_or(current));
            } else if (Messages().Confirm(Fmt(Msg::LibraryDeleteConfirm, current))) {
                // The deletion rebuilds every library object; the records
                // panel is bound again to the new ones afterwards.
                Bind(records, nullptr);
                DeleteEntry(*library, row);
            }
        } else {
            return false;
        }
        return true;
    }

    // The name prompt until it gives a name the library can store as shown,
    // or is cancelled; a refused name comes back without what it cannot hold.
    std::optional<QString> PromptName(const QString &initial) const
    {
        std::optional<QString> name = initial;
        for (;;) {
            name = Messages().PromptText(kind, QString::fromUtf8(Msg::LibraryNamePrompt), *name);
            if (!name)
                return name;
            const QString refusal = Cp1252::NameRefusal(*name);
            if (refusal.isEmpty())
                return Cp1252::NameText(*name);
            Messages().Error(refusal);
            name = Cp1252::NameText(*name);
        }
    }

    // After an add, rename or delete: the list again, keeping the selected
    // row while it exists, and the records panel following the selection.
    void Refresh() const
    {
        FillListView(list, library->ShowList(SelectedRow(list)));
        const int row = SelectedRow(list);
        SelectItem(row, row >= 0);
    }

    void SelectItem(int row, bool selected) const
    {
        const bool shown = library && selected && row >= 0 && row < library->Count();
        records->setVisible(shown);
        if (!shown) {
            group->SetCaption(QStringLiteral("  %1 not selected  ").arg(kind));
            Bind(records, nullptr);
            return;
        }
        group->SetCaption(Fmt(QStringLiteral("  Selected %1: %s  ").arg(kind), Entry(*library, row)->Name()));
        Bind(records, Entry(*library, row));
    }

    void DblClick() const
    {
        if (SelectedRow(list) < 0)
            records->hide();
        else
            ButtonProc(btnRename);
    }
};

TLibraryPage<TScheduleList, TfrmChildScheduleList> SchedulePage(const TfrmMain &w)
{
    return {w.ScheduleLibrary(),   w.lvSchedules,       w.btnAddSchedule,         w.btnRenameSchedule,
            w.btnDeleteSchedule,   w.gbScheduleRecords, w.LibraryScheduleRecords, QString::fromUtf8(Msg::LibrarySchedule)};
}

TLibraryPage<TCalendarList, TfrmChildCalendarList> CalendarPage(const TfrmMain &w)
{
    return {w.CalendarLibrary(),   w.lvCalendars,       w.btnAddCalendar,         w.btnRenameCalendar,
            w.btnDeleteCalendar,   w.gbCalendarRecords, w.LibraryCalendarRecords, QString::fromUtf8(Msg::LibraryCalendar)};
}

// A double-click anywhere in a list, on a row or not.
class TDoubleClickWatch : public QObject {
public:
    TDoubleClickWatch(QWidget *watched, std::function<void()> onDoubleClick)
        : QObject(watched), fOnDoubleClick(std::move(onDoubleClick))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            RunAction(fOnDoubleClick);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> fOnDoubleClick;
};

// The rows a selection change names, column 0 only.
QList<int> Rows(const QItemSelection &selection)
{
    QList<int> rows;
    for (const QModelIndex &index : selection.indexes())
        if (index.isValid() && index.column() == 0)
            rows << index.row();
    return rows;
}
}

void TfrmMain::btnScheduleProc(QObject *sender)
{
    SchedulePage(*this).ButtonProc(sender);
}

void TfrmMain::lvSchedulesSelectItem(int row, bool selected)
{
    SchedulePage(*this).SelectItem(row, selected);
}

void TfrmMain::lvSchedulesDblClick()
{
    SchedulePage(*this).DblClick();
}

void TfrmMain::btnCalendarProc(QObject *sender)
{
    CalendarPage(*this).ButtonProc(sender);
}

void TfrmMain::lvCalendarsSelectItem(int row, bool selected)
{
    CalendarPage(*this).SelectItem(row, selected);
}

void TfrmMain::lvCalendarsDblClick()
{
    CalendarPage(*this).DblClick();
}

void TfrmMain::btnImportCalendarClick()
{
    const auto page = CalendarPage(*this);
    if (!page.library)
        return;
    const QString fileName = Messages().OpenFileName(QString::fromUtf8(Msg::ImportTitle),
                                                     QString::fromUtf8(Msg::ImportFilter), QStringLiteral("ics"));
    if (fileName.isEmpty())
        return;
    std::unique_ptr<TSchoolCalendarFile> file;
    try {
        QFile input(fileName);
        if (!input.open(QIODevice::ReadOnly))
            throw Exception(Fmt(Msg::ImportCannotRead, fileName, input.errorString()));
        file = std::make_unique<TSchoolCalendarFile>(input.readAll(), QFileInfo(fileName).fileName());
    } catch (const Exception &e) {
        Messages().Error(e.Message());
        return;
    }
    // One preview, reused: it keeps the day mode and the text chosen last.
    auto *preview = findChild<TfrmCalendarImport *>();
    if (!preview)
        preview = new TfrmCalendarImport(this);
    if (!preview->Execute(*file, fileName))
        return;
    const TImportResult &result = preview->Result();
    // A failed statement loads the library again: nothing stays bound to it.
    Bind(page.records, nullptr);
    int row = -1;
    try {
        row = AddImportedCalendar(*page.library, preview->CalendarName(), result.records);
    } catch (...) {
        page.Refresh();
        throw;
    }
    FillListView(page.list, page.library->ShowList(row));
    page.SelectItem(row, true);
    if (result.OverLimit())
        Messages().Warning(Fmt(Msg::ImportOverLimit, result.records.size(), TImportResult::MaxBeaconRecords));
}

void TfrmMain::ConnectLibraryHandlers()
{
    using TProc = void (TfrmMain::*)(QObject *);
    using TSelect = void (TfrmMain::*)(int, bool);
    auto connectPage = [this](QTreeWidget *list, std::initializer_list<QAbstractButton *> buttons, TProc proc,
                              TSelect select, void (TfrmMain::*dblClick)()) {
        for (QAbstractButton *button : buttons)
            connect(button, &QAbstractButton::clicked, this,
                    [this, button, proc] { RunAction([&] { (this->*proc)(button); }); });
        // The row left is reported before the row chosen, so the records
        // panel ends on the new row.
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, select](const QItemSelection &chosen, const QItemSelection &left) {
                    RunAction([&] {
                        for (int row : Rows(left))
                            (this->*select)(row, false);
                        for (int row : Rows(chosen))
                            (this->*select)(row, true);
                    });
                });
        new TDoubleClickWatch(list->viewport(), [this, dblClick] { (this->*dblClick)(); });
    };
    connectPage(lvSchedules, {btnAddSchedule, btnRenameSchedule, btnDeleteSchedule}, &TfrmMain::btnScheduleProc,
                &TfrmMain::lvSchedulesSelectItem, &TfrmMain::lvSchedulesDblClick);
    connectPage(lvCalendars, {btnAddCalendar, btnRenameCalendar, btnDeleteCalendar}, &TfrmMain::btnCalendarProc,
                &TfrmMain::lvCalendarsSelectItem, &TfrmMain::lvCalendarsDblClick);
    connect(btnImportCalendar, &QAbstractButton::clicked, this, [this] { RunAction([this] { btnImportCalendarClick(); }); });
}
