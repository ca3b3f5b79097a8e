#pragma once
#include <QString>

class QSerialPort;

// The device a port name stands for: "ttyS0" style names as they are (the
// serial layer finds them under /dev), paths with every symbolic link
// resolved. Virtual ports are links, and the serial layer locks a port by the
// name it is given, so resolving keeps the open exclusive under both names.
QString PortDevice(const QString &portName);

// Opens port exclusively on portName with the controller's line settings:
// 115200 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR and
// RTS inactive. Both queues are emptied, since a driver may hold stale bytes
// from before the open. Throws an Exception with the serial layer's text when
// the port cannot be opened.
void OpenSerialLine(QSerialPort &port, const QString &portName);

// True for the errors that mean the line itself failed (adapter unplugged,
// peer gone), as opposed to timeouts and settings a device does not support.
bool IsLineFailure(int serialPortError);
