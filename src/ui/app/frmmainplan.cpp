// "Preview the Year": the flashing plan of the Manage Beacons page, or of a
// library schedule with a library calendar, in the year view.
#include "app/frmmain.h"

#include "config/errorhandler.h"
#include "monitor/frmyearview.h"
#include "pages/childadvanced.h"
#include "pages/frmitemselect.h"
#include "store/calendar.h"
#include "store/device.h"
#include "store/schedule.h"

#include <QPushButton>
#include <QTreeWidget>

namespace {
QList<TScheduleRec> Records(const TSchedule &schedule)
{
    QList<TScheduleRec> out;
    for (int i = 0; i < schedule.Count(); ++i)
        out << schedule.Records(i);
    return out;
}

QList<TCalendarRec> Records(const TCalendar &calendar)
{
    QList<TCalendarRec> out;
    for (int i = 0; i < calendar.Count(); ++i)
        out << calendar.Records(i);
    return out;
}

int Selected(const QTreeWidget *list)
{
    return list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
}

const QString NoneEntry = QStringLiteral("(none)");
}

void TfrmMain::ConnectPlanHandlers()
{
    connect(btnPreviewYear, &QPushButton::clicked, this, [this] { RunAction([this] { btnPreviewYearClick(); }); });
    connect(btnPreviewSchedule, &QPushButton::clicked, this, [this] { RunAction([this] { PreviewLibraryYear(true); }); });
    connect(btnPreviewCalendar, &QPushButton::clicked, this, [this] { RunAction([this] { PreviewLibraryYear(false); }); });
}

TBeaconConfiguration TfrmMain::PageConfiguration() const
{
    return {AdvancedSettingsPage->Settings(), Records(DeviceSchedule()), Records(DeviceCalendar())};
}

TfrmYearView &TfrmMain::YearView()
{
    if (!fYearView)
        fYearView = new TfrmYearView(this);
    return *fYearView;
}

void TfrmMain::btnPreviewYearClick()
{
    const QDate today = QDate::currentDate();
    YearView().ShowPlan(PageConfiguration(), QStringLiteral("Manage Beacons"), today.year(), today);
    YearView().show();
    YearView().raise();
}

void TfrmMain::PreviewLibraryYear(bool schedules)
{
    if (!DatabaseFunctions())
        return;
    const int selected = Selected(schedules ? lvSchedules : lvCalendars);
    const int count = schedules ? ScheduleLibrary()->Count() : CalendarLibrary()->Count();
    if (selected < 0 || selected >= count)
        return;
    // The other half from the other library, or none.
    QStringList names{NoneEntry};
    const int others = schedules ? CalendarLibrary()->Count() : ScheduleLibrary()->Count();
    for (int i = 0; i < others; ++i)
        names << (schedules ? CalendarLibrary()->Calendars(i)->Name() : ScheduleLibrary()->Schedules(i)->Name());
    const std::optional<int> chosen = TfrmItemSelect::Instance().Select(
        schedules ? QStringLiteral("  Calendar") : QStringLiteral("  Schedule"),
        schedules ? QStringLiteral("Please select a Calendar from list:")
                  : QStringLiteral("Please select a Schedule from list:"),
        names);
    if (!chosen)
        return;
    const TSchedule *schedule = schedules ? ScheduleLibrary()->Schedules(selected)
                                : *chosen > 0 ? ScheduleLibrary()->Schedules(*chosen - 1) : nullptr;
    const TCalendar *calendar = !schedules ? CalendarLibrary()->Calendars(selected)
                                : *chosen > 0 ? CalendarLibrary()->Calendars(*chosen - 1) : nullptr;
    TBeaconConfiguration config{AdvancedSettingsPage->Settings(), {}, {}};
    if (schedule)
        config.Schedule = Records(*schedule);
    if (calendar)
        config.Calendar = Records(*calendar);
    const QString title = QStringLiteral("%1 with %2")
                              .arg(schedule ? schedule->Name() : QStringLiteral("no schedule"),
                                   calendar ? calendar->Name() : QStringLiteral("no calendar"));
    const QDate today = QDate::currentDate();
    YearView().ShowPlan(config, title, today.year(), today);
    YearView().show();
    YearView().raise();
}
