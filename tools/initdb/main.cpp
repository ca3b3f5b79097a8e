// pvbcs-initdb: prepares the library database the way an installer would.
// Creates the file named by the configuration store's "Database" value (or the
// path given) with its tables, only where no file exists yet. A file already
// there is left as it is; one that is no library database is reported and
// ends the run with status 1.
#include "config/appconfig.h"
#include "config/version.h"
#include "store/librarydb.h"
#include "store/sqlitedb.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--version")}) {
        std::printf("pvbcs-initdb %s\n", qPrintable(GetExeVersion()));
        return 0;
    }
    if (args.size() > 1 || (args.size() == 1 && args.first().startsWith(u'-'))) {
        std::fprintf(stderr, "usage: pvbcs-initdb [DATABASE-FILE]\n");
        return 2;
    }
    QString path;
    if (args.isEmpty()) {
        TAppConfig config;
        path = config.DBName();
    } else {
        path = args.first();
    }
    if (path.isEmpty()) {
        std::fprintf(stderr, "pvbcs-initdb: the configured database path is empty; nothing to do\n");
        return 1;
    }
    try {
        if (CreateLibraryDatabase(path))
            std::printf("created %s\n", qPrintable(path));
        else
            std::printf("%s exists; left as it is\n", qPrintable(path));
    } catch (const ESqliteException &e) {
        std::fprintf(stderr, "pvbcs-initdb: %s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
