#include "store/librarydb.h"

#include "config/messages.h"
#include "store/sqlitedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <pvbcs_schema_sql.h>
#include <sqlite3.h>

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
    QDir().mkpath(QFileInfo(fileName).absolutePath());

    // Built under a temporary name and renamed into place, so a failure never
    // leaves a half-made file that would later pass for a database.
    const QString partial = fileName + QStringLiteral(".partial");
    QFile::remove(partial);
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(partial);
    QString error;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = Fmt(Msg::DbOpenFailed, fileName);
    } else {
        char *message = nullptr;
        if (sqlite3_exec(db, kLibrarySchemaSql, nullptr, nullptr, &message) != SQLITE_OK)
            error = QString::fromUtf8(message);
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (error.isEmpty() && !QFile::rename(partial, fileName))
        error = Fmt(Msg::UnableToWrite, fileName);
    if (!error.isEmpty()) {
        QFile::remove(partial);
        throw ESqliteException(error);
    }
    return true;
}
