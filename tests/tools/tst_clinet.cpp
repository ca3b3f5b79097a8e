// pvbcs-cli with the controller behind Debian's ser2net: every command gives
// over raw TCP, Telnet with COM port control and TLS what it gives on the
// pseudo-terminal, on a slow network too, and the network's failures end with
// their message and exit status.
#include "clidatabase.h"
#include "config/appconfig.h"
#include "config/netsettings.h"
#include "link/virtualport.h"
#include "netrig.h"
#include "sim/beaconsimulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
};

QProcess *StartCli(QProcess &process, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB")); // day-first dates, 24-hour clock
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    return &process;
}

TRun Finish(QProcess &process)
{
    if (!process.waitForFinished(180000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError()).trimmed()};
}

TRun Cli(const QStringList &arguments)
{
    QProcess process;
    return Finish(*StartCli(process, arguments));
}

QJsonObject Json(const QByteArray &out)
{
    return QJsonDocument::fromJson(out).object();
}

QString ReadText(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// The register's actions after the one numbered since, as history --json lists them.
QJsonArray ActionsAfter(qint64 since)
{
    QJsonArray later;
    for (const QJsonValue &action : Json(Cli({"history", "--json"}).out).value("actions").toArray())
        if (action.toObject().value("id").toInteger() > since)
            later.append(action);
    return later;
}

qint64 LastActionId()
{
    const QJsonArray all = ActionsAfter(-1);
    qint64 last = 0;
    for (const QJsonValue &action : all)
        last = qMax(last, action.toObject().value("id").toInteger());
    return last;
}

// A controller and, unless it is reached on its terminal, ser2net in front of it.
struct TBeaconSite {
    TBeaconSimulator sim;
    std::unique_ptr<TNetRig> rig;

    explicit TBeaconSite(bool network)
    {
        if (network)
            rig = std::make_unique<TNetRig>(sim.DevicePath());
    }
    // The server's address for the scheme, through a relay when delayMs is
    // given; empty when the server did not start.
    QString Address(const QString &scheme, int delayMs = 0)
    {
        if (!rig->Ok()) {
            qWarning("ser2net: %s", qPrintable(rig->Error()));
            return {};
        }
        const QString address = scheme == QLatin1String("tcp") ? rig->Raw()
            : scheme == QLatin1String("rfc2217")               ? rig->Telnet()
                                                               : rig->Tls();
        return delayMs > 0 ? rig->Delayed(address, delayMs) : address;
    }
};
}

