// pvbcs-cli's history: what it records, the commands that read the register,
// diff, the verification after an upload and the JSON documents, run as a
// separate process against the simulated controller.
#include "clidatabase.h"
#include "cliterminal.h"
#include "config/commandline.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "link/portlist.h"
#include "sim/beaconsimulator.h"
#include "store/datamodule.h"
#include "testenv.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
    QStringList Lines() const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }
};

// stdoutFile: where standard output goes instead of being read.
TRun Cli(const QStringList &arguments, const QString &stdoutFile = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB")); // day-first dates, 24-hour clock
    process.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    if (!process.waitForFinished(120000))
        return {};
    TRun run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

// Standard output as the one JSON document it must be.
QJsonObject Json(const TRun &run)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        qWarning("not a JSON document: %s", run.out.constData());
    return document.object();
}

// The per-user configuration store the tool reads.
QString CliStoreFileName()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Orvella Works/PavolineBCS.conf");
}

QByteArray ReadBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Column(const QJsonArray &objects, const char *key)
{
    QStringList values;
    for (const QJsonValue &value : objects)
        values << value.toObject().value(QLatin1String(key)).toVariant().toString();
    return values;
}
}

class TestCliHistory : public QObject {
    Q_OBJECT
    std::unique_ptr<TBeaconSimulator> sim;
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QString port() const { return sim->PortName(); }

    QList<TActionRecord> Actions()
    {
        TDM dm;
        if (!dm.OpenDatabase(CliDatabaseFileName()))
            return {};
        return THistoryRegister(dm).Actions();
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
        QVERIFY(dir.isValid());
    }

    void init()
    {
        CreateCliDatabase();
        sim = std::make_unique<TBeaconSimulator>();
    }
    void cleanup() { sim.reset(); }

