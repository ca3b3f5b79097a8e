#include "history/register.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "store/datamodule.h"
#include "store/librarydb.h"

#include <limits>

namespace {
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
    if (Exists()) {
        // Files made before the index was added get it on their next write.
        fDM.Exec(QStringLiteral("CREATE INDEX IF NOT EXISTS history_events_action ON history_events (action_id)"));
        return;
    }
    RequireLibraryTables(fDM, Msg::RegisterNoLibrary);
    fDM.DB()->ExecScript(kRegisterSchemaSql);
}

void RequireLibraryTables(TDM &dm, const char *refusal)
{
    static const QStringList LibraryTables = {QStringLiteral("schedules"), QStringLiteral("schedule_rec"),
                                              QStringLiteral("calendars"), QStringLiteral("calendar_rec")};
    QStringList quoted;
    for (const QString &table : LibraryTables)
        quoted << u'\'' + table + u'\'';
    auto row = dm.Query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN (%1)")
                            .arg(quoted.join(u',')));
    if (row->FieldAsInteger(0) != LibraryTables.size())
        throw Exception(Fmt(refusal, dm.DBName()));
}

qint64 THistoryRegister::Add(const TActionRecord &action)
{
    const QVariant config = action.Config.isNull() ? QVariant() : QVariant(action.Config);
    qint64 id = 0;
    // The tables are made, where an older file lacks them, in the same write
    // transaction as the row: another program meeting the file at the same
    // time waits for it instead of finding half of it.
    fDM.InTransaction([&] {
        EnsureTables();
        fDM.Exec(QStringLiteral("INSERT INTO history_actions (at_utc, source, os_user, port, serial, board, firmware, "
                                "action, options, outcome, config) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {TimeText(action.When), action.Source, action.User, action.Port, action.Serial, action.Board,
                  action.Firmware, action.Action, action.Options, action.Outcome, config},
                 TTextCoding::Utf8);
        id = fDM.DB()->GetLastInsertRowID();
    });
    return id;
}

void THistoryRegister::SetOutcome(qint64 id, const QString &outcome)
{
    fDM.Exec(QStringLiteral("UPDATE history_actions SET outcome = ? WHERE id = ?"), {outcome, id}, TTextCoding::Utf8);
}

QList<TActionRecord> THistoryRegister::Actions(const QString &serial, const QDateTime &since) const
{
    QList<TActionRecord> actions;
    ForEachAction(serial, since, [&actions](const TActionRecord &action) { actions.append(action); });
    return actions;
}

void THistoryRegister::ForEachAction(const QString &serial, const QDateTime &since,
                                     const std::function<void(const TActionRecord &)> &take) const
{
    if (!Exists())
        return;
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
    for (auto rows = fDM.Query(sql, params, TTextCoding::Utf8); !rows->Eof(); rows->Next())
        take(ReadAction(*rows));
}

QList<TActionRecord> THistoryRegister::Page(const QString &serial, qint64 beforeId, int limit) const
{
    QList<TActionRecord> actions;
    if (!Exists())
        return actions;
    QString sql = QStringLiteral("SELECT %1 FROM history_actions WHERE id < ?").arg(ActionColumns);
    QVariantList params{beforeId > 0 ? beforeId : std::numeric_limits<qint64>::max()};
    if (!serial.isEmpty()) {
        sql += QStringLiteral(" AND serial = ?");
        params << serial;
    }
    sql += QStringLiteral(" ORDER BY id DESC LIMIT ?");
    params << limit;
    for (auto rows = fDM.Query(sql, params, TTextCoding::Utf8); !rows->Eof(); rows->Next())
        actions.append(ReadAction(*rows));
    return actions;
}

QStringList THistoryRegister::Controllers() const
{
    QStringList serials;
    if (!Exists())
        return serials;
    for (auto rows = fDM.Query(QStringLiteral("SELECT DISTINCT serial FROM history_actions WHERE serial <> '' "
                                              "ORDER BY serial"),
                               {}, TTextCoding::Utf8);
         !rows->Eof(); rows->Next())
        serials << rows->FieldAsString(0);
    return serials;
}

std::optional<TActionRecord> THistoryRegister::Action(qint64 id) const
{
    if (!Exists())
        return std::nullopt;
    auto row = fDM.Query(QStringLiteral("SELECT %1, config FROM history_actions WHERE id = ?").arg(ActionColumns), {id},
                         TTextCoding::Utf8);
    if (row->Eof())
        return std::nullopt;
    TActionRecord action = ReadAction(*row);
    if (action.HasConfig) {
        const auto *bytes = static_cast<const char *>(row->FieldAsBlob(12));
        action.Config = QByteArray(bytes, row->FieldSize(12));
    }
    return action;
}
