// What following the system's serial ports costs: the processor time of an
// idle watch, the time from a port appearing to its report, and the time of
// one listing of the ports (what each report costs the window).
#include "link/portlist.h"
#include "link/portwatch.h"
#include "sim/beaconsimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <time.h>
#include <vector>

namespace {
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Runs the event loop until the watcher reports or the time is up; the time
// it took, or -1.
qint64 WaitForReport(TPortWatcher &watcher, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    bool reported = false;
    const auto connection = QObject::connect(&watcher, &TPortWatcher::PortsChanged, &loop, [&] {
        reported = true;
        loop.quit();
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return reported ? clock.elapsed() : -1;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;

    TPortWatcher watcher;
    const double idleStart = CpuMs();
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleCpu = CpuMs() - idleStart;
    std::printf("idle watch: %.2f ms processor time in %d s (%.3f ms per minute)\n", idleCpu, idleSeconds,
                idleCpu * 60 / idleSeconds);

    std::vector<qint64> arrivals, departures;
    for (int i = 0; i < 10; ++i) {
        QEventLoop settle;
        QTimer::singleShot(TPortWatcher::LateMs + 200, &settle, &QEventLoop::quit);
        settle.exec(); // the late report of the step before is over
        auto sim = std::make_unique<TBeaconSimulator>();
        arrivals.push_back(WaitForReport(watcher, 5000));
        QTimer::singleShot(TPortWatcher::LateMs + 200, &settle, &QEventLoop::quit);
        settle.exec();
        sim.reset();
        departures.push_back(WaitForReport(watcher, 5000));
    }
    std::sort(arrivals.begin(), arrivals.end());
    std::sort(departures.begin(), departures.end());
    std::printf("port appears -> reported: median %lld ms, worst %lld ms (10 times)\n", arrivals[5], arrivals.back());
    std::printf("port goes away -> reported: median %lld ms, worst %lld ms (10 times)\n", departures[5],
                departures.back());

    const int listings = 200;
    QElapsedTimer clock;
    clock.start();
    const double listStart = CpuMs();
    int ports = 0;
    for (int i = 0; i < listings; ++i)
        ports = int(ListPorts().size());
    const double listingCpu = (CpuMs() - listStart) / listings;
    std::printf("one listing of the ports (%d ports): %.3f ms elapsed, %.3f ms processor time\n", ports,
                double(clock.nsecsElapsed()) / 1e6 / listings, listingCpu);
    std::printf("(listing every second instead of watching would take %.1f ms processor time per minute)\n",
                listingCpu * 60);
    return 0;
}