    void everyActionIsRecordedWithItsConfiguration()
    {
        QCOMPARE(Cli({"--port", port(), "identify"}).code, 0);
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("beacon.bcfg")}).code, 0);
        const TRun upload = Cli({"--port", port(), "upload", "--in", path("beacon.bcfg"), "--parts", "schedule",
                                 "--no-clock"});
        QCOMPARE(upload.code, 0);
        QVERIFY2(upload.err.isEmpty(), qPrintable(upload.err));
        QCOMPARE(Cli({"--port", port(), "override", "off", "--until", "16:45"}).code, 0);
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("events.csv")}).code, 0);

        const QList<TActionRecord> actions = Actions();
        QCOMPARE(actions.size(), 5);
        QStringList what;
        for (const TActionRecord &a : actions) {
            what << a.Action + u' ' + a.Options + u' ' + a.Outcome;
            QCOMPARE(a.Serial, QStringLiteral("20240001"));
            QCOMPARE(a.Port, port());
            QCOMPARE(a.Source, QStringLiteral("cli"));
            QVERIFY(!a.User.isEmpty());
        }
        QCOMPARE(what, (QStringList{"identify  done", "download schedule,holidays,advanced done",
                                    "upload schedule done", "override off until 16:45 done", "events  done"}));
        QCOMPARE(actions.first().Board, QStringLiteral("0003"));
        QCOMPARE(actions.first().Firmware, QStringLiteral("0105"));

        // A recorded configuration goes back to a file as it was written.
        const QString download = QString::number(actions.at(1).Id);
        TRun run = Cli({"history", "--serial", "20240001", "--config", download, "--out", path("again.bcfg")});
        QCOMPARE(run.code, 0);
        QCOMPARE(ReadBytes(path("again.bcfg")), ReadBytes(path("beacon.bcfg")));
        QVERIFY(ReadBytes(path("again.bcfg")).contains("[Schedule1]"));
        run = Cli({"history", "--serial", "20240001", "--config", QString::number(actions.at(2).Id), "--out",
                   path("upload.bcfg")});
        QCOMPARE(run.code, 0);
        QVERIFY(ReadBytes(path("upload.bcfg")).startsWith("[General]\r\nScheduleCount=2\r\n"));
        // Another controller's configuration, or an action without one, is not there to write.
        run = Cli({"history", "--serial", "20249999", "--config", download, "--out", path("x.bcfg")});
        QCOMPARE(run.code, 4);
        QCOMPARE(run.err, "No configuration " + download + " is recorded for the Beacon 20249999.");
        QCOMPARE(Cli({"history", "--serial", "20240001", "--config", "1", "--out", path("x.bcfg")}).code, 4);
        QVERIFY(!QFile::exists(path("x.bcfg")));

        // The listing, in lines and as JSON.
        run = Cli({"history"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.Lines().size(), 6);
        QVERIFY(run.Lines().first().startsWith(QLatin1String("ID  TIME (UTC)")));
        QVERIFY(run.Lines().at(3).contains(QLatin1String("upload    schedule")));
        run = Cli({"history", "--serial", "20240001", "--since", QDate::currentDate().addDays(-1).toString(Qt::ISODate),
                   "--json"});
        QCOMPARE(run.code, 0);
        const QJsonArray listed = Json(run).value(QStringLiteral("actions")).toArray();
        QCOMPARE(Column(listed, "action"), (QStringList{"identify", "download", "upload", "override", "events"}));
        QCOMPARE(Column(listed, "config"), (QStringList{"false", "true", "true", "false", "false"}));
        QCOMPARE(Column(listed, "done"), QStringList(5, QStringLiteral("true")));
        QVERIFY(QDateTime::fromString(listed.first().toObject().value("time").toString(), Qt::ISODateWithMs).isValid());
        QCOMPARE(Json(Cli({"history", "--since", "2099-01-01T00:00", "--json"})).value("actions").toArray().size(), 0);
        QCOMPARE(Cli({"history", "--since", "yesterday"}).code, ExitUsage);
        QCOMPARE(Cli({"history", "--config", "2"}).code, ExitUsage);
    }

    void theArchiveKeepsEveryEventEverDownloaded()
    {
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("first.csv")}).code, 0);
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("second.csv")}).code, 0);
        TRun run = Cli({"events", "--archive", "--serial", "20240001", "--out", path("archive.csv")});
        QCOMPARE(run.code, 0);
        // Downloading twice added nothing: the archive is the download, in its format.
        QCOMPARE(ReadBytes(path("archive.csv")), ReadBytes(path("first.csv")));

        // The log wraps: three overrides take the places of the three oldest events.
        for (const char *until : {"15:01", "15:02", "15:03"}) {
            sim->WithController([until](TBeaconController &c) {
                c.SetClock(QDateTime(QDate::currentDate().addDays(1), QTime::fromString(QLatin1String(until))));
            });
            QCOMPARE(Cli({"--port", port(), "override", "on", "--until", "23:00"}).code, 0);
        }
        QCOMPARE(Cli({"--port", port(), "events", "--out", path("third.csv")}).code, 0);
        QCOMPARE(Cli({"events", "--archive", "--serial", "20240001", "--out", path("archive.csv")}).code, 0);
        const QByteArray archive = ReadBytes(path("archive.csv"));
        QCOMPARE(archive.count("\r\n"), 96);
        QVERIFY(archive.endsWith(ReadBytes(path("first.csv")).right(200))); // the oldest are still there
        QVERIFY(archive.startsWith("\"" + QDate::currentDate().addDays(1).toString("dd/MM/yy").toLatin1()));

        run = Cli({"events", "--archive", "--serial", "20249999", "--out", path("none.csv")});
        QCOMPARE(run.code, 4);
        QCOMPARE(run.err, QStringLiteral("No events of the Beacon 20249999 are archived."));
        QCOMPARE(Cli({"events", "--archive", "--out", path("none.csv")}).code, ExitUsage); // which controller?
    }

    void diffListsEachDifferenceAndSaysSoInItsStatus()
    {
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("same.bcfg")}).code, 0);
        TRun run = Cli({"--port", port(), "diff", "--in", path("same.bcfg")});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.Lines().last(), "The Beacon holds the configuration of " + path("same.bcfg") + ".");

        QByteArray text = ReadBytes(path("same.bcfg"));
        text.replace("RecOffTime=510", "RecOffTime=525").replace("FlashSpeed=2", "FlashSpeed=3");
        QFile file(path("changed.bcfg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        run = Cli({"--port", port(), "diff", "--in", path("changed.bcfg")});
        QCOMPARE(run.code, 6);
        QCOMPARE(run.Lines().mid(run.Lines().size() - 2),
                 (QStringList{"Advanced Settings: Flashing Speed Medium (Default) on the Beacon, Fast in the file",
                              "Schedule record 1: OFF time 08:30 on the Beacon, 08:45 in the file"}));

        run = Cli({"--port", port(), "diff", "--in", path("changed.bcfg"), "--json"});
        QCOMPARE(run.code, 6);
        const QJsonObject diff = Json(run);
        QCOMPARE(diff.value("equal").toBool(), false);
        QCOMPARE(Column(diff.value("differences").toArray(), "item"),
                 (QStringList{"Advanced Settings: Flashing Speed", "Schedule record 1: OFF time"}));
        QCOMPARE(diff.value("differences").toArray().last().toObject().value("beacon").toString(), "08:30");
        QVERIFY(run.err.isEmpty()); // no steps where no terminal shows them, and none in the document
        QCOMPARE(Json(Cli({"--port", port(), "diff", "--in", path("same.bcfg"), "--json"})).value("equal").toBool(), true);

        QCOMPARE(Cli({"--port", port(), "diff", "--in", path("missing.bcfg")}).code, 4);
        // A file that cannot be taken is refused before the controller is asked.
        text.replace("RecOffTime=525", "RecOffTime=1440");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        run = Cli({"--port", port(), "diff", "--in", path("changed.bcfg")});
        QCOMPARE(run.code, 4);
        const QString said = QString::fromUtf8(run.out) + run.err;
        QVERIFY2(!said.contains(QLatin1String("Reading")), qPrintable(said));
        QCOMPARE(Cli({"--port", port(), "diff"}).code, ExitUsage);
        QCOMPARE(Actions().size(), 1); // only the download: comparing changes nothing
    }

    void verifyFindsAControllerThatStoresOtherValues()
    {
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("beacon.bcfg")}).code, 0);
        const TTerminalRun verified =
            RunOnTerminal(PVBCS_CLI, {"--port", port(), "upload", "--in", path("beacon.bcfg"), "--verify"}, "xterm");
        QCOMPARE(verified.code, 0);
        QVERIFY(verified.Shown().contains(QStringLiteral("Reading Beacon Schedule...")));

        sim->WithController([](TBeaconController &c) { c.corruptWrites = {0x07}; });
        const TRun run = Cli({"--port", port(), "upload", "--in", path("beacon.bcfg"), "--verify", "--no-clock"});
        QCOMPARE(run.code, 6);
        const QString error = QStringLiteral("The Beacon does not hold what was uploaded:\n"
                                             "Schedule record 1: OFF time 08:31 on the Beacon, 08:30 uploaded");
        QCOMPARE(run.err, error);
        const QList<TActionRecord> actions = Actions();
        QCOMPARE(actions.last().Options, QStringLiteral("schedule,holidays,advanced,verify"));
        QCOMPARE(actions.last().Outcome, error);
        QCOMPARE(actions.at(1).Outcome, QStringLiteral("done"));
    }

    // A name with a control character, as an older version could send: the
    // download is recorded without a configuration and refuses the file
    // alone, as a file problem.
    void aNameNoSettingsFileCanHoldIsAFileProblem()
    {
        sim->WithController([](TBeaconController &c) { c.calendar[1].name = "NEW\rYEAR"; });
        const TRun run = Cli({"--port", port(), "download", "--out", path("control.bcfg")});
        QCOMPARE(run.code, 4);
        QCOMPARE(run.err, QStringLiteral("Name of calendar record 2: character 4 of the name is the control character "
                                         "0x0D, which a Beacon name cannot carry."));
        QVERIFY(!QFile::exists(path("control.bcfg")));
        const QList<TActionRecord> actions = Actions();
        // The register keeps the configuration all the same, and says why the file was refused.
        QCOMPARE(actions.last().Action + u' ' + actions.last().Outcome,
                 QStringLiteral("download read, but not saved: ") + run.err);
        QVERIFY(actions.last().HasConfig);
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("control.bcfg"), "--parts", "schedule"}).code, 0);
    }

    void jsonDocumentsOfIdentifyStatusAndPorts()
    {
        const QJsonObject identity = Json(Cli({"--port", port(), "identify", "--json"}));
        QCOMPARE(identity.value("serial").toString(), QStringLiteral("20240001"));
        QCOMPARE(identity.value("board").toString(), QStringLiteral("0003"));
        QCOMPARE(identity.value("firmware").toString(), QStringLiteral("0105"));

        const QJsonObject status = Json(Cli({"--port", port(), "status", "--json"}));
        QVERIFY(QDateTime::fromString(status.value("clock").toString(), Qt::ISODate).isValid());
        QVERIFY(status.value("voltage").toDouble() > 12 && status.value("voltage").toDouble() < 14);
        QCOMPARE(status.value("switch").toObject().value("text").toString(), QStringLiteral("Switch in AUTO position"));
        QCOMPARE(status.value("override").toObject().value("state").toInt(), 0);
        QCOMPARE(status.value("lines").toArray().size(), 6);

        const TRun ports = Cli({"ports", "--json"});
        QCOMPARE(ports.code, 0);
        const QJsonArray listed = Json(ports).value("ports").toArray();
        QVERIFY(Column(listed, "name").contains(port()));
        QVERIFY(listed.first().toObject().contains(QStringLiteral("stableName")));
        QCOMPARE(Cli({"--port", port(), "download", "--out", path("x.bcfg"), "--json"}).code, ExitUsage);
    }

    void withoutADatabaseTheCommandsGoOnAndSaySoOnce()
    {
        // A library the operator chose, since gone: never made, only reported.
        const QString chosen = path("gone/pvbcs.db");
        QSettings(CliStoreFileName(), QSettings::IniFormat).setValue(QStringLiteral("Database"), chosen);
        const auto forget = qScopeGuard([] { QFile::remove(CliStoreFileName()); });
        const QString once = "History not recorded: Failed to open database \"" + chosen + "\"";
        TRun run = Cli({"--port", port(), "download", "--out", path("beacon.bcfg")});
        QCOMPARE(run.code, 0);
        QVERIFY(QFile::exists(path("beacon.bcfg")));
        QCOMPARE(run.err, once);
        run = Cli({"--port", port(), "events", "--out", path("events.csv")});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, once);
        // Nothing recorded is no failure; said plainly.
        run = Cli({"history"});
        QCOMPARE(run.code, 0);
        QCOMPARE(QString::fromUtf8(run.out).trimmed(),
                 QStringLiteral("No library database at %1: nothing has been recorded.").arg(chosen));
        run = Cli({"history", "--json"});
        QCOMPARE(run.code, 0);
        QVERIFY(Json(run).value("actions").toArray().isEmpty());
        QVERIFY(!QFile::exists(chosen));
    }

    // A CLI-only user: the first command makes the default library, as the
    // window's first start does, and nothing warns.
    void theFirstCommandMakesTheLibrary()
    {
        QFile::remove(CliDatabaseFileName());
        TRun run = Cli({"--port", port(), "override", "auto"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QString());
        QVERIFY(QFile::exists(CliDatabaseFileName()));
        run = Cli({"history"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QString());
        QCOMPARE(Actions().size(), 1);
    }

    // Three programs meet a library whose register is not made yet: every
    // action is kept, whichever made the tables.
    void threeProgramsMeetANewLibrary_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("no file yet") << false;
        QTest::newRow("library made before the register") << true;
    }
    void threeProgramsMeetANewLibrary()
    {
        QFETCH(bool, fileExists);
        QFile::remove(CliDatabaseFileName());
        if (fileExists) {
            QVERIFY(CreateLibraryDatabase(CliDatabaseFileName()));
            TDM dm;
            QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
            dm.Exec(QStringLiteral("DROP TABLE history_actions"));
            dm.Exec(QStringLiteral("DROP TABLE history_events"));
        }
        constexpr int Runs = 5;
        std::vector<std::unique_ptr<TBeaconSimulator>> sims;
        std::vector<std::unique_ptr<QProcess>> chains;
        for (const char *name : {"race-a", "race-b", "race-c"}) {
            TSimOptions options;
            options.name = QString::fromLatin1(name);
            sims.push_back(std::make_unique<TBeaconSimulator>(options));
            // Each chain runs the tool Runs times, one after the other, stopping at a failure.
            const QString script = QStringLiteral("for i in $(seq %1); do \"$0\" --port \"$1\" override auto || exit 1; done")
                                       .arg(Runs);
            chains.push_back(std::make_unique<QProcess>());
            chains.back()->setStandardOutputFile(QProcess::nullDevice());
            chains.back()->start(QStringLiteral("sh"), {QStringLiteral("-c"), script, QStringLiteral(PVBCS_CLI),
                                                        sims.back()->PortName()});
        }
        // Every chain ends before any verdict, so none is left running.
        QByteArrayList said;
        for (const auto &chain : chains) {
            chain->waitForFinished(240000);
            said << QByteArray::number(chain->exitCode()) + ' ' + chain->readAllStandardError().trimmed();
        }
        QCOMPARE(said, QByteArrayList(3, "0 ")); // done, without a warning
        const QList<TActionRecord> actions = Actions();
        QCOMPARE(actions.size(), 3 * Runs);
        for (const TActionRecord &a : actions)
            QCOMPARE(a.Action + u' ' + a.Outcome, QStringLiteral("override done"));
    }

    // What a controller says reaches the register and the terminal exactly
    // as decoded, once; control characters are shown escaped in plain text.
    void controllerTextIsKeptExactlyAndShownEscaped()
    {
        TSimOptions options;
        options.name = QStringLiteral("odd-text");
        options.serial = "2024\x1B[2J";
        options.board = "00\r\n";
        options.firmware = "\xE9\x80\x85\xFF";
        sim = std::make_unique<TBeaconSimulator>(options);
        const QJsonObject identity = Json(Cli({"--port", port(), "identify", "--json"}));
        const QString firmware = QString::fromLatin1("\xE9\x80\x85\xFF");
        QCOMPARE(identity.value("firmware").toString(), firmware);
        QCOMPARE(identity.value("serial").toString(), QStringLiteral("2024\x1B[2J"));

        const TRun plain = Cli({"--port", port(), "identify"});
        QCOMPARE(plain.code, 0);
        QVERIFY2(plain.out.contains("Serial Number: 2024\\x1b[2J\n"), plain.out.constData());
        QVERIFY(plain.out.contains("Board: 00\\x0d\\x0a\n"));

        const QJsonArray listed = Json(Cli({"history", "--json"})).value("actions").toArray();
        QCOMPARE(Column(listed, "firmware").constLast(), firmware);
        QCOMPARE(Column(listed, "board").constLast(), QStringLiteral("00\r\n"));
        const TRun table = Cli({"history"});
        QCOMPARE(table.code, 0);
        QVERIFY(!table.out.contains('\x1B') && !table.out.contains('\r'));
        QCOMPARE(table.Lines().size(), 1 + Actions().size()); // no row broken in two
        QVERIFY(table.out.contains("2024\\x1b[2J"));
    }

    // history --json writes each action as QJsonDocument would, byte for
    // byte, whatever its text holds.
    void historyJsonIsWhatQJsonDocumentWrites()
    {
        const QStringList texts = {QString(),
                                   QStringLiteral("done"),
                                   QStringLiteral("quote \" backslash \\ slash /"),
                                   QStringLiteral("\b\f\n\r\t"),
                                   QString::fromUtf16(u"\x01\x1b\x1f\x7f end"),
                                   QString::fromUtf8("\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80 \xC2\x80")};
        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
            for (int i = 0; i < texts.size(); ++i) {
                TActionRecord a;
                a.When = QDateTime(QDate(2025, 3, 1 + i), QTime(12, 30, 5, 7 * i), Qt::UTC);
                a.Source = a.User = a.Port = a.Serial = a.Board = a.Firmware = a.Action = a.Options = a.Outcome =
                    texts.at(i);
                a.Config = i % 2 ? QByteArray("[General]") : QByteArray();
                THistoryRegister(dm).Add(a);
            }
        }
        QByteArray expected = "{\n    \"actions\": [";
        const QList<TActionRecord> actions = Actions();
        QCOMPARE(actions.size(), texts.size());
        for (const TActionRecord &a : actions) {
            const QJsonObject element{{"id", a.Id},
                                      {"time", a.When.toString(Qt::ISODateWithMs)},
                                      {"from", a.Source},
                                      {"user", a.User},
                                      {"port", a.Port},
                                      {"serial", a.Serial},
                                      {"board", a.Board},
                                      {"firmware", a.Firmware},
                                      {"action", a.Action},
                                      {"options", a.Options},
                                      {"outcome", a.Outcome},
                                      {"done", a.Outcome == QLatin1String("done")},
                                      {"config", a.HasConfig}};
            expected += (a.Id == actions.first().Id ? "\n        " : ",\n        ") +
                        QJsonDocument(element).toJson(QJsonDocument::Compact);
        }
        expected += "\n    ]\n}\n";
        const TRun run = Cli({"history", "--json"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, expected);
    }

    void auditAnswersInJsonAndRefusesWhatItCannotRead_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("days"); // in the JSON document; -1 for none
        const QStringList base = {"audit", "--serial", "SN-1"};
        QTest::newRow("a week") << base + QStringList{"--from", "2025-03-03", "--to", "2025-03-09", "--json"} << 0 << 7;
        QTest::newRow("one day") << base + QStringList{"--from", "2025-03-03", "--to", "2025-03-03", "--json"} << 0 << 1;
        QTest::newRow("no date") << base + QStringList{"--from", "03/03/2025", "--to", "2025-03-09"} << ExitUsage << -1;
        QTest::newRow("backwards") << base + QStringList{"--from", "2025-03-09", "--to", "2025-03-03"} << ExitUsage << -1;
        QTest::newRow("tolerance") << base + QStringList{"--from", "2025-03-03", "--to", "2025-03-03", "--tolerance", "x"}
                                   << ExitUsage << -1;
        QTest::newRow("without serial") << QStringList{"audit", "--from", "2025-03-03", "--to", "2025-03-03"} << ExitUsage << -1;
    }

    void auditAnswersInJsonAndRefusesWhatItCannotRead()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(int, days);
        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
            TActionRecord a;
            a.When = QDateTime(QDate(2025, 3, 10), QTime(12, 0), Qt::UTC);
            a.Serial = QStringLiteral("SN-1");
            a.Action = QString::fromLatin1(THistoryRegister::Events);
            a.Outcome = QStringLiteral("done");
            type_events_record e{};
            e.day_num = qint16(QDate(2010, 1, 1).daysTo(QDate(2025, 3, 2)));
            e.event_type = 1;
            e.parms[0] = 505;
            TEventArchive(dm).Merge(a.Serial, {e}, THistoryRegister(dm).Add(a));
        }
        const TRun run = Cli(args);
        QCOMPARE(run.code, code);
        if (days < 0)
            return;
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.value(QStringLiteral("days")).toArray().size(), days);
        // Recorded, but no configuration was ever seen.
        QCOMPARE(doc.value(QStringLiteral("summary")).toObject().value(QStringLiteral("daysConfigurationUnknown")).toInt(),
                 days);
    }

    // A download read whole but lost on the way to its file (a full disk)
    // is recorded as what it was, not "done".
    void aDownloadThatCouldNotBeSavedSaysSo()
    {
        const TRun run = Cli({"--port", port(), "download", "--out", "-"}, QStringLiteral("/dev/full"));
        QCOMPARE(run.code, 4);
        QCOMPARE(run.err.split(u'\n').constLast(), QStringLiteral("Unable to write to -")); // after the progress
        const TActionRecord last = Actions().constLast();
        QCOMPARE(last.Action + u' ' + last.Outcome, QStringLiteral("download read, but not saved: Unable to write to -"));
        QVERIFY(last.HasConfig);
    }

    // Another program holding the library past the wait is named as such.
    void aLockedLibraryIsSaidToBeLocked()
    {
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(CliDatabaseFileName()).constData(), &other, SQLITE_OPEN_READWRITE,
                                 nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const TRun run = Cli({"history"});
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(run.code, 4);
        QCOMPARE(run.err, QStringLiteral("The library database \"%1\" is locked by another program. Please close "
                                         "that program and try again.")
                              .arg(CliDatabaseFileName()));
    }
};

QTEST_GUILESS_MAIN(TestCliHistory)
#include "tst_clihistory.moc"
