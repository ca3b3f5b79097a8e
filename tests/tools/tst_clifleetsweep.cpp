// pvbcs-cli's fleet sweep over simulated beacons behind one ser2net: what it
// records, archives and prints for each beacon, its exit status, the upload of
// the assigned configuration, many workers writing one library at once, and
// Ctrl-C in the middle.
#include "clidatabase.h"
#include "fleet/inventory.h"
#include "history/eventarchive.h"
#include "history/register.h"
#include "link/portlist.h"
#include "netrig.h"
#include "sim/beaconsimulator.h"
#include "store/datamodule.h"
#include "testenv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <vector>

namespace {
struct TRun {
    int code = -1;
    QByteArray out;
    QString err;
};

TRun Finish(QProcess &process)
{
    if (!process.waitForFinished(240000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError()).trimmed()};
}

TRun Cli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    return Finish(process);
}

// The sweep's beacons by name.
QMap<QString, QJsonObject> Beacons(const TRun &run)
{
    QMap<QString, QJsonObject> beacons;
    for (const QJsonValue &b : QJsonDocument::fromJson(run.out).object().value("beacons").toArray())
        beacons.insert(b.toObject().value("name").toString(), b.toObject());
    return beacons;
}

// One simulated beacon of the district and the part it plays in a sweep.
struct TBeaconRole {
    QString name;
    QByteArray answersAs;  // the controller's serial number; empty: nothing listens at its address
    QString inventorySerial;
    bool silent = false;
};

// A simulator for each role and one ser2net in front of them.
class TDistrict {
public:
    explicit TDistrict(const QList<TBeaconRole> &roles, int replyDelayMs = 0)
    {
        QStringList devices;
        for (const TBeaconRole &role : roles) {
            if (role.answersAs.isEmpty())
                continue;
            TSimOptions options;
            options.name = QStringLiteral("fleet-") + role.name;
            options.serial = role.answersAs;
            options.silent = role.silent;
            options.replyDelayMs = replyDelayMs;
            fSims[role.name] = std::make_shared<TBeaconSimulator>(options);
            devices << fSims[role.name]->DevicePath();
        }
        fRig = std::make_unique<TMultiNetRig>(devices);
        int index = 0;
        for (const TBeaconRole &role : roles)
            fAddresses[role.name] = role.answersAs.isEmpty() ? QStringLiteral("tcp://127.0.0.1:%1").arg(FreeLocalPort())
                                                             : fRig->Raw(index++);
    }
    bool Ok() const { return fRig->Ok(); }
    QString Error() const { return fRig->Error(); }
    QString Address(const QString &name) const { return fAddresses.value(name); }
    TBeaconSimulator &Sim(const QString &name) { return *fSims.value(name); }

private:
    QMap<QString, std::shared_ptr<TBeaconSimulator>> fSims;
    std::unique_ptr<TMultiNetRig> fRig;
    QMap<QString, QString> fAddresses;
};

TBeaconController::TScheduleSlot FirstScheduleRecord(TBeaconSimulator &sim)
{
    TBeaconController::TScheduleSlot first;
    sim.WithController([&first](TBeaconController &c) { first = c.schedule[0]; });
    return first;
}
}

