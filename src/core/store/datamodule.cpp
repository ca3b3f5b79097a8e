#include "store/datamodule.h"

#include "config/messages.h"

#include <QFileInfo>

bool TDM::OpenDatabase(const QString &fileName)
{
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) {
        fOpenError = Fmt(Msg::DbOpenFailed, fileName);
        return false;
    }
    try {
        fDB.reset();
        fDB = std::make_unique<TSqliteDatabase>(fileName);
        fDBName = fileName;
        fOpenError.clear();
        return true;
    } catch (const Exception &e) {
        fDB.reset();
        fOpenError = e.Message();
        return false;
    }
}

TSqliteDatabase &TDM::Connection() const
{
    if (!fDB)
        throw ESqliteException(QStringLiteral("No database is open."));
    return *fDB;
}

std::unique_ptr<TSqliteQueryResults> TDM::Query(const QString &sql, const QVariantList &params, TTextCoding coding)
{
    return Connection().Query(sql, params, coding);
}

int TDM::Exec(const QString &sql, const QVariantList &params, TTextCoding coding)
{
    TSqliteDatabase &db = Connection();
    db.ExecSQL(sql, params, coding);
    return int(db.GetLastInsertRowID());
}

void TDM::InTransaction(const std::function<void()> &work)
{
    TSqliteDatabase &db = Connection();
    if (db.InTransaction()) {
        work();
        return;
    }
    // Immediate: a deferred transaction that first reads and then writes
    // fails at once, without the busy wait, when another program writes.
    db.ExecSQL(QStringLiteral("begin immediate"));
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
