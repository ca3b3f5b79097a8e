#include "link/netline.h"

#include "config/messages.h"
#include "config/netsettings.h"
#include "config/threadedtimer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

namespace {
// A server that turns a connection away does so at once.
constexpr int EarlyCloseMs = 150;
constexpr int RetryPauseMs = 250;

QString SslErrorsText(const QList<QSslError> &errors)
{
    QStringList texts;
    for (const QSslError &error : errors)
        texts << error.errorString();
    return texts.join(QStringLiteral("; "));
}

QSslKey ReadKey(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray pem = file.readAll();
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        QSslKey key(pem, algorithm);
        if (!key.isNull())
            return key;
    }
    return {};
}
}

TNetByteLine::TNetByteLine(const QString &addressText, const TNetAddress &address)
    : fText(addressText), fAddress(address)
{
}

TNetByteLine::~TNetByteLine()
{
    Discard();
}

void TNetByteLine::FailOpen(const QString &step, const QString &why)
{
    Discard();
    fOpening = false;
    throw ELineOpenError(ELineOpenError::Cause::Other, Fmt(Msg::NetOpenFailed, fText, step, why));
}

void TNetByteLine::Open()
{
    if (IsOpen())
        return;
    Discard();
    const TNetworkSettings settings = TNetworkSettings::Load();
    QSslConfiguration tls;
    if (fAddress.Carrier == TNetAddress::Transport::Tls) {
        if (!QSslSocket::supportsSsl())
            FailOpen(QString::fromUtf8(Msg::NetStepTls), QString::fromUtf8(Msg::NetNoTls));
        tls = QSslConfiguration::defaultConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        const auto readFailed = [&](const QString &file, const char *what) {
            FailOpen(QString::fromUtf8(Msg::NetStepCredentials), Fmt(Msg::NetFileUnreadable, file, what));
        };
        if (!settings.CaFile.isEmpty()) {
            const QList<QSslCertificate> authorities = QSslCertificate::fromPath(settings.CaFile);
            if (authorities.isEmpty())
                readFailed(settings.CaFile, "certificate");
            tls.addCaCertificates(authorities);
        }
        if (!settings.ClientCertificate.isEmpty()) {
            const QList<QSslCertificate> mine = QSslCertificate::fromPath(settings.ClientCertificate);
            if (mine.isEmpty())
                readFailed(settings.ClientCertificate, "certificate");
            tls.setLocalCertificate(mine.constFirst());
        }
        if (!settings.ClientKey.isEmpty()) {
            const QSslKey key = ReadKey(settings.ClientKey);
            if (key.isNull())
                readFailed(settings.ClientKey, "key");
            tls.setPrivateKey(key);
        }
    }
    // A device server takes a connection and closes it at once while its
    // device is still held by the connection before (it lets a device go a
    // moment after its user left), so such a close is tried again.
    const QDeadlineTimer limit(settings.ConnectTimeoutMs, Qt::PreciseTimer);
    for (;;) {
        if (Attempt(tls, limit))
            break;
        const bool closedAtOnce = fConnected && fOpenError.isEmpty() && fSocket->state() == QAbstractSocket::UnconnectedState;
        if (!closedAtOnce || limit.remainingTime() <= RetryPauseMs) {
            const QString why = !fOpenError.isEmpty() ? fOpenError
                : closedAtOnce                        ? ServerClosedText()
                                                      : Fmt(Msg::NetNoAnswer, (settings.ConnectTimeoutMs + 999) / 1000);
            FailOpen(fOpenStep.isEmpty() ? CurrentStep() : fOpenStep, why);
        }
        WaitFor(RetryPauseMs, nullptr);
    }
    fOpening = false;
    fOpen = true;
    fSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1); // frames are small: send each at once
    fSocket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
}

