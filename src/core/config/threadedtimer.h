#pragma once
#include <QObject>
#include <QTimer>
#include <functional>

// A repeating timer whose ticks run on the main thread and never overlap: the
// next interval starts only after the handler has returned, even when the
// handler runs a nested event loop or a modal box. An exception escaping a
// tick is swallowed; the timer keeps running.
class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    explicit TThreadedTimer(QObject *parent = nullptr, int intervalMs = 1000);

    int Interval() const { return fInterval; }
    void SetInterval(int ms);
    bool Enabled() const { return fEnabled; }
    void SetEnabled(bool enabled);
    bool InTick() const { return fInTick; }

    std::function<void()> OnTimer;

    // Holds the ticks of every threaded timer while it lives; a tick that
    // falls due meanwhile runs once the last hold has ended. The link holds
    // them while it reads, so no poll or status tick starts inside a read.
    // A hold made off the main thread (a discovery probe's line) holds
    // nothing: the ticks run on the main thread.
    class THold {
    public:
        THold();
        ~THold();
        THold(const THold &) = delete;
        THold &operator=(const THold &) = delete;

    private:
        const bool fMainThread;
    };

private:
    void Tick();
    void Arm();

    QTimer fTimer;
    int fInterval;
    bool fEnabled = false;
    bool fInTick = false;
    bool fHeld = false; // a tick fell due during a hold
};
