#pragma once
// The library database pvbcs-cli finds through the per-user configuration:
// with no configuration stored, the default in the user's data folder, which
// the test's environment (XDG_DATA_HOME) makes a folder of its own.
#include "store/librarydb.h"

#include <QFile>
#include <QtTest>

inline QString CliDatabaseFileName()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Orvella Works/PavolineBCS/pvbcs.db");
}

// A fresh library database made by the schema alone, as an installer leaves it.
inline void CreateCliDatabase()
{
    QFile::remove(CliDatabaseFileName());
    QVERIFY(CreateLibraryDatabase(CliDatabaseFileName()));
}
