#pragma once
#include <QString>

// Prepares a library database the way an installer would: creates the file
// (and its folder) with the four tables, only where no file exists. Returns
// false, touching nothing, when a library database is already there. Raises
// ESqliteException when it cannot be created, and, touching nothing, when the
// file that is there is no library database (CheckLibraryDatabase).
bool CreateLibraryDatabase(const QString &fileName);

// Raises ESqliteException saying so unless the file is a SQLite database
// holding the four library tables; reads only.
void CheckLibraryDatabase(const QString &fileName);
