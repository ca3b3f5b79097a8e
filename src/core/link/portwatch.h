#pragma once
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Tells when serial ports may have come or gone. The system adds and removes
// an adapter's device in /dev, and virtual ports come and go in their folder;
// the kernel reports changes to both folders, so nothing is polled and an
// idle watch costs nothing.
class TPortWatcher : public QObject {
    Q_OBJECT
public:
    explicit TPortWatcher(QObject *parent = nullptr);

    // How long after the last change PortsChanged() comes, and when it comes
    // once more: the system names and describes a new adapter in steps.
    static constexpr int SettleMs = 300;
    static constexpr int LateMs = 1500;

Q_SIGNALS:
    void PortsChanged();

private:
    void Changed();
    // Watches the virtual port folder once it exists, its parent until then.
    void WatchVirtualFolder();

    QFileSystemWatcher fWatcher;
    QTimer fSettle;
    QTimer fLate;
};
