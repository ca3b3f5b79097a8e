#pragma once
#include "config/exceptions.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

// A line that would not open, said in the operator's words: the text names
// the port or address (and for a network line, the step that failed), and
// Advice() tells what the operator can do about it, where there is something
// to do.
class ELineOpenError : public Exception {
public:
    enum class Cause { AccessDenied, InUse, Other };
    ELineOpenError(Cause cause, const QString &message, const QString &advice = {})
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

// The bytes to and from a controller, whatever carries them: a serial port,
// or a serial device server reached over the network. The link's framing,
// exchanges and poll see only this.
class TByteLine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the line with the controller's settings and empty queues; throws
    // ELineOpenError. Opening an open line does nothing.
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Bytes received and ready for Read().
    virtual qint64 BytesReady() const = 0;
    // BytesReady() and what the system has received but not yet handed over.
    virtual qint64 InputCount() const { return BytesReady(); }
    virtual QByteArray Read(qint64 maxSize) = 0;
    // Queues bytes to send; false when the line refused them (ErrorText() says why).
    virtual bool Write(const QByteArray &bytes) = 0;
    // Bytes written but not yet handed to the system.
    virtual qint64 BytesToWrite() const = 0;
    // Hands what is queued to the system now rather than at the next turn of
    // the event loop.
    virtual void Flush() = 0;
    // Discards what is waiting in both directions, here and, where the line
    // passes through a device, there too.
    virtual void Purge() = 0;
    // The last error's text, in the system's words.
    virtual QString ErrorText() const = 0;

Q_SIGNALS:
    void ReadyRead();
    void BytesWritten();
    // The line itself failed (adapter unplugged, connection reset, server
    // gone); text says what happened. It may come again until the line is
    // closed.
    void Failed(const QString &text);
    void Closing();
};

// The line a port name stands for: a network address (tcp://, rfc2217://,
// tls://) or a serial port.
std::unique_ptr<TByteLine> MakeByteLine(const QString &portName);
