#include "config/threadedtimer.h"

#include <QPointer>

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
    if (!enabled)
        fTimer.stop();
    else
        Arm();
}

void TThreadedTimer::Arm()
{
    // While a tick runs the timer stays off; Tick re-arms it on return.
    if (fEnabled && !fInTick && !fTimer.isActive())
        fTimer.start(fInterval);
}

void TThreadedTimer::Tick()
{
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
