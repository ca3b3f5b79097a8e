#include "store/schedule.h"

#include "config/messages.h"
#include "store/convprocs.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/inifile.h"

namespace {
const QString kGeneral = QStringLiteral("General");
constexpr int MinutesPerDay = 1440;
}

TSchedule::TSchedule(const QString &aName, int aID, bool aDBMode) : fDBMode(aDBMode), fName(aName)
{
    if (aID > 0) {
        fID = aID;
        LoadRecords();
    } else if (fDBMode) {
        // Ids are reused after the newest schedule is deleted: record rows
        // left under the new id by another window are not inherited.
        DM().InTransaction([this] {
            fID = DM().Exec(QStringLiteral("INSERT INTO schedules (name) VALUES (?)"), {fName});
            DM().Exec(QStringLiteral("DELETE FROM schedule_rec WHERE schedule_id=?"), {fID});
        });
    }
}

void TSchedule::SetName(const QString &aName)
{
    if (fDBMode)
        DM().Exec(QStringLiteral("UPDATE schedules SET name=? WHERE id=?"), {aName, fID});
    fName = aName; // only once the row holds it
}

void TSchedule::LoadRecords()
{
    if (!fDBMode) {
        fRecords.clear();
        return;
    }
    // Read whole before replacing, so a failed read keeps the last good list.
    QList<TScheduleRec> records;
    auto rows = DM().Query(QStringLiteral("SELECT id, schedule_id, s_day, s_time_on, s_time_off FROM schedule_rec "
                                          "WHERE schedule_id=? ORDER BY id"),
                           {fID});
    for (; !rows->Eof(); rows->Next()) {
        TScheduleRec rec;
        rec.id = qint32(rows->FieldAsInteger(0));
        rec.CalendarID = qint32(rows->FieldAsInteger(1));
        rec.RecDay = quint8(rows->FieldAsInteger(2));
        rec.RecOnTime = qint32(rows->FieldAsInteger(3));
        rec.RecOffTime = qint32(rows->FieldAsInteger(4));
        records.append(rec);
    }
    fRecords = records;
}

// In database mode the row is written first and the list reloaded after; a
// refused write leaves the list as it was, with no phantom record.
void TSchedule::SaveRecord(const TScheduleRec &rec, bool FlagNew)
{
    if (fDBMode) {
        if (FlagNew) {
            // Only while the schedule is still there: another window may have deleted it.
            DM().Exec(QStringLiteral("INSERT INTO schedule_rec (schedule_id, s_day, s_time_on, s_time_off) "
                                     "SELECT ?, ?, ?, ? WHERE EXISTS (SELECT 1 FROM schedules WHERE id=?)"),
                      {fID, int(rec.RecDay), rec.RecOnTime, rec.RecOffTime, fID});
            if (DM().Changes() == 0)
                throw Exception(Fmt(Msg::ScheduleGone, fName));
        } else {
            DM().Exec(QStringLiteral("UPDATE schedule_rec SET s_day=?, s_time_on=?, s_time_off=? WHERE id=?"),
                      {int(rec.RecDay), rec.RecOnTime, rec.RecOffTime, rec.id});
        }
        LoadRecords();
        return;
    }
    if (FlagNew) {
        CheckRoom();
        TScheduleRec copy = rec;
        copy.CalendarID = fID;
        fRecords.append(copy);
    } else {
        for (TScheduleRec &stored : fRecords)
            if (stored.id == rec.id)
                stored = rec;
    }
}

void TSchedule::DeleteRecord(int idx)
{
    if (idx < 0 || idx >= Count())
        return;
    if (fDBMode) {
        DM().Exec(QStringLiteral("DELETE FROM schedule_rec WHERE id=?"), {fRecords.at(idx).id});
        LoadRecords();
        return;
    }
    fRecords.removeAt(idx);
}

void TSchedule::Clear()
{
    while (Count() > 0)
        DeleteRecord(Count() - 1);
}

void TSchedule::CheckRoom() const
{
    if (!fDBMode && Count() >= BeaconTableSlots)
        throw Exception(Fmt(Msg::BeaconRecordLimit, "schedule", BeaconTableSlots));
}

void TSchedule::AssignSchedule(const TSchedule &source)
{
    if (&source == this)
        return; // clearing first would lose the very records to copy
    if (!fDBMode && source.Count() > BeaconTableSlots)
        throw Exception(Fmt(Msg::LibraryItemTooLarge, source.Name(), source.Count(), BeaconTableSlots));
    Clear();
    fName = source.Name();
    for (const TScheduleRec &rec : source.fRecords)
        SaveRecord(rec, true);
}

