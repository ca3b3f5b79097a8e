// Transfers with a controller behind a serial device server: Debian's ser2net
// in front of the simulator's terminal, reached over raw TCP, Telnet with COM
// port control (RFC 2217) and TLS, directly and with a round trip of 100 and
// 400 ms added by a delaying relay. Each transfer (identify, full upload, full
// download, the 93-slot event log) is set beside its floor: the settle wait
// the protocol requires, and for every exchange the round trip and the time
// its bytes take on the wire at 115200 baud.
//
// "over/exch" is what each exchange costs above its floor. With no round trip
// added the floor is a few milliseconds an exchange, and ser2net's own wait
// after the last character it reads before it sends them on (its chardelay)
// is most of what lies above it; the terminal's row shows the link alone.
#include "benchhome.h"
#include "eventlog/eventdownload.h"
#include "link/dmcom.h"
#include "link/netaddress.h"
#include "netrig.h"
#include "protocol/beaconprotocol.h"
#include "sim/beaconsimulator.h"
#include "store/device.h"
#include "transfer/workflows.h"
#include "transferfigures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
// The round trips added, and the runs of each transfer at each: a run at
// 400 ms takes over a minute for each transport. The simulator's own
// terminal is measured once, without a delay, for comparison.
struct TRoundTrip {
    int addedMs;
    int runs;
};
constexpr TRoundTrip RoundTrips[] = {{0, 5}, {100, 1}, {400, 1}};
constexpr int IdentifyRuns = 5;
constexpr double SettleMs = 300; // the upload's and download's wait before their first exchange


struct TRow {
    QByteArray transport;
    int roundTripMs;
    const char *transfer;
    TFigure figure;
    double floorMs;
};

// Each figure with what it costs above the floor for each exchange.
void PrintRow(const TRow &row)
{
    const double ratio = row.figure.medianMs / row.floorMs;
    std::printf("%-8s %5d  %-14s %5d %10.1f %10.1f %10.1f %9.2f %7.3f  %s\n", row.transport.constData(),
                row.roundTripMs, row.transfer, row.figure.exchanges, row.floorMs, row.figure.medianMs,
                row.figure.worstMs, (row.figure.medianMs - row.floorMs) / qMax(1, row.figure.exchanges), ratio,
                ratio <= Target ? "met" : "MISSED");
    std::fflush(stdout);
}

// Lets the event loop run for ms: ser2net serves one client at a time, and
// the end of the last connection reaches it through the relay's delay.
void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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

QByteArray TransportName(const QString &address)
{
    return IsNetworkAddress(address) ? address.section(QStringLiteral("://"), 0, 0).toLatin1() : QByteArray("pty");
}
}

int main(int argc, char **argv)
{
    // A home of its own: the simulator registers its port in the runtime
    // folder, and the link remembers the addresses it opens and reads the
    // test certificate authority from the per-user store.
    QTemporaryDir home;
    UseHome(home);
    QCoreApplication app(argc, argv);
    TBeaconSimulator sim;
    TNetRig rig(sim.DevicePath());
    if (!rig.Ok()) {
        std::printf("ser2net did not start: %s\n", qPrintable(rig.Error()));
        return 1;
    }
    TrustTestCa(rig.CaFile());
    TdmCOM link;
    link.tmrPortCheck.SetEnabled(false);
    TSilentLog log;
    FillConfiguration();

    std::printf("Transfers through ser2net to the simulator (paced at 115200 baud, answering at once), and on its\n"
                "terminal (pty) for comparison. Floor: settle + exchanges x (added round trip + wire time at 115200\n"
                "baud); target %.2f x floor. Runs at added round trip 0 / 100 / 400 ms: %d / %d / %d (identify %d).\n\n",
                Target, RoundTrips[0].runs, RoundTrips[1].runs, RoundTrips[2].runs, IdentifyRuns);
    std::printf("%-8s %5s  %-14s %5s %10s %10s %10s %9s %7s\n", "line", "rtt", "transfer", "exch", "floor ms",
                "median ms", "worst ms", "over/exch", "x floor");
    std::vector<TRow> rows;
    int failures = 0;
    QList<QString> lines = rig.Addresses();
    lines.prepend(sim.PortName());
    for (const QString &direct : lines) {
        for (const TRoundTrip &trip : RoundTrips) {
            if (!IsNetworkAddress(direct) && trip.addedMs > 0)
                continue;
            const QString address = trip.addedMs == 0 ? direct : rig.Delayed(direct, trip.addedMs / 2);
            if (address.isEmpty()) {
                std::printf("no relay in front of %s\n", qPrintable(direct));
                return 1;
            }
            link.SetPortName(address);
            try {
                // The server opens its serial port when a client connects; the
                // first identity question is part of opening here, as it is
                // when the window connects.
                QElapsedTimer opening;
                opening.start();
                link.Open();
                const bool answered = link.Identify();
                const double openMs = double(opening.nsecsElapsed()) / 1e6;
                const auto row = [&](const char *transfer, double settleMs, const TFigure &figure) {
                    rows.push_back({TransportName(direct), trip.addedMs, transfer, figure,
                                    settleMs + double(figure.exchanges) * trip.addedMs + figure.wireMs});
                    PrintRow(rows.back());
                };
                bool identified = answered;
                row("identify", 0, Measure(sim, IdentifyRuns, [&] { identified = identified && link.Identify(); }));
                row("full upload", SettleMs,
                    Measure(sim, trip.runs, [&] { UploadToBeacon(log, true, true, true, true); }));
                row("full download", SettleMs,
                    Measure(sim, trip.runs, [&] { DownloadFromBeacon(log, true, true, true); }));
                int events = 0;
                row("event log", 0,
                    Measure(sim, trip.runs, [&] { events = int(DownloadEventLog(nullptr).Rows.size()); }));
                std::printf("%-8s %5d  %-14s %5s %10s %10.1f  (opening and the first identify)\n",
                            TransportName(direct).constData(), trip.addedMs, "open", "", "", openMs);
                if (!identified || DeviceSchedule().Count() != 16 || DeviceCalendar().Count() != 16 || events != 93) {
                    std::printf("wrong content over %s: identified %d, %lld + %lld records, %d events\n",
                                qPrintable(address), identified, qlonglong(DeviceSchedule().Count()),
                                qlonglong(DeviceCalendar().Count()), events);
                    ++failures;
                }
            } catch (const Exception &e) {
                std::printf("%s failed: %s\n", qPrintable(address), qPrintable(e.Message()));
                ++failures;
            }
            link.Close();
            Pause(trip.addedMs + 500);
        }
    }
    const long missed = std::count_if(rows.begin(), rows.end(),
                                      [](const TRow &r) { return r.figure.medianMs > Target * r.floorMs; });
    std::printf("\n%zu figures, %ld above %.2f x floor.\n", rows.size(), missed, Target);
    return failures == 0 ? 0 : 1;
}
