#pragma once
#include "config/netsettings.h"
#include "link/portlist.h"

#include <QComboBox>

// A drop-down list of the ports a controller can be reached on: first
// "Autodetect", then the serial ports, then the remembered network beacons
// (with the serial number of the controller last found there), and last
// "Network Beacon…", which asks for another address. Serial ports are listed
// by their short names ("ttyUSB0", a simulator's "classroom"); a path or an
// address too long for the box loses its start, so the end stays in view.
// Each entry tells what it is (the adapter's description, maker and serial
// number; a network beacon's serial number) in its tool tip, and the box's
// tool tip is that of the item shown (its text where it has none).
class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TPortComboBox(QWidget *parent = nullptr);

    static QString NetworkEntryText() { return QStringLiteral("Network Beacon\u2026"); }

    // Lists the ports and beacons, and shows the port or address named
    // select, listing it too if it is not among them; an empty select shows
    // "Autodetect".
    void SetPorts(const QList<TPortInfo> &ports, const QString &select, const QList<TNetworkBeacon> &beacons = {});
    // Shows the port or address named, listing it before "Network Beacon…"
    // when it is not listed; an empty name shows "Autodetect".
    void ShowPort(const QString &port);
    // Lists a network beacon with the serial number found there, in place of
    // what was listed for its address.
    void ShowBeacon(const TNetworkBeacon &beacon);
    // What the item shown opens: a port's name or an address; empty for
    // "Autodetect" and "Network Beacon…".
    QString CurrentPort() const;
    // The index of the item for port, or -1.
    int FindPort(const QString &port) const;
    bool NetworkEntryShown() const { return currentIndex() >= 0 && currentIndex() == count() - 1; }
    // What was shown before "Network Beacon…" was chosen (empty for
    // "Autodetect"), to return to when no address is given.
    const QString &PreviousPort() const { return fPreviousPort; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Describe(int index, const TNetworkBeacon &beacon);

    QString fPreviousPort;
};
