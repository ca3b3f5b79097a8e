#include "link/portlist.h"

#include "config/messages.h"
#include "link/serialline.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

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
        if (entry.isSymLink() && !VirtualPortDevice(entry.fileName()).isEmpty()) {
            TPortInfo port;
            port.Name = entry.fileName();
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
    if (device.isEmpty())
        return {};
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
    const QString virtualPort = VirtualPortNameOf(remembered); // as remembered by earlier versions
    if (!virtualPort.isEmpty())
        return ports.contains(virtualPort) ? virtualPort : QString();
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
