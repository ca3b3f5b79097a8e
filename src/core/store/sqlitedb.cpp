#include "store/sqlitedb.h"

#include "config/cp1252.h"
#include "config/messages.h"

#include <QFile>
#include <sqlite3.h>

namespace {
[[noreturn]] void raiseLocked(const TSqliteDatabase &db)
{
    throw ESqliteException(Fmt(Msg::DbLocked, db.FileName()));
}

sqlite3_stmt *compile(sqlite3 *handle, const QString &sql, const TSqliteDatabase &db)
{
    const QByteArray bytes = Cp1252::fromUnicode(sql);
    sqlite3_stmt *stmt = nullptr;
    // The legacy interface: its error texts are the ones operators have seen.
    const int rc = sqlite3_prepare(handle, bytes.constData(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        if (rc == SQLITE_BUSY) // reading the schema needs a lock too
            raiseLocked(db);
        db.RaiseCompileError(sql);
    }
    return stmt;
}

void bindAll(sqlite3_stmt *stmt, int index, const QVariantList &params)
{
    for (const QVariant &value : params) {
        int rc;
        switch (value.typeId()) {
        case QMetaType::QString: {
            const QByteArray text = Cp1252::fromUnicode(value.toString());
            rc = sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray block = value.toByteArray();
            rc = sqlite3_bind_blob(stmt, index, block.constData(), int(block.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, index, value.toDouble());
            break;
        default:
            rc = value.isNull() ? sqlite3_bind_null(stmt, index) : sqlite3_bind_int64(stmt, index, value.toLongLong());
        }
        if (rc != SQLITE_OK)
            throw ESqliteException(Fmt(Msg::DbUnknownError, rc));
        ++index;
    }
}
}

TSqliteDatabase::TSqliteDatabase(const QString &fileName) : fFileName(fileName)
{
    // Like sqlite3_open but without SQLITE_OPEN_CREATE: the program never makes
    // a database file of its own accord.
    const QByteArray path = QFile::encodeName(fileName);
    if (sqlite3_open_v2(path.constData(), &fHandle, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(fHandle);
        fHandle = nullptr;
        throw ESqliteException(Fmt(Msg::DbOpenFailed, fileName));
    }
    // Another program's transaction gets a moment to finish before a
    // statement gives up on its lock.
    sqlite3_busy_timeout(fHandle, BusyTimeoutMs);
    try {
        ExecSQL(QStringLiteral("pragma synchronous = off"));
        ExecSQL(QStringLiteral("pragma temp_store = memory"));
    } catch (...) {
        sqlite3_finalize(fStmt);
        sqlite3_close(fHandle);
        throw;
    }
}

TSqliteDatabase::~TSqliteDatabase()
{
    sqlite3_finalize(fStmt);
    sqlite3_close(fHandle);
}

void TSqliteDatabase::RaiseCompileError(const QString &sql) const
{
    const QString library = QString::fromUtf8(sqlite3_errmsg(fHandle));
    if (sql.isEmpty())
        throw ESqliteException(library);
    throw ESqliteException(Fmt(Msg::DbCompileError, library, QStringLiteral("\r\n\r\n"), sql));
}

void TSqliteDatabase::ExecSQL(const QString &sql, const QVariantList &params)
{
    CompileSQL(sql);
    SetParams(params);
    RunSQL();
}

void TSqliteDatabase::CompileSQL(const QString &sql)
{
    sqlite3_finalize(fStmt);
    fStmt = nullptr;
    fStmt = compile(fHandle, sql, *this);
    fParam = 1;
}

void TSqliteDatabase::RunSQL()
{
    if (!fStmt)
        return; // blank text or only a comment: nothing to run
    const int rc = sqlite3_step(fStmt);
    if (rc == SQLITE_DONE)
        return;
    sqlite3_reset(fStmt); // release any lock the failed or row-returning step holds
    if (rc == SQLITE_BUSY)
        raiseLocked(*this);
    if (rc == SQLITE_ERROR)
        throw ESqliteException(Fmt(Msg::DbReadOnlyOrMissing, fFileName));
    throw ESqliteException(Fmt(Msg::DbUnknownError, rc));
}

std::unique_ptr<TSqliteQueryResults> TSqliteDatabase::Query(const QString &sql, const QVariantList &params)
{
    return std::make_unique<TSqliteQueryResults>(*this, sql, params);
}

qint64 TSqliteDatabase::GetLastInsertRowID() const
{
    return sqlite3_last_insert_rowid(fHandle);
}

void TSqliteDatabase::BeginTransaction() { ExecSQL(QStringLiteral("begin")); }
void TSqliteDatabase::Commit() { ExecSQL(QStringLiteral("commit")); }
void TSqliteDatabase::Rollback() { ExecSQL(QStringLiteral("rollback")); }

void TSqliteDatabase::CheckBind(int rc)
{
    if (rc != SQLITE_OK)
        throw ESqliteException(Fmt(Msg::DbUnknownError, rc));
    ++fParam;
}

void TSqliteDatabase::SetParam(qint64 value)
{
    CheckBind(sqlite3_bind_int64(fStmt, fParam, value));
}

void TSqliteDatabase::SetParam(const QString &text)
{
    const QByteArray bytes = Cp1252::fromUnicode(text);
    CheckBind(sqlite3_bind_text(fStmt, fParam, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT));
}

void TSqliteDatabase::SetParamCurrency(qint64 tenThousandths)
{
    CheckBind(sqlite3_bind_double(fStmt, fParam, double(tenThousandths) / 10000.0));
}

void TSqliteDatabase::SetParamBlob(const QByteArray &block)
{
    CheckBind(sqlite3_bind_blob(fStmt, fParam, block.constData(), int(block.size()), SQLITE_TRANSIENT));
}

void TSqliteDatabase::SetParams(const QVariantList &params)
{
    if (params.isEmpty())
        return;
    bindAll(fStmt, fParam, params);
    fParam += int(params.size());
}

QString TSqliteDatabase::Like(const QString &field, const QString &pattern, bool simulate)
{
    return simulate ? Fmt("%s between '%s' and '%sz'", field, pattern, pattern)
                    : Fmt("%s like '%s%%'", field, pattern);
}

TSqliteQueryResults::TSqliteQueryResults(TSqliteDatabase &db, const QString &sql, const QVariantList &params)
    : fDb(db), fSql(sql)
{
    fStmt = compile(db.Handle(), sql, db);
    if (!fStmt)
        return; // nothing to run: an empty result
    try {
        bindAll(fStmt, 1, params);
        Next();
    } catch (...) {
        sqlite3_finalize(fStmt);
        throw;
    }
}

TSqliteQueryResults::~TSqliteQueryResults()
{
    sqlite3_finalize(fStmt);
}

void TSqliteQueryResults::Next()
{
    if (!fStmt)
        return;
    const int rc = sqlite3_step(fStmt);
    fEof = rc != SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    // The legacy interface reports only a generic error from the step; the
    // reset brings out the real text.
    sqlite3_reset(fStmt);
    if (rc == SQLITE_BUSY)
        raiseLocked(fDb);
    fDb.RaiseCompileError(fSql);
}

qint64 TSqliteQueryResults::FieldAsInteger(int column) const
{
    return sqlite3_column_int64(fStmt, column);
}

double TSqliteQueryResults::FieldAsDouble(int column) const
{
    return sqlite3_column_double(fStmt, column);
}

QString TSqliteQueryResults::FieldAsString(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(fStmt, column));
    const int size = sqlite3_column_bytes(fStmt, column);
    return text ? Cp1252::toUnicode(QByteArrayView(text, size)) : QString();
}

const void *TSqliteQueryResults::FieldAsBlob(int column) const
{
    return sqlite3_column_blob(fStmt, column);
}

int TSqliteQueryResults::FieldSize(int column) const
{
    return sqlite3_column_bytes(fStmt, column);
}