class TestCliNet : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QMap<QString, QString> reference; // what each command gave on the terminal

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    // Runs the commands on port and returns what each gave: exit status,
    // standard output and the file written, with the port's name as PORT and
    // what the clock decides left out. pauseMs: between commands, for the
    // server to see the last connection end.
    QMap<QString, QString> Transcript(const QString &port, const QStringList &commands, int pauseMs = 0)
    {
        QMap<QString, QString> transcript;
        for (const QString &command : commands) {
            if (!transcript.isEmpty())
                QTest::qWait(pauseMs);
            QFile::remove(path("out"));
            const TRun run = Cli(QStringList{"--port", port} + command.split(u' '));
            QByteArray out = run.out;
            if (command.startsWith(QLatin1String("status"))) {
                QJsonObject status = Json(out);
                status.remove(QStringLiteral("clock"));
                status.remove(QStringLiteral("voltage")); // the battery's, which varies
                QJsonArray lines = status.value("lines").toArray();
                for (int i = 0; i < 3; ++i) // the time, the date and the voltage
                    lines.removeFirst();
                status[QStringLiteral("lines")] = lines;
                out = QJsonDocument(status).toJson();
            }
            // The override is logged at the minute it was sent.
            static const QRegularExpression now(QStringLiteral("\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d(\",\"Schedule overridden)"));
            transcript[command] = QStringLiteral("-> %1\n").arg(run.code) +
                QString::fromUtf8(out).replace(port, QStringLiteral("PORT")) + run.err +
                ReadText(path("out")).replace(now, QStringLiteral("NOW\\1"));
        }
        return transcript;
    }

    // Every command, in an order where each finds the controller as the one
    // before left it; or on a slow line, the open and a short exchange, and
    // with upload the longest job: the verification reads back everything
    // the upload wrote.
    QStringList Commands(const QString &which) const
    {
        const QString out = path("out");
        const QString upload = "upload --in " + path("edited.bcfg") + " --verify";
        if (which == QLatin1String("open"))
            return {"identify --json", "status --json"};
        if (which == QLatin1String("upload"))
            return {"identify --json", upload, "status --json"};
        return {"identify --json",
                "download --out " + out,
                upload,
                "status --json",
                "diff --json --in " + path("original.bcfg"),
                "override on --until 13:45",
                "events --out " + out};
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The programs run here, and this test, keep their configuration,
        // library and virtual ports in the test's own folder, however it is
        // started; the store is the one both read.
        QVERIFY(dir.isValid());
        for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
            const QString folder = dir.filePath(QLatin1String(variable));
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            qputenv(variable, QFile::encodeName(folder));
        }
        CreateCliDatabase();
        TBeaconSite site(false);
        QCOMPARE(Cli({"--port", site.sim.PortName(), "download", "--out", path("original.bcfg")}).code, 0);
        QString text = ReadText(path("original.bcfg"));
        QCOMPARE(text.count(QStringLiteral("RecOnTime=420\r\n")), 1);
        QFile edited(path("edited.bcfg"));
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write(text.replace(QStringLiteral("RecOnTime=420"), QStringLiteral("RecOnTime=425")).toLatin1());
        edited.close();
        reference = Transcript(site.sim.PortName(), Commands(QStringLiteral("all")));
    }

    void sameContentOnEveryLine_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QString>("commands");
        for (const char *scheme : {"tcp", "rfc2217", "tls"}) {
            QTest::newRow(scheme) << scheme << 0 << "all";
            QTest::addRow("%s, 300 ms each way", scheme) << scheme << 300 << (qstrcmp(scheme, "tcp") == 0 ? "upload" : "open");
        }
    }

    // The register records the address as the port.
    void sameContentOnEveryLine()
    {
        QFETCH(QString, scheme);
        QFETCH(int, delayMs);
        QFETCH(QString, commands);
        TBeaconSite site(true);
        TrustTestCa(site.rig->CaFile());
        const QString address = site.Address(scheme, delayMs);
        QVERIFY(!address.isEmpty());
        const qint64 before = LastActionId();
        QElapsedTimer clock;
        clock.start();
        const QStringList run = Commands(commands);
        // The end of a connection takes the delay to reach the server, which
        // turns a second one away until then. The relay takes a connection at
        // once, where a slow network delays the connect as much, so over raw
        // TCP the turning away would come long after the open had ended.
        const QMap<QString, QString> transcript = Transcript(address, run, 3 * delayMs);
        qInfo("%lld commands in %lld ms", qint64(run.size()), clock.elapsed());
        for (const QString &command : run)
            QCOMPARE(command + transcript.value(command), command + reference.value(command));

        const QJsonArray actions = ActionsAfter(before);
        QVERIFY(actions.size() >= 1); // the identity at least
        for (const QJsonValue &action : actions)
            QCOMPARE(action.toObject().value("port").toString(), address);
    }

    void theNetworksFailuresHaveTheirMessageAndStatus()
    {
        TBeaconSite site(true);
        QVERIFY2(site.rig->Ok(), qPrintable(site.rig->Error()));
        const QString refused = QStringLiteral("tcp://127.0.0.1:%1").arg(FreeLocalPort());
        const struct {
            QString address;
            QString message; // what it starts with
        } cases[] = {
            {refused, "Could not reach " + refused + " while connecting: Connection refused"},
            {"tcp://beacon.invalid:4001",
             "Could not reach tcp://beacon.invalid:4001 while looking up the host name: Host not found"},
            {site.rig->Tls(), "Could not reach " + site.rig->Tls() + " while checking the server's certificate: "},
        };
        QSettings(TAppConfig::StorePath(), QSettings::IniFormat).remove(QStringLiteral("Network/CAFile"));
        const qint64 before = LastActionId();
        for (const auto &c : cases) {
            TRun run = Cli({"--port", c.address, "download", "--out", path("never.bcfg")});
            QCOMPARE(run.code, 2);
            QVERIFY2(run.err.startsWith(c.message) && run.err.size() > c.message.size() - 2, qPrintable(run.err));
            QVERIFY(!QFile::exists(path("never.bcfg")));
            run = Cli({"--port", c.address, "identify", "--json"});
            QCOMPARE(run.code, 2);
            const QJsonObject error = Json(run.out).value("error").toObject();
            QCOMPARE(error.value("exit").toInt(), 2);
            QVERIFY(error.value("message").toString().startsWith(c.message));
        }
        QVERIFY(ActionsAfter(before).isEmpty());
        QVERIFY(site.sim.Received().isEmpty());
    }

    void aServerKilledMidUpload_data()
    {
        QTest::addColumn<QString>("scheme");
        for (const char *scheme : {"tcp", "rfc2217", "tls"})
            QTest::newRow(scheme) << scheme;
    }

    // The upload ends as on a cut cable: the address and the step named, and
    // the register says it failed.
    void aServerKilledMidUpload()
    {
        QFETCH(QString, scheme);
        TBeaconSite site(true);
        TrustTestCa(site.rig->CaFile());
        const QString address = site.Address(scheme);
        QVERIFY(!address.isEmpty());
        QProcess process;
        StartCli(process, {"--port", address, "upload", "--in", path("edited.bcfg")});
        QTRY_VERIFY_WITH_TIMEOUT(site.sim.Received().size() >= 4, 30000);
        site.rig->KillServer();
        const TRun run = Finish(process);
        QCOMPARE(run.code, 3);
        QVERIFY2(run.err.startsWith("Lost the connection to " + address + " while "), qPrintable(run.err));
        const QJsonObject last = ActionsAfter(LastActionId() - 1).last().toObject();
        QCOMPARE(last.value("action").toString(), QStringLiteral("upload"));
        QCOMPARE(last.value("port").toString(), address);
        QCOMPARE(last.value("outcome").toString(), run.err);
        QVERIFY(!last.value("done").toBool());
    }

    // Network beacons are listed after the serial ports, in the order first
    // used, with the serial number of the controller that answered there.
    void portsListsTheNetworkBeacons()
    {
        QSettings(TAppConfig::StorePath(), QSettings::IniFormat).remove(QStringLiteral("NetworkBeacons"));
        const QString gone = QStringLiteral("tcp://127.0.0.1:%1").arg(FreeLocalPort());
        RememberNetworkBeacon(gone);
        TBeaconSite site(true);
        const QString address = site.Address(QStringLiteral("tcp"));
        QVERIFY(!address.isEmpty());
        QCOMPARE(Cli({"--port", address, "identify"}).code, 0);

        const QStringList lines = QString::fromUtf8(Cli({"ports"}).out).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{gone + "\tNetwork beacon\t\t\t",
                                                            address + "\tNetwork beacon\t\t20240001\t"}));
        const QJsonArray listed = Json(Cli({"ports", "--json"}).out).value("ports").toArray();
        QCOMPARE(listed.last().toObject(), (QJsonObject{{"name", address},
                                                        {"description", "Network beacon"},
                                                        {"manufacturer", ""},
                                                        {"serialNumber", "20240001"},
                                                        {"stableName", ""}}));
    }

    void autoSearchesTheRememberedAddresses()
    {
        QSettings(TAppConfig::StorePath(), QSettings::IniFormat).remove(QStringLiteral("NetworkBeacons"));
        RememberNetworkBeacon(QStringLiteral("tcp://127.0.0.1:%1").arg(FreeLocalPort())); // gone since
        TBeaconSite site(true);
        const QString address = site.Address(QStringLiteral("tcp"));
        QVERIFY(!address.isEmpty());
        RememberNetworkBeacon(address);
        // Reached through the server only, as in a cabinet.
        QVERIFY(QFile::remove(VirtualPortFolder() + u'/' + site.sim.PortName()));

        const TRun found = Cli({"--port", "auto", "identify"});
        QCOMPARE(found.code, 0);
        QCOMPARE(QString::fromUtf8(found.out).split(u'\n').mid(0, 2),
                 (QStringList{"Beacon found on " + address, "Serial Number: 20240001"}));
    }
};

QTEST_GUILESS_MAIN(TestCliNet)
#include "tst_clinet.moc"
