#include "store/schedule.h"

#include "config/messages.h"
#include "store/convprocs.h"
#include "store/datamodule.h"
#include "store/inifile.h"

namespace {
const QString kGeneral = QStringLiteral("General");
}

TSchedule::TSchedule(const QString &aName, int aID, bool aDBMode) : fDBMode(aDBMode), fName(aName)
{
    if (aID > 0) {
        fID = aID;
        LoadRecords();
    } else if (fDBMode) {
        fID = DM().Exec(QStringLiteral("INSERT INTO schedules (name) VALUES (?)"), {fName});
    }
}

void TSchedule::SetName(const QString &aName)
{
    fName = aName;
    if (fDBMode)
        DM().Exec(QStringLiteral("UPDATE schedules SET name=? WHERE id=?"), {fName, fID});
}

void TSchedule::LoadRecords()
{
    fRecords.clear();
    if (!fDBMode)
        return;
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
        fRecords.append(rec);
    }
}

void TSchedule::SaveRecord(const TScheduleRec &rec, bool FlagNew)
{
    if (FlagNew) {
        TScheduleRec copy = rec;
        copy.CalendarID = fID;
        fRecords.append(copy);
    } else {
        for (TScheduleRec &stored : fRecords)
            if (stored.id == rec.id)
                stored = rec;
    }
    if (!fDBMode)
        return;
    if (FlagNew)
        DM().Exec(QStringLiteral("INSERT INTO schedule_rec (schedule_id, s_day, s_time_on, s_time_off) "
                                 "VALUES (?, ?, ?, ?)"),
                  {fID, int(rec.RecDay), rec.RecOnTime, rec.RecOffTime});
    else
        DM().Exec(QStringLiteral("UPDATE schedule_rec SET s_day=?, s_time_on=?, s_time_off=? WHERE id=?"),
                  {int(rec.RecDay), rec.RecOnTime, rec.RecOffTime, rec.id});
    LoadRecords();
}

void TSchedule::DeleteRecord(int idx)
{
    if (idx < 0 || idx >= Count())
        return;
    const int id = fRecords.at(idx).id;
    fRecords.removeAt(idx);
    if (!fDBMode)
        return;
    DM().Exec(QStringLiteral("DELETE FROM schedule_rec WHERE id=?"), {id});
    LoadRecords();
}

void TSchedule::Clear()
{
    while (Count() > 0)
        DeleteRecord(Count() - 1);
}

void TSchedule::AssignSchedule(const TSchedule &source)
{
    if (&source == this)
        return; // clearing first would lose the very records to copy
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

void TSchedule::LoadFromIniFile(const TIniFile &ini)
{
    fRecords.clear();
    const int count = ini.ReadInteger(kGeneral, QStringLiteral("ScheduleCount"), 0);
    for (int i = 0; i < count; ++i) {
        const QString section = QStringLiteral("Schedule%1").arg(i);
        TScheduleRec rec;
        rec.id = ini.ReadInteger(section, QStringLiteral("id"), 0);
        rec.CalendarID = ini.ReadInteger(section, QStringLiteral("ScheduleId"), 0);
        rec.RecDay = quint8(ini.ReadInteger(section, QStringLiteral("RecDay"), 0));
        rec.RecOnTime = ini.ReadInteger(section, QStringLiteral("RecOnTime"), 0);
        rec.RecOffTime = ini.ReadInteger(section, QStringLiteral("RecOffTime"), 0);
        fRecords.append(rec);
    }
}

TScheduleList::TScheduleList()
{
    LoadSchedules();
}

TScheduleList::~TScheduleList() = default;

void TScheduleList::LoadSchedules()
{
    fSchedules.clear();
    auto rows = DM().Query(QStringLiteral("SELECT id, name FROM schedules ORDER BY id"));
    for (; !rows->Eof(); rows->Next())
        fSchedules.push_back(
            std::make_unique<TSchedule>(rows->FieldAsString(1), int(rows->FieldAsInteger(0)), true));
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
