#pragma once
// Beacons behind a real serial device server for the tests: Debian's ser2net
// on 127.0.0.1 in front of a controller's terminal, with a raw TCP, a Telnet
// (RFC 2217) and a TLS accepter, the TLS one with a certificate from a test
// certificate authority made here with openssl. Relays put a delay on each
// direction, as a slow network does.
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <vector>

class TNetRig {
public:
    // Starts ser2net in front of device (a terminal path); Ok() tells whether
    // it runs, Error() why not.
    explicit TNetRig(const QString &device);
    ~TNetRig();
    TNetRig(const TNetRig &) = delete;
    TNetRig &operator=(const TNetRig &) = delete;

    bool Ok() const { return fError.isEmpty(); }
    const QString &Error() const { return fError; }

    // The controller's addresses: tcp://, rfc2217:// and tls:// on 127.0.0.1.
    QString Raw() const;
    QString Telnet() const;
    QString Tls() const;
    QList<QString> Addresses() const { return {Raw(), Telnet(), Tls()}; }
    // The test certificate authority's certificate (PEM).
    QString CaFile() const;

    // The same address through a relay that holds each piece of data delayMs
    // in each direction; the relay lives as long as the rig. Empty on failure.
    QString Delayed(const QString &address, int delayMs);

    // Ends ser2net at once, as a server that loses power.
    void KillServer();

private:
    QTemporaryDir fDir;
    QString fError;
    quint16 fPorts[3] = {};
    QProcess fServer;
    std::vector<std::unique_ptr<QProcess>> fRelays;
};

// Several controllers behind one ser2net, each on a raw TCP accepter of its
// own, as a district's beacons behind their device servers.
class TMultiNetRig {
public:
    // Starts ser2net in front of the devices (terminal paths); Ok() tells
    // whether it runs, Error() why not.
    explicit TMultiNetRig(const QStringList &devices);
    ~TMultiNetRig();
    TMultiNetRig(const TMultiNetRig &) = delete;
    TMultiNetRig &operator=(const TMultiNetRig &) = delete;

    bool Ok() const { return fError.isEmpty(); }
    const QString &Error() const { return fError; }
    // The tcp:// address of the device at index.
    QString Raw(int index) const;

private:
    QTemporaryDir fDir;
    QString fError;
    QList<quint16> fPorts;
    QProcess fServer;
};

// Makes the programs of this user trust the test certificate authority: the
// per-user store's [Network] CAFile, under the HOME the test runs with.
void TrustTestCa(const QString &caFile);

// A TCP port on 127.0.0.1 that nothing listens on now.
quint16 FreeLocalPort();
