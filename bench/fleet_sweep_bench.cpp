// A sweep of a district's beacons: 50 simulated controllers behind one
// ser2net (one accepter each), visited by "pvbcs-cli fleet sweep" (identify,
// clock drift, event log, configuration read and compared) with --jobs 1, 8
// and 16. Each controller answers after a delay of a few hundred
// milliseconds, as the field's slow controllers do, so a visit spends its
// time waiting on the line and the sweep's speed-up comes from visiting
// several at once; the target is --jobs 16 at least 8 x faster than --jobs 1.
// The workers' memory is read from /proc while they run: each worker's peak
// resident set (VmHWM) and the most all of them held at one time.
//
// fleet_sweep_bench [BEACONS [REPLY_DELAY_MS]]: 50 and 300 unless given.
#include "benchhome.h"
#include "config/appconfig.h"
#include "fleet/inventory.h"
#include "netrig.h"
#include "sim/beaconsimulator.h"
#include "store/datamodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int Jobs[] = {1, 8, 16};
constexpr double TargetSpeedUp = 8;

struct TProcStatus {
    qint64 ppid = -1;
    qint64 rssKb = 0;
    qint64 peakKb = 0;
};

TProcStatus ReadStatus(const QString &pid)
{
    TProcStatus status;
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return status;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const auto value = [&line] { return line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toLongLong(); };
        if (line.startsWith("PPid:"))
            status.ppid = value();
        else if (line.startsWith("VmRSS:"))
            status.rssKb = value();
        else if (line.startsWith("VmHWM:"))
            status.peakKb = value();
    }
    return status;
}

// What the workers of one sweep held, sampled while they ran.
struct TWorkerMemory {
    QHash<QString, qint64> peakKb; // each worker's peak, by process id
    qint64 mostAtOnceKb = 0;

    void Sample(qint64 sweepPid)
    {
        qint64 now = 0;
        for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            if (!pid.front().isDigit())
                continue;
            const TProcStatus status = ReadStatus(pid);
            if (status.ppid != sweepPid)
                continue;
            peakKb[pid] = qMax(peakKb.value(pid), status.peakKb);
            now += status.rssKb;
        }
        mostAtOnceKb = qMax(mostAtOnceKb, now);
    }
};

struct TSweepFigure {
    int code = -1;
    double seconds = 0;
    int reached = 0;
    TWorkerMemory memory;
};

TSweepFigure Sweep(int jobs)
{
    TSweepFigure figure;
    QProcess sweep;
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { figure.memory.Sample(sweep.processId()); });
    QObject::connect(&sweep, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    sweep.start(QStringLiteral(PVBCS_CLI), {QStringLiteral("fleet"), QStringLiteral("sweep"), QStringLiteral("--jobs"),
                                            QString::number(jobs), QStringLiteral("--json")});
    if (!sweep.waitForStarted())
        return figure;
    sampler.start(200);
    loop.exec();
    figure.seconds = double(clock.nsecsElapsed()) / 1e9;
    figure.code = sweep.exitStatus() == QProcess::NormalExit ? sweep.exitCode() : -1;
    const QJsonObject total = QJsonDocument::fromJson(sweep.readAllStandardOutput()).object().value("total").toObject();
    figure.reached = total.value("reached").toInt();
    return figure;
}

bool Cli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PVBCS_CLI), arguments);
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    std::printf("pvbcs-cli %s failed: %s\n", qPrintable(arguments.join(u' ')),
                process.readAllStandardError().constData());
    return false;
}

double Mb(qint64 kb)
{
    return double(kb) / 1024;
}
}

