#include "store/calendar.h"

#include "config/messages.h"
#include "store/convprocs.h"
#include "config/exceptions.h"
#include "store/datamodule.h"
#include "store/device.h"
#include "store/inifile.h"
#include "store/localetext.h"

namespace {
const QString kGeneral = QStringLiteral("General");
}

QString CutCalendarName(const QString &name)
{
    // One byte per character of the 8-bit code page; a character outside the
    // basic plane (a surrogate pair) is stored as one replacement byte.
    qsizetype end = 0;
    for (int bytes = 0; end < name.size() && bytes < 255; ++bytes)
        end += name.at(end).isHighSurrogate() && end + 1 < name.size() && name.at(end + 1).isLowSurrogate() ? 2 : 1;
    return name.left(end);
}

void CheckNameCharacters(const QString &name, const QString &what)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (name.at(i).category() == QChar::Other_Control)
            throw Exception(Fmt(Msg::SettingsControlCharacter, what, i + 1,
                                QString::number(name.at(i).unicode(), 16).toUpper().rightJustified(2, u'0')));
}

TCalendar::TCalendar(const QString &aName, int aID, bool aDBMode) : fDBMode(aDBMode), fName(aName)
{
    if (aID > 0) {
        fID = aID;
        LoadRecords();
    } else if (fDBMode) {
        // Ids are reused after the newest calendar is deleted: record rows
        // left under the new id by another window are not inherited.
        DM().InTransaction([this] {
            fID = DM().Exec(QStringLiteral("INSERT INTO calendars (name) VALUES (?)"), {fName});
            DM().Exec(QStringLiteral("DELETE FROM calendar_rec WHERE calendar_id=?"), {fID});
        });
    }
}

void TCalendar::SetName(const QString &aName)
{
    if (fDBMode)
        DM().Exec(QStringLiteral("UPDATE calendars SET name=? WHERE id=?"), {aName, fID});
    fName = aName; // only once the row holds it
}

void TCalendar::LoadRecords()
{
    if (!fDBMode) {
        fRecords.clear();
        return;
    }
    // Read whole before replacing, so a failed read keeps the last good list.
    QList<TCalendarRec> records;
    auto rows = DM().Query(QStringLiteral("SELECT id, calendar_id, name, c_date, day_type, c_len FROM calendar_rec "
                                          "WHERE calendar_id=? ORDER BY id"),
                           {fID});
    for (; !rows->Eof(); rows->Next()) {
        TCalendarRec rec;
        rec.id = qint32(rows->FieldAsInteger(0));
        rec.CalendarID = qint32(rows->FieldAsInteger(1));
        rec.name = CutCalendarName(rows->FieldAsString(2));
        rec.DayNum = qint32(rows->FieldAsInteger(3));
        rec.DayMode = quint8(rows->FieldAsInteger(4));
        rec.Days = qint32(rows->FieldAsInteger(5));
        records.append(rec);
    }
    fRecords = records;
}

// In database mode the row is written first and the list reloaded after; a
// refused write leaves the list as it was, with no phantom record.
void TCalendar::SaveRecord(const TCalendarRec &rec, bool FlagNew)
{
    TCalendarRec given = rec;
    given.name = CutCalendarName(rec.name);
    if (fDBMode) {
        if (FlagNew) {
            // Only while the calendar is still there: another window may have deleted it.
            DM().Exec(QStringLiteral("INSERT INTO calendar_rec (calendar_id, name, c_date, day_type, c_len) "
                                     "SELECT ?, ?, ?, ?, ? WHERE EXISTS (SELECT 1 FROM calendars WHERE id=?)"),
                      {fID, given.name, given.DayNum, int(given.DayMode), given.Days, fID});
            if (DM().Changes() == 0)
                throw Exception(Fmt(Msg::CalendarGone, fName));
        } else {
            DM().Exec(QStringLiteral("UPDATE calendar_rec SET name=?, c_date=?, day_type=?, c_len=? WHERE id=?"),
                      {given.name, given.DayNum, int(given.DayMode), given.Days, given.id});
        }
        LoadRecords();
        return;
    }
    if (FlagNew) {
        CheckRoom();
        given.CalendarID = fID;
        fRecords.append(given);
    } else {
        for (TCalendarRec &stored : fRecords)
            if (stored.id == given.id)
                stored = given;
    }
}

void TCalendar::DeleteRecord(int idx)
{
    if (idx < 0 || idx >= Count())
        return;
    if (fDBMode) {
        DM().Exec(QStringLiteral("DELETE FROM calendar_rec WHERE id=?"), {fRecords.at(idx).id});
        LoadRecords();
        return;
    }
    fRecords.removeAt(idx);
}

void TCalendar::Clear()
{
    while (Count() > 0)
        DeleteRecord(Count() - 1);
}

void TCalendar::CheckRoom() const
{
    if (!fDBMode && Count() >= BeaconTableSlots)
        throw Exception(Fmt(Msg::BeaconRecordLimit, "calendar", BeaconTableSlots));
}

