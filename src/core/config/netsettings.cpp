#include "config/netsettings.h"

#include "config/appconfig.h"

#include <QSettings>
#include <algorithm>

namespace {
const QString kCaFile = QStringLiteral("Network/CAFile");
const QString kClientCertificate = QStringLiteral("Network/ClientCertificate");
const QString kClientKey = QStringLiteral("Network/ClientKey");
const QString kConnectSeconds = QStringLiteral("Network/ConnectSeconds");
const QString kBeacons = QStringLiteral("NetworkBeacons");
const QString kAddress = QStringLiteral("Address");
const QString kSerial = QStringLiteral("Serial");

QList<TNetworkBeacon> ReadBeacons(QSettings &store)
{
    QList<TNetworkBeacon> beacons;
    const int count = store.beginReadArray(kBeacons);
    for (int i = 0; i < count; ++i) {
        store.setArrayIndex(i);
        const QString address = store.value(kAddress).toString();
        if (!address.isEmpty())
            beacons.append({address, store.value(kSerial).toString()});
    }
    store.endArray();
    return beacons;
}
}

TNetworkSettings TNetworkSettings::Load()
{
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    TNetworkSettings settings;
    settings.CaFile = store.value(kCaFile).toString();
    settings.ClientCertificate = store.value(kClientCertificate).toString();
    settings.ClientKey = store.value(kClientKey).toString();
    bool number = false;
    const int seconds = store.value(kConnectSeconds).toInt(&number);
    if (number && seconds > 0)
        settings.ConnectTimeoutMs = seconds * 1000;
    return settings;
}

QList<TNetworkBeacon> RememberedNetworkBeacons()
{
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    return ReadBeacons(store);
}

void RememberNetworkBeacon(const QString &address, const QString &serial)
{
    QSettings store(TAppConfig::StorePath(), QSettings::IniFormat);
    QList<TNetworkBeacon> beacons = ReadBeacons(store);
    auto known = std::find_if(beacons.begin(), beacons.end(),
                              [&](const TNetworkBeacon &beacon) { return beacon.Address == address; });
    if (known == beacons.end())
        beacons.append({address, serial});
    else if (!serial.isEmpty() && known->Serial != serial)
        known->Serial = serial;
    else
        return;
    store.beginWriteArray(kBeacons, int(beacons.size()));
    for (int i = 0; i < beacons.size(); ++i) {
        store.setArrayIndex(i);
        store.setValue(kAddress, beacons[i].Address);
        store.setValue(kSerial, beacons[i].Serial);
    }
    store.endArray();
    store.sync();
}
