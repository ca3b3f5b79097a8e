#pragma once
#include "audit/operation.h"
#include "audit/voltagechart.h"
#include "report/reporttemplate.h"

#include <QJsonObject>
#include <QLocale>
#include <QStringList>

// The audit of one controller over a range of dates, and how it is shown:
// a JSON document, lines of text and the "Operation Report".
struct TOperationAudit {
    QString Serial;
    TAudit Audit;
    TVoltageSeries Voltage;
};

// Reads the register and the archive of the library database and compares.
class TDM;
TOperationAudit AuditController(TDM &dm, const QString &serial, QDate from, QDate to, int toleranceMinutes = 2);

namespace OperationReportNames {
inline const QString CrossSummary = QStringLiteral("crossSummary");
inline const QString CrossDeviations = QStringLiteral("crossDeviations");
inline const QString CrossWarnings = QStringLiteral("crossWarnings");
inline const QString VoltageChart = QStringLiteral("picVoltage");
}

// {"serial", "from", "to", "tolerance", "summary": {"days", "daysPlanned",
// "daysAsPlanned", "daysNotRecorded", "daysConfigurationUnknown",
// "deviations": {kind: count}}, "days": [{"date", "status", "follows",
// "planned": [["HH:MM", "HH:MM"]], "matched", "deviations": [{"time",
// "kind", "text", "planned", "minutes"}]}], "warnings": [{"date", "text"}],
// "voltage": {"min", "max", "lowest": [{"time", "volts"}]}}. Times HH:MM,
// dates YYYY-MM-DD; "follows" and "planned" are null where the configuration
// is unknown, "planned" inside a deviation where it concerns no planned switch.
QJsonObject OperationAuditJson(const TOperationAudit &audit);

// The summary, then one line per deviation, then the plan's warnings.
QStringList OperationAuditLines(const TOperationAudit &audit);

// "Operation Report": the summary, the voltage chart and the deviations.
TReportTemplate CreateOperationReport(const TOperationAudit &audit, const QLocale &locale = QLocale::system());
