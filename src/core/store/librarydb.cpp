#include "store/librarydb.h"

#include "config/messages.h"
#include "store/sqlitedb.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <pvbcs_schema_sql.h>
#include <sqlite3.h>
#include <filesystem>
#include <unistd.h>

const char *const kRegisterSchemaSql =
    "CREATE TABLE IF NOT EXISTS history_actions ("
    " id INTEGER PRIMARY KEY, at_utc TEXT NOT NULL, source TEXT, os_user TEXT, port TEXT, serial TEXT,"
    " board TEXT, firmware TEXT, action TEXT NOT NULL, options TEXT, outcome TEXT NOT NULL, config BLOB);"
    "CREATE INDEX IF NOT EXISTS history_actions_serial ON history_actions (serial, at_utc);"
    // One row per event ever downloaded from a controller: the same event
    // downloaded again is the same row.
    "CREATE TABLE IF NOT EXISTS history_events ("
    " id INTEGER PRIMARY KEY, serial TEXT NOT NULL, day_num INTEGER NOT NULL, minutes_num INTEGER NOT NULL,"
    " event_type INTEGER NOT NULL, voltage1 INTEGER NOT NULL, voltage2 INTEGER NOT NULL,"
    " brightness INTEGER NOT NULL, action_id INTEGER,"
    " UNIQUE (serial, day_num, minutes_num, event_type, voltage1, voltage2, brightness));"
    // Read newest first, the row id keeping the order of arrival among equal
    // times, from the index alone.
    "CREATE INDEX IF NOT EXISTS history_events_time ON history_events"
    " (serial, day_num, minutes_num, id, event_type, voltage1, voltage2, brightness);"
    // Which events each download brought, for what the downloads cover.
    "CREATE INDEX IF NOT EXISTS history_events_action ON history_events (action_id);";

void CheckLibraryDatabase(const QString &fileName)
{
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(fileName);
    QString problem;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw ESqliteException(Fmt(Msg::DbOpenFailed, fileName));
    }
    sqlite3_busy_timeout(db, TSqliteDatabase::BusyTimeoutMs);
    sqlite3_stmt *stmt = nullptr;
    QStringList tables;
    int rc = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            tables << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    const bool locked = rc == SQLITE_BUSY;
    if (rc != SQLITE_DONE)
        problem = QString::fromUtf8(sqlite3_errmsg(db)); // "file is not a database", ...
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (locked)
        throw ESqliteException(Fmt(Msg::DbLocked, fileName));
    for (const char *table : {"schedules", "schedule_rec", "calendars", "calendar_rec"})
        if (problem.isEmpty() && !tables.contains(QLatin1String(table)))
            problem = Fmt(Msg::DbTableMissing, table);
    if (!problem.isEmpty())
        throw ESqliteException(Fmt(Msg::DbNotLibrary, fileName, problem));
}

bool CreateLibraryDatabase(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    if (QFileInfo::exists(fileName)) {
        CheckLibraryDatabase(fileName);
        return false;
    }
    const QString folder = QFileInfo(fileName).absolutePath();
    std::error_code folderError;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), folderError);
    if (folderError)
        throw ESqliteException(Fmt(Msg::DbFolderNotMade, folder, QString::fromLocal8Bit(folderError.message())));

    // Built under a name of this process's own and renamed into place, so a
    // failure never leaves a half-made file that would later pass for a
    // database, and another program making it at the same time is not disturbed.
    const QString partial = fileName + QStringLiteral(".partial-%1").arg(::getpid());
    QFile::remove(partial);
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(partial);
    QString error;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = Fmt(Msg::DbOpenFailed, fileName);
    } else {
        char *message = nullptr;
        for (const char *sql : {kLibrarySchemaSql, kRegisterSchemaSql})
            if (error.isEmpty() && sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK)
                error = QString::fromUtf8(message);
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (!error.isEmpty()) {
        QFile::remove(partial);
        throw ESqliteException(error);
    }
    // The rename never replaces a file: another program's library made
    // meanwhile is the one kept.
    if (!QFile::rename(partial, fileName)) {
        QFile::remove(partial);
        if (!QFileInfo::exists(fileName))
            throw ESqliteException(Fmt(Msg::UnableToWrite, fileName));
        CheckLibraryDatabase(fileName);
        return false;
    }
    return true;
}
