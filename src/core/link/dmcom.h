#pragma once
#include "config/processinstance.h"
#include "config/threadedtimer.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

// The link to the beacon controller: the serial line CPort, its byte-level
// primitives and waits, the message frame and exchange, and the identity
// poller that watches the connection. One process-wide instance, dmCOM().
//
// Every wait keeps the window alive: it runs a local event loop until the
// bytes are there or the deadline passes, so timer ticks and operator input
// run inside an exchange. ScanActive is the only guard: operations that
// exchange several messages in a row clear it so the poller keeps off the line.
class TdmCOM : public QObject, public TProcessInstance<TdmCOM> {
    Q_OBJECT
public:
    explicit TdmCOM(QObject *parent = nullptr);
    ~TdmCOM() override;
    TdmCOM(const TdmCOM &) = delete;
    TdmCOM &operator=(const TdmCOM &) = delete;

    static constexpr const char *kMissingInstance = "The link module does not exist.";

    // The port name the next open uses ("ttyS0" style or a path).
    const QString &PortName() const { return fPortName; }
    void SetPortName(const QString &name) { fPortName = name; }
    // Opens the port exclusively; throws an Exception with the serial layer's
    // text. Opening an open port does nothing.
    void Open();
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

    // Byte-level primitives. Errors of the line propagate as Exceptions with
    // the serial layer's text, once; the port is closed by then.
    bool UniConnected() const { return CPort.isOpen(); }
    // Bytes waiting to be read; 0 on any error.
    int UniInputCount();
    // Discards both queues when input is waiting; returns the count discarded.
    int UniFlushBuffer();
    // Opens the port first when it is closed; returns the bytes accepted.
    int UniWriteStr(const QByteArray &str);
    // Reads at most Count bytes under the read timeouts, blocking; a timeout
    // is not an error and returns what arrived.
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
    // The command code of the frame read, 255 when no valid header arrived.
    quint8 ReceiveMessage(QByteArray &data, bool FlushBuf);
    // Sends hdr with msg and waits up to timeout for a reply with the same
    // code; two attempts. res is set only on success.
    bool ExchangeMessage(quint8 hdr, const QByteArray &msg, QByteArray &res, int timeout, bool FlushBuf);

    // The identity poller's tick, run by tmrPortCheck every second.
    void tmrPortCheckTimer();

    TThreadedTimer tmrPortCheck;

Q_SIGNALS:
    // The poller took an identity reply; the Sign fields hold it.
    void IdentityReceived();

private:
    void PortError(QSerialPort::SerialPortError error);
    // Throws the line failure recorded since the open, closing the port.
    void RaiseLineFailure();

    QSerialPort CPort;
    QString fPortName;
    QString fLineFailure; // the serial layer's text of the first line failure since the open
    int fReadInterval = 250;
    int fReadPerByte = 250;
    int fReadConstant = 2500;
    bool fScanActive = false;
    quint8 fAttemptCount = 0;
    QString fSignSerial;
    QString fSignBoardVer;
    QString fSignFirmwareVer;
};

inline TdmCOM &dmCOM() { return TdmCOM::Instance(); }
