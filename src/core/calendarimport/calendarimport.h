#pragma once
// A school district's calendar, as an iCalendar file (RFC 5545), made into
// the records of a library calendar. libical reads the file (folded lines,
// escaped text, time zones, recurrences); the rules for what becomes a record
// are the program's own:
// - an all-day event (DATE values, or a DATE-TIME run from midnight to
//   midnight) becomes one record covering its dates, DTEND exclusive or
//   DURATION; a timed event is not a day off and is skipped;
// - RRULE and RDATE instances within the range are expanded, EXDATE and
//   instances a RECURRENCE-ID event replaces are left out; STATUS:CANCELLED
//   events and instances are skipped;
// - events that overlap make one record, named by the one that starts first;
// - dates outside the range are cut off, a run longer than a record holds is
//   split, and a name keeps what the code page holds, 15 characters at most.
// Everything skipped, merged or shortened is told in a note.
#include "store/calendar.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <memory>

struct TImportOptions {
    // The range of dates to import. Without from, it starts on the first date
    // of the earliest all-day event that does not repeat (of the earliest
    // repeating one when every one repeats); a missing end lies a year less a
    // day after the other.
    QDate from;
    QDate to;
    quint8 dayMode = 6; // "Sunday", the record editor's default
    // Only events whose summary or categories contain this text, case
    // ignored; empty for all.
    QString only;
};

struct TImportNote {
    QDate date; // the first date it concerns
    QString text;
};

struct TImportResult {
    QDate from; // the range used
    QDate to;
    QList<TCalendarRec> records; // by first date; DayMode as asked, ids 0
    QList<TImportNote> skipped;  // timed, cancelled, outside the range, not matching
    QList<TImportNote> merged;   // overlapping events merged into the first
    QList<TImportNote> shortened; // names cut or stripped, dates cut, long runs split
    // More records than a Beacon holds: the library keeps them all.
    bool OverLimit() const { return records.size() > MaxBeaconRecords; }
    static constexpr int MaxBeaconRecords = 16;
};

// One iCalendar file, read once and imported with any options (the window's
// preview imports again on every change).
class TSchoolCalendarFile {
public:
    // Refuses, with an Exception naming file, text that is not iCalendar.
    TSchoolCalendarFile(const QByteArray &text, const QString &file);
    ~TSchoolCalendarFile();
    TSchoolCalendarFile(const TSchoolCalendarFile &) = delete;
    TSchoolCalendarFile &operator=(const TSchoolCalendarFile &) = delete;

    // The calendar's own name (X-WR-CALNAME); empty when it has none.
    QString Name() const;
    // Refuses, with an Exception, a range that ends before it starts.
    TImportResult Import(const TImportOptions &options) const;

private:
    struct TData;
    std::unique_ptr<TData> d;
};

// The day mode a text names ("Sunday", "special day mode #1"), case ignored;
// -1 when it names none.
int DayModeFromText(const QString &text);

// Makes the library calendar name holding records: all of it, or nothing when
// a statement fails (the library is then loaded again, so the caller unbinds
// anything bound to its calendars first). Returns the new calendar's index.
int AddImportedCalendar(TCalendarList &library, const QString &name, const QList<TCalendarRec> &records);
