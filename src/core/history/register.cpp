#include "history/register.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "store/datamodule.h"

namespace {
// The library's own tables: the register goes only where they are.
const QStringList LibraryTables = {QStringLiteral("schedules"), QStringLiteral("schedule_rec"),
                                   QStringLiteral("calendars"), QStringLiteral("calendar_rec")};

const char *const TablesSql[] = {
    "CREATE TABLE IF NOT EXISTS history_actions ("
    " id INTEGER PRIMARY KEY, at_utc TEXT NOT NULL, source TEXT, os_user TEXT, port TEXT, serial TEXT,"
    " board TEXT, firmware TEXT, action TEXT NOT NULL, options TEXT, outcome TEXT NOT NULL, config BLOB)",
    "CREATE INDEX IF NOT EXISTS history_actions_serial ON history_actions (serial, at_utc)",
    // One row per event ever downloaded from a controller: the same event
    // downloaded again is the same row.
    "CREATE TABLE IF NOT EXISTS history_events ("
    " id INTEGER PRIMARY KEY, serial TEXT NOT NULL, day_num INTEGER NOT NULL, minutes_num INTEGER NOT NULL,"
    " event_type INTEGER NOT NULL, voltage1 INTEGER NOT NULL, voltage2 INTEGER NOT NULL,"
    " brightness INTEGER NOT NULL, action_id INTEGER,"
    " UNIQUE (serial, day_num, minutes_num, event_type, voltage1, voltage2, brightness))",
    // Read newest first, the row id keeping the order of arrival among equal
    // times, from the index alone.
    "CREATE INDEX IF NOT EXISTS history_events_time ON history_events"
    " (serial, day_num, minutes_num, id, event_type, voltage1, voltage2, brightness)",
};

const QString ActionColumns =
    QStringLiteral("id, at_utc, source, os_user, port, serial, board, firmware, action, options, outcome, "
                   "config IS NOT NULL");

// Text of a UTC time that sorts as the time does.
QString TimeText(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODateWithMs);
}

TActionRecord ReadAction(const TSqliteQueryResults &row)
{
    TActionRecord action;
    action.Id = row.FieldAsInteger(0);
    action.When = QDateTime::fromString(row.FieldAsString(1), Qt::ISODateWithMs);
    action.Source = row.FieldAsString(2);
    action.User = row.FieldAsString(3);
    action.Port = row.FieldAsString(4);
    action.Serial = row.FieldAsString(5);
    action.Board = row.FieldAsString(6);
    action.Firmware = row.FieldAsString(7);
    action.Action = row.FieldAsString(8);
    action.Options = row.FieldAsString(9);
    action.Outcome = row.FieldAsString(10);
    action.HasConfig = row.FieldAsInteger(11) != 0;
    return action;
}
}

THistoryRegister::THistoryRegister(TDM &dm) : fDM(dm) {}

bool THistoryRegister::Exists() const
{
    auto row = fDM.Query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                                        "name IN ('history_actions', 'history_events')"));
    return row->FieldAsInteger(0) == 2;
}

void THistoryRegister::EnsureTables()
{
    if (Exists())
        return;
    QStringList quoted;
    for (const QString &table : LibraryTables)
        quoted << u'\'' + table + u'\'';
    auto row = fDM.Query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN (%1)")
                             .arg(quoted.join(u',')));
    if (row->FieldAsInteger(0) != LibraryTables.size())
        throw Exception(Fmt(Msg::RegisterNoLibrary, fDM.DBName()));
    fDM.InTransaction([this] {
        for (const char *sql : TablesSql)
            fDM.Exec(QString::fromLatin1(sql));
    });
}

qint64 THistoryRegister::Add(const TActionRecord &action)
{
    EnsureTables();
    const QVariant config = action.Config.isNull() ? QVariant() : QVariant(action.Config);
    fDM.Exec(QStringLiteral("INSERT INTO history_actions (at_utc, source, os_user, port, serial, board, firmware, "
                            "action, options, outcome, config) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {TimeText(action.When), action.Source, action.User, action.Port, action.Serial, action.Board,
              action.Firmware, action.Action, action.Options, action.Outcome, config});
    return fDM.DB()->GetLastInsertRowID();
}

QList<TActionRecord> THistoryRegister::Actions(const QString &serial, const QDateTime &since) const
{
    QList<TActionRecord> actions;
    if (!Exists())
        return actions;
    QStringList where;
    QVariantList params;
    if (!serial.isEmpty()) {
        where << QStringLiteral("serial = ?");
        params << serial;
    }
    if (since.isValid()) {
        where << QStringLiteral("at_utc >= ?");
        params << TimeText(since);
    }
    QString sql = QStringLiteral("SELECT %1 FROM history_actions").arg(ActionColumns);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY id");
    for (auto rows = fDM.Query(sql, params); !rows->Eof(); rows->Next())
        actions.append(ReadAction(*rows));
    return actions;
}

std::optional<TActionRecord> THistoryRegister::Action(qint64 id) const
{
    if (!Exists())
        return std::nullopt;
    auto row = fDM.Query(QStringLiteral("SELECT %1, config FROM history_actions WHERE id = ?").arg(ActionColumns), {id});
    if (row->Eof())
        return std::nullopt;
    TActionRecord action = ReadAction(*row);
    if (action.HasConfig) {
        const auto *bytes = static_cast<const char *>(row->FieldAsBlob(12));
        action.Config = QByteArray(bytes, row->FieldSize(12));
    }
    return action;
}
