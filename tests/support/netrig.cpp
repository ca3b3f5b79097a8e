#include "netrig.h"

#include "config/appconfig.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {
// Runs a program to its end; its error output, or an empty text when it succeeded.
QString Run(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}

bool Listening(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    const bool up = probe.waitForConnected(500);
    probe.abort();
    return up;
}

// Starts ser2net with the configuration and waits until it listens on every
// port; the error, or an empty text.
QString StartSer2net(QProcess &server, const QString &folder, const QString &config, const QList<quint16> &ports)
{
    QFile file(folder + QStringLiteral("/ser2net.yaml"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
        return QStringLiteral("cannot write ") + file.fileName();
    file.close();
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-c"), file.fileName(),
                                             QStringLiteral("-P"), folder + QStringLiteral("/ser2net.pid")});
    if (!server.waitForStarted(10000))
        return QStringLiteral("ser2net did not start: ") + server.errorString();
    // ser2net opens the device only for a connection, so probing costs nothing.
    const QDeadlineTimer deadline(20000);
    for (const quint16 port : ports) {
        while (!Listening(port)) {
            if (deadline.hasExpired() || server.state() == QProcess::NotRunning)
                return QStringLiteral("ser2net is not listening on %1: %2")
                    .arg(port)
                    .arg(QString::fromLocal8Bit(server.readAll()));
            QThread::msleep(50);
        }
    }
    return {};
}
}

quint16 FreeLocalPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

TNetRig::TNetRig(const QString &device)
    // ser2net's accepter options cannot hold a path with blanks, which the
    // default folder takes from the application's name.
    : fDir(QDir::tempPath() + QStringLiteral("/pvbcs-netrig-XXXXXX"))
{
    const QString folder = fDir.path();
    // A certificate authority and a server certificate for 127.0.0.1 and localhost.
    const QStringList steps[] = {
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
         QStringLiteral("-nodes"), QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
         QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
         QStringLiteral("/CN=Beacon Test CA")},
        {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
         QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"), QStringLiteral("server.csr"),
         QStringLiteral("-subj"), QStringLiteral("/CN=localhost")},
        {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
         QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
         QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.pem"), QStringLiteral("-days"),
         QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("names.cnf")},
    };
    QFile names(folder + QStringLiteral("/names.cnf"));
    if (!names.open(QIODevice::WriteOnly) || names.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0) {
        fError = QStringLiteral("cannot write ") + names.fileName();
        return;
    }
    names.close();
    for (const QStringList &step : steps) {
        fError = Run(QStringLiteral("openssl"), step, folder);
        if (!fError.isEmpty())
            return;
    }
    for (quint16 &port : fPorts)
        port = FreeLocalPort();
    const QString connector = QStringLiteral("  connector: serialdev,%1,115200n81,local\n").arg(device);
    QString config;
    config += QStringLiteral("connection: &raw\n  accepter: tcp,127.0.0.1,%1\n").arg(fPorts[0]) + connector;
    config += QStringLiteral("connection: &telnet\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n").arg(fPorts[1])
        + connector;
    config += QStringLiteral("connection: &tls\n  accepter: ssl(key=%1/server.key,cert=%1/server.pem),tcp,127.0.0.1,%2\n")
                  .arg(folder)
                  .arg(fPorts[2])
        + connector;
    fError = StartSer2net(fServer, folder, config, {fPorts[0], fPorts[1], fPorts[2]});
}

TNetRig::~TNetRig()
{
    for (auto &relay : fRelays) {
        relay->kill();
        relay->waitForFinished();
    }
    KillServer();
}

QString TNetRig::Raw() const
{
    return QStringLiteral("tcp://127.0.0.1:%1").arg(fPorts[0]);
}

QString TNetRig::Telnet() const
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(fPorts[1]);
}

QString TNetRig::Tls() const
{
    return QStringLiteral("tls://127.0.0.1:%1").arg(fPorts[2]);
}

QString TNetRig::CaFile() const
{
    return fDir.path() + QStringLiteral("/ca.pem");
}

QString TNetRig::Delayed(const QString &address, int delayMs)
{
    const int colon = address.lastIndexOf(u':');
    auto relay = std::make_unique<QProcess>();
    relay->start(QStringLiteral(PVBCS_TEST_RELAY),
                 {QStringLiteral("127.0.0.1"), address.mid(colon + 1), QString::number(delayMs)});
    if (!relay->waitForStarted(10000) || !relay->waitForReadyRead(10000))
        return {};
    const QByteArray port = relay->readLine().trimmed();
    fRelays.push_back(std::move(relay));
    return address.left(colon + 1) + QString::fromLatin1(port);
}

void TNetRig::KillServer()
{
    if (fServer.state() == QProcess::NotRunning)
        return;
    fServer.kill();
    fServer.waitForFinished();
}

TMultiNetRig::TMultiNetRig(const QStringList &devices)
    : fDir(QDir::tempPath() + QStringLiteral("/pvbcs-netrig-XXXXXX"))
{
    // Held open together, so no two accepters are given the same port.
    std::vector<std::unique_ptr<QTcpServer>> held;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        held.push_back(std::make_unique<QTcpServer>());
        held.back()->listen(QHostAddress::LocalHost);
        fPorts << held.back()->serverPort();
    }
    held.clear();
    QString config;
    for (qsizetype i = 0; i < devices.size(); ++i)
        config += QStringLiteral("connection: &beacon%1\n  accepter: tcp,127.0.0.1,%2\n"
                                 "  connector: serialdev,%3,115200n81,local\n")
                      .arg(i)
                      .arg(fPorts.at(i))
                      .arg(devices.at(i));
    fError = StartSer2net(fServer, fDir.path(), config, fPorts);
}

TMultiNetRig::~TMultiNetRig()
{
    fServer.kill();
    fServer.waitForFinished();
}

QString TMultiNetRig::Raw(int index) const
{
    return QStringLiteral("tcp://127.0.0.1:%1").arg(fPorts.at(index));
}

void TrustTestCa(const QString &caFile)
{
    QDir().mkpath(QFileInfo(TAppConfig::StorePath()).absolutePath());
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    store.setValue(QStringLiteral("Network/CAFile"), caFile);
    store.sync();
}
