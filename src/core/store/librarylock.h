#pragma once
#include <QLockFile>
#include <QString>

// One window per library database: a window holds this lock on its library
// for as long as it runs, so a second window on the same file cannot change
// records under the first one's feet. The command-line tool reads and
// records without it. A lock left by a program that has ended is taken over.
class TLibraryLock {
public:
    // Raises Exception naming the process whose window has the library open.
    // A folder where no lock file can be made (read-only) is not locked:
    // nothing can be written there either.
    explicit TLibraryLock(const QString &dbFileName);
    TLibraryLock(const TLibraryLock &) = delete;
    TLibraryLock &operator=(const TLibraryLock &) = delete;

    static QString LockFileName(const QString &dbFileName);

private:
    QLockFile fLock;
};
