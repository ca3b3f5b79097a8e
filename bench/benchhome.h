#pragma once
// A home of the benchmark's own, so that what it registers and remembers
// (simulator ports, network beacons, the library) never reaches the user's.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

inline void UseHome(const QTemporaryDir &home)
{
    for (const char *name : {"XDG_RUNTIME_DIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        const QString folder = home.filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, folder.toLocal8Bit());
    }
}
