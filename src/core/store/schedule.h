#pragma once
#include "store/listtext.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <memory>
#include <vector>

class TIniFile;

// One on/off record of a weekly schedule.
struct TScheduleRec {
    qint32 id = 0;         // schedule_rec row id in database mode; the creator's id in memory mode
    qint32 CalendarID = 0; // id of the owning schedule (schedule_rec.schedule_id); 0 in DeviceSchedule
    quint8 RecDay = 0;     // weekday mask (bit 0 Monday ... bit 6 Sunday) or 0x81/0x82/0x84 special day mode
    qint32 RecOnTime = 0;  // minutes after midnight
    qint32 RecOffTime = 0; // minutes after midnight
};

// A named list of schedule records. In database mode every change is written
// at once and the records are reloaded from the table, so memory mirrors the
// database; in memory mode nothing touches the database.
class TSchedule {
public:
    // aID > 0: an existing schedule, whose records are loaded. Otherwise a new
    // empty one; in database mode its row is inserted and ID() is the new row id.
    TSchedule(const QString &aName, int aID, bool aDBMode);
    TSchedule(const TSchedule &) = delete;
    TSchedule &operator=(const TSchedule &) = delete;

    void LoadRecords();
    // FlagNew: append a copy owned by this schedule. Otherwise overwrite every
    // record whose id equals rec.id with rec as given.
    void SaveRecord(const TScheduleRec &rec, bool FlagNew);
    void DeleteRecord(int idx);
    void Clear();
    // Replaces the name (without renaming any row) and all records by copies of
    // the source's; the Beacon's copy refuses, unchanged, a source with more
    // records than a Beacon holds.
    void AssignSchedule(const TSchedule &source);
    // Refuses, naming the limit, a record more than a Beacon holds in the
    // Beacon's copy (memory mode); library entries may hold more.
    void CheckRoom() const;

    // Rows of the record list: days, on time, off time, duration.
    TListContent ShowList(const QLocale &locale) const;

    void SaveToIniFile(TIniFile &ini) const;
    // The records of a settings file's schedule sections, every value
    // checked: at most the controller's 16 records, each section present, a
    // day byte of 1 to 254 (0 and 255 would end the controller's table), on
    // and off times of 0 to 1439. Anything else is refused with an Exception
    // naming the key.
    static QList<TScheduleRec> ReadIniFile(const TIniFile &ini);
    // Replaces the records with ReadIniFile's; a refused file changes nothing.
    void LoadFromIniFile(const TIniFile &ini);
    // Memory mode: the records exactly as given, ids and owners included.
    void SetRecords(const QList<TScheduleRec> &records) { fRecords = records; }

    bool DBMode() const { return fDBMode; }
    int ID() const { return fID; }
    int Count() const { return int(fRecords.size()); }
    const QString &Name() const { return fName; }
    // Renames; in database mode the row too.
    void SetName(const QString &aName);
    // A copy of record idx; an all-zero record when idx is out of range.
    TScheduleRec Records(int idx) const { return fRecords.value(idx); }

private:
    bool fDBMode;
    int fID = 0;
    QString fName;
    QList<TScheduleRec> fRecords;
};

// The library of schedules in the database; owns its schedule objects.
class TScheduleList {
public:
    TScheduleList(); // LoadSchedules
    ~TScheduleList();
    TScheduleList(const TScheduleList &) = delete;
    TScheduleList &operator=(const TScheduleList &) = delete;

    // Rebuilds every schedule object from the database; earlier references to
    // them become invalid.
    void LoadSchedules();
    void AddSchedule(const QString &aName);
    void RenameSchedule(int idx, const QString &aName);
    // Deletes the schedule row and its record rows together, then LoadSchedules.
    void DeleteSchedule(int idx);

    // Rows: name and "%d record(s)"; selection by LibrarySelection(selected, Count()).
    TListContent ShowList(int selected) const;

    int Count() const { return int(fSchedules.size()); }
    TSchedule *Schedules(int idx) const { return fSchedules.at(size_t(idx)).get(); }

private:
    std::vector<std::unique_ptr<TSchedule>> fSchedules;
};
