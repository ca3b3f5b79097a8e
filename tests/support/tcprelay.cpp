// A TCP relay for the tests: forwards each connection to a target, holding
// every piece of data a given time in each direction, as a slow network
// would. Prints the port it listens on, then serves until killed.
//
//   pvbcs-test-relay TARGET_HOST TARGET_PORT DELAY_MS
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QQueue>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

namespace {
// One direction of a connection: what came from `from`, released to `to`
// after the delay, in order; the end of `from` reaches `to` the same way.
class TDirection : public QObject {
public:
    TDirection(QTcpSocket *from, QTcpSocket *to, int delayMs, QObject *parent)
        : QObject(parent), fFrom(from), fTo(to), fDelayMs(delayMs)
    {
        fTimer.setSingleShot(true);
        fTimer.setTimerType(Qt::PreciseTimer);
        connect(&fTimer, &QTimer::timeout, this, &TDirection::Release);
        connect(from, &QTcpSocket::readyRead, this, &TDirection::Take);
        connect(from, &QTcpSocket::disconnected, this, [this] {
            Take();
            fPending.enqueue({QDeadlineTimer(fDelayMs, Qt::PreciseTimer), QByteArray(), true});
            Schedule();
        });
        Take(); // what came before this direction was set up
    }

private:
    struct TPiece {
        QDeadlineTimer Due;
        QByteArray Data;
        bool End;
    };
    void Take()
    {
        const QByteArray data = fFrom->readAll();
        if (data.isEmpty())
            return;
        fPending.enqueue({QDeadlineTimer(fDelayMs, Qt::PreciseTimer), data, false});
        Schedule();
    }
    void Schedule()
    {
        if (!fTimer.isActive() && !fPending.isEmpty())
            fTimer.start(int(qMax<qint64>(0, fPending.head().Due.remainingTime())));
    }
    void Release()
    {
        while (!fPending.isEmpty() && fPending.head().Due.hasExpired()) {
            const TPiece piece = fPending.dequeue();
            if (piece.End) {
                fTo->disconnectFromHost();
                return;
            }
            fTo->write(piece.Data);
        }
        Schedule();
    }

    QTcpSocket *fFrom;
    QTcpSocket *fTo;
    const int fDelayMs;
    QQueue<TPiece> fPending;
    QTimer fTimer;
};
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: pvbcs-test-relay TARGET_HOST TARGET_PORT DELAY_MS\n");
        return 64;
    }
    const QString host = args[1];
    const quint16 port = quint16(args[2].toUInt());
    const int delayMs = args[3].toInt();
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *client = server.nextPendingConnection()) {
            client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            auto *target = new QTcpSocket(client);
            target->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            // Data from the client wait in its socket until the target answers the connect.
            new TDirection(target, client, delayMs, client);
            QObject::connect(target, &QTcpSocket::connected, client, [=] { new TDirection(client, target, delayMs, client); });
            QObject::connect(target, &QTcpSocket::errorOccurred, client, [=] {
                if (target->state() != QAbstractSocket::ConnectedState)
                    client->abort();
            });
            QObject::connect(client, &QTcpSocket::disconnected, client, [=] {
                if (target->state() == QAbstractSocket::UnconnectedState)
                    client->deleteLater();
            });
            QObject::connect(target, &QTcpSocket::disconnected, client, [=] {
                if (client->state() == QAbstractSocket::UnconnectedState)
                    client->deleteLater();
            });
            target->connectToHost(host, port);
        }
    });
    std::printf("%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
