#include "config/threadedtimer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <utility>
#include <vector>

namespace {
// Main thread only, like the timers.
int gHolds = 0;
std::vector<QPointer<TThreadedTimer>> gHeldTimers;
}

TThreadedTimer::THold::THold()
    : fMainThread(QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
{
    if (fMainThread)
        ++gHolds;
}

TThreadedTimer::THold::~THold()
{
    if (!fMainThread || --gHolds > 0)
        return;
    for (const QPointer<TThreadedTimer> &timer : std::exchange(gHeldTimers, {})) {
        if (timer && timer->fHeld) {
            timer->fHeld = false;
            QMetaObject::invokeMethod(timer, &TThreadedTimer::Tick, Qt::QueuedConnection);
        }
    }
}

TThreadedTimer::TThreadedTimer(QObject *parent, int intervalMs)
    : QObject(parent), fInterval(intervalMs)
{
    fTimer.setSingleShot(true);
    fTimer.setTimerType(Qt::CoarseTimer);
    connect(&fTimer, &QTimer::timeout, this, &TThreadedTimer::Tick);
}

void TThreadedTimer::SetInterval(int ms)
{
    fInterval = ms;
    if (fTimer.isActive())
        fTimer.start(fInterval);
}

void TThreadedTimer::SetEnabled(bool enabled)
{
    fEnabled = enabled;
    if (!enabled) {
        fTimer.stop();
        fHeld = false;
    } else {
        Arm();
    }
}

void TThreadedTimer::Arm()
{
    // While a tick runs or waits for a hold to end the timer stays off; Tick
    // re-arms it on return.
    if (fEnabled && !fInTick && !fHeld && !fTimer.isActive())
        fTimer.start(fInterval);
}

void TThreadedTimer::Tick()
{
    if (!fEnabled)
        return; // disabled while a held tick waited
    if (gHolds > 0) {
        fHeld = true;
        gHeldTimers.emplace_back(this);
        return;
    }
    const QPointer<TThreadedTimer> alive(this); // a handler may delete its timer
    fInTick = true;
    try {
        // A copy, so a handler that deletes its timer does not delete itself.
        if (const auto handler = OnTimer)
            handler();
    } catch (...) {
        // A failing tick must not stop the timer or reach the operator.
    }
    if (!alive)
        return;
    fInTick = false;
    Arm();
}