int main(int argc, char **argv)
{
    // A home of its own: the library, the fleet and the simulators' ports.
    QTemporaryDir home;
    UseHome(home);
    QCoreApplication app(argc, argv);
    const int beacons = argc > 1 ? std::atoi(argv[1]) : 50;
    const int replyDelayMs = argc > 2 ? std::atoi(argv[2]) : 300;

    // The configuration every beacon is assigned: the simulator's own, read
    // from one that answers at once.
    const QString assigned = home.filePath(QStringLiteral("assigned.bcfg"));
    {
        TSimOptions quick;
        quick.name = QStringLiteral("bench-quick");
        TBeaconSimulator sim(quick);
        if (!Cli({QStringLiteral("--port"), sim.PortName(), QStringLiteral("download"), QStringLiteral("--out"), assigned}))
            return 1;
    }
    std::vector<std::unique_ptr<TBeaconSimulator>> sims;
    QStringList devices;
    for (int i = 0; i < beacons; ++i) {
        TSimOptions options;
        options.name = QStringLiteral("bench-%1").arg(i);
        options.serial = QByteArray::number(20300000 + i);
        options.replyDelayMs = replyDelayMs;
        sims.push_back(std::make_unique<TBeaconSimulator>(options));
        devices << sims.back()->DevicePath();
    }
    TMultiNetRig rig(devices);
    if (!rig.Ok()) {
        std::printf("ser2net did not start: %s\n", qPrintable(rig.Error()));
        return 1;
    }
    // The fleet, in the library the download made as on a first use.
    {
        QFile file(assigned);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const TAppConfig config;
        TDM dm;
        if (!dm.OpenDatabase(config.DBName())) {
            std::printf("%s\n", qPrintable(dm.OpenError()));
            return 1;
        }
        TFleetInventory inventory(dm);
        TFleetBeacon beacon;
        beacon.AssignedName = QStringLiteral("assigned.bcfg");
        beacon.AssignedConfig = file.readAll();
        for (int i = 0; i < beacons; ++i) {
            beacon.Name = QStringLiteral("beacon-%1").arg(i, 2, 10, QLatin1Char('0'));
            beacon.Serial = QString::number(20300000 + i);
            beacon.Address = rig.Raw(i);
            inventory.Add(beacon);
        }
    }

    std::printf("fleet sweep of %d simulated beacons behind one ser2net, each answering after %d ms (paced at\n"
                "115200 baud): identify, clock drift, the 93-slot event log, the configuration read and compared.\n"
                "The line's waits bound each visit; the sweep overlaps them. Target: --jobs 16 at least %.0f x faster\n"
                "than --jobs 1. Worker memory: peak resident set (VmHWM) of each worker, and the most all workers\n"
                "held at one time (VmRSS summed), sampled from /proc every 200 ms.\n\n",
                beacons, replyDelayMs, TargetSpeedUp);
    std::printf("%5s %6s %8s %10s %9s %14s %14s %16s\n", "jobs", "exit", "reached", "wall s", "speed-up",
                "worker med MB", "worker max MB", "all at once MB");
    double single = 0;
    double best = 0;
    for (const int jobs : Jobs) {
        const TSweepFigure figure = Sweep(jobs);
        std::vector<qint64> peaks;
        for (const qint64 kb : figure.memory.peakKb)
            peaks.push_back(kb);
        std::sort(peaks.begin(), peaks.end());
        if (jobs == 1)
            single = figure.seconds;
        const double speedUp = single / figure.seconds;
        if (jobs == 16)
            best = speedUp;
        std::printf("%5d %6d %5d/%-2d %10.1f %9.2f %14.1f %14.1f %16.1f\n", jobs, figure.code, figure.reached, beacons,
                    figure.seconds, speedUp, peaks.empty() ? 0 : Mb(peaks[peaks.size() / 2]),
                    peaks.empty() ? 0 : Mb(peaks.back()), Mb(figure.memory.mostAtOnceKb));
        std::fflush(stdout);
    }
    std::printf("\n--jobs 16: %.1f x faster than --jobs 1 (target %.0f x): %s\n", best, TargetSpeedUp,
                best >= TargetSpeedUp ? "met" : "MISSED");
    return best >= TargetSpeedUp ? 0 : 1;
}
