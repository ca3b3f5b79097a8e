// pvbcs-initdb: prepares the library database the way an installer would.
// Creates the file named by the configuration store's "Database" value (or the
// path given) with its tables, only where no file exists yet. A file already
// there is left as it is; one that is no library database is reported and
// ends the run with status 1.
#include "config/appconfig.h"
#include "config/commandline.h"
#include "config/version.h"
#include "manual/pvbcs-initdb.h"
#include "store/librarydb.h"
#include "store/sqlitedb.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {
const char *const kProgram = "pvbcs-initdb";
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{{QStringLiteral("h"), QStringLiteral("help")}, {}}, {QStringLiteral("version"), {}}});
    if (!parser.parse(app.arguments()))
        return UsageError(kProgram, parser.errorText());
    if (const std::optional<int> answered = AnswerHelpOrVersion(parser, kProgram, kManualPage))
        return *answered;
    const QStringList args = parser.positionalArguments();
    if (args.size() > 1)
        return UsageError(kProgram, QStringLiteral("unexpected argument \"%1\"").arg(args.at(1)));
    // SQLite needs a file it can seek in; a stream cannot hold a database.
    if (args == QStringList{QStringLiteral("-")})
        return UsageError(kProgram,
                          QStringLiteral("a database is a file: \"-\" (standard input or output) cannot hold one"));
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
