#pragma once
#include <QString>
#include <QStringList>

// The message table: every text the program shows an operator, in one place.
// Texts use "%s" and "%d" placeholders, filled in order by Fmt().
namespace Msg {
// Library database
inline constexpr const char *DbOpenFailed = "Failed to open database \"%s\"";
inline constexpr const char *DbCompileError = "Error: %s%s%s";
inline constexpr const char *DbReadOnlyOrMissing = "Database file is read-only or file is missing \"%s\"";
inline constexpr const char *DbUnknownError = "Unknown database error! Error Code: \"%d\"";
inline constexpr const char *DbFunctionsDisabled =
    "The software could not open database \"%s\". All database functions will be disabled.";
inline constexpr const char *DbFileChanged = "Database file was changed. Please restart the application now.";

// Files
inline constexpr const char *UnableToWrite = "Unable to write to %s";

// Update check (main window, Home page)
inline constexpr const char *UpdateAvailable =
    "New version of Pavoline\u00AE Beacon Control Software is available. Do you want to proceed to the Orvella Works "
    "software update page? ";
inline constexpr const char *UpdateNotRetrieved =
    "Pavoline\u00AE Beacon Control Software could not retrieve version information from Orvella Works web site. "
    "Please check your Internet connection and try again.";
inline constexpr const char *UpdateUpToDate = "Your Pavoline\u00AE Beacon Control Software version is up to date.";

// Schedules, calendars and settings files (store)
inline constexpr const char *UnableToRead = "Unable to read %s";
inline constexpr const char *RecordCount = "%d record(s)";
inline constexpr const char *DurationHoursMinutes = "%d hr %d min";
inline constexpr const char *DurationDays = "%d day(s)";
// Indexed by weekday bit of a schedule record's day byte (bit 0 Monday).
inline constexpr const char *DayAbbreviations[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
// Indexed by a calendar record's day mode; 7 to 9 are also the day texts of
// schedule records for the special day modes.
inline constexpr const char *DayModeNames[10] = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday",
    "Special Day Mode #1", "Special Day Mode #2", "Special Day Mode #3"};

// Reports
inline constexpr const char *ReportPrintFailed = "Unable to print the report";

// Beacon link and command set
inline constexpr const char *LinkPortNotOpen = "The port %s is not open.";
inline constexpr const char *LinkPayloadUnframeable = "A message for command %s with %d payload characters cannot be framed.";
inline constexpr const char *ValueDoesNotFit = "%s: the value %d cannot be sent to the Beacon (allowed %d to %d).";
inline constexpr const char *NameDoesNotFit = "%s: the name \"%s\" cannot be sent to the Beacon (at most %d characters).";
inline constexpr const char *TooManyRecords = "%s: %d records cannot be sent to the Beacon (at most %d).";
inline constexpr const char *ItemClockYear = "Clock year";
inline constexpr const char *ItemDstStartDay = "DST start day";
inline constexpr const char *ItemDstEndDay = "DST end day";
inline constexpr const char *ItemDstShiftTime = "DST shift time";
inline constexpr const char *ItemDstOffset = "DST offset";
inline constexpr const char *ItemSchedule = "Schedule";
inline constexpr const char *ItemScheduleOnTime = "On time of schedule record %d";
inline constexpr const char *ItemScheduleOffTime = "Off time of schedule record %d";
inline constexpr const char *ItemCalendar = "Holidays & Exceptions";
inline constexpr const char *ItemCalendarDate = "Date of calendar record %d";
inline constexpr const char *ItemCalendarDays = "Length of calendar record %d";
inline constexpr const char *ItemCalendarName = "Name of calendar record %d";

// Controller discovery
inline constexpr const char *ScanCreatingThreads = "Creating Scanning Threads...";
inline constexpr const char *ScanSearching = "Searching Connected Controllers...";
inline constexpr const char *ScanStoppingThreads = "Stopping Scanning Threads...";
inline constexpr const char *ScanDone = "Done.";

// Record lists and record editors
inline constexpr const char *SelectRecord = "Please select a Record from the List.";
inline constexpr const char *DeleteRecordConfirm = "Do you want to delete Selected Record?";
inline constexpr const char *NoLibrarySchedules = "You do not have any previously created Schedules.";
inline constexpr const char *NoLibraryCalendars = "You do not have any previously created Calendars.";
inline constexpr const char *CheckTimeRange = "Please check the selected Time Range.";
inline constexpr const char *SelectOneDay = "Please select at least one day.";
inline constexpr const char *CheckDateRange = "Please check the selected Range of Dates.";
}

namespace MsgDetail {
inline QString arg(const QString &s) { return s; }
inline QString arg(const char *s) { return QString::fromUtf8(s); }
inline QString arg(const QByteArray &s) { return QString::fromUtf8(s); }
template <typename T> QString arg(T n) { return QString::number(n); }
QString format(const QString &pattern, const QStringList &args);
}

// Fills "%s" and "%d" placeholders in order; "%%" is a literal percent sign.
template <typename... Args>
QString Fmt(const QString &pattern, const Args &...args)
{
    return MsgDetail::format(pattern, QStringList{MsgDetail::arg(args)...});
}
