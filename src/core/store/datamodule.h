#pragma once
#include "config/processinstance.h"
#include "store/sqlitedb.h"

#include <functional>
#include <memory>

// The data module that holds the program's one library database connection.
class TDM : public TProcessInstance<TDM> {
public:
    TDM() = default;
    TDM(const TDM &) = delete;
    TDM &operator=(const TDM &) = delete;

    // False, with nothing changed, for a missing file; false, with no
    // connection held, for a file that cannot be opened as a database.
    bool OpenDatabase(const QString &fileName);
    bool IsOpen() const { return fDB != nullptr; }
    // Why the last OpenDatabase gave false: the missing file, a lock held too
    // long, no database; empty after it succeeded.
    const QString &OpenError() const { return fOpenError; }

    std::unique_ptr<TSqliteQueryResults> Query(const QString &sql, const QVariantList &params = {},
                                               TTextCoding coding = TTextCoding::CodePage);
    // Runs a statement; returns the low 32 bits of the last-insert row id, which
    // after an INSERT is the new row's id.
    int Exec(const QString &sql, const QVariantList &params = {}, TTextCoding coding = TTextCoding::CodePage);
    // Rows the last statement changed.
    int Changes() const { return Connection().Changes(); }
    // Runs work inside one write transaction, taken at once: all of it is
    // kept, or none, and no other program writes in between. Inside a
    // transaction already open, work is part of that one.
    void InTransaction(const std::function<void()> &work);

    TSqliteDatabase *DB() const { return fDB.get(); }
    const QString &DBName() const { return fDBName; }

    static constexpr const char *kMissingInstance = "The database module does not exist.";

private:
    TSqliteDatabase &Connection() const;

    std::unique_ptr<TSqliteDatabase> fDB;
    QString fDBName;
    QString fOpenError;
};

inline TDM &DM() { return TDM::Instance(); }
