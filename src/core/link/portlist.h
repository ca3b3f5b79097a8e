#pragma once
#include "link/virtualport.h"

#include <QList>
#include <QString>
#include <QStringList>

// A serial port an operator can choose, with what the system knows of it.
struct TPortInfo {
    QString Name; // what the port opens with: "ttyUSB0", or a virtual port's name
    QString Description; // the adapter's own description, where it gives one
    QString Manufacturer;
    QString SerialNumber;
    QString StableName; // the adapter's name under /dev/serial/by-id, where it has one
    bool Usb = false;
};

// The serial ports an operator can choose from: first the ports the system
// enumerates, in its order, then the virtual ports that live programs hold,
// by their names. Links left by programs that were killed are skipped.
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
