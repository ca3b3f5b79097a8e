#include "cliaudit.h"

#include "cliconsole.h"
#include "clifailure.h"
#include "audit/operationreport.h"
#include "config/messages.h"
#include "store/datamodule.h"

#include <QCommandLineParser>

namespace {
QDate ParseDate(const QCommandLineParser &parser, const QString &option)
{
    const QDate date = QDate::fromString(parser.value(option).trimmed(), Qt::ISODate);
    if (!date.isValid())
        Usage(QStringLiteral("--%1 takes a date as YYYY-MM-DD.").arg(option));
    return date;
}
}

void AuditCommand(const QCommandLineParser &parser)
{
    const QString serial = parser.value(QStringLiteral("serial"));
    const QDate from = ParseDate(parser, QStringLiteral("from"));
    const QDate to = ParseDate(parser, QStringLiteral("to"));
    if (to < from)
        Usage(QStringLiteral("--to must not come before --from."));
    int tolerance = 2;
    if (parser.isSet(QStringLiteral("tolerance"))) {
        bool ok = false;
        tolerance = parser.value(QStringLiteral("tolerance")).toInt(&ok);
        if (!ok || tolerance < 0 || tolerance > 720)
            Usage(QStringLiteral("--tolerance takes whole minutes, 0 to 720."));
    }
    TOperationAudit audit;
    Guard(ExitFile, [&] { audit = AuditController(DM(), serial, from, to, tolerance); });
    const QString pdf = parser.value(QStringLiteral("pdf"));
    if (!pdf.isEmpty()) {
        TReportTemplate report = CreateOperationReport(audit);
        const TPreparedReport prepared = report.Prepare();
        Guard(ExitFile, [&] { WriteOutput(pdf, [&](const QString &file) { prepared.ExportToPdf(file); }); });
        if (!parser.isSet(QStringLiteral("json")) && pdf != QLatin1String("-"))
            PrintOut(Fmt(Msg::CliReportSaved, prepared.Pages.size(), pdf));
    }
    if (parser.isSet(QStringLiteral("json")))
        PrintJson(OperationAuditJson(audit));
    else if (pdf != QLatin1String("-"))
        for (const QString &line : OperationAuditLines(audit))
            PrintOut(line);
}
