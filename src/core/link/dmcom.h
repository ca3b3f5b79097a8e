#pragma once
#include "config/processinstance.h"
#include "config/threadedtimer.h"
#include "link/byteline.h"
#include "link/frame.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <utility>
#include <functional>
#include <memory>

class QEventLoop;

// The operator aborted the operation in progress (TLinkAbortScope).
class ELinkAborted : public Exception {
public:
    ELinkAborted();
};

// The link to the beacon controller: the line (a serial port, or a device
// server on the network: TByteLine), its byte-level
// primitives and waits, the message frame and exchange, and the identity
// poller that watches the connection. One process-wide instance, dmCOM().
//
// Every wait keeps the window alive: it runs a local event loop until the
// bytes are there or the deadline passes, so timer ticks and operator input
// run inside an exchange. ScanActive is the only guard: operations that
// exchange several messages in a row clear it so the poller keeps off the line.
// The reads and writes wait in a local event loop too, but one that only
// repaints: operator input waits and the threaded timers hold their ticks, so
// nothing new starts inside them.
class TdmCOM : public QObject, public TProcessInstance<TdmCOM> {
    Q_OBJECT
public:
    explicit TdmCOM(QObject *parent = nullptr);
    ~TdmCOM() override;
    TdmCOM(const TdmCOM &) = delete;
    TdmCOM &operator=(const TdmCOM &) = delete;

    static constexpr const char *kMissingInstance = "The link module does not exist.";

    // The port name the next open uses ("ttyS0" style, a path, or a network
    // address such as tcp://host:4001).
    const QString &PortName() const { return fPortName; }
    void SetPortName(const QString &name) { fPortName = name; }
    // Opens the port exclusively; throws ELineOpenError. Opening an open port
    // does nothing. A network address opened is remembered, and with it the
    // serial number of the controller that identifies itself there.
    void Open();
    // Closes the port once the reply owed, if any, has come or its wait has
    // ended, so that it cannot reach whoever opens the line next.
    void Close();

    // The read timeouts: a read ends intervalMs after a byte with no further
    // byte, and in any case perByteMs per requested byte plus constantMs after
    // it began.
    void SetReadTimeouts(int intervalMs, int perByteMs, int constantMs);

    bool ScanActive() const { return fScanActive; }
    void SetScanActive(bool active) { fScanActive = active; }
    quint8 AttemptCount() const { return fAttemptCount; }
    // Unanswered identity polls after which the link counts as lost.
    static constexpr int MaxAttempts = 10;
    const QString &SignSerial() const { return fSignSerial; }
    const QString &SignBoardVer() const { return fSignBoardVer; }
    const QString &SignFirmwareVer() const { return fSignFirmwareVer; }

    // Byte-level primitives. Errors of the line propagate as Exceptions, once,
    // naming the port, what was being done (TLinkActivity) and the serial
    // layer's text; the port is closed by then.
    bool UniConnected() const { return fLine && fLine->IsOpen(); }
    // Bytes waiting to be read; 0 on any error.
    int UniInputCount();
    // Discards both queues when input is waiting; returns the count discarded.
    int UniFlushBuffer();
    // Opens the port first when it is closed; returns the bytes accepted.
    int UniWriteStr(const QByteArray &str);
    // Reads at most Count bytes under the read timeouts; a timeout is not an
    // error and returns what arrived.
    int UniReadStr(QByteArray &Str, int Count);
    // Forgets the controller's serial number and the poll count, and closes.
    void UniDisconnect();

    // Waits msec milliseconds with the window alive.
    void Delay(int msec);
    // Waits until buffer bytes are waiting or msec milliseconds have passed,
    // with the window alive. Returns early when the line fails or closes.
    void Delay(int msec, int buffer);

    // Framing and exchange.
    bool SendMessage(quint8 cmd, const QByteArray &data);
    // The command code of the frame read; 255 when no whole frame arrived (no
    // valid header, or a payload shorter than the header declares).
    quint8 ReceiveMessage(QByteArray &data, bool FlushBuf);
    // Sends hdr with msg and waits up to timeout for a reply with the same
    // code whose payload holds replyBytes bytes of hex digits (any payload
    // with AnyReplyPayload) and, for a reply that names what it answers,
    // begins with replyNames; two attempts. res is set only on success.
    // Each attempt begins on a settled line (SettleLine). A reply that does
    // not fit the request answers something else: the request is still owed,
    // and the retry waits for its reply first.
    bool ExchangeMessage(quint8 hdr, const QByteArray &msg, QByteArray &res, int timeout, bool FlushBuf,
                         int replyBytes = AnyReplyPayload, const QByteArray &replyNames = {});

    // How long a request waits for the start of its reply; until then the
    // reply is owed, and nothing else is sent.
    static constexpr int ReplyWaitMs = 2500;
    void SetReplyWait(int msec) { fReplyWait = msec; }
    // Whether a request sent on this line still waits for its reply.
    bool ReplyOwed();
    // Waits until no reply is owed (it is discarded when it comes, or its
    // wait ends) and, when anything came, until the line is quiet again, then
    // discards what came. Costs nothing on a line that owes nothing and has
    // nothing waiting. Throws the line's failure.
    void SettleLine();
    // Milliseconds from the last request to the first byte of its reply; -1
    // before any reply.
    int LastReplyMs() const { return fLastReplyMs; }

