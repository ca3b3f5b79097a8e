#pragma once
#include "store/listtext.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <memory>
#include <vector>

class TIniFile;

// One exception record of a calendar: a run of dates on which the beacon
// follows a substitute weekday or a special day mode.
struct TCalendarRec {
    qint32 id = 0;         // calendar_rec row id in database mode; the creator's id in memory mode
    qint32 CalendarID = 0; // id of the owning calendar (calendar_rec.calendar_id); 0 in DeviceCalendar
    QString name;          // at most 255 bytes of Windows-1252 text (see CutCalendarName)
    qint32 DayNum = 0;     // first date, days after 1 January 2010
    qint32 Days = 0;       // number of consecutive dates, 1 for one date
    quint8 DayMode = 0;    // 0..6 Monday..Sunday, 7..9 special day mode 1..3
};

// Cuts a name to the 255 bytes a calendar record holds.
QString CutCalendarName(const QString &name);
// Refuses, with an Exception naming what, a name that holds a control
// character (C0, DEL or C1): a Beacon name cannot carry one, and a line of a
// settings file could not keep a line break.
void CheckNameCharacters(const QString &name, const QString &what);

// A named list of calendar records; database mode and memory mode as TSchedule.
class TCalendar {
public:
    TCalendar(const QString &aName, int aID, bool aDBMode);
    TCalendar(const TCalendar &) = delete;
    TCalendar &operator=(const TCalendar &) = delete;

    void LoadRecords();
    void SaveRecord(const TCalendarRec &rec, bool FlagNew);
    void DeleteRecord(int idx);
    void Clear();
    void AssignCalendar(const TCalendar &source);
    // Refuses, naming the limit, a record more than a Beacon holds in the
    // Beacon's copy (memory mode); library entries may hold more.
    void CheckRoom() const;

    // Rows of the record list: name, date from, date to, duration, substitute.
    TListContent ShowList(const QLocale &locale) const;

    // Refuses a record name with a control character (CheckNameCharacters).
    // checkNames: refuse a record name with a control character, as a file
    // for a Beacon must; without, the names are written as they are.
    void SaveToIniFile(TIniFile &ini, bool checkNames = true) const;
    // The records of a settings file's calendar sections, every value
    // checked: at most the controller's 16 records, each section present, a
    // first day of 1 to 65534 (0 and 65535 would end the controller's table),
    // 1 to 255 days, a day mode of 0 to 255, a name without control
    // characters (cut to 255 bytes). Anything else is refused with an
    // Exception naming the key.
    static QList<TCalendarRec> ReadIniFile(const TIniFile &ini);
    // Replaces the records with ReadIniFile's; a refused file changes nothing.
    void LoadFromIniFile(const TIniFile &ini);
    // Memory mode: the records exactly as given, ids and owners included.
    void SetRecords(const QList<TCalendarRec> &records) { fRecords = records; }

    bool DBMode() const { return fDBMode; }
    int ID() const { return fID; }
    int Count() const { return int(fRecords.size()); }
    const QString &Name() const { return fName; }
    void SetName(const QString &aName);
    TCalendarRec Records(int idx) const { return fRecords.value(idx); }

private:
    bool fDBMode;
    int fID = 0;
    QString fName;
    QList<TCalendarRec> fRecords;
};

// The library of calendars in the database; owns its calendar objects.
class TCalendarList {
public:
    TCalendarList(); // LoadCalendars
    ~TCalendarList();
    TCalendarList(const TCalendarList &) = delete;
    TCalendarList &operator=(const TCalendarList &) = delete;

    void LoadCalendars();
    void AddCalendar(const QString &aName);
    void RenameCalendar(int idx, const QString &aName);
    // Deletes the calendar row and its record rows together, then LoadCalendars.
    void DeleteCalendar(int idx);

    TListContent ShowList(int selected) const;

    int Count() const { return int(fCalendars.size()); }
    TCalendar *Calendars(int idx) const { return fCalendars.at(size_t(idx)).get(); }

private:
    std::vector<std::unique_ptr<TCalendar>> fCalendars;
};
