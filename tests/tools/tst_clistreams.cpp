// The four programs' command lines, run as separate processes: "-" for
// standard input and output, --help and --version, the one status of a bad
// command line, progress only on a terminal that can show it, the JSON
// document of a failure, and --help saying what the manual page says.
#include "../core/report/pdftext.h"
#include "clidatabase.h"
#include "cliterminal.h"
#include "config/commandline.h"
#include "config/version.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
};

// display: false takes every display away, as on a server's terminal.
TRun Run(const QString &program, const QStringList &arguments, const QByteArray &input = {}, bool display = true)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB"));
    if (!display)
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError()).trimmed()};
}

TRun Cli(const QStringList &arguments, const QByteArray &input = {})
{
    return Run(QStringLiteral(PVBCS_CLI), arguments, input);
}

QByteArray ReadBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct TProgram {
    const char *name;
    const char *path;
};
const TProgram Programs[] = {{"pvbcs", PVBCS_APP},
                             {"pvbcs-cli", PVBCS_CLI},
                             {"pvbcs-beacon-sim", PVBCS_SIM},
                             {"pvbcs-initdb", PVBCS_INITDB}};

// The manual page as configured for installing, "\-" read as "-".
QString ManualPage(const char *name)
{
    return QString::fromUtf8(ReadBytes(QStringLiteral(PVBCS_MAN_DIR "/%1.1").arg(QLatin1String(name))))
        .replace(QStringLiteral("\\-"), QStringLiteral("-"));
}

// The tags of a page's .TP entries in one section, as man prints them: a
// font macro's arguments (quoted where they hold blanks) joined, by blanks
// for .B and .I, without for the alternating ones (.BR, .BI, ...).
QStringList Tags(const QString &page, const QString &section)
{
    const QString text =
        page.section(QStringLiteral("\n.SH ") + section + u'\n', 1).section(QStringLiteral("\n.SH "), 0, 0);
    static const QRegularExpression tag(QStringLiteral("(?m)^\\.TP\\n\\.([BIR]+) (.*)$"));
    static const QRegularExpression argument(QStringLiteral("\"([^\"]*)\"|(\\S+)"));
    QStringList tags;
    for (const QRegularExpressionMatch &match : tag.globalMatch(text)) {
        QStringList arguments;
        for (const QRegularExpressionMatch &a : argument.globalMatch(match.captured(2)))
            arguments << a.captured(1) + a.captured(2);
        tags << arguments.join(match.captured(1).size() == 1 ? QStringLiteral(" ") : QString())
                    .remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    }
    return tags;
}

QStringList LongOptions(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--([a-z][a-z-]*)"));
    QStringList names;
    for (const QRegularExpressionMatch &match : option.globalMatch(text))
        names << match.captured(1);
    names.removeDuplicates();
    names.sort();
    return names;
}

const QStringList DownloadSteps = {"Reading Communication Mode Settings...", "Reading Advanced Settings...",
                                   "Reading Beacon Schedule...", "Reading Calendar of Exceptions...",
                                   "Reading DST Settings...", "Reading Name for calendar record 2..."};
}

