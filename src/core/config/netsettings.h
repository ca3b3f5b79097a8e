#pragma once
#include <QList>
#include <QString>

// How network beacons are reached, from the per-user configuration store
// (group "Network"): the certificates a tls:// address is checked with and
// presents, and how long a connection may take to open.
struct TNetworkSettings {
    // A PEM file of certificate authorities trusted besides the system's.
    QString CaFile;
    // A PEM client certificate and its key, for servers that ask for one.
    QString ClientCertificate;
    QString ClientKey;
    int ConnectTimeoutMs = DefaultConnectTimeoutMs;

    static constexpr int DefaultConnectTimeoutMs = 10000;
    // The settings as stored now; defaults where none are.
    static TNetworkSettings Load();
};

// A network beacon this user has connected to, with the serial number of the
// controller that answered there (empty until one identified itself).
struct TNetworkBeacon {
    QString Address;
    QString Serial;
};

// The remembered network beacons, in the order they were first used.
QList<TNetworkBeacon> RememberedNetworkBeacons();
// Remembers address, and serial for it unless serial is empty. Writes only
// what changes.
void RememberNetworkBeacon(const QString &address, const QString &serial = {});
