#pragma once
#include "report/reporttemplate.h"
#include "store/listtext.h"
#include "transfer/advancedsettings.h"

#include <QList>
#include <QLocale>
#include <QVariant>
#include <functional>

// What the two reports show, and the answers their callbacks give. Every
// build reads the sources afresh, so a report shows the state of the moment
// it is built. The beacon's schedule and calendar are DeviceSchedule() and
// DeviceCalendar(), which the Manage Beacons page shows.
struct TReportSources {
    // The advanced settings as the Manage Beacons page shows them.
    std::function<TAdvancedSettings()> Settings;
    // The Event Log page's rows in list order: the date as caption; event
    // name, first voltage, second voltage and brightness as sub-items.
    std::function<QList<TListItem>()> Events;
    QLocale Locale = QLocale::system();
};

// The value of a title band variable; empty text for a name it does not know.
QVariant ReportValue(const QString &varName, const TAdvancedSettings &settings, const QLocale &locale);

// Fills and shows or hides a cross-tab of either report just before it is
// printed: the schedule's records, the calendar's records (hidden when there
// are none) or the event rows (without the second voltage). Any other object
// is left as it is.
void FillReportObject(TReportObject &sender, const TReportSources &sources);

// Answers both callbacks of a template from the sources, for reports made
// without the report window.
void ConnectReport(TReportTemplate &report, const TReportSources &sources);
