#pragma once
#include "config/exceptions.h"

#include <QString>

class QSerialPort;

// The device a port name stands for: a virtual port's name or link its
// program's terminal (empty when no program holds it), other "ttyS0" style
// names under /dev, other paths with every symbolic link resolved. Stable
// adapter names are links, and the serial layer locks a port by the name it
// is given, so resolving keeps the open exclusive under every name.
QString PortDevice(const QString &portName);

// A port that would not open, said in the operator's words: the text names
// the port, and Advice() tells what the operator can do about it, where there
// is something to do.
class ESerialOpenError : public Exception {
public:
    enum class Cause { AccessDenied, InUse, Other };
    ESerialOpenError(Cause cause, const QString &message, const QString &advice = {})
        : Exception(message), fCause(cause), fAdvice(advice)
    {
    }
    Cause Reason() const { return fCause; }
    const QString &Advice() const { return fAdvice; }
    // The text followed by the advice, as one message.
    QString FullText() const { return fAdvice.isEmpty() ? Message() : Message() + QStringLiteral("\n\n") + fAdvice; }

private:
    Cause fCause;
    QString fAdvice;
};

// Opens port exclusively on portName with the controller's line settings:
// 115200 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR and
// RTS inactive. Both queues are emptied, since a driver may hold stale bytes
// from before the open. Throws ESerialOpenError when the port cannot be
// opened.
void OpenSerialLine(QSerialPort &port, const QString &portName);

// True for the errors that mean the line itself failed (adapter unplugged,
// peer gone), as opposed to timeouts and settings a device does not support.
bool IsLineFailure(int serialPortError);
