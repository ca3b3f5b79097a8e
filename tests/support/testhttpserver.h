#pragma once
#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QVariant>

// A one-page web server on 127.0.0.1: it answers every request with the status
// and body set here and keeps the head of the last request it read.
class TTestHttpServer {
public:
    TTestHttpServer()
    {
        // A proxy set in the environment must not catch requests to this server.
        qputenv("no_proxy", "127.0.0.1,localhost");
        fServer.listen(QHostAddress::LocalHost);
        QObject::connect(&fServer, &QTcpServer::newConnection, [this] { Accept(); });
    }

    QUrl Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(fServer.serverPort())); }

    // An address where nothing listens: the connection is refused.
    static QUrl UnreachableUrl()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    }

    int status = 200;
    QByteArray body;
    QByteArray lastRequest;
    int requests = 0;

private:
    void Accept()
    {
        while (QTcpSocket *socket = fServer.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                socket->setProperty("request", request);
                if (!request.contains("\r\n\r\n"))
                    return;
                lastRequest = request;
                ++requests;
                socket->write("HTTP/1.1 " + QByteArray::number(status) + " Test\r\nContent-Type: text/html\r\n"
                              "Content-Length: " + QByteArray::number(body.size())
                              + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer fServer;
};

// A web server on 127.0.0.1 that takes connections and never answers, as a
// site behind a broken link would.
class TSilentHttpServer {
public:
    TSilentHttpServer()
    {
        qputenv("no_proxy", "127.0.0.1,localhost");
        fServer.listen(QHostAddress::LocalHost);
        QObject::connect(&fServer, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = fServer.nextPendingConnection()) {
                socket->setParent(&fServer); // held open, never written to
                ++connections;
            }
        });
    }

    QUrl Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(fServer.serverPort())); }

    int connections = 0;

private:
    QTcpServer fServer;
};
