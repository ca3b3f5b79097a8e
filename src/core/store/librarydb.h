#pragma once
#include <QString>

// Prepares a library database the way an installer would: creates the file
// (and its folder) with the four tables, only where no file exists. Returns
// false, touching nothing, when the file is already there; raises
// ESqliteException when it cannot be created.
bool CreateLibraryDatabase(const QString &fileName);
