// Times the link against the simulated controller on a pseudo-terminal, paced
// at the line's rate: one exchange with a controller that answers at once,
// beside the time its bytes need on the wire; one failed exchange with a
// silent controller, beside the waits the protocol sets for it, with the
// processor time the workstation spends on it and the longest gap between two
// repaints of a window that wants to repaint all the time.
#include "link/dmcom.h"
#include "link/frame.h"
#include "sim/beaconsimulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <time.h>
#include <vector>

namespace {
constexpr double ByteMs = 10 * 1000.0 / 115200; // start, 8 data and stop bits at 115200 baud

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

// A window that asks for a repaint every 10 ms, as a busy indicator would,
// and notes the longest time between two paints.
class TAnimatedWindow : public QWidget {
public:
    TAnimatedWindow()
    {
        resize(200, 100);
        connect(&fTick, &QTimer::timeout, this, [this] { update(); });
        fTick.start(10);
    }
    void Restart()
    {
        fLongestMs = 0;
        fSince.start();
    }
    double LongestMs() const { return std::max(fLongestMs, double(fSince.elapsed())); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (fSince.isValid())
            fLongestMs = std::max(fLongestMs, double(fSince.nsecsElapsed()) / 1e6);
        fSince.start();
    }

private:
    QTimer fTick;
    QElapsedTimer fSince;
    double fLongestMs = 0;
};
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
        const double floor = double(BuildFrame(cmdClock, {}).size() + BuildFrame(cmdClock, res).size()) * ByteMs;
        std::printf("exchange with a controller that answers at once (%d exchanges, clock read):\n", exchanges);
        std::printf("  median %.3f ms, 95th percentile %.3f ms, max %.3f ms; wire floor %.3f ms, median %.2f x floor\n",
                    ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(), floor, ms[ms.size() / 2] / floor);
    }
    {
        TBeaconSimulator sim(Options(true));
        TdmCOM dm;
        dm.tmrPortCheck.SetEnabled(false);
        dm.SetPortName(sim.PortName());
        dm.Open();
        TAnimatedWindow window;
        window.show();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 200)
            QCoreApplication::processEvents();
        QByteArray res;
        QElapsedTimer clock;
        clock.start();
        window.Restart();
        const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double thread = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const bool ok = dm.ExchangeMessage(cmdClock, {}, res, 2500, true);
        const double gap = window.LongestMs();
        const double wall = clock.elapsed() / 1000.0;
        // Two attempts, each the reply wait and the 5-byte header read (250 ms a byte plus 2500 ms).
        const double floor = 2 * (2.5 + 3.75);
        std::printf("failed exchange on a silent line (%s):\n", ok ? "unexpectedly answered" : "no reply");
        std::printf("  wall %.2f s (protocol's waits %.2f s, %.2f x), processor %.4f s (process), %.4f s (main "
                    "thread)\n",
                    wall, floor, wall / floor, CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process,
                    CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread);
        std::printf("  longest gap between repaints of the window: %.1f ms (target under 100 ms: %s)\n", gap,
                    gap < 100 ? "met" : "MISSED");
    }
    return 0;
}
