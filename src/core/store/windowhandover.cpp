#include "store/windowhandover.h"

#include "store/librarylock.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <memory>

namespace {
// A message is one line for each file, its file URL (which escapes line
// ends and any other byte), then an empty line; the window answers "taken".
// More than this is not one of ours.
constexpr qint64 kMostMessageBytes = 1024 * 1024;
const QByteArray kTaken = QByteArrayLiteral("taken\n");

QString CanonicalName(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// Whether a running process on this machine holds the library's window
// lock. Only reads the lock file: taking it, even for a moment, could turn
// away a window that is starting.
bool WindowHoldsLibrary(const QString &dbFileName)
{
    QLockFile lock(TLibraryLock::LockFileName(dbFileName));
    qint64 pid = 0;
    QString host;
    QString program;
    if (!lock.getLockInfo(&pid, &host, &program) || pid <= 0)
        return false;
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

}

QString TWindowHandover::ServerName(const QString &dbFileName)
{
    const QByteArray hash = QCryptographicHash::hash(CanonicalName(dbFileName).toUtf8(), QCryptographicHash::Sha256);
    const QString name = QStringLiteral("pvbcs-window-") + QString::fromLatin1(hash.toHex().left(16));
    // The runtime folder is the user's own; without one Qt's default place
    // is used, where the socket is still the user's alone.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? name : runtime + u'/' + name;
}

TWindowHandover::TWindowHandover(const QString &dbFileName, QObject *parent)
    : QObject(parent), fServer(new QLocalServer(this))
{
    fServer->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = ServerName(dbFileName);
    QLocalServer::removeServer(name);
    if (!fServer->listen(name))
        qWarning("Settings files from other starts are not taken: %s", qPrintable(fServer->errorString()));
    connect(fServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = fServer->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // The names read so far, until the empty line that ends them.
            auto files = std::make_shared<QStringList>();
            connect(socket, &QLocalSocket::readyRead, this, [this, socket, files] { Receive(*socket, *files); });
        }
    });
}

TWindowHandover::~TWindowHandover() = default;

bool TWindowHandover::Listening() const
{
    return fServer->isListening();
}

void TWindowHandover::Receive(QLocalSocket &socket, QStringList &files)
{
    while (socket.canReadLine()) {
        const QByteArray line = socket.readLine().trimmed();
        if (!line.isEmpty()) {
            const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
            if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isAbsolute())
                files << url.toLocalFile();
            continue;
        }
        if (files.isEmpty()) {
            socket.abort(); // nothing to take: not a message of ours
            return;
        }
        socket.write(kTaken);
        socket.disconnectFromServer();
        Q_EMIT FilesHanded(files);
        return;
    }
    if (socket.bytesAvailable() > kMostMessageBytes || files.size() > 1000)
        socket.abort(); // not a message of ours
}

bool TWindowHandover::HandOver(const QString &dbFileName, const QStringList &files, int timeoutMs)
{
    QByteArray message;
    for (const QString &file : files)
        message += QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded() + '\n';
    message += '\n';
    const QString name = ServerName(dbFileName);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(message);
            while (!socket.canReadLine() && socket.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 0)))) {
            }
            return socket.readLine() == kTaken;
        }
        // A window that has just taken the library may not listen yet.
        if (!WindowHoldsLibrary(dbFileName) || deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
}
