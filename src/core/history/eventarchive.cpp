#include "history/eventarchive.h"

#include "config/messages.h"
#include "eventlog/eventlogfile.h"
#include "eventlog/events.h"
#include "history/register.h"
#include "store/datamodule.h"

namespace {
// Newest first; among equal times the later arrival first. The index on
// (serial, day_num, minutes_num, id) reads them in this order.
const QString EventSelect = QStringLiteral("SELECT id, day_num, minutes_num, event_type, voltage1, voltage2, brightness "
                                           "FROM history_events WHERE serial = ?");
const QString EventOrder = QStringLiteral(" ORDER BY day_num DESC, minutes_num DESC, id DESC");

TArchivedEvent ReadEvent(const TSqliteQueryResults &row)
{
    TArchivedEvent a;
    a.Id = row.FieldAsInteger(0);
    a.Event.day_num = qint16(row.FieldAsInteger(1));
    a.Event.minutes_num = qint16(row.FieldAsInteger(2));
    a.Event.event_type = qint8(row.FieldAsInteger(3));
    for (int i = 0; i < 3; ++i)
        a.Event.parms[i] = qint16(row.FieldAsInteger(4 + i));
    return a;
}
}

TEventArchive::TEventArchive(TDM &dm) : fDM(dm) {}

int TEventArchive::Merge(const QString &serial, const QList<type_events_record> &events, qint64 actionId)
{
    if (serial.isEmpty() || events.isEmpty())
        return 0;
    int added = 0;
    fDM.InTransaction([&] {
        THistoryRegister(fDM).EnsureTables();
        const auto changes = [this] { return fDM.Query(QStringLiteral("SELECT total_changes()"))->FieldAsInteger(0); };
        const qint64 before = changes();
        // Oldest first, so that row ids follow the order of the events.
        for (auto it = events.crbegin(); it != events.crend(); ++it)
            fDM.Exec(QStringLiteral("INSERT OR IGNORE INTO history_events (serial, day_num, minutes_num, event_type, "
                                    "voltage1, voltage2, brightness, action_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {serial, it->day_num, it->minutes_num, it->event_type, it->parms[0], it->parms[1], it->parms[2],
                      actionId},
                     TTextCoding::Utf8);
        added = int(changes() - before);
    });
    return added;
}

QList<type_events_record> TEventArchive::Events(const QString &serial) const
{
    QList<type_events_record> events;
    ForEachEvent(serial, [&events](const type_events_record &e) { events.append(e); });
    return events;
}

void TEventArchive::ForEachEvent(const QString &serial,
                                 const std::function<void(const type_events_record &)> &take) const
{
    if (!THistoryRegister(fDM).Exists())
        return;
    for (auto rows = fDM.Query(EventSelect + EventOrder, {serial}, TTextCoding::Utf8); !rows->Eof(); rows->Next())
        take(ReadEvent(*rows).Event);
}

QList<TArchivedEvent> TEventArchive::Page(const QString &serial, const TArchivedEvent *after, int limit) const
{
    QList<TArchivedEvent> events;
    if (!THistoryRegister(fDM).Exists())
        return events;
    QString sql = EventSelect;
    QVariantList params{serial};
    if (after) {
        sql += QStringLiteral(" AND (day_num, minutes_num, id) < (?, ?, ?)");
        params << after->Event.day_num << after->Event.minutes_num << after->Id;
    }
    sql += EventOrder + QStringLiteral(" LIMIT ?");
    params << limit;
    for (auto rows = fDM.Query(sql, params, TTextCoding::Utf8); !rows->Eof(); rows->Next())
        events.append(ReadEvent(*rows));
    return events;
}

void TEventArchive::ForEachEventBetween(const QString &serial, const QDate &first, const QDate &last,
                                        const std::function<void(const type_events_record &)> &take) const
{
    if (!THistoryRegister(fDM).Exists())
        return;
    const QDate dayZero(2010, 1, 1);
    for (auto rows = fDM.Query(EventSelect + QStringLiteral(" AND day_num BETWEEN ? AND ? ORDER BY day_num, minutes_num, id"),
                               {serial, dayZero.daysTo(first), dayZero.daysTo(last)}, TTextCoding::Utf8);
         !rows->Eof(); rows->Next())
        take(ReadEvent(*rows).Event);
}

QList<TArchivedDownload> TEventArchive::Downloads(const QString &serial) const
{
    QList<TArchivedDownload> downloads;
    if (!THistoryRegister(fDM).Exists())
        return downloads;
    auto rows = fDM.Query(QStringLiteral("SELECT a.id, a.at_utc, a.outcome, count(e.id), min(e.day_num * 1440 + e.minutes_num), "
                                         "max(e.day_num * 1440 + e.minutes_num) FROM history_actions a "
                                         "LEFT JOIN history_events e ON e.action_id = a.id "
                                         "WHERE a.serial = ? AND a.action = ? GROUP BY a.id ORDER BY a.id"),
                          {serial, QString::fromLatin1(THistoryRegister::Events)}, TTextCoding::Utf8);
    for (; !rows->Eof(); rows->Next()) {
        TArchivedDownload d;
        d.ActionId = rows->FieldAsInteger(0);
        d.When = QDateTime::fromString(rows->FieldAsString(1), Qt::ISODateWithMs);
        d.Complete = rows->FieldAsString(2) == QLatin1String(Msg::RegisterDone);
        d.NewEvents = int(rows->FieldAsInteger(3));
        d.OldestMinute = rows->FieldAsInteger(4);
        d.NewestMinute = rows->FieldAsInteger(5);
        downloads.append(d);
    }
    return downloads;
}

int TEventArchive::EventCount(const QString &serial) const
{
    if (!THistoryRegister(fDM).Exists())
        return 0;
    return int(fDM.Query(QStringLiteral("SELECT count(*) FROM history_events WHERE serial = ?"), {serial},
                         TTextCoding::Utf8)
                   ->FieldAsInteger(0));
}

QList<TArchivedController> TEventArchive::Controllers() const
{
    QList<TArchivedController> controllers;
    if (!THistoryRegister(fDM).Exists())
        return controllers;
    // With max(), SQLite takes the bare columns from the row that has it: the newest event.
    auto rows = fDM.Query(QStringLiteral("SELECT serial, count(*), max(day_num * 1440 + minutes_num), day_num, "
                                         "minutes_num FROM history_events GROUP BY serial ORDER BY serial"),
                          {}, TTextCoding::Utf8);
    for (; !rows->Eof(); rows->Next()) {
        type_events_record newest;
        newest.day_num = qint16(rows->FieldAsInteger(3));
        newest.minutes_num = qint16(rows->FieldAsInteger(4));
        controllers.append({rows->FieldAsString(0), int(rows->FieldAsInteger(1)), TEvents(newest).DateT()});
    }
    return controllers;
}

QList<TListItem> EventRows(const QList<type_events_record> &events, const QLocale &locale)
{
    QList<TListItem> rows;
    rows.reserve(events.size());
    for (const type_events_record &e : events)
        rows.append(TEvents(e).Row(locale));
    return rows;
}

int SaveArchiveFile(const TEventArchive &archive, const QString &serial, const QString &fileName,
                    const QLocale &locale)
{
    TEventLogWriter file(fileName);
    archive.ForEachEvent(serial, [&](const type_events_record &e) { file.Add(TEvents(e).Row(locale)); });
    file.Commit();
    return file.Count();
}
