#pragma once
#include "link/virtualport.h"
#include "sim/beaconcontroller.h"
#include "sim/pseudoterminal.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QQueue>
#include <QSet>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

// How a damaged reply is damaged: one character left out, or one changed
// into a character that cannot stand in a frame.
enum class TDamage { Drop, Change };

// How the simulated controller behaves on the line, faults included.
struct TSimOptions {
    QString name = QStringLiteral("beacon-sim"); // the virtual port's name, one simulator's at a time
    QByteArray serial = "20240001";
    QByteArray board = "0003";
    QByteArray firmware = "0105";
    bool silent = false;       // never answers
    QSet<quint8> ignore;       // commands left unanswered
    int dropEvery = 0;         // every Nth reply is not sent
    QByteArray noise;          // sent in front of every reply
    bool lowercase = false;    // hex digits of replies in lower case
    int replyDelayMs = 0;      // before each reply
    int byteGapMs = 0;         // between the bytes of a reply
    int closeAfter = 0;        // the line hangs up when this frame arrives, unanswered
    bool paced = true;         // bytes take the time they take at 115200 baud, 8N1, both ways
    int damageEvery = 0;       // every Nth reply is damaged
    TDamage damage = TDamage::Drop;
    QString logFile;           // frame log, appended to; "-" standard output
};

// One frame (or run of unframed bytes) on the line, as the controller saw it.
struct TFrameLogEntry {
    QDateTime time;
    QString direction; // "RX" from the workstation, "TX" to it
    QByteArray text;
};

// A beacon controller on a pseudo-terminal, registered as a virtual serial
// port while it runs. It serves the line from a thread of its own and is
// quiet until asked, like a real controller.
class TBeaconSimulator {
public:
    // Throws std::runtime_error, or Exception when the name cannot be registered.
    explicit TBeaconSimulator(const TSimOptions &options = {});
    ~TBeaconSimulator();
    TBeaconSimulator(const TBeaconSimulator &) = delete;
    TBeaconSimulator &operator=(const TBeaconSimulator &) = delete;

    // The virtual port's name, which the workstation opens.
    const QString &PortName() const { return fPort.Name(); }
    const QString &DevicePath() const { return fDevicePath; }
    bool LineOpen() const { return fLineOpen; }
    // Hangs the line up now, as an unplugged controller would.
    void CloseLine();

    // A reply is in the log before its last byte reaches the workstation, so
    // an exchange that has ended finds its reply there.
    QList<TFrameLogEntry> FrameLog() const;
    // The texts received from the workstation, in order.
    QList<QByteArray> Received() const;
    void ClearFrameLog();
    // The next request is answered with exactly this text, whatever it asks.
    void QueueRawReply(const QByteArray &text);
    // The next request is served with the faults and pacing of these options
    // instead of the simulator's own: one entry per request, in order, so
    // that each exchange can have a fault of its own.
    void QueueFaults(const TSimOptions &faults);
    void ClearQueuedFaults();
    // Runs work on the controller's state, safely against the serving thread.
    void WithController(const std::function<void(TBeaconController &)> &work);
    // Requests that came while the reply to an earlier one was still to be
    // sent: a workstation that waits for each reply sends none.
    int RequestsWhileOwed() const { return fRequestsWhileOwed; }

private:
    void Serve();
    void TakeFrames(QByteArray &pending);
    void Answer(quint8 cmd, const QByteArray &payload);
    void Send(const QByteArray &text);
    void SendPaced(const QByteArray &text);
    // Logs the whole of text and writes the rest of it from from.
    void SendLast(const QByteArray &text, qsizetype from);
    QByteArray Damaged(const QByteArray &frame);
    // Sleeps msec unless told to stop; false when told to stop.
    bool Pause(int msec);
    // Sleeps until then unless told to stop; false when told to stop.
    bool PauseUntil(std::chrono::steady_clock::time_point then);
    void Log(const char *direction, const QByteArray &text);
    void HangUp();

    const TSimOptions fOptions;
    TSimOptions fFaults; // what serves the request in hand: fOptions or a queued entry
    TPseudoTerminal fPty;
    TBeaconController fController;
    QString fDevicePath;
    TVirtualPort fPort;
    QFile fLogFile;
    int fWake[2] = {-1, -1};
    std::atomic<bool> fStop{false};
    std::atomic<bool> fHangUpRequested{false};
    std::atomic<bool> fLineOpen{true};
    int fFramesReceived = 0;
    qsizetype fPendingAfterFrame = 0; // bytes that came behind the request in hand
    std::atomic<int> fRequestsWhileOwed{0};
    int fRepliesDue = 0;
    int fRepliesSent = 0;
    std::minstd_rand fDamageChoice; // the same damage on every run
    // When the bytes read so far have all arrived on the wire, and when the
    // line towards the workstation is free again.
    std::chrono::steady_clock::time_point fReceivedBy, fSendingUntil;

    mutable QMutex fMutex; // guards the controller, the log and the raw replies
    QList<TFrameLogEntry> fLog;
    QQueue<QByteArray> fRawReplies;
    QQueue<TSimOptions> fQueuedFaults;

    std::thread fThread;
};
