// Times the link against the simulated controller on a pseudo-terminal: one
// exchange with a controller that answers at once, and the processor time the
// workstation spends on one failed exchange with a silent controller.
#include "link/dmcom.h"
#include "link/frame.h"
#include "sim/beaconsimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <time.h>
#include <vector>

namespace {
double CpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

TSimOptions Options(bool silent)
{
    TSimOptions options;
    options.name = QStringLiteral("link-bench");
    options.silent = silent;
    return options;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(10, atoi(argv[1])) : 1000;

    {
        TBeaconSimulator sim(Options(false));
        TdmCOM dm;
        dm.tmrPortCheck.SetEnabled(false);
        dm.SetPortName(sim.PortName());
        dm.Open();
        QByteArray res;
        for (int i = 0; i < 20; ++i)
            dm.ExchangeMessage(cmdClock, {}, res, 2500, true);
        std::vector<double> ms;
        QElapsedTimer clock;
        for (int i = 0; i < exchanges; ++i) {
            clock.start();
            if (!dm.ExchangeMessage(cmdClock, {}, res, 2500, true)) {
                std::fprintf(stderr, "exchange %d failed\n", i);
                return 1;
            }
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("exchange with a controller that answers at once (%d exchanges, clock read):\n", exchanges);
        std::printf("  median %.3f ms, 95th percentile %.3f ms, max %.3f ms\n", ms[ms.size() / 2],
                    ms[ms.size() * 95 / 100], ms.back());
    }
    {
        TBeaconSimulator sim(Options(true));
        TdmCOM dm;
        dm.tmrPortCheck.SetEnabled(false);
        dm.SetPortName(sim.PortName());
        dm.Open();
        QByteArray res;
        QElapsedTimer clock;
        clock.start();
        const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double thread = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const bool ok = dm.ExchangeMessage(cmdClock, {}, res, 2500, true);
        std::printf("failed exchange on a silent line (%s):\n", ok ? "unexpectedly answered" : "no reply");
        std::printf("  wall %.2f s, processor %.4f s (process), %.4f s (main thread)\n", clock.elapsed() / 1000.0,
                    CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process, CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread);
    }
    return 0;
}
