#pragma once
#include "link/byteline.h"

#include <QSerialPort>

#include <QString>

// The device a port name stands for: a virtual port's name or link its
// program's terminal (empty when no program holds it), other "ttyS0" style
// names under /dev, other paths with every symbolic link resolved. Stable
// adapter names are links, and the serial layer locks a port by the name it
// is given, so resolving keeps the open exclusive under every name.
QString PortDevice(const QString &portName);

// Opens port exclusively on portName with the controller's line settings:
// 115200 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR and
// RTS inactive. Both queues are emptied, since a driver may hold stale bytes
// from before the open. Throws ELineOpenError when the port cannot be
// opened.
void OpenSerialLine(QSerialPort &port, const QString &portName);

// True for the errors that mean the line itself failed (adapter unplugged,
// peer gone), as opposed to timeouts and settings a device does not support.
bool IsLineFailure(int serialPortError);

// A controller on a serial port.
class TSerialByteLine : public TByteLine {
    Q_OBJECT
public:
    explicit TSerialByteLine(const QString &portName);

    void Open() override;
    void Close() override;
    bool IsOpen() const override { return fPort.isOpen(); }
    qint64 BytesReady() const override { return fPort.bytesAvailable(); }
    qint64 InputCount() const override;
    QByteArray Read(qint64 maxSize) override { return fPort.read(maxSize); }
    bool Write(const QByteArray &bytes) override { return fPort.write(bytes) >= 0; }
    qint64 BytesToWrite() const override { return fPort.bytesToWrite(); }
    void Flush() override { fPort.flush(); }
    void Purge() override { fPort.clear(QSerialPort::AllDirections); }
    QString ErrorText() const override { return fPort.errorString(); }

private:
    void PortError(QSerialPort::SerialPortError error);

    const QString fPortName;
    QSerialPort fPort;
};
