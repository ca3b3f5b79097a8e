// pvbcs-cli fleet: the inventory commands, the CSV files they write and
// read, assignments and the due list, run as a separate process against the
// library database the tool finds through the per-user configuration.
#include "clidatabase.h"
#include "config/commandline.h"
#include "fleet/inventory.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "store/datamodule.h"
#include "testenv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
};

TRun Cli(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return {};
    TRun run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

QJsonArray JsonArray(const TRun &run)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        qWarning("not a JSON array: %s", run.out.constData());
    return document.array();
}

QByteArray ReadBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

const QString WinterBreak = QStringLiteral(PVBCS_FLEET_DATA "/winterbreak.bcfg");
}

class TestCliFleet : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    QByteArray Exported()
    {
        const TRun run = Cli({"fleet", "export"});
        return run.code == 0 ? run.out : QByteArray("failed");
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(dir.isValid());
    }

    void init() { CreateCliDatabase(); }

    void addSetRemoveAndList()
    {
        QCOMPARE(Cli({"fleet", "add", "--name", "North", "--serial", "20240001", "--site", "Hill School", "--address",
                      "tcp://10.0.0.5:4001", "--tags", "north, zone-3,", "--location", "51.5,-0.12", "--notes", "gate"})
                     .code,
                 0);
        QCOMPARE(Cli({"fleet", "add", "--name", "South"}).code, 0);
        const TRun list = Cli({"fleet", "list", "--json"});
        QCOMPARE(list.code, 0);
        const QJsonArray beacons = JsonArray(list);
        QCOMPARE(beacons.size(), 2);
        const QJsonObject north = beacons.at(0).toObject();
        QCOMPARE(north.value("name").toString(), QStringLiteral("North"));
        QCOMPARE(north.value("serial").toString(), QStringLiteral("20240001"));
        QCOMPARE(north.value("site").toString(), QStringLiteral("Hill School"));
        QCOMPARE(north.value("address").toString(), QStringLiteral("tcp://10.0.0.5:4001"));
        QCOMPARE(north.value("tags").toArray(), (QJsonArray{"north", "zone-3"}));
        QCOMPARE(north.value("location").toObject().value("latitude").toDouble(), 51.5);
        QCOMPARE(north.value("location").toObject().value("longitude").toDouble(), -0.12);
        QCOMPARE(north.value("notes").toString(), QStringLiteral("gate"));
        QCOMPARE(north.value("assigned").toString(), QString());
        QVERIFY(north.value("last_contact").isNull());
        QVERIFY(beacons.at(1).toObject().value("location").isNull());

        // Only what is given changes; an empty value clears.
        QCOMPARE(Cli({"fleet", "set", "North", "--serial", "", "--location", "", "--name", "North Gate"}).code, 0);
        const QJsonObject changed = JsonArray(Cli({"fleet", "list", "--json"})).at(0).toObject();
        QCOMPARE(changed.value("name").toString(), QStringLiteral("North Gate"));
        QCOMPARE(changed.value("serial").toString(), QString());
        QVERIFY(changed.value("location").isNull());
        QCOMPARE(changed.value("site").toString(), QStringLiteral("Hill School"));
        QCOMPARE(changed.value("tags").toArray().size(), 2);

        const TRun table = Cli({"fleet", "list"});
        QCOMPARE(table.code, 0);
        const QStringList lines = QString::fromUtf8(table.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith(u"NAME"));
        QVERIFY(lines.at(1).startsWith(u"North Gate  "));

        QCOMPARE(Cli({"fleet", "remove", "South"}).code, 0);
        QCOMPARE(JsonArray(Cli({"fleet", "list", "--json"})).size(), 1);
    }

    void refusalsAndUsageChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no sub-command") << QStringList{"fleet"} << ExitUsage << "The command fleet takes";
        QTest::newRow("unknown sub-command") << QStringList{"fleet", "paint"} << ExitUsage << "The command fleet takes";
        QTest::newRow("add without name") << QStringList{"fleet", "add", "--site", "x"} << ExitUsage << "needs --name";
        QTest::newRow("set without name") << QStringList{"fleet", "set"} << ExitUsage << "fleet set takes the beacon's name";
        QTest::newRow("extra argument") << QStringList{"fleet", "remove", "North", "South"} << ExitUsage
                                        << "Unexpected argument \"South\"";
        QTest::newRow("foreign option") << QStringList{"fleet", "list", "--port", "ttyS0"} << ExitUsage
                                        << "fleet list does not take --port";
        QTest::newRow("bad location") << QStringList{"fleet", "add", "--name", "X", "--location", "north"} << ExitUsage
                                      << "--location takes";
        QTest::newRow("bad address") << QStringList{"fleet", "add", "--name", "X", "--address", "tcp://host"}
                                     << ExitUsage << "";
        QTest::newRow("assign needs one source") << QStringList{"fleet", "assign", "North"} << ExitUsage
                                                 << "--config FILE.bcfg or --action ID";
        QTest::newRow("assign both sources") << QStringList{"fleet", "assign", "North", "--config", "a", "--action", "1"}
                                             << ExitUsage << "one of them";
        QTest::newRow("name taken") << QStringList{"fleet", "add", "--name", "North"} << int(5)
                                    << "There is already a beacon named \"North\".";
        QTest::newRow("serial taken") << QStringList{"fleet", "add", "--name", "X", "--serial", "20240001"} << int(5)
                                      << "already that of the beacon \"North\"";
        QTest::newRow("set unknown") << QStringList{"fleet", "set", "East", "--site", "x"} << int(5)
                                     << "There is no beacon named \"East\"";
        QTest::newRow("remove unknown") << QStringList{"fleet", "remove", "East"} << int(5) << "no beacon named";
        QTest::newRow("assign missing file") << QStringList{"fleet", "assign", "North", "--config", "/nonexistent.bcfg"}
                                             << int(4) << "does not exist";
        QTest::newRow("assign an identification") << QStringList{"fleet", "assign", "North", "--action", "1"} << int(5)
                                                  << "Action 1 holds no recorded configuration";
        QTest::newRow("import missing file") << QStringList{"fleet", "import", "/nonexistent.csv"} << int(4)
                                             << "does not exist";
    }

    void refusalsAndUsageChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        QCOMPARE(Cli({"fleet", "add", "--name", "North", "--serial", "20240001"}).code, 0);
        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
            TActionRecord identify;
            identify.Serial = QStringLiteral("20240001");
            identify.Action = THistoryRegister::Identify;
            identify.Outcome = QStringLiteral("done");
            identify.When = QDateTime::currentDateTimeUtc();
            QCOMPARE(THistoryRegister(dm).Add(identify), 1);
        }
        const QByteArray before = Exported();
        const TRun run = Cli(arguments);
        QCOMPARE(run.code, code);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(Exported(), before);
    }

    void csvExportImportRoundTrip()
    {
        const QByteArray csv = "name,serial,site,address,tags,location,notes\r\n"
                               "'=1+1,-5,\"a,b\",tcp://10.0.0.9:4001,\"x,y\",\"'-33.86882,151.20929\",\"line\nbreak\"\r\n"
                               "Zürich,,\"say \"\"hi\"\"\",,,,@home\r\n"
                               "Plain,7,,,,,\r\n";
        WriteBytes(path("in.csv"), csv);
        const TRun imported = Cli({"fleet", "import", path("in.csv")});
        QCOMPARE(imported.code, 0);
        QVERIFY2(imported.out.contains("3 beacon(s) added, 0 updated"), imported.out.constData());

        const TRun toFile = Cli({"fleet", "export", "--out", path("out.csv")});
        QCOMPARE(toFile.code, 0);
        QVERIFY(toFile.out.contains("3 beacon(s) written to"));
        const QByteArray exported = ReadBytes(path("out.csv"));
        QCOMPARE(Exported(), exported);
        QVERIFY(exported.contains("\r\n'=1+1,'-5,\"a,b\","));
        QVERIFY(exported.contains(",'@home,"));

        // Into a new library and out again: the same bytes.
        CreateCliDatabase();
        QCOMPARE(Cli({"fleet", "import", "-"}, exported).code, 0);
        QCOMPARE(Exported(), exported);
        const QJsonObject first = JsonArray(Cli({"fleet", "list", "--json"})).at(0).toObject();
        QCOMPARE(first.value("name").toString(), QStringLiteral("=1+1"));
        QCOMPARE(first.value("notes").toString(), QStringLiteral("line\nbreak"));
        QCOMPARE(first.value("location").toObject().value("latitude").toDouble(), -33.86882);

        // A bad row anywhere: refused with its line, nothing written.
        WriteBytes(path("bad.csv"), "name,serial\r\nNew,1\r\nPlain,7\r\nOther,7\r\n");
        const TRun bad = Cli({"fleet", "import", path("bad.csv")});
        QCOMPARE(bad.code, 4);
        QVERIFY2(bad.err.contains(QStringLiteral("Line 4 of %1: The serial number 7").arg(path("bad.csv"))),
                 qPrintable(bad.err));
        QCOMPARE(Exported(), exported);
    }

    void assignAndDue()
    {
        QCOMPARE(Cli({"fleet", "add", "--name", "North", "--serial", "20240001"}).code, 0);
        QCOMPARE(Cli({"fleet", "add", "--name", "South", "--serial", "20240002"}).code, 0);
        const QByteArray config = ReadBytes(WinterBreak);
        qint64 upload = 0;
        {
            TDM dm;
            QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
            THistoryRegister reg(dm);
            TActionRecord action;
            action.Serial = QStringLiteral("20240001");
            action.Outcome = QStringLiteral("done");
            action.When = QDateTime::currentDateTimeUtc().addSecs(-3600);
            action.Action = THistoryRegister::Upload;
            action.Config = config;
            upload = reg.Add(action);
            action.Action = THistoryRegister::Events;
            action.Config.clear();
            type_events_record reset;
            reset.day_num = 6000;
            reset.event_type = 1;
            reset.parms[0] = 520;
            TEventArchive(dm).Merge(action.Serial, {reset}, reg.Add(action));
            TFleetInventory(dm).RecordContact({action.Serial, action.When, 2, 0});
        }
        const TRun byFile = Cli({"fleet", "assign", "North", "--config", WinterBreak});
        QCOMPARE(byFile.code, 0);
        QVERIFY(byFile.out.contains("is to carry winterbreak.bcfg"));
        QCOMPARE(Cli({"fleet", "assign", "South", "--action", QString::number(upload)}).code, 0);

        const QJsonArray list = JsonArray(Cli({"fleet", "list", "--json"}));
        QCOMPARE(list.at(0).toObject().value("assigned").toString(), QStringLiteral("winterbreak.bcfg"));
        QVERIFY(list.at(0).toObject().value("last_contact").toString().endsWith(u'Z'));
        QCOMPARE(list.at(1).toObject().value("assigned").toString(), QStringLiteral("recorded action %1").arg(upload));

        const TRun due = Cli({"fleet", "due", "--json"});
        QCOMPARE(due.code, 0);
        const QJsonArray beacons = JsonArray(due);
        QCOMPARE(beacons.size(), 2);
        QStringList rules[2];
        for (int i = 0; i < 2; ++i)
            for (const QJsonValue &item : beacons.at(i).toObject().value("due").toArray())
                rules[i] << item.toObject().value("rule").toString();
        // North carries what it was given; its winter break lies in the past.
        QCOMPARE(beacons.at(0).toObject().value("name").toString(), QStringLiteral("North"));
        QVERIFY2(!rules[0].contains("config") && rules[0].contains("calendar") && rules[0].contains("resets") &&
                     !rules[0].contains("contact") && !rules[0].contains("clock"),
                 qPrintable(rules[0].join(u',')));
        QVERIFY2(rules[1].startsWith("config") && rules[1].contains("contact"), qPrintable(rules[1].join(u',')));

        const TRun text = Cli({"fleet", "due"});
        QCOMPARE(text.code, 0);
        const QStringList lines = QString::fromUtf8(text.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(1).startsWith(u"South (20240002): config: its configuration was never read"),
                 qPrintable(lines.at(1)));
    }
};

QTEST_GUILESS_MAIN(TestCliFleet)
#include "tst_clifleet.moc"
