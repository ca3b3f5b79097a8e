#pragma once
#include "report/reporttemplate.h"

// The program's two reports as templates. Their layout is fixed here; what
// they show comes from the owner's callbacks at every build:
//  - OnGetValue answers the title band's variables: flash_pattern,
//    flash_speed, rf_mode, rf_channel, bright_min, bright_max, dst_to, dst_from;
//  - OnBeforePrint fills the cross-tabs, found by the names below, one data row
//    at a time with the columns in the order listed, and shows or hides them.
namespace ReportNames {
inline const QString CrossSchedule = QStringLiteral("CrossSchedule");
inline const QString CrossCalendar = QStringLiteral("CrossCalendar");
inline const QString CrossLog = QStringLiteral("crossLog");

inline const QStringList ScheduleColumns = {QStringLiteral("Days"), QStringLiteral("Time ON"),
                                            QStringLiteral("Time OFF"), QStringLiteral("Duration")};
inline const QStringList CalendarColumns = {QStringLiteral("Name"), QStringLiteral("Date From"),
                                            QStringLiteral("Date To"), QStringLiteral("Duration"),
                                            QStringLiteral("Substitute")};
inline const QStringList LogColumns = {QStringLiteral("Date/Time"), QStringLiteral("Events"),
                                       QStringLiteral("Power Supply"), QStringLiteral("Brightness")};
}

// "Beacons' Schedule and Calendar": the settings, the weekly schedule and the
// calendar of holidays and exceptions.
TReportTemplate CreateConfigurationReport();

// "Event Log": the settings and the event list.
TReportTemplate CreateEventLogReport();

// The product logo at the right end of the title band.
QImage ReportLogo();
