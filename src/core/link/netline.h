#pragma once
#include "link/byteline.h"
#include "link/netaddress.h"
#include "link/telnetcomport.h"

#include <QAbstractSocket>
#include <QList>
#include <QDeadlineTimer>
#include <QSslConfiguration>
#include <QSslError>
#include <functional>
#include <memory>

class QTcpSocket;

// A controller behind a serial device server: raw TCP, Telnet with COM port
// control (RFC 2217), or raw TCP inside TLS. Qt's sockets do the work; this
// adds the open with its time limit and its steps named, the Telnet layer,
// and the line's failures in plain words.
class TNetByteLine : public TByteLine {
    Q_OBJECT
public:
    // addressText is what the operator wrote, and what messages name.
    TNetByteLine(const QString &addressText, const TNetAddress &address);
    ~TNetByteLine() override;

    // Connects within the settings' time limit, waiting with the window
    // alive but taking no operator input.
    void Open() override;
    void Close() override;
    bool IsOpen() const override;
    qint64 BytesReady() const override;
    QByteArray Read(qint64 maxSize) override;
    bool Write(const QByteArray &bytes) override;
    qint64 BytesToWrite() const override;
    void Flush() override;
    void Purge() override;
    QString ErrorText() const override;

private:
    void SocketReadable();
    void SocketError(QAbstractSocket::SocketError error);
    void SocketGone();
    // One connection attempt within limit; true when the line is ready.
    bool Attempt(const QSslConfiguration &tls, const QDeadlineTimer &limit);
    // Connected, and for TLS encrypted, for Telnet the line set.
    bool Ready() const;
    // Waits with the window alive but no operator input until done() holds
    // (checked as the socket reports) or msec pass.
    void WaitFor(int msec, const std::function<bool()> &done);
    // The socket moved on while opening: the wait checks.
    void Progress();
    // Why a server closed the connection at once, with what it said.
    QString ServerClosedText();
    // The text of a failure to open at the step the socket had reached.
    [[noreturn]] void FailOpen(const QString &step, const QString &why);
    // The step an open that stops now stopped in.
    QString CurrentStep() const;
    void Discard();

    const QString fText;
    const TNetAddress fAddress;
    std::unique_ptr<QTcpSocket> fSocket;
    TTelnetComPort fTelnet;
    QByteArray fReceived; // data taken out of the Telnet layer, not yet read
    QList<QSslError> fSslErrors;
    bool fOpening = false;
    bool fConnected = false; // the TCP connection was made
    QString fOpenError;      // why the open failed, once it has
    QString fOpenStep;       // the step it failed in
    std::function<void()> fOpenWait; // the check of the wait running while opening
    bool fOpen = false;
};