TListContent TSchedule::ShowList(const QLocale &locale) const
{
    TListContent content;
    for (const TScheduleRec &rec : fRecords) {
        const int duration = rec.RecOffTime - rec.RecOnTime; // / and % truncate toward zero
        content.Items.append({DayText(rec.RecDay),
                              {MinutesToTimeText(rec.RecOnTime, locale), MinutesToTimeText(rec.RecOffTime, locale),
                               Fmt(Msg::DurationHoursMinutes, duration / 60, duration % 60)}});
    }
    return content;
}

void TSchedule::SaveToIniFile(TIniFile &ini) const
{
    ini.WriteInteger(kGeneral, QStringLiteral("ScheduleCount"), Count());
    for (int i = 0; i < Count(); ++i) {
        const TScheduleRec &rec = fRecords.at(i);
        const QString section = QStringLiteral("Schedule%1").arg(i);
        ini.WriteInteger(section, QStringLiteral("id"), rec.id);
        ini.WriteInteger(section, QStringLiteral("ScheduleId"), rec.CalendarID);
        ini.WriteInteger(section, QStringLiteral("RecDay"), rec.RecDay);
        ini.WriteInteger(section, QStringLiteral("RecOnTime"), rec.RecOnTime);
        ini.WriteInteger(section, QStringLiteral("RecOffTime"), rec.RecOffTime);
    }
}

QList<TScheduleRec> TSchedule::ReadIniFile(const TIniFile &ini)
{
    const int count = ini.ReadSectionCount(QStringLiteral("ScheduleCount"), QStringLiteral("Schedule"), BeaconTableSlots);
    QList<TScheduleRec> records;
    for (int i = 0; i < count; ++i) {
        const QString section = QStringLiteral("Schedule%1").arg(i);
        TScheduleRec rec;
        rec.id = ini.ReadInteger(section, QStringLiteral("id"), 0);
        rec.CalendarID = ini.ReadInteger(section, QStringLiteral("ScheduleId"), 0);
        rec.RecDay = quint8(ini.ReadInteger(section, QStringLiteral("RecDay"), 0, 1, 254));
        rec.RecOnTime = ini.ReadInteger(section, QStringLiteral("RecOnTime"), 0, 0, MinutesPerDay - 1);
        rec.RecOffTime = ini.ReadInteger(section, QStringLiteral("RecOffTime"), 0, 0, MinutesPerDay - 1);
        records.append(rec);
    }
    return records;
}

void TSchedule::LoadFromIniFile(const TIniFile &ini)
{
    fRecords = ReadIniFile(ini);
}

TScheduleList::TScheduleList()
{
    LoadSchedules();
}

TScheduleList::~TScheduleList() = default;

void TScheduleList::LoadSchedules()
{
    // Built whole before replacing, so a failed read keeps the last good list.
    std::vector<std::unique_ptr<TSchedule>> schedules;
    auto rows = DM().Query(QStringLiteral("SELECT id, name FROM schedules ORDER BY id"));
    for (; !rows->Eof(); rows->Next())
        schedules.push_back(std::make_unique<TSchedule>(rows->FieldAsString(1), int(rows->FieldAsInteger(0)), true));
    fSchedules = std::move(schedules);
}

void TScheduleList::AddSchedule(const QString &aName)
{
    fSchedules.push_back(std::make_unique<TSchedule>(aName, 0, true));
}

void TScheduleList::RenameSchedule(int idx, const QString &aName)
{
    Schedules(idx)->SetName(aName);
}

void TScheduleList::DeleteSchedule(int idx)
{
    const int id = Schedules(idx)->ID();
    DM().InTransaction([id] {
        DM().Exec(QStringLiteral("DELETE FROM schedules WHERE id=?"), {id});
        DM().Exec(QStringLiteral("DELETE FROM schedule_rec WHERE schedule_id=?"), {id});
    });
    LoadSchedules();
}

TListContent TScheduleList::ShowList(int selected) const
{
    TListContent content;
    for (const auto &schedule : fSchedules)
        content.Items.append({schedule->Name(), {Fmt(Msg::RecordCount, schedule->Count())}});
    content.Selected = LibrarySelection(selected, Count());
    return content;
}