bool TNetByteLine::Attempt(const QSslConfiguration &tls, const QDeadlineTimer &limit)
{
    Discard();
    fReceived.clear();
    fSslErrors.clear();
    fTelnet = {};
    fConnected = false;
    fOpenError.clear();
    fOpenStep.clear();
    if (fAddress.Carrier == TNetAddress::Transport::Tls) {
        auto socket = std::make_unique<QSslSocket>();
        socket->setSslConfiguration(tls);
        connect(socket.get(), &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) { fSslErrors = errors; });
        connect(socket.get(), &QSslSocket::encrypted, this, &TNetByteLine::Progress);
        fSocket = std::move(socket);
    } else {
        fSocket = std::make_unique<QTcpSocket>();
    }
    QTcpSocket *const socket = fSocket.get();
    connect(socket, &QTcpSocket::connected, this, [this] {
        fConnected = true;
        if (fAddress.Carrier == TNetAddress::Transport::Rfc2217)
            fSocket->write(TTelnetComPort::Greeting());
    });
    connect(socket, &QTcpSocket::connected, this, &TNetByteLine::Progress);
    connect(socket, &QTcpSocket::readyRead, this, &TNetByteLine::SocketReadable);
    connect(socket, &QTcpSocket::bytesWritten, this, &TByteLine::BytesWritten);
    connect(socket, &QTcpSocket::errorOccurred, this, &TNetByteLine::SocketError);
    connect(socket, &QTcpSocket::disconnected, this, &TNetByteLine::SocketGone);
    fOpening = true;
    if (fAddress.Carrier == TNetAddress::Transport::Tls)
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(fAddress.Host, fAddress.Port);
    else
        socket->connectToHost(fAddress.Host, fAddress.Port);
    const auto ended = [this] { return !fOpenError.isEmpty() || fSocket->state() == QAbstractSocket::UnconnectedState; };
    WaitFor(int(limit.remainingTime()), [&] { return ended() || Ready(); });
    if (!Ready())
        return false;
    if (fAddress.Carrier == TNetAddress::Transport::Rfc2217)
        return true; // the server set its device's line: it holds the device
    // Nothing tells that a raw or TLS server holds its device but a close
    // that does not come.
    // A controller speaks only when asked, so a server that speaks first is
    // turning the connection away, whether or not its close shows yet.
    WaitFor(EarlyCloseMs, [&] { return ended() || !fReceived.isEmpty(); });
    if (!fReceived.isEmpty())
        fSocket->abort();
    return Ready();
}

bool TNetByteLine::Ready() const
{
    if (!fSocket || fSocket->state() != QAbstractSocket::ConnectedState)
        return false;
    switch (fAddress.Carrier) {
    case TNetAddress::Transport::Tls:
        return static_cast<QSslSocket *>(fSocket.get())->isEncrypted();
    case TNetAddress::Transport::Rfc2217:
        return fTelnet.Settled();
    case TNetAddress::Transport::Tcp:
        break;
    }
    return true;
}

