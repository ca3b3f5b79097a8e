#include "clijson.h"

#include "config/messages.h"
#include "protocol/beaconprotocol.h"
#include "transfer/monitoring.h"

#include <QJsonArray>

QJsonObject PortsJson(const QList<TPortInfo> &ports)
{
    QJsonArray list;
    for (const TPortInfo &port : ports)
        list.append(QJsonObject{{"name", port.Name},
                                {"description", port.Description},
                                {"manufacturer", port.Manufacturer},
                                {"serialNumber", port.SerialNumber},
                                {"stableName", port.StableName}});
    return {{"ports", list}};
}

QJsonObject IdentityJson(const TActionTarget &identity)
{
    return {{"port", identity.Port},
            {"serial", identity.Serial},
            {"firmware", identity.Firmware},
            {"board", identity.Board}};
}

QJsonObject StatusJson(const TDiagnostics &diagnostics)
{
    QStringList lines;
    for (const QString &field : diagnostics.Fields())
        lines << field.mid(1); // the blank is the window's margin
    const auto state = [](int value, const char *const (&texts)[3]) {
        return QJsonObject{{"state", value}, {"text", value < 3 ? QString::fromUtf8(texts[value]) : QString()}};
    };
    QJsonObject override = state(BeaconStatus.OverrideState, Msg::OverrideStateNames);
    QJsonObject position = state(BeaconStatus.SwitchPosition, Msg::SwitchPositionNames);
    position[QStringLiteral("position")] = position.take(QStringLiteral("state"));
    return {{"clock", BeaconSettings.ClockValue.toString(Qt::ISODate)},
            {"voltage", qRound(SupplyVoltage(BeaconStatus.LiveValues[1]) * 100) / 100.0},
            {"beaconOn", BeaconStatus.BeaconOn},
            {"override", override},
            {"switch", position},
            {"lines", QJsonArray::fromStringList(lines)}};
}

QJsonObject ActionJson(const TActionRecord &a)
{
    return QJsonObject{{"id", a.Id},
                       {"time", a.When.toString(Qt::ISODateWithMs)},
                       {"from", a.Source},
                       {"user", a.User},
                       {"port", a.Port},
                       {"serial", a.Serial},
                       {"board", a.Board},
                       {"firmware", a.Firmware},
                       {"action", a.Action},
                       {"options", a.Options},
                       {"outcome", a.Outcome},
                       {"done", a.Outcome == QLatin1String(Msg::RegisterDone)},
                       {"config", a.HasConfig}};
}

QJsonObject DifferencesJson(const QString &fileName, const QList<TConfigDifference> &differences)
{
    QJsonArray list;
    for (const TConfigDifference &d : differences)
        list.append(QJsonObject{
            {"item", d.Item}, {"beacon", d.OnBeacon}, {"file", d.Other}, {"text", FileDifferenceText(d)}});
    return {{"file", fileName}, {"equal", differences.isEmpty()}, {"differences", list}};
}