class TestCliStreams : public QObject {
    Q_OBJECT
    std::unique_ptr<TBeaconSimulator> sim;
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QString port() const { return sim->PortName(); }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
        QVERIFY(dir.isValid());
        CreateCliDatabase();
        sim = std::make_unique<TBeaconSimulator>();
    }

    void cleanupTestCase() { sim.reset(); }

    void helpVersionAndBadUsageOfEveryProgram()
    {
        const QMap<QString, QList<QStringList>> badUsage = {
            {"pvbcs", {{"--bogus"}, {"-x"}}},
            {"pvbcs-cli", {{"frobnicate"}, {"ports", "--colour"}, {"--port", "x", "status", "extra"}}},
            {"pvbcs-beacon-sim", {{"--colour"}, {"--serial", "123"}, {"--drop-every", "x"}, {"extra"}}},
            {"pvbcs-initdb", {{"--bogus"}, {"one.db", "two.db"}, {"-"}}},
        };
        for (const TProgram &program : Programs) {
            const QString name = QLatin1String(program.name);
            // Neither needs a display, the window's included.
            TRun run = Run(program.path, {"--help"}, {}, false);
            QVERIFY2(run.code == 0 && run.err.isEmpty(), program.name);
            QVERIFY2(run.out.startsWith("Usage: " + name.toUtf8() + ' '), program.name);
            run = Run(program.path, {"--version"}, {}, false);
            QVERIFY2(run.code == 0 && run.err.isEmpty(), program.name);
            QCOMPARE(QString::fromUtf8(run.out), name + u' ' + GetExeVersion() + u'\n');

            for (const QStringList &arguments : badUsage.value(name)) {
                run = Run(program.path, arguments);
                const QString what = name + u' ' + arguments.join(u' ') + u' ' + run.err;
                QVERIFY2(run.code == ExitUsage, qPrintable(what));
                QVERIFY2(run.out.isEmpty(), qPrintable(what));
                QVERIFY2(run.err.endsWith("Try \"" + name + " --help\" for more information."), qPrintable(what));
            }
        }
        QVERIFY(sim->Received().isEmpty());
    }

    // --help is laid out from the installed manual page: every entry, option
    // and exit status of the page is in it, and the program takes every
    // option the page names.
    void helpSaysWhatTheManualPageSays()
    {
        for (const TProgram &program : Programs) {
            const QString page = ManualPage(program.name);
            QVERIFY2(page.startsWith(QLatin1String(".TH ")), program.name);
            const QString help = QString::fromUtf8(Run(program.path, {"--help"}, {}, false).out);
            QCOMPARE(LongOptions(help), LongOptions(page.section(QStringLiteral("\n.SH SEE ALSO"), 0, 0)));
            for (const QString &line : help.split(u'\n'))
                QVERIFY2(line.size() <= 79, qPrintable(line));
            // No sentence said twice (as one about events once was under --archive).
            QStringList sentences = help.simplified().split(QStringLiteral(". "));
            sentences.removeIf([](const QString &s) { return s.count(u' ') < 6; });
            QCOMPARE(QSet<QString>(sentences.begin(), sentences.end()).size(), sentences.size());

            for (const char *section : {"COMMANDS", "OPTIONS", "EXIT STATUS", "JSON OUTPUT", "FILES"})
                for (const QString &tag : Tags(page, QLatin1String(section)))
                    QVERIFY2(help.contains(QRegularExpression(QStringLiteral("(?m)^ +") + QRegularExpression::escape(tag)
                                                              + QStringLiteral("( |$)"))),
                             qPrintable(QLatin1String(program.name) + u' ' + tag));
            QStringList statuses;
            const QString exitStatus = help.section(QStringLiteral("\nEXIT STATUS\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
            for (const QRegularExpressionMatch &match :
                 QRegularExpression(QStringLiteral("(?m)^  (\\d+) ")).globalMatch(exitStatus))
                statuses << match.captured(1);
            QCOMPARE(statuses, Tags(page, QStringLiteral("EXIT STATUS")));
            QVERIFY(statuses.contains(QString::number(ExitUsage)));

            // Each option as the page writes it, with a value where it shows one.
            for (const QString &tag : Tags(page, QStringLiteral("OPTIONS"))) {
                for (const QString &form : tag.split(QStringLiteral(", "))) {
                    const TRun run = Run(program.path, form.split(u' ') << QStringLiteral("--help"), {}, false);
                    QVERIFY2(run.code == 0, qPrintable(QLatin1String(program.name) + u' ' + form + u' ' + run.err));
                }
            }
        }
    }

    // The same command with a file and with "-": standard output then holds
    // exactly what the file would, or standard input gives what the file gave.
    void standardInputAndOutputForEveryFileArgument()
    {
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("beacon.bcfg")}).code, 0);
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("events.csv")}).code, 0);
        QString id; // of the download, which kept the configuration
        for (const QJsonValue &action :
             QJsonDocument::fromJson(Cli({"history", "--json"}).out).object().value("actions").toArray())
            if (action.toObject().value("config").toBool())
                id = QString::number(action.toObject().value("id").toInt());
        QVERIFY(!id.isEmpty());
        QString edited = QString::fromLatin1(ReadBytes(path("beacon.bcfg")));
        edited.replace(QStringLiteral("RecOnTime=420"), QStringLiteral("RecOnTime=450"));
        QFile file(path("edited.bcfg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(edited.toLatin1());
        file.close();

        const struct {
            QStringList arguments; // "@" for the file argument
            const char *input;     // read through "@"; none: "@" is written
        } cases[] = {
            {{"--port", port(), "download", "--out", "@"}, nullptr},
            {{"--port", port(), "download", "--out", "@", "--parts", "holidays"}, nullptr},
            {{"events", "--archive", "--serial", "20240001", "--out", "@"}, nullptr},
            {{"history", "--serial", "20240001", "--config", id, "--out", "@"}, nullptr},
            {{"report", "config", "--in", path("beacon.bcfg"), "--pdf", "@"}, nullptr},
            {{"--port", port(), "diff", "--in", "@"}, "edited.bcfg"},
            {{"--port", port(), "diff", "--in", "@", "--json"}, "edited.bcfg"},
            {{"report", "config", "--in", "@", "--pdf", path("out.pdf")}, "edited.bcfg"},
            {{"report", "events", "--in", "@", "--settings", path("beacon.bcfg"), "--pdf", path("out.pdf")},
             "events.csv"},
            {{"report", "events", "--in", path("events.csv"), "--settings", "@", "--pdf", path("out.pdf")},
             "edited.bcfg"},
            {{"report", "events", "--in", "@", "--pdf", path("out.pdf")}, "beacon.bcfg"}, // not an event log
        };
        for (const auto &c : cases) {
            const QString what = c.arguments.join(u' ');
            const QString file = c.input ? path(c.input) : path("file.out");
            QStringList withFile = c.arguments, withStream = c.arguments;
            withFile.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), file);
            withStream.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), QStringLiteral("-"));
            const bool pdf = c.arguments.contains(QLatin1String("--pdf"));
            const QString pdfFile = c.input ? path("out.pdf") : file;

            const TRun fromFile = Cli(withFile);
            const QStringList filePages = pdf ? PdfPageTexts(pdfFile) : QStringList();
            if (pdf)
                QFile::remove(pdfFile);
            const TRun fromStream = Cli(withStream, c.input ? ReadBytes(file) : QByteArray());
            QVERIFY2(fromStream.code == fromFile.code, qPrintable(what + u' ' + fromStream.err));
            // Messages name the file as given.
            if (c.input) {
                QCOMPARE(fromStream.err, QString(fromFile.err).replace(file, QStringLiteral("-")));
                QCOMPARE(fromStream.out, QByteArray(fromFile.out).replace(file.toUtf8(), "-"));
                if (pdf && fromFile.code == 0)
                    QCOMPARE(PdfPageTexts(pdfFile), filePages);
                continue;
            }
            // Data alone on standard output, unaltered; what the command says
            // goes to standard error.
            QVERIFY2(fromFile.code == 0, qPrintable(what + u' ' + fromFile.err));
            QCOMPARE(fromStream.err, (fromFile.err + QString::fromUtf8(fromFile.out)).trimmed().replace(file, "-"));
            if (!pdf) {
                QCOMPARE(fromStream.out, ReadBytes(file));
                continue;
            }
            QVERIFY(fromStream.out.startsWith("%PDF-"));
            QFile copy(path("stream.pdf"));
            QVERIFY(copy.open(QIODevice::WriteOnly));
            copy.write(fromStream.out);
            copy.close();
            QCOMPARE(PdfPageTexts(path("stream.pdf")), filePages);
        }
        QCOMPARE(Cli({"report", "events", "--in", "-", "--settings", "-", "--pdf", path("x.pdf")}).code, ExitUsage);

        // An upload of what standard input holds.
        sim.reset();
        sim = std::make_unique<TBeaconSimulator>();
        const TRun upload = Cli({"--port", port(), "upload", "--in", "-", "--verify"}, edited.toLatin1());
        QVERIFY2(upload.code == 0, qPrintable(upload.err));
        QVERIFY(upload.out.isEmpty());
        QCOMPARE(Cli({"--port", port(), "diff", "--in", path("edited.bcfg")}).code, 0);
        QCOMPARE(Cli({"--port", port(), "diff", "--in", path("beacon.bcfg")}).code, 6);
    }

    // Steps only where a terminal can rewrite them; standard output holds the
    // data whatever standard error is.
    void progressOnlyOnATerminalThatCanShowIt()
    {
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("holidays.bcfg"), "--parts", "holidays"}).code, 0);
        for (const char *term : {"xterm", "dumb", ""}) {
            const bool shown = QByteArray(term) == "xterm";
            const TTerminalRun run =
                RunOnTerminal(PVBCS_CLI, {"--port", port(), "download", "--out", "-", "--parts", "holidays"}, term);
            QCOMPARE(run.code, 0);
            QCOMPARE(run.out, ReadBytes(path("holidays.bcfg")));
            const QStringList steps = {DownloadSteps.at(0), DownloadSteps.at(3), DownloadSteps.at(4), DownloadSteps.at(5)};
            QCOMPARE(run.Shown(), shown ? steps : QStringList());
        }
        const TRun piped = Cli({"--port", port(), "download", "--out", "-"});
        QCOMPARE(piped.code, 0);
        QVERIFY(piped.err.isEmpty());

        // An error after a step stands on a line of its own.
        TSimOptions hangsUp;
        hangsUp.closeAfter = 2; // who it is, for the register, and then the first step
        hangsUp.name = QStringLiteral("hangs-up");
        const TBeaconSimulator cut(hangsUp);
        const TTerminalRun failed =
            RunOnTerminal(PVBCS_CLI, {"--port", cut.PortName(), "download", "--out", path("never.bcfg")}, "xterm");
        QCOMPARE(failed.code, 3);
        const QStringList shown = failed.Shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.first(), DownloadSteps.first());
        QVERIFY2(shown.last().startsWith("Lost the connection to " + cut.PortName()), qPrintable(shown.last()));
    }

    // With --json a failure leaves one document on standard output: the
    // exit status and the message standard error shows.
    void aFailureWithJsonGivesADocument()
    {
        const struct {
            QStringList arguments;
            int code;
        } cases[] = {
            {{"--port", path("no-such-port"), "identify", "--json"}, 2},
            {{"--port", port(), "diff", "--in", path("missing.bcfg"), "--json"}, 4},
            {{"--port", port(), "status", "--json", "extra"}, ExitUsage},
            {{"ports", "--json", "--colour"}, ExitUsage},
            {{"history", "--json", "--since", "yesterday"}, ExitUsage},
            {{"--port", port(), "download", "--out", path("x.bcfg"), "--json"}, ExitUsage},
        };
        for (const auto &c : cases) {
            const TRun run = Cli(c.arguments);
            const QString what = c.arguments.join(u' ');
            QVERIFY2(run.code == c.code, qPrintable(what + u' ' + run.err));
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
            QVERIFY2(error.error == QJsonParseError::NoError, run.out.constData());
            QVERIFY(!run.err.isEmpty());
            QCOMPARE(document.object(),
                     (QJsonObject{{"error", QJsonObject{{"exit", c.code}, {"message", run.err}}}}));
        }
        QVERIFY(!QFile::exists(path("x.bcfg")));
    }

    // A history list that fails part way (a damaged database) still leaves
    // one document: the actions read, and the error beside them.
    void aListThatFailsPartWayIsStillOneDocument()
    {
        const auto restore = qScopeGuard([] { CreateCliDatabase(); });
        QCOMPARE(Cli({"--port", port(), "identify"}).code, 0); // the register's tables
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(CliDatabaseFileName()).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db,
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                              "INSERT INTO history_actions (at_utc, serial, action, options, outcome) "
                              "SELECT '2025-01-01 00:00:00.000', '20240001', 'download', printf('%.200c', 'o'), 'done' "
                              "FROM n",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        // A page in the middle of the list, and how large pages are.
        qint64 page = 0, pageSize = 0;
        sqlite3_stmt *query = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT (SELECT page_size FROM pragma_page_size), pageno FROM dbstat "
                               "WHERE name = 'history_actions' AND pagetype = 'leaf' ORDER BY pageno "
                               "LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat WHERE name = 'history_actions' "
                               "AND pagetype = 'leaf')",
                               -1, &query, nullptr) == SQLITE_OK &&
            sqlite3_step(query) == SQLITE_ROW) {
            pageSize = sqlite3_column_int64(query, 0);
            page = sqlite3_column_int64(query, 1);
        }
        sqlite3_finalize(query);
        sqlite3_close(db);
        if (page == 0)
            QSKIP("This SQLite has no dbstat table to find a page to damage.");
        QFile file(CliDatabaseFileName());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((page - 1) * pageSize));
        QCOMPARE(file.write(QByteArray(int(pageSize), '\xff')), pageSize);
        file.close();

        const TRun run = Cli({"history", "--json"});
        QCOMPARE(run.code, 4);
        QJsonParseError error;
        const QJsonObject document = QJsonDocument::fromJson(run.out, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, run.out.right(300).constData());
        QVERIFY(document.value("actions").toArray().size() > 100);
        QCOMPARE(document.value("error").toObject(), (QJsonObject{{"exit", 4}, {"message", run.err}}));
    }

    // The simulator's frame log on standard output, its own lines on
    // standard error; a log it cannot write stops it before it starts.
    void simulatorFrameLogOnStandardOutput()
    {
        QProcess simulator;
        simulator.start(QStringLiteral(PVBCS_SIM), {"--name", "logged", "--log", "-"});
        QVERIFY(simulator.waitForStarted());
        QByteArray said;
        for (int i = 0; i < 100 && !said.contains('\n'); ++i) {
            simulator.waitForReadyRead(100);
            said += simulator.readAllStandardError();
        }
        const QString device = QString::fromUtf8(said).section(QStringLiteral(" on "), 1).section(u',', 0, 0);
        QVERIFY2(device.startsWith(QLatin1String("/dev/")), said.constData());
        QCOMPARE(Cli({"--port", device, "identify"}).code, 0);
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(10000));
        QCOMPARE(simulator.exitCode(), 0);
        const QString frames = QString::fromUtf8(simulator.readAllStandardOutput());
        QVERIFY2(frames.contains(QLatin1String("!0100")), qPrintable(frames));
        QVERIFY(!frames.contains(QLatin1String("simulator")));

        const TRun unwritable = Run(PVBCS_SIM, {"--name", "unlogged", "--log", path("no-folder/frames.log")});
        QCOMPARE(unwritable.code, 1);
        QVERIFY2(unwritable.err.startsWith("cannot write the frame log " + path("no-folder/frames.log")),
                 qPrintable(unwritable.err));
        QVERIFY(!QFileInfo::exists(VirtualPortFolder() + QStringLiteral("/unlogged")));
    }
};

QTEST_GUILESS_MAIN(TestCliStreams)
#include "tst_clistreams.moc"
