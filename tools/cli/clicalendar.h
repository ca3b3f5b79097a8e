#pragma once
class QCommandLineParser;

// "calendar import": makes a library calendar from a school calendar file
// (iCalendar), printing the records made and what was skipped, merged or
// shortened.
void CalendarImportCommand(const QCommandLineParser &parser);
