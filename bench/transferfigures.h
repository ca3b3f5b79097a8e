#pragma once
// What the transfer benchmarks measure: each transfer's time over some runs,
// and the exchanges and wire time of its last run, to set beside its floor.
#include "sim/beaconsimulator.h"
#include "transfer/workflows.h"

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

constexpr double BitsPerByte = 10; // start, 8 data, stop
constexpr double Baud = 115200;
// How far above the floor each figure may lie.
constexpr double Target = 1.15;

struct TFigure {
    double medianMs = 0;
    double worstMs = 0;
    int exchanges = 0;
    double wireMs = 0;
};

// Runs work runs times; the line's traffic is counted from the last run.
inline TFigure Measure(TBeaconSimulator &sim, int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        sim.ClearFrameLog();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    TFigure figure;
    figure.medianMs = times[times.size() / 2];
    figure.worstMs = times.back();
    qint64 bytes = 0;
    for (const TFrameLogEntry &entry : sim.FrameLog()) {
        bytes += entry.text.size();
        if (entry.direction == QLatin1String("RX"))
            ++figure.exchanges;
    }
    figure.wireMs = double(bytes) * BitsPerByte / Baud * 1000;
    return figure;
}
