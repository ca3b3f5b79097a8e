#include "link/portlist.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "link/serialline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>

QString VirtualPortFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/pvbcs-ports");
}

QList<TPortInfo> ListPorts()
{
    QList<TPortInfo> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        TPortInfo port;
        port.Name = info.portName();
        port.Description = info.description();
        port.Manufacturer = info.manufacturer();
        port.SerialNumber = info.serialNumber();
        port.StableName = StableNameOf(port.Name);
        port.Usb = info.hasVendorIdentifier() || !port.StableName.isEmpty();
        ports << port;
    }
    const QDir folder(VirtualPortFolder());
    const auto entries = folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() && entry.exists()) { // exists() follows the link
            TPortInfo port;
            port.Name = entry.absoluteFilePath();
            port.Description = QString::fromUtf8(Msg::PortVirtual);
            ports << port;
        }
    }
    return ports;
}

QStringList PortNames(const QList<TPortInfo> &ports)
{
    QStringList names;
    for (const TPortInfo &port : ports)
        names << port.Name;
    return names;
}

QStringList GetRegPortList()
{
    return PortNames(ListPorts());
}

QString StableNameOf(const QString &port, const QString &byIdFolder)
{
    const QString device = PortDevice(port);
    const QDir folder(byIdFolder);
    for (const QFileInfo &entry : folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        if (entry.isSymLink() && entry.canonicalFilePath() == device)
            return entry.absoluteFilePath();
    return {};
}

QString FindRememberedPort(const QString &remembered, const QStringList &ports)
{
    if (ports.contains(remembered))
        return remembered;
    const QFileInfo link(remembered);
    if (remembered.isEmpty() || !link.isSymLink() || !link.exists())
        return {};
    for (const QString &port : ports)
        if (PortDevice(port) == link.canonicalFilePath())
            return port;
    return {};
}

QString DefaultPort(const QList<TPortInfo> &ports)
{
    for (const TPortInfo &port : ports)
        if (port.Usb)
            return port.Name;
    return QStringLiteral("ttyS0");
}

QString RegisterVirtualPort(const QString &name, const QString &device)
{
    const QString folder = VirtualPortFolder();
    if (!QDir().mkpath(folder))
        throw Exception(Fmt(Msg::UnableToWrite, folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (int n = 1;; ++n) {
        const QString path = folder + u'/' + (n == 1 ? name : name + u'-' + QString::number(n));
        const QFileInfo link(path);
        if (link.isSymLink() && !link.exists())
            QFile::remove(path);
        else if (link.exists() || link.isSymLink())
            continue;
        if (!QFile::link(device, path))
            throw Exception(Fmt(Msg::UnableToWrite, path));
        return path;
    }
}

void UnregisterVirtualPort(const QString &path)
{
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
}
