#pragma once
#include <QString>

// The register's tables (history of actions, archived events), made with the
// library or, in a file made before them, on the register's first write.
extern const char *const kRegisterSchemaSql;

// Prepares a library database the way an installer would: creates the file
// (and its folder) with the four tables and the register's, only where no
// file exists. Two programs making it at once both end with the same file. Returns
// false, touching nothing, when a library database is already there. Raises
// ESqliteException when it cannot be created, and, touching nothing, when the
// file that is there is no library database (CheckLibraryDatabase).
bool CreateLibraryDatabase(const QString &fileName);

// Raises ESqliteException saying so unless the file is a SQLite database
// holding the four library tables; reads only.
void CheckLibraryDatabase(const QString &fileName);
