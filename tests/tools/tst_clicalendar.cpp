// pvbcs-cli calendar import, run as a separate process on the district files
// of the import's own tests, into the library database it finds itself.
#include "clidatabase.h"
#include "store/calendar.h"
#include "store/datamodule.h"
#include "testenv.h"

#include <QProcess>
#include <QtTest>

namespace {
struct TRun {
    int code = -1;
    QString out;
    QString err;
};

TRun Cli(const QStringList &arguments, const QString &stdinFile)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB"));
    process.setProcessEnvironment(env);
    if (!stdinFile.isEmpty())
        process.setStandardInputFile(stdinFile);
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    if (!process.waitForFinished(120000))
        return {};
    TRun run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

QString Ics(const char *name)
{
    return QStringLiteral(PVBCS_ICS_DIR "/") + QLatin1String(name);
}

// The library's calendars as "name:records".
QStringList Library()
{
    TDM dm;
    if (!dm.OpenDatabase(CliDatabaseFileName()))
        return {QStringLiteral("no library")};
    TCalendarList library;
    QStringList list;
    for (int i = 0; i < library.Count(); ++i)
        list << QStringLiteral("%1:%2").arg(library.Calendars(i)->Name()).arg(library.Calendars(i)->Count());
    return list;
}
}

class TestCliCalendar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void import_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("stdinFile");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("library");

        const QString maplewood = Ics("maplewood-2025-26.ics");
        QTest::newRow("over the limit: imported, with a warning")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", "Maplewood 25-26"} << "" << 0
            << QStringList{"NAME             FROM        TO          DAYS  DAY MODE",
                           "Winter Break     22/12/2025  02/01/2026  12    Sunday", "Skipped (3):",
                           "  Snow Make-up Day, 13 February 2026: cancelled", "Merged (2):", "Shortened (8):",
                           "Calendar \"Maplewood 25-26\" made with 17 record(s)."}
            << "17 records: more than the 16 a Beacon holds." << QStringList{"Maplewood 25-26:17"};
        QTest::newRow("only, a special day mode, from standard input")
            << QStringList{"calendar", "import", "--ics", "-", "--name", "No School", "--only", "NO SCHOOL",
                           "--mode", "special day mode #2"}
            << maplewood << 0
            << QStringList{"Labor Day        01/09/2025  01/09/2025  1     Special Day Mode #2",
                           "Calendar \"No School\" made with 15 record(s)."}
            << "" << QStringList{"No School:15"};
        QTest::newRow("a range")
            << QStringList{"calendar", "import", "--ics", Ics("cedar-hollow-office-export.ics"), "--name", "Cedar",
                           "--from", "2025-12-01", "--to", "2026-01-31"}
            << "" << 0
            << QStringList{"Half Day PD (mo  12/12/2025  12/12/2025  1     Sunday",
                           "  Indigenous Peoples\u2019 Day, 13 October 2025: outside 1 December 2025 to 31 January 2026",
                           "Calendar \"Cedar\" made with 3 record(s)."}
            << "" << QStringList{"Cedar:3"};
        QTest::newRow("nothing in the range")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", "Empty", "--from", "2030-01-01"} << ""
            << 4 << QStringList{"Skipped (16):"} << "no calendar was made" << QStringList{};
        QTest::newRow("not a calendar")
            << QStringList{"calendar", "import", "--ics", Ics("not-a-calendar.ics"), "--name", "X"} << "" << 4
            << QStringList{} << "is not an iCalendar file" << QStringList{};
        QTest::newRow("missing file")
            << QStringList{"calendar", "import", "--ics", Ics("none.ics"), "--name", "X"} << "" << 4 << QStringList{}
            << "does not exist" << QStringList{};
        QTest::newRow("unknown day mode")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", "X", "--mode", "holiday"} << "" << 64
            << QStringList{} << "Unknown day mode \"holiday\"" << QStringList{};
        QTest::newRow("bad date")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", "X", "--to", "31/12/2025"} << "" << 64
            << QStringList{} << "--to takes a date as YYYY-MM-DD" << QStringList{};
        QTest::newRow("range reversed")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", "X", "--from", "2026-01-02", "--to",
                           "2026-01-01"}
            << "" << 4 << QStringList{} << "The range ends (1 January 2026) before it starts" << QStringList{};
        QTest::newRow("name the library cannot hold")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", QStringLiteral("School \u263A")} << ""
            << 64 << QStringList{} << "These characters cannot be stored in a name" << QStringList{};
        QTest::newRow("no name") << QStringList{"calendar", "import", "--ics", maplewood} << "" << 64 << QStringList{}
                                 << "The command calendar needs --name." << QStringList{};
        QTest::newRow("other action") << QStringList{"calendar", "export", "--ics", maplewood, "--name", "X"} << ""
                                      << 64 << QStringList{} << "The command calendar takes import." << QStringList{};
        QTest::newRow("option of another command")
            << QStringList{"calendar", "import", "--ics", maplewood, "--name", "X", "--json"} << "" << 64
            << QStringList{} << "does not take --json" << QStringList{};
    }

    void import()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, stdinFile);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        QFETCH(QStringList, library);
        CreateCliDatabase();
        const TRun run = Cli(arguments, stdinFile);
        QTEST(run.code, "code");
        const QStringList lines = run.out.split(u'\n');
        for (const QString &line : out)
            QVERIFY2(lines.contains(line), qPrintable(line + QStringLiteral("\nnot in\n") + run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        if (err.isEmpty())
            QCOMPARE(run.err, QString());
        QCOMPARE(Library(), library);
    }
};

QTEST_GUILESS_MAIN(TestCliCalendar)
#include "tst_clicalendar.moc"
