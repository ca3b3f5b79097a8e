#include "store/sqlitedb.h"

#include "config/cp1252.h"
#include "config/messages.h"

#include <QFile>
#include <QStringDecoder>
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
    // The v2 interface compiles again by itself when another program changed
    // the schema (a table made meanwhile) and reports a failed step's own code.
    const int rc = sqlite3_prepare_v2(handle, bytes.constData(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        if (rc == SQLITE_BUSY) // reading the schema needs a lock too
            raiseLocked(db);
        db.RaiseCompileError(sql);
    }
    return stmt;
}

QByteArray encode(const QString &text, TTextCoding coding)
{
    return coding == TTextCoding::Utf8 ? text.toUtf8() : Cp1252::fromUnicode(text);
}

QString decode(QByteArrayView bytes, TTextCoding coding)
{
    if (coding == TTextCoding::Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        if (!utf8.hasError())
            return text;
        // Written before the register kept UTF-8: the code page's bytes.
    }
    return Cp1252::toUnicode(bytes);
}

void bindAll(sqlite3_stmt *stmt, int index, const QVariantList &params, TTextCoding coding)
{
    for (const QVariant &value : params) {
        int rc;
        switch (value.typeId()) {
        case QMetaType::QString: {
            const QByteArray text = encode(value.toString(), coding);
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

[[noreturn]] void TSqliteDatabase::RaiseStepError(int rc) const
{
    switch (rc) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        raiseLocked(*this);
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
        throw ESqliteException(Fmt(Msg::DbReadOnlyOrMissing, fFileName));
    case SQLITE_ROW:
        throw ESqliteException(Fmt(Msg::DbUnknownError, rc));
    default: // a full disk, a broken file, a refused value: SQLite's own words
        throw ESqliteException(Fmt(Msg::DbStepFailed, fFileName, QString::fromUtf8(sqlite3_errmsg(fHandle))));
    }
}

void TSqliteDatabase::ExecSQL(const QString &sql, const QVariantList &params, TTextCoding coding)
{
    CompileSQL(sql);
    SetParams(params, coding);
    RunSQL();
}

void TSqliteDatabase::ExecScript(const char *sql)
{
    sqlite3_finalize(fStmt);
    fStmt = nullptr;
    const int rc = sqlite3_exec(fHandle, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        RaiseStepError(rc);
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
    if (rc == SQLITE_ROW) {
        sqlite3_reset(fStmt); // release the lock the row-returning step holds
        RaiseStepError(rc);
    }
    // The reset would overwrite the error text with its own.
    try {
        RaiseStepError(rc);
    } catch (...) {
        sqlite3_reset(fStmt);
        throw;
    }
}

std::unique_ptr<TSqliteQueryResults> TSqliteDatabase::Query(const QString &sql, const QVariantList &params,
                                                            TTextCoding coding)
{
    return std::make_unique<TSqliteQueryResults>(*this, sql, params, coding);
}

qint64 TSqliteDatabase::GetLastInsertRowID() const
{
    return sqlite3_last_insert_rowid(fHandle);
}

int TSqliteDatabase::Changes() const
{
    return sqlite3_changes(fHandle);
}

bool TSqliteDatabase::InTransaction() const
{
    return sqlite3_get_autocommit(fHandle) == 0;
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
    const QByteArray bytes = encode(text, TTextCoding::CodePage);
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

void TSqliteDatabase::SetParams(const QVariantList &params, TTextCoding coding)
{
    if (params.isEmpty())
        return;
    bindAll(fStmt, fParam, params, coding);
    fParam += int(params.size());
}

QString TSqliteDatabase::Like(const QString &field, const QString &pattern, bool simulate)
{
    return simulate ? Fmt("%s between '%s' and '%sz'", field, pattern, pattern)
                    : Fmt("%s like '%s%%'", field, pattern);
}

TSqliteQueryResults::TSqliteQueryResults(TSqliteDatabase &db, const QString &sql, const QVariantList &params,
                                         TTextCoding coding)
    : fDb(db), fSql(sql), fCoding(coding)
{
    fStmt = compile(db.Handle(), sql, db);
    if (!fStmt)
        return; // nothing to run: an empty result
    try {
        bindAll(fStmt, 1, params, coding);
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
    sqlite3_reset(fStmt);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
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
    return text ? decode(QByteArrayView(text, size), fCoding) : QString();
}

const void *TSqliteQueryResults::FieldAsBlob(int column) const
{
    return sqlite3_column_blob(fStmt, column);
}

int TSqliteQueryResults::FieldSize(int column) const
{
    return sqlite3_column_bytes(fStmt, column);
}
