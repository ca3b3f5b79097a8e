#include "store/librarydb.h"

#include "config/messages.h"
#include "store/sqlitedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pvbcs_schema_sql.h>
#include <sqlite3.h>

bool CreateLibraryDatabase(const QString &fileName)
{
    if (fileName.isEmpty() || QFileInfo::exists(fileName))
        return false;
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
