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

QJsonObject StatusJson(const QString &port, const TDiagnostics &diagnostics)
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
    return {{"port", port},
            {"clock", BeaconSettings.ClockValue.toString(Qt::ISODate)},
            {"voltage", qRound(SupplyVoltage(BeaconStatus.LiveValues[1]) * 100) / 100.0},
            {"beaconOn", BeaconStatus.BeaconOn},
            {"override", override},
            {"switch", position},
            {"lines", QJsonArray::fromStringList(lines)}};
}

namespace {
// A JSON string as QJsonDocument writes it: quote, backslash and the control
// characters escaped, everything else in UTF-8.
void AppendJsonString(QByteArray &out, const QString &text)
{
    static const char Hex[] = "0123456789abcdef";
    out += '"';
    qsizetype plain = 0; // where the text not yet written starts
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u >= 0x20 && u != u'"' && u != u'\\')
            continue;
        out += QStringView(text).mid(plain, i - plain).toUtf8();
        plain = i + 1;
        out += '\\';
        switch (u) {
        case u'"':
        case u'\\':
            out += char(u);
            break;
        case u'\b':
            out += 'b';
            break;
        case u'\f':
            out += 'f';
            break;
        case u'\n':
            out += 'n';
            break;
        case u'\r':
            out += 'r';
            break;
        case u'\t':
            out += 't';
            break;
        default:
            out += "u00";
            out += Hex[u >> 4];
            out += Hex[u & 0xf];
        }
    }
    out += QStringView(text).mid(plain).toUtf8();
    out += '"';
}
}

QByteArray ActionJson(const TActionRecord &a)
{
    const auto text = [](QByteArray &out, const char *key, const QString &value) {
        out += key;
        AppendJsonString(out, value);
    };
    const auto flag = [](bool value) { return value ? "true" : "false"; };
    QByteArray out;
    out.reserve(256);
    text(out, "{\"action\":", a.Action);
    text(out, ",\"board\":", a.Board);
    out += ",\"config\":";
    out += flag(a.HasConfig);
    out += ",\"done\":";
    out += flag(a.Outcome == QLatin1String(Msg::RegisterDone));
    text(out, ",\"firmware\":", a.Firmware);
    text(out, ",\"from\":", a.Source);
    out += ",\"id\":" + QByteArray::number(a.Id);
    text(out, ",\"options\":", a.Options);
    text(out, ",\"outcome\":", a.Outcome);
    text(out, ",\"port\":", a.Port);
    text(out, ",\"serial\":", a.Serial);
    text(out, ",\"time\":", a.When.toString(Qt::ISODateWithMs));
    text(out, ",\"user\":", a.User);
    out += '}';
    return out;
}

QJsonObject DifferencesJson(const QString &port, const QString &fileName, const QList<TConfigDifference> &differences)
{
    QJsonArray list;
    for (const TConfigDifference &d : differences)
        list.append(QJsonObject{
            {"item", d.Item}, {"beacon", d.OnBeacon}, {"file", d.Other}, {"text", FileDifferenceText(d)}});
    return {{"port", port}, {"file", fileName}, {"equal", differences.isEmpty()}, {"differences", list}};
}
