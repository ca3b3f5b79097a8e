#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The per-user folder where virtual serial ports (such as the controller
// simulator's pseudo-terminal) are registered as symbolic links while they run.
QString VirtualPortFolder();

// A serial port an operator can choose, with what the system knows of it.
struct TPortInfo {
    QString Name; // what the port opens with: "ttyUSB0", or a virtual port's path
    QString Description; // the adapter's own description, where it gives one
    QString Manufacturer;
    QString SerialNumber;
    QString StableName; // the adapter's name under /dev/serial/by-id, where it has one
    bool Usb = false;
};

// The serial ports an operator can choose from: first the ports the system
// enumerates, in its order, then the live virtual ports by name as full
// paths. Links whose device is gone are skipped.
QList<TPortInfo> ListPorts();
// The names of ListPorts().
QStringList GetRegPortList();
QStringList PortNames(const QList<TPortInfo> &ports);

// Where the system names USB serial adapters by maker, model and serial
// number: names that stay when an adapter is plugged in again and its
// ttyUSB number changes.
inline constexpr const char *SerialByIdFolder = "/dev/serial/by-id";
// The stable name of port in byIdFolder (a link to the same device), or an
// empty text when it has none.
QString StableNameOf(const QString &port, const QString &byIdFolder = QString::fromUtf8(SerialByIdFolder));
// The port among ports that a remembered name stands for: the name itself
// when listed, or for a stable name, the port its link points to now. Empty
// when it stands for none of them.
QString FindRememberedPort(const QString &remembered, const QStringList &ports);
// The port to offer when none is remembered: the first USB serial adapter,
// else "ttyS0".
QString DefaultPort(const QList<TPortInfo> &ports);

// Registers device as a virtual port named name (or name-2, name-3, ... when a
// live port already has that name; a dead link of that name is replaced).
// Returns the registered path; throws an Exception when it cannot be created.
QString RegisterVirtualPort(const QString &name, const QString &device);
// Removes a registration made by RegisterVirtualPort.
void UnregisterVirtualPort(const QString &path);