void TCalendar::AssignCalendar(const TCalendar &source)
{
    if (&source == this)
        return; // clearing first would lose the very records to copy
    if (!fDBMode && source.Count() > BeaconTableSlots)
        throw Exception(Fmt(Msg::LibraryItemTooLarge, source.Name(), source.Count(), BeaconTableSlots));
    Clear();
    fName = source.Name();
    for (const TCalendarRec &rec : source.fRecords)
        SaveRecord(rec, true);
}

TListContent TCalendar::ShowList(const QLocale &locale) const
{
    TListContent content;
    for (const TCalendarRec &rec : fRecords) {
        const QDate from = DayNumToDate(rec.DayNum);
        content.Items.append({rec.name,
                              {DateToText(from, locale), DateToText(from.addDays(rec.Days - 1), locale),
                               Fmt(Msg::DurationDays, rec.Days), DayModeText(rec.DayMode)}});
    }
    return content;
}

void TCalendar::SaveToIniFile(TIniFile &ini, bool checkNames) const
{
    ini.WriteInteger(kGeneral, QStringLiteral("CalendarCount"), Count());
    for (int i = 0; i < Count(); ++i) {
        const TCalendarRec &rec = fRecords.at(i);
        if (checkNames)
            CheckNameCharacters(rec.name, Fmt(Msg::ItemCalendarName, i + 1));
        const QString section = QStringLiteral("Calendar%1").arg(i);
        ini.WriteInteger(section, QStringLiteral("id"), rec.id);
        ini.WriteInteger(section, QStringLiteral("CalendarId"), rec.CalendarID);
        ini.WriteString(section, QStringLiteral("Name"), rec.name);
        ini.WriteInteger(section, QStringLiteral("DayNum"), rec.DayNum);
        ini.WriteInteger(section, QStringLiteral("Days"), rec.Days);
        ini.WriteInteger(section, QStringLiteral("DayMode"), rec.DayMode);
    }
}

QList<TCalendarRec> TCalendar::ReadIniFile(const TIniFile &ini)
{
    const int count = ini.ReadSectionCount(QStringLiteral("CalendarCount"), QStringLiteral("Calendar"), BeaconTableSlots);
    QList<TCalendarRec> records;
    for (int i = 0; i < count; ++i) {
        const QString section = QStringLiteral("Calendar%1").arg(i);
        TCalendarRec rec;
        rec.id = ini.ReadInteger(section, QStringLiteral("id"), 0);
        rec.CalendarID = ini.ReadInteger(section, QStringLiteral("CalendarId"), 0);
        rec.name = ini.ReadString(section, QStringLiteral("Name"), QString());
        CheckNameCharacters(rec.name, TIniFile::KeyName(section, QStringLiteral("Name")));
        rec.name = CutCalendarName(rec.name);
        rec.DayNum = ini.ReadInteger(section, QStringLiteral("DayNum"), 0, 1, 0xFFFE);
        rec.Days = ini.ReadInteger(section, QStringLiteral("Days"), 0, 1, 0xFF);
        rec.DayMode = quint8(ini.ReadInteger(section, QStringLiteral("DayMode"), 0, 0, 0xFF));
        records.append(rec);
    }
    return records;
}

void TCalendar::LoadFromIniFile(const TIniFile &ini)
{
    fRecords = ReadIniFile(ini);
}

TCalendarList::TCalendarList()
{
    LoadCalendars();
}

TCalendarList::~TCalendarList() = default;

void TCalendarList::LoadCalendars()
{
    // Built whole before replacing, so a failed read keeps the last good list.
    std::vector<std::unique_ptr<TCalendar>> calendars;
    auto rows = DM().Query(QStringLiteral("SELECT id, name FROM calendars ORDER BY id"));
    for (; !rows->Eof(); rows->Next())
        calendars.push_back(std::make_unique<TCalendar>(rows->FieldAsString(1), int(rows->FieldAsInteger(0)), true));
    fCalendars = std::move(calendars);
}

void TCalendarList::AddCalendar(const QString &aName)
{
    fCalendars.push_back(std::make_unique<TCalendar>(aName, 0, true));
}

void TCalendarList::RenameCalendar(int idx, const QString &aName)
{
    Calendars(idx)->SetName(aName);
}

void TCalendarList::DeleteCalendar(int idx)
{
    const int id = Calendars(idx)->ID();
    DM().InTransaction([id] {
        DM().Exec(QStringLiteral("DELETE FROM calendars WHERE id=?"), {id});
        DM().Exec(QStringLiteral("DELETE FROM calendar_rec WHERE calendar_id=?"), {id});
    });
    LoadCalendars();
}

TListContent TCalendarList::ShowList(int selected) const
{
    TListContent content;
    for (const auto &calendar : fCalendars)
        content.Items.append({calendar->Name(), {Fmt(Msg::RecordCount, calendar->Count())}});
    content.Selected = LibrarySelection(selected, Count());
    return content;
}
