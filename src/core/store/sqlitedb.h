#pragma once
#include "config/exceptions.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class ESqliteException : public Exception {
public:
    using Exception::Exception;
};

class TSqliteQueryResults;

// How a statement's text values are stored: the library's four tables hold
// Windows-1252 bytes, as in databases of existing installations; the tables
// the program added later (the register) hold UTF-8, exactly as given.
enum class TTextCoding { CodePage, Utf8 };

// One connection to a library database file. Statement text is Windows-1252
// bytes; text values follow the statement's TTextCoding; the file name is the
// platform's own path.
class TSqliteDatabase {
public:
    // How long a statement waits for a lock that another program holds
    // before it fails with "locked by another program".
    static constexpr int BusyTimeoutMs = 3000;

    // Opens an existing file (never creates one) and sets its pragmas.
    explicit TSqliteDatabase(const QString &fileName);
    ~TSqliteDatabase();
    TSqliteDatabase(const TSqliteDatabase &) = delete;
    TSqliteDatabase &operator=(const TSqliteDatabase &) = delete;

    // Compiles and runs a statement that returns no row; values in params are
    // bound to its "?" placeholders in order.
    void ExecSQL(const QString &sql, const QVariantList &params = {}, TTextCoding coding = TTextCoding::CodePage);
    void CompileSQL(const QString &sql);
    void RunSQL();
    // Runs statements separated by ";", none of which returns a row.
    void ExecScript(const char *sql);
    std::unique_ptr<TSqliteQueryResults> Query(const QString &sql, const QVariantList &params = {},
                                               TTextCoding coding = TTextCoding::CodePage);
    qint64 GetLastInsertRowID() const;
    // Rows the last INSERT, UPDATE or DELETE changed.
    int Changes() const;
    // Whether a transaction is open on this connection.
    bool InTransaction() const;

    void BeginTransaction();
    void Commit();
    void Rollback();

    // Bind to the next parameter of the statement compiled last.
    void SetParam(qint64 value);
    void SetParam(const QString &text);
    void SetParamCurrency(qint64 tenThousandths);
    void SetParamBlob(const QByteArray &block);
    void SetParams(const QVariantList &params, TTextCoding coding = TTextCoding::CodePage);

    static QString Like(const QString &field, const QString &pattern, bool simulate);

    const QString &FileName() const { return fFileName; }
    sqlite3 *Handle() const { return fHandle; }

    // Raises the compile error of this connection for the given statement.
    [[noreturn]] void RaiseCompileError(const QString &sql) const;
    // Raises the operator's words for a failed step with SQLite's result code.
    [[noreturn]] void RaiseStepError(int rc) const;

private:
    void CheckBind(int rc);

    sqlite3 *fHandle = nullptr;
    sqlite3_stmt *fStmt = nullptr;
    int fParam = 1;
    QString fFileName;
};

// A forward cursor with its own compiled statement. After construction it
// stands on the first row, or Eof() is true for an empty result.
class TSqliteQueryResults {
public:
    TSqliteQueryResults(TSqliteDatabase &db, const QString &sql, const QVariantList &params = {},
                        TTextCoding coding = TTextCoding::CodePage);
    ~TSqliteQueryResults();
    TSqliteQueryResults(const TSqliteQueryResults &) = delete;
    TSqliteQueryResults &operator=(const TSqliteQueryResults &) = delete;

    // A failed step raises ESqliteException and leaves the cursor at its end.
    void Next();
    bool Eof() const { return fEof; }

    qint64 FieldAsInteger(int column) const;
    double FieldAsDouble(int column) const;
    QString FieldAsString(int column) const; // a NULL column gives empty text
    const void *FieldAsBlob(int column) const;
    int FieldSize(int column) const;

private:
    TSqliteDatabase &fDb;
    sqlite3_stmt *fStmt = nullptr;
    QString fSql;
    TTextCoding fCoding;
    bool fEof = true;
};
