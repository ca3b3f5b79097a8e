#pragma once
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

// One probe of controller discovery: a thread with a port object of its own
// that sends an identity poll every cycle and reports whether an identity
// reply came back. Each cycle's result is handed to the main thread, and the
// thread blocks until it has been taken there. A network address is probed
// through a line of its own too: the thread runs its own event loop for the
// line, within the connection's time limit and the reply wait.
class TConnectionOpenThread : public QThread {
    Q_OBJECT
public:
    TConnectionOpenThread(bool CreateSuspended, const QString &Port, QObject *parent = nullptr);
    // Stops and waits like StopAndWait.
    ~TConnectionOpenThread() override;

    const QString &Port() const { return fPort; }
    // The last result handed over; read on the main thread only.
    bool Connected() const { return fConnected; }
    // Set when the last open failed because this user may not use the port:
    // the reason and its advice, as handed over with the result.
    const QString &AccessDenied() const { return fAccessDenied; }
    const QString &AccessAdvice() const { return fAccessAdvice; }
    // Why the last open failed, for a network address; empty when it opened.
    const QString &Unreached() const { return fUnreached; }
    // Cycles handed over so far.
    int Cycles() const { return fCycles; }
    // Tells the thread to stop after its current cycle and waits for it on the
    // main thread while serving its hand-overs, so the two cannot deadlock.
    void StopAndWait();

protected:
    void run() override;

private:
    void ProbeSerial();
    void ProbeNetwork();
    // Hands one cycle's result to the main thread and waits until it is taken.
    void Publish(bool status, const QString &denied, const QString &advice, const QString &unreached);

    const QString fPort;
    bool fConnected = false;
    QString fAccessDenied;
    QString fAccessAdvice;
    QString fUnreached;
    int fCycles = 0;
};

// How long a discovery listens, whether or not a controller answered early.
// A network beacon whose first probe has not ended by then (its connection
// has a time limit of its own, which may be longer) is waited for until it
// has.
inline constexpr int ScanDurationMs = 6000;

// Reports the scan's state: a status text and the milliseconds elapsed
// (0 to ScanDurationMs), to be shown on a progress bar.
using TScanProgress = std::function<void(const QString &status, int position)>;

// What a discovery found.
struct TScanResult {
    // The ports on which a controller answered, in the order of the port list.
    QStringList Answered;
    // For ports this user may not open: why, and what to do about it (each
    // piece of advice once).
    QStringList AccessDenied;
    QStringList AccessAdvice;
    // For network beacons that could not be reached: what went wrong, naming
    // the address and the step.
    QStringList Unreached;

    // The port to connect to: the last one that answered, or an empty text.
    QString Port() const { return Answered.isEmpty() ? QString() : Answered.constLast(); }
    // Why no controller may have been found, for the operator: empty unless
    // some ports could not be opened for want of permission, or some network
    // beacons could not be reached.
    QString AccessText() const;
};

// What a discovery probes: the system's serial ports, then the remembered
// network beacons' addresses.
QStringList DiscoveryPorts();

// Probes all ports at once for ScanDurationMs with the window alive and
// reports the ports on which a controller answered. The caller closes the
// link's own port first.
TScanResult ScanForController(const QStringList &ports, const TScanProgress &progress);
