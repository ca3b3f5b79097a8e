#include "link/serialline.h"

#include "config/messages.h"
#include "link/virtualport.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
QString GroupName(gid_t gid)
{
    group entry{};
    group *found = nullptr;
    std::vector<char> buffer(16384);
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->gr_name);
    return QString::number(gid);
}

// The serial layer says "permission error" both when this user may not use
// the device and when another program holds it (its lock file, or the
// device's exclusive mode); only the first is a matter of permissions.
ELineOpenError OpenError(const QSerialPort &port, const QString &portName)
{
    if (port.error() != QSerialPort::PermissionError)
        return {ELineOpenError::Cause::Other, Fmt(Msg::PortError, portName, port.errorString())};
    const QString device = PortDevice(portName);
    const QByteArray path = QFile::encodeName(device);
    if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return {ELineOpenError::Cause::InUse, Fmt(Msg::PortInUse, portName), QString::fromUtf8(Msg::PortInUseAdvice)};
    if (errno != EACCES)
        return {ELineOpenError::Cause::Other, Fmt(Msg::PortError, portName, port.errorString())};
    struct stat status {};
    const bool groupMayUse = ::stat(path.constData(), &status) == 0 && (status.st_mode & S_IRGRP)
        && (status.st_mode & S_IWGRP);
    if (!groupMayUse)
        return {ELineOpenError::Cause::AccessDenied, Fmt(Msg::PortAccessDeniedToAll, device)};
    const QString group = GroupName(status.st_gid);
    return {ELineOpenError::Cause::AccessDenied, Fmt(Msg::PortAccessDenied, device, group),
            Fmt(Msg::PortAccessAdvice, group)};
}
}

QString PortDevice(const QString &portName)
{
    // A virtual port, by its name or its link, stands for the terminal of the
    // program holding it, and for nothing once that program is gone: the
    // link's terminal may be another's by then.
    const QString link = VirtualPortNameOf(portName);
    if (!link.isEmpty())
        return VirtualPortDevice(link);
    if (!portName.contains(u'/')) {
        // No virtual port is named like a device of the system.
        const QString device = QStringLiteral("/dev/") + portName;
        if (QFileInfo::exists(device))
            return device;
        const QString terminal = VirtualPortDevice(portName);
        return terminal.isEmpty() ? device : terminal;
    }
    const QString target = QFileInfo(portName).canonicalFilePath();
    return target.isEmpty() ? portName : target; // a dead link fails in the open
}

void OpenSerialLine(QSerialPort &port, const QString &portName)
{
    const QString device = PortDevice(portName);
    if (device.isEmpty())
        throw ELineOpenError(ELineOpenError::Cause::Other,
                               Fmt(Msg::PortError, portName, QString::fromLocal8Bit(std::strerror(ENOENT))));
    port.setPortName(device);
    port.setBaudRate(QSerialPort::Baud115200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        throw OpenError(port, portName);
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

TSerialByteLine::TSerialByteLine(const QString &portName) : fPortName(portName)
{
    connect(&fPort, &QSerialPort::errorOccurred, this, &TSerialByteLine::PortError);
    connect(&fPort, &QSerialPort::readyRead, this, &TByteLine::ReadyRead);
    connect(&fPort, &QSerialPort::bytesWritten, this, &TByteLine::BytesWritten);
    connect(&fPort, &QIODevice::aboutToClose, this, &TByteLine::Closing);
}

void TSerialByteLine::Open()
{
    if (!fPort.isOpen())
        OpenSerialLine(fPort, fPortName);
}

void TSerialByteLine::Close()
{
    if (fPort.isOpen())
        fPort.close();
}

qint64 TSerialByteLine::InputCount() const
{
    if (!fPort.isOpen())
        return 0;
    int queued = 0; // still in the driver, not yet taken by the serial layer
    if (::ioctl(int(fPort.handle()), FIONREAD, &queued) == -1)
        queued = 0;
    return fPort.bytesAvailable() + queued;
}

void TSerialByteLine::PortError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::TimeoutError) {
        fPort.clearError(); // a wait that timed out leaves this set; it is not a fault
        return;
    }
    if (!fPort.isOpen() || !IsLineFailure(error))
        return;
    // A read that fails because the device went away often carries the system's
    // leftover text of an earlier call ("File exists"); say what happened.
    const bool deviceGone = error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
    Q_EMIT Failed(deviceGone ? QString::fromUtf8(Msg::LinkDeviceGone) : fPort.errorString());
}
