#include "cliports.h"

#include "cliconsole.h"
#include "config/messages.h"
#include "config/netsettings.h"

QList<TPortInfo> ListPortsAndBeacons()
{
    QList<TPortInfo> ports = ListPorts();
    for (const TNetworkBeacon &beacon : RememberedNetworkBeacons()) {
        TPortInfo entry;
        entry.Name = beacon.Address;
        entry.Description = QString::fromUtf8(Msg::NetRemembered);
        entry.SerialNumber = beacon.Serial;
        ports.append(entry);
    }
    return ports;
}

void PrintPorts()
{
    for (const TPortInfo &port : ListPortsAndBeacons())
        PrintOut(QStringList{port.Name, port.Description, port.Manufacturer, port.SerialNumber, port.StableName}.join(
            u'\t'));
}

TScanResult SearchAllPorts()
{
    TCliLog log;
    QString shown;
    return ScanForController(DiscoveryPorts(), [&](const QString &status, int) {
        if (status != shown)
            log.ReplaceLast(shown = status);
    });
}
