#include "link/portlist.h"

#include "config/exceptions.h"
#include "config/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>

QString VirtualPortFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/pvbcs-ports");
}

QStringList GetRegPortList()
{
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << info.portName();
    const QDir folder(VirtualPortFolder());
    const auto entries = folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() && entry.exists()) // exists() follows the link
            ports << entry.absoluteFilePath();
    }
    return ports;
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
