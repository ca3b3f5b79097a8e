#include "link/serialline.h"

#include "config/exceptions.h"

#include <QFileInfo>
#include <QSerialPort>

QString PortDevice(const QString &portName)
{
    if (!portName.contains(u'/'))
        return portName;
    const QString target = QFileInfo(portName).canonicalFilePath();
    return target.isEmpty() ? portName : target; // a dead link fails in the open
}

void OpenSerialLine(QSerialPort &port, const QString &portName)
{
    port.setPortName(PortDevice(portName));
    port.setBaudRate(QSerialPort::Baud115200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        throw Exception(port.errorString());
    // A pseudo-terminal has no modem lines and refuses these; that is fine.
    port.setDataTerminalReady(false);
    port.setRequestToSend(false);
    port.clear(QSerialPort::AllDirections);
    port.clearError();
}

bool IsLineFailure(int serialPortError)
{
    switch (serialPortError) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
        return false;
    default:
        return true;
    }
}
