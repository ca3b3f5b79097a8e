#include "store/librarylock.h"

#include "config/exceptions.h"
#include "config/messages.h"

QString TLibraryLock::LockFileName(const QString &dbFileName)
{
    return dbFileName + QStringLiteral(".window-lock");
}

TLibraryLock::TLibraryLock(const QString &dbFileName) : fLock(LockFileName(dbFileName))
{
    // Only a holder that is no longer running makes a lock stale, never its age.
    fLock.setStaleLockTime(0);
    if (fLock.tryLock(0) || fLock.error() != QLockFile::LockFailedError)
        return;
    qint64 pid = 0;
    QString host;
    QString program;
    fLock.getLockInfo(&pid, &host, &program);
    throw Exception(Fmt(Msg::DbOpenInAnotherWindow, dbFileName, pid, program));
}
