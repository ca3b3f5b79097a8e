#pragma once
#include <QString>
#include <QStringList>

// The per-user folder where virtual serial ports (such as the controller
// simulator's pseudo-terminal) are registered as symbolic links while they run.
QString VirtualPortFolder();

// The serial ports an operator can choose from, each a name the port opens
// with: first the ports the system enumerates, in its order, then the live
// virtual ports by name as full paths. Links whose device is gone are skipped.
QStringList GetRegPortList();

// Registers device as a virtual port named name (or name-2, name-3, ... when a
// live port already has that name; a dead link of that name is replaced).
// Returns the registered path; throws an Exception when it cannot be created.
QString RegisterVirtualPort(const QString &name, const QString &device);
// Removes a registration made by RegisterVirtualPort.
void UnregisterVirtualPort(const QString &path);
