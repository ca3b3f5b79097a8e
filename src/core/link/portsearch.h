#pragma once
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

// One probe of controller discovery: a thread with a port object of its own
// that sends an identity poll every cycle and reports whether an identity
// reply came back. Each cycle's result is handed to the main thread, and the
// thread blocks until it has been taken there.
class TConnectionOpenThread : public QThread {
    Q_OBJECT
public:
    TConnectionOpenThread(bool CreateSuspended, const QString &Port, QObject *parent = nullptr);
    // Stops and waits like StopAndWait.
    ~TConnectionOpenThread() override;

    const QString &Port() const { return fPort; }
    // The last result handed over; read on the main thread only.
    bool Connected() const { return fConnected; }
    // Tells the thread to stop after its current cycle and waits for it on the
    // main thread while serving its hand-overs, so the two cannot deadlock.
    void StopAndWait();

protected:
    void run() override;

private:
    const QString fPort;
    bool fConnected = false;
};

// How long a discovery listens, whether or not a controller answered early.
inline constexpr int ScanDurationMs = 6000;

// Reports the scan's state: a status text and the milliseconds elapsed
// (0 to ScanDurationMs), to be shown on a progress bar.
using TScanProgress = std::function<void(const QString &status, int position)>;

// Probes all ports at once for ScanDurationMs with the window alive and
// returns the port on which a controller answered (the last such port in the
// list), or an empty text. The caller closes the link's own port first.
QString ScanForController(const QStringList &ports, const TScanProgress &progress);
