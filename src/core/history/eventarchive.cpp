#include "history/eventarchive.h"

#include "eventlog/events.h"
#include "history/register.h"
#include "store/datamodule.h"

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
    auto rows = fDM.Query(QStringLiteral("SELECT day_num, minutes_num, event_type, voltage1, voltage2, brightness "
                                         "FROM history_events WHERE serial = ? "
                                         "ORDER BY day_num DESC, minutes_num DESC, id DESC"),
                          {serial}, TTextCoding::Utf8);
    for (; !rows->Eof(); rows->Next()) {
        type_events_record e;
        e.day_num = qint16(rows->FieldAsInteger(0));
        e.minutes_num = qint16(rows->FieldAsInteger(1));
        e.event_type = qint8(rows->FieldAsInteger(2));
        for (int i = 0; i < 3; ++i)
            e.parms[i] = qint16(rows->FieldAsInteger(3 + i));
        take(e);
    }
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