void TNetByteLine::WaitFor(int msec, const std::function<bool()> &done)
{
    if (msec <= 0 || (done && done()))
        return;
    QEventLoop loop;
    fOpenWait = [&] {
        if (done && done())
            loop.quit();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(msec);
    const TThreadedTimer::THold holdTicks;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    fOpenWait = nullptr;
}

void TNetByteLine::Progress()
{
    if (fOpenWait)
        fOpenWait();
}

QString TNetByteLine::ServerClosedText()
{
    // What a server says as it turns a connection away, as plain text.
    QByteArray said = fReceived + (fSocket ? fSocket->readAll() : QByteArray());
    said.replace('\r', ' ').replace('\n', ' ');
    QString text;
    for (const char c : said) {
        if (c >= ' ' && c <= '~')
            text += QLatin1Char(c);
    }
    text = text.simplified();
    return text.isEmpty() ? QString::fromUtf8(Msg::NetServerClosed) : Fmt(Msg::NetServerSaid, text.left(120));
}

QString TNetByteLine::CurrentStep() const
{
    if (!fSocket || fSocket->state() == QAbstractSocket::HostLookupState)
        return QString::fromUtf8(fSocket ? Msg::NetStepLookup : Msg::NetStepConnect);
    if (!fConnected)
        return QString::fromUtf8(Msg::NetStepConnect);
    switch (fAddress.Carrier) {
    case TNetAddress::Transport::Tls:
        return QString::fromUtf8(fSslErrors.isEmpty() ? Msg::NetStepTls : Msg::NetStepCertificate);
    case TNetAddress::Transport::Rfc2217:
        return QString::fromUtf8(Msg::NetStepLineSettings);
    case TNetAddress::Transport::Tcp:
        break;
    }
    return QString::fromUtf8(Msg::NetStepConnect);
}

void TNetByteLine::SocketError(QAbstractSocket::SocketError error)
{
    if (fOpening) {
        // A close at once is tried again, and its text is the server's.
        if (!fOpenError.isEmpty() || (error == QAbstractSocket::RemoteHostClosedError && fConnected)) {
            Progress();
            return;
        }
        if (error == QAbstractSocket::HostNotFoundError)
            fOpenStep = QString::fromUtf8(Msg::NetStepLookup);
        else if (error == QAbstractSocket::SslHandshakeFailedError && !fSslErrors.isEmpty())
            fOpenStep = QString::fromUtf8(Msg::NetStepCertificate);
        else
            fOpenStep = CurrentStep();
        fOpenError = error == QAbstractSocket::SslHandshakeFailedError && !fSslErrors.isEmpty()
            ? SslErrorsText(fSslErrors)
            : error == QAbstractSocket::RemoteHostClosedError ? QString::fromUtf8(Msg::NetServerClosed)
                                                               : fSocket->errorString();
        Progress();
        return;
    }
    if (!fOpen)
        return;
    Q_EMIT Failed(error == QAbstractSocket::RemoteHostClosedError ? QString::fromUtf8(Msg::NetServerClosed)
                                                                   : fSocket->errorString());
}

void TNetByteLine::SocketGone()
{
    Progress();
    if (fOpen)
        Q_EMIT Failed(QString::fromUtf8(Msg::NetServerClosed));
}

void TNetByteLine::SocketReadable()
{
    if (fAddress.Carrier != TNetAddress::Transport::Rfc2217) {
        if (fOpen) {
            Q_EMIT ReadyRead();
        } else if (fOpening) {
            // The server's words, kept for ServerClosedText.
            fReceived += fSocket->readAll();
            Progress();
        }
        return;
    }
    QByteArray answers;
    const QByteArray data = fTelnet.Take(fSocket->readAll(), answers);
    if (!answers.isEmpty())
        fSocket->write(answers);
    Progress();
    if (data.isEmpty())
        return;
    fReceived += data;
    if (fOpen)
        Q_EMIT ReadyRead();
}

void TNetByteLine::Discard()
{
    fOpen = false;
    if (!fSocket)
        return;
    QTcpSocket *const socket = fSocket.release();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater(); // it may be in the middle of telling something
}

void TNetByteLine::Close()
{
    if (!fSocket)
        return;
    if (fOpen)
        Q_EMIT Closing();
    fSocket->flush();
    Discard();
}

bool TNetByteLine::IsOpen() const
{
    return fOpen && fSocket && fSocket->state() == QAbstractSocket::ConnectedState;
}

qint64 TNetByteLine::BytesReady() const
{
    if (!fSocket)
        return 0;
    return fAddress.Carrier == TNetAddress::Transport::Rfc2217 ? fReceived.size() : fSocket->bytesAvailable();
}

QByteArray TNetByteLine::Read(qint64 maxSize)
{
    if (!fSocket)
        return {};
    if (fAddress.Carrier != TNetAddress::Transport::Rfc2217)
        return fSocket->read(maxSize);
    const QByteArray taken = fReceived.left(maxSize);
    fReceived.remove(0, taken.size());
    return taken;
}

bool TNetByteLine::Write(const QByteArray &bytes)
{
    if (!IsOpen())
        return false;
    const QByteArray wire = fAddress.Carrier == TNetAddress::Transport::Rfc2217 ? TTelnetComPort::Escape(bytes) : bytes;
    return fSocket->write(wire) == wire.size();
}

qint64 TNetByteLine::BytesToWrite() const
{
    return fSocket ? fSocket->bytesToWrite() : 0;
}

void TNetByteLine::Flush()
{
    if (fSocket)
        fSocket->flush();
}

void TNetByteLine::Purge()
{
    if (!IsOpen())
        return;
    if (fAddress.Carrier == TNetAddress::Transport::Rfc2217) {
        QByteArray answers;
        fTelnet.Take(fSocket->readAll(), answers); // the data go; the Telnet commands among them are answered
        fSocket->write(answers + TTelnetComPort::PurgeBoth());
        fReceived.clear();
    } else {
        fSocket->readAll();
    }
}

QString TNetByteLine::ErrorText() const
{
    return fSocket ? fSocket->errorString() : QString();
}
