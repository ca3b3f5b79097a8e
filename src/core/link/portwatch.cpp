#include "link/portwatch.h"

#include "link/portlist.h"

#include <QFileInfo>

TPortWatcher::TPortWatcher(QObject *parent) : QObject(parent)
{
    for (QTimer *timer : {&fSettle, &fLate}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &TPortWatcher::PortsChanged);
    }
    fSettle.setInterval(SettleMs);
    fLate.setInterval(LateMs);
    fWatcher.addPath(QStringLiteral("/dev"));
    WatchVirtualFolder();
    connect(&fWatcher, &QFileSystemWatcher::directoryChanged, this, &TPortWatcher::Changed);
}

void TPortWatcher::Changed()
{
    WatchVirtualFolder();
    fSettle.start();
    fLate.start();
}

void TPortWatcher::WatchVirtualFolder()
{
    const QString folder = VirtualPortFolder();
    const QString parent = QFileInfo(folder).absolutePath();
    if (QFileInfo(folder).isDir()) {
        fWatcher.addPath(folder); // does nothing when already watched
        fWatcher.removePath(parent);
    } else {
        fWatcher.removePath(folder);
        fWatcher.addPath(parent);
    }
}
