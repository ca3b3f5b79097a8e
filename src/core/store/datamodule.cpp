#include "store/datamodule.h"

#include <QFileInfo>

bool TDM::OpenDatabase(const QString &fileName)
{
    if (fileName.isEmpty() || !QFileInfo::exists(fileName))
        return false;
    try {
        fDB.reset();
        fDB = std::make_unique<TSqliteDatabase>(fileName);
        fDBName = fileName;
        return true;
    } catch (const std::exception &) {
        fDB.reset();
        return false;
    }
}

TSqliteDatabase &TDM::Connection() const
{
    if (!fDB)
        throw ESqliteException(QStringLiteral("No database is open."));
    return *fDB;
}

std::unique_ptr<TSqliteQueryResults> TDM::Query(const QString &sql, const QVariantList &params)
{
    return Connection().Query(sql, params);
}

int TDM::Exec(const QString &sql, const QVariantList &params)
{
    TSqliteDatabase &db = Connection();
    db.ExecSQL(sql, params);
    return int(db.GetLastInsertRowID());
}

void TDM::InTransaction(const std::function<void()> &work)
{
    TSqliteDatabase &db = Connection();
    db.BeginTransaction();
    try {
        work();
        db.Commit();
    } catch (...) {
        try {
            db.Rollback();
        } catch (...) {
            // The first failure is the one worth reporting.
        }
        throw;
    }
}