class TestCliFleetSweep : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString original, edited; // the simulator's own configuration, and one with the first ON time 5 minutes later

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    QList<TActionRecord> Actions(const QString &serial = {})
    {
        TDM dm;
        if (!dm.OpenDatabase(CliDatabaseFileName()))
            return {};
        return THistoryRegister(dm).Actions(serial);
    }

    QStringList Steps(const QString &serial)
    {
        QStringList steps;
        for (const TActionRecord &a : Actions(serial))
            steps << a.Action + u' ' + a.Outcome.left(a.Outcome.indexOf(u' ') < 0 ? a.Outcome.size() : 40);
        return steps;
    }

    // The beacons, each assigned the configuration of the settings file.
    void AddFleet(TDistrict &district, const QList<TBeaconRole> &roles, const QString &config)
    {
        QFile file(config);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        TDM dm;
        QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
        TFleetInventory inventory(dm);
        for (const TBeaconRole &role : roles) {
            TFleetBeacon beacon;
            beacon.Name = role.name;
            beacon.Serial = role.inventorySerial;
            beacon.Address = district.Address(role.name);
            beacon.AssignedName = QFileInfo(config).fileName();
            beacon.AssignedConfig = text;
            inventory.Add(beacon);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        InitTestEnvironment();
        QDir(VirtualPortFolder()).removeRecursively();
        QVERIFY(dir.isValid());
        original = path("original.bcfg");
        edited = path("edited.bcfg");
        TBeaconSimulator sim;
        CreateCliDatabase();
        QCOMPARE(Cli({"--port", sim.PortName(), "download", "--out", original}).code, 0);
        QFile in(original);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QString text = QString::fromLatin1(in.readAll());
        QCOMPARE(text.count(QStringLiteral("RecOnTime=420\r\n")), 1);
        QFile out(edited);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text.replace(QStringLiteral("RecOnTime=420"), QStringLiteral("RecOnTime=425")).toLatin1());
    }

    void init() { CreateCliDatabase(); }

    // Each beacon's line, what the register and the archive keep of it,
    // and the exit status, which a beacon that was not reached decides.
    void eachBeaconIsReportedAndOnlyTheRightOnesTouched()
    {
        const QList<TBeaconRole> roles = {
            {"assigned", "20240001", {}},  // its serial number comes from the sweep
            {"other", "20240002", "20240002"},
            {"impostor", "20249999", "20240003"},
            {"silent", "20240004", "20240004", true},
            {"unplugged", {}, "20240005"},
        };
        TDistrict district(roles);
        QVERIFY2(district.Ok(), qPrintable(district.Error()));
        AddFleet(district, roles.mid(0, 1), original);
        AddFleet(district, roles.mid(1), edited);
        district.Sim("other").WithController(
            [](TBeaconController &c) { c.SetClock(QDateTime::currentDateTime().addSecs(300)); });

        const TRun run = Cli({"fleet", "sweep", "--jobs", "3", "--json"});
        QCOMPARE(run.code, 3);
        const QMap<QString, QJsonObject> beacons = Beacons(run);
        QCOMPARE(beacons.keys(), (QStringList{"assigned", "impostor", "other", "silent", "unplugged"}));
        const struct {
            const char *name;
            const char *serial;
            bool reached, asAssigned;
            int differences;
            const char *error; // what it starts with
            QStringList steps; // in the register, under the serial number it answered with
        } expected[] = {
            {"assigned", "20240001", true, true, 0, "", {"identify done", "events done", "download done"}},
            {"other", "20240002", true, false, 1, "", {"identify done", "events done", "download done"}},
            {"impostor", "20240003", false, false, 0, "answers as serial 20249999, the inventory says 20240003",
             {"identify done"}},
            {"silent", "20240004", false, false, 0, "The Beacon on tcp://", {}},
            {"unplugged", "20240005", false, false, 0, "Could not reach tcp://127.0.0.1:", {}},
        };
        TDM dm;
        QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
        for (const auto &e : expected) {
            const QJsonObject b = beacons.value(QLatin1String(e.name));
            QCOMPARE(b.value("serial").toString(), QLatin1String(e.serial));
            QCOMPARE(b.value("reached").toBool(), e.reached);
            QCOMPARE(b.value("as_assigned").toBool(), e.asAssigned);
            QCOMPARE(b.value("differences").toArray().size(), e.differences);
            const QJsonValue error = b.value("error");
            QVERIFY2(*e.error ? error.toString().startsWith(QLatin1String(e.error)) : error.isNull(),
                     QJsonDocument(b).toJson().constData());
            QVERIFY(!b.value("uploaded").toBool() && !b.value("clock_set").toBool());
            const QString answered = QLatin1String(qstrcmp(e.name, "impostor") == 0 ? "20249999" : e.serial);
            QCOMPARE(Steps(answered), e.steps);
            const int archived = TEventArchive(dm).EventCount(answered);
            QCOMPARE(b.value("events_added").toInt(), e.reached ? archived : 0);
            QCOMPARE(archived > 0, e.reached);
        }
        const QString difference = beacons["other"].value("differences").toArray().first().toString();
        QVERIFY2(difference.startsWith("Schedule record 1") && difference.endsWith(" assigned"), qPrintable(difference));
        QVERIFY(Actions("20240003").isEmpty()); // nothing under the serial the impostor stands in for
        // The silent one's identification is recorded as unanswered, under no serial number.
        bool silentRecorded = false;
        for (const TActionRecord &a : Actions())
            silentRecorded |= a.Port == district.Address("silent") && a.Action == "identify" &&
                a.Outcome.startsWith("The Beacon on");
        QVERIFY(silentRecorded);

        // The drift at each contact: the controller's clock minus the workstation's.
        const TFleetInventory inventory(dm);
        QCOMPARE(inventory.Beacon("assigned")->Serial, QStringLiteral("20240001"));
        QVERIFY(qAbs(inventory.LastContact("20240001")->DriftSeconds) <= 5);
        QVERIFY(qAbs(inventory.LastContact("20240002")->DriftSeconds - 300) <= 5);
        QVERIFY(qAbs(beacons["other"].value("drift_seconds").toInteger() - 300) <= 5);
        QVERIFY(!inventory.LastContact("20240003") && !inventory.LastContact("20249999"));
        QCOMPARE(QJsonDocument::fromJson(run.out).object().value("total").toObject().value("not_reached").toInt(), 3);

        // Named beacons only; all reached, one as assigned: different.
        QCOMPARE(Cli({"fleet", "sweep", "assigned", "other"}).code, 6);
        QCOMPARE(Cli({"fleet", "sweep", "assigned"}).code, 0);
    }

    // The upload goes only where the right controller answers, is verified,
    // and makes the beacon as assigned; the clock is set with it.
    void uploadingTheAssignedConfigurationLeavesTheWrongSerialAlone()
    {
        const QList<TBeaconRole> roles = {{"other", "20240002", "20240002"}, {"impostor", "20249999", "20240003"}};
        TDistrict district(roles);
        QVERIFY2(district.Ok(), qPrintable(district.Error()));
        AddFleet(district, roles, edited);
        for (const char *name : {"other", "impostor"})
            district.Sim(name).WithController(
                [](TBeaconController &c) { c.SetClock(QDateTime::currentDateTime().addSecs(-200)); });

        TRun run = Cli({"fleet", "sweep", "--upload-assigned", "--verify", "--sync-clock", "--json"});
        QCOMPARE(run.code, 3);
        QMap<QString, QJsonObject> beacons = Beacons(run);
        QVERIFY(beacons["other"].value("uploaded").toBool() && beacons["other"].value("clock_set").toBool());
        QVERIFY(beacons["other"].value("as_assigned").toBool());
        QCOMPARE(beacons["other"].value("differences").toArray().size(), 1); // found before the upload
        QCOMPARE(FirstScheduleRecord(district.Sim("other")).on, 425);
        QVERIFY(!beacons["impostor"].value("uploaded").toBool() && !beacons["impostor"].value("clock_set").toBool());
        QCOMPARE(FirstScheduleRecord(district.Sim("impostor")).on, 420);
        for (const QByteArray &request : district.Sim("impostor").Received())
            QVERIFY2(request.startsWith("!01"), request.constData()); // the identity, nothing else
        QCOMPARE(Steps("20240002"), (QStringList{"identify done", "events done", "download done", "upload done"}));
        QCOMPARE(Actions("20240002").last().Options, QStringLiteral("schedule,holidays,advanced,clock,verify"));
        TDM dm;
        QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
        QVERIFY(qAbs(TFleetInventory(dm).LastContact("20240002")->DriftSeconds) <= 5);

        // As assigned now: nothing more to upload.
        run = Cli({"fleet", "sweep", "--upload-assigned", "--verify", "--json", "other"});
        QCOMPARE(run.code, 0);
        beacons = Beacons(run);
        QVERIFY(beacons["other"].value("as_assigned").toBool() && !beacons["other"].value("uploaded").toBool());
    }

    // Sixteen workers write the one library database at once: none of their
    // rows is lost to its lock.
    void sixteenWorkersLoseNoRecord()
    {
        QList<TBeaconRole> roles;
        for (int i = 0; i < 16; ++i)
            roles.append({QStringLiteral("b%1").arg(i, 2, 10, QLatin1Char('0')),
                          QByteArray::number(20250000 + i), QString::number(20250000 + i)});
        TDistrict district(roles);
        QVERIFY2(district.Ok(), qPrintable(district.Error()));
        AddFleet(district, roles, original);
        const TRun run = Cli({"fleet", "sweep", "--jobs", "16", "--sync-clock"});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY2(!run.err.contains("not recorded"), qPrintable(run.err));
        TDM dm;
        QVERIFY(dm.OpenDatabase(CliDatabaseFileName()));
        for (const TBeaconRole &role : roles) {
            QCOMPARE(Steps(role.inventorySerial),
                     (QStringList{"identify done", "events done", "download done", "upload done"}));
            QVERIFY(TEventArchive(dm).EventCount(role.inventorySerial) > 0);
            QVERIFY(TFleetInventory(dm).LastContact(role.inventorySerial));
        }
    }

    // Ctrl-C: no beacon is begun after it, the running ones end their step
    // (an upload is finished and verified, never cut off), and the sweep
    // lists what was not started and ends with 130.
    void ctrlCStopsTheSweepSafely()
    {
        QList<TBeaconRole> roles;
        for (int i = 0; i < 4; ++i)
            roles.append({QStringLiteral("c%1").arg(i), QByteArray::number(20260000 + i), QString::number(20260000 + i)});
        TDistrict district(roles, 40); // a slow line: a visit takes seconds
        QVERIFY2(district.Ok(), qPrintable(district.Error()));
        AddFleet(district, roles, edited);
        QProcess sweep;
        sweep.start(QStringLiteral(PVBCS_CLI),
                    {"fleet", "sweep", "--jobs", "2", "--upload-assigned", "--verify", "--json"});
        QVERIFY(sweep.waitForStarted());
        // Interrupted once the first configuration has been read: an upload
        // is then under way or about to begin.
        const QDeadlineTimer deadline(120000);
        while (!deadline.hasExpired() && sweep.state() == QProcess::Running) {
            bool read = false;
            for (const TActionRecord &a : Actions())
                read |= a.Action == "download";
            if (read)
                break;
            QTest::qWait(50);
        }
        QVERIFY(::kill(pid_t(sweep.processId()), SIGINT) == 0);
        const TRun run = Finish(sweep);
        QCOMPARE(run.code, 130);
        const QMap<QString, QJsonObject> beacons = Beacons(run);
        int notStarted = 0;
        for (const TBeaconRole &role : roles) {
            const QJsonObject b = beacons.value(role.name);
            if (b.value("error").toString() == QLatin1String("not started")) {
                ++notStarted;
                QVERIFY(Actions(role.inventorySerial).isEmpty());
                QCOMPARE(FirstScheduleRecord(district.Sim(role.name)).on, 420);
                continue;
            }
            // Begun: every step it took was ended and recorded as done.
            for (const TActionRecord &a : Actions(role.inventorySerial))
                QVERIFY2(a.Outcome == "done", qPrintable(a.Action + ": " + a.Outcome));
            QCOMPARE(FirstScheduleRecord(district.Sim(role.name)).on, b.value("uploaded").toBool() ? 425 : 420);
            QCOMPARE(b.value("as_assigned").toBool(), b.value("uploaded").toBool());
        }
        QCOMPARE(notStarted, 2);
        QVERIFY2(run.err.contains("c2 (20260002): not started") && run.err.contains("c3 (20260003): not started"),
                 qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCliFleetSweep)
#include "tst_clifleetsweep.moc"
