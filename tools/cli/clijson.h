#pragma once
// The one JSON document that --json prints instead of the usual lines, for
// scripts.
#include "history/configcompare.h"
#include "history/recorder.h"
#include "history/register.h"
#include "link/portlist.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>

class TDiagnostics;

// {"ports": [{"name", "description", "manufacturer", "serialNumber", "stableName"}]}
QJsonObject PortsJson(const QList<TPortInfo> &ports);
// {"port", "serial", "firmware", "board"}
QJsonObject IdentityJson(const TActionTarget &identity);
// The values the status lines show, as values, and the port or address they
// were read from: {"port", "clock", "voltage",
// "beaconOn", "override": {"state", "text"}, "switch": {"position", "text"},
// "lines": [the six lines]}.
QJsonObject StatusJson(const QString &port, const TDiagnostics &diagnostics);
// One element of {"actions": [...]}: {"id", "time", "from", "user", "port",
// "serial", "board", "firmware", "action", "options", "outcome", "done",
// "config"}, compact and byte for byte as QJsonDocument writes it (keys
// sorted), written directly since a long history is mostly this.
QByteArray ActionJson(const TActionRecord &a);
// {"port", "file", "equal", "differences": [{"item", "beacon", "file", "text"}]}
QJsonObject DifferencesJson(const QString &port, const QString &fileName, const QList<TConfigDifference> &differences);
