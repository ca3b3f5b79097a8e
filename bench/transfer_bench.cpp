// Transfer figures against a simulated controller that sends at the line's
// rate and answers at once, after 600 ms and after 2400 ms (a slow
// controller, still within the reply wait): a full upload, a full download
// and the 93-slot event log, each beside its physical floor (the settle wait
// the protocol requires, the controller's delay before each reply and the
// bytes on the wire at 115200 baud) as a ratio; and the peak resident memory
// of pvbcs-cli during a full download.
#include "eventlog/eventdownload.h"
#include "link/dmcom.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "store/device.h"
#include "transfer/workflows.h"
#include "transferfigures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {
// The controller's delays before each reply, and the runs at each: a run at
// 2400 ms takes over five minutes, most of it the event log.
struct TDelayRuns {
    int delayMs;
    int runs;
};
constexpr TDelayRuns Delays[] = {{0, 5}, {600, 1}, {2400, 1}};
constexpr double SettleMs = 300;


void Report(const char *name, const TFigure &f, double settleMs, int delayMs)
{
    const double floor = settleMs + double(f.exchanges) * delayMs + f.wireMs;
    const QByteArray replies = delayMs > 0 ? QStringLiteral(" + replies %1 x %2").arg(f.exchanges).arg(delayMs).toUtf8()
                                           : QByteArray();
    std::printf("%-20s median %8.1f ms, worst %8.1f ms | floor %8.1f ms (settle %.0f%s + wire %.1f, %d exchanges) | "
                "median %.3f x floor, worst %.3f x (target %.2f: %s)\n",
                name, f.medianMs, f.worstMs, floor, settleMs, replies.constData(), f.wireMs, f.exchanges,
                f.medianMs / floor, f.worstMs / floor, Target, f.medianMs <= Target * floor ? "met" : "MISSED");
    std::fflush(stdout);
}

void FillConfiguration()
{
    DeviceSchedule().Clear();
    DeviceCalendar().Clear();
    for (int i = 0; i < 16; ++i) {
        DeviceSchedule().SaveRecord({i + 1, 0, quint8(1 << (i % 7)), 400 + i, 900 + i}, true);
        DeviceCalendar().SaveRecord({i + 1, 0, QStringLiteral("HOLIDAY NAME %1").arg(i, 2, 10, QLatin1Char('0')),
                                     5400 + 7 * i, 1 + i % 3, quint8(i % 10)},
                                    true);
    }
    BeaconSettings.CommMode = 2;
    BeaconSettings.BrightnessRange = 0x1F;
    BeaconSettings.FlashPattern = 4;
    BeaconSettings.FlashSpeed = 2;
    BeaconSettings.DstStartDay = 5545;
    BeaconSettings.DstEndDay = 5783;
    BeaconSettings.DstShiftTime = 120;
    BeaconSettings.DstOffset = 60;
}

// Peak resident memory, in MB, of pvbcs-cli during a full download.
double CliPeakMegabytes(const QString &port)
{
    QTemporaryDir dir;
    QProcess cli;
    cli.start(QStringLiteral(PVBCS_CLI), {QStringLiteral("--port"), port, QStringLiteral("download"),
                                          QStringLiteral("--out"), dir.filePath(QStringLiteral("bench.bcfg"))});
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
        std::printf("pvbcs-cli failed: %s\n", cli.readAllStandardError().constData());
        return -1;
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage); // the only child this program starts
    return double(usage.ru_maxrss) / 1024;
}
}

int main(int argc, char **argv)
{
    // The simulator registers its port in the runtime folder: a private one,
    // so that no other program's port search finds it and takes the line.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    TdmCOM link;
    link.tmrPortCheck.SetEnabled(false);
    TSilentLog log;
    double peak = -1;
    for (const TDelayRuns &d : Delays) {
        TSimOptions options;
        options.replyDelayMs = d.delayMs;
        TBeaconSimulator sim(options);
        link.SetPortName(sim.PortName());
        std::printf("Transfers against the in-process simulator paced at the line's rate, replies after %d ms, "
                    "%d run(s) each:\n",
                    d.delayMs, d.runs);
        std::fflush(stdout);

        FillConfiguration();
        Report("full upload", Measure(sim, d.runs, [&] { UploadToBeacon(log, true, true, true, true); }), SettleMs,
               d.delayMs);
        Report("full download", Measure(sim, d.runs, [&] { DownloadFromBeacon(log, true, true, true); }), SettleMs,
               d.delayMs);
        if (DeviceSchedule().Count() != 16 || DeviceCalendar().Count() != 16) {
            std::printf("the download did not bring back the 16 + 16 records\n");
            return 1;
        }
        int rows = 0;
        Report("event log (93 slots)",
               Measure(sim, d.runs, [&] { rows = int(DownloadEventLog(nullptr).Rows.size()); }), 0, d.delayMs);
        link.Close();
        if (rows != 93) {
            std::printf("the event log gave %d rows, not 93\n", rows);
            return 1;
        }
        if (d.delayMs == 0)
            peak = CliPeakMegabytes(sim.PortName());
    }
    std::printf("pvbcs-cli peak resident memory during a full download: %.1f MB (target under 40 MB: %s)\n", peak,
                peak >= 0 && peak < 40 ? "met" : "MISSED");
    return 0;
}