    // Asks the controller who it is, once, and takes the reply as the poll
    // does: false when no identity came. Leaves nothing owed.
    bool Identify();

    // True once after an operation that names itself (TLinkActivity) lost
    // the line and raised the failure to its caller, who reports it; the
    // window then need not report the loss a second time.
    bool TakeLossReported() { return std::exchange(fLossReported, false); }

    // Ends the wait in progress of an abortable operation (TLinkAbortScope)
    // at once with ELinkAborted, and every later one until it ends. Does
    // nothing outside such an operation.
    void Abort();

    // The identity poller's tick, run by tmrPortCheck every second. It sends
    // no poll while a reply is owed (the tick counts as unanswered) and
    // leaves the line alone while an exchange runs.
    void tmrPortCheckTimer();

    TThreadedTimer tmrPortCheck;

Q_SIGNALS:
    // The poller took an identity reply; the Sign fields hold it.
    void IdentityReceived();

private:
    friend class TLinkActivity;
    friend class TLinkAbortScope;

    // Records the line's failure, to be raised by the next use, and closes it.
    void LineFailed(const QString &text);
    // Throws the line failure recorded since the open, closing the port.
    void RaiseLineFailure();
    // Throws the failure of the line with the system's text, naming
    // the port and the activity.
    [[noreturn]] void Fail(const QString &systemText);
    // ReceiveMessage, telling also whether anything at all arrived.
    quint8 Receive(QByteArray &data, bool FlushBuf, bool &heard);
    // The rest of a damaged or unasked reply may still be on its way, and
    // would spoil the next reply if it came after the flush. Waits until
    // nothing has arrived for one read interval (PayloadWaitMs at most).
    void WaitForQuiet();
    // Waits until input is waiting or no reply is owed any more; whether
    // input is waiting. Throws the line's failure.
    bool AwaitOwedReply();
    // A request has just left: its reply is owed from now.
    void NoteRequestSent();
    // A reply came, taken or discarded, for the oldest request owed.
    void NoteReplyCame();
    // One more reply may come, within the reply wait from now.
    void ExpectAnotherReply();
    void ForgetOwed();
    // Notes when a reply begins to arrive.
    void NoteInput();
    // Takes an identity reply's fields.
    void TakeIdentity(const QByteArray &payload);
    // Runs a local event loop for at most msec until done() holds (checked
    // whenever the port reports), the line fails or closes, or the operator
    // aborts. window: the protocol's waits, which take operator input and
    // timer ticks; otherwise only repaints and such run, except inside an
    // abortable operation, whose Abort button must be heard.
    void Wait(int msec, bool window, const std::function<bool()> &done);

    std::unique_ptr<TByteLine> fLine;
    QString fLineName; // the port name fLine was made for
    QString fPortName;
    QString fRememberedSerial; // the address and serial number remembered last
    QString fLineFailure; // what the first line failure since the open said
    QString fActivity;    // what the link is used for now, for the failure text
    bool fLossReported = false;
    bool fAbortable = false;
    bool fAbortRequested = false;
    QEventLoop *fWaitLoop = nullptr; // the innermost wait running
    int fReadInterval = 250;
    int fReadPerByte = 250;
    int fReadConstant = 2500;
    int fReplyWait = ReplyWaitMs;
    bool fScanActive = false;
    bool fExchanging = false;   // an exchange holds the line
    int fOwed = 0;              // requests whose replies have not begun to arrive
    QDeadlineTimer fOwedUntil;  // the end of the wait for the oldest of them
    // A request went unanswered through its whole wait: its reply may yet
    // come, late, and be taken for the next request's.
    bool fLateOwed = false;
    bool fLateCarried = false; // fLateOwed came from an exchange that took one of two replies
    QElapsedTimer fSentAt;      // when the last request left
    bool fTimingReply = false;  // the first byte of its reply is still to come
    int fLastReplyMs = -1;
    quint8 fAttemptCount = 0;
    QString fSignSerial;
    QString fSignBoardVer;
    QString fSignFirmwareVer;
};

inline TdmCOM &dmCOM() { return TdmCOM::Instance(); }

// Names what an operation uses the link for while it lives, so that a failure
// of the line says so: "Lost the connection to ttyUSB0 while reading the
// event log: ...". Scopes nest; the innermost names the failure.
class TLinkActivity {
public:
    TLinkActivity(TdmCOM &link, const QString &what);
    ~TLinkActivity();
    TLinkActivity(const TLinkActivity &) = delete;
    TLinkActivity &operator=(const TLinkActivity &) = delete;

private:
    TdmCOM &fLink;
    QString fPrevious;
};

// An operation the operator may abort while it lives (the event-log
// download): its waits and reads take operator input, so its Abort button is
// heard there too, and TdmCOM::Abort ends them with ELinkAborted. Whatever
// else could start link work must be locked while it runs.
class TLinkAbortScope {
public:
    explicit TLinkAbortScope(TdmCOM &link);
    ~TLinkAbortScope();
    TLinkAbortScope(const TLinkAbortScope &) = delete;
    TLinkAbortScope &operator=(const TLinkAbortScope &) = delete;

private:
    TdmCOM &fLink;
};
