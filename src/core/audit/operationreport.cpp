#include "audit/operationreport.h"

#include "audit/auditsource.h"
#include "report/beaconreports.h"

#include <QJsonArray>

namespace {
QString DateText(QDate date)
{
    return date.toString(Qt::ISODate);
}

QString TimeText(QTime time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

QString VoltsText(double volts, const QLocale &locale = QLocale::c())
{
    return locale.toString(volts, 'f', 2) + QStringLiteral(" V");
}

// The summary's rows: what is counted and how many.
QList<QPair<QString, int>> SummaryRows(const TAudit &audit)
{
    QList<QPair<QString, int>> rows = {
        {QStringLiteral("Days in the range"), int(audit.Days.size())},
        {QStringLiteral("Days planned"), audit.DaysPlanned()},
        {QStringLiteral("Days as planned"), audit.DaysAsPlanned()},
        {QStringLiteral("Days not recorded"), audit.DaysNotRecorded()},
        {QStringLiteral("Days with the configuration unknown"), audit.DaysUnknown()},
    };
    const QMap<QString, int> counts = audit.DeviationCounts();
    for (const QString &kind : DeviationKind::All)
        rows.append({QStringLiteral("Deviations: ") + kind, counts.value(kind)});
    return rows;
}

QString RangeText(const TAudit &audit)
{
    return DateText(audit.From) + QStringLiteral(" to ") + DateText(audit.To);
}
}

TOperationAudit AuditController(TDM &dm, const QString &serial, QDate from, QDate to, int toleranceMinutes)
{
    const TAuditInput input = LoadAuditInput(dm, serial, from, to, toleranceMinutes);
    return {serial, CompareOperation(input), MakeVoltageSeries(input.Events, from, to)};
}

QJsonObject OperationAuditJson(const TOperationAudit &a)
{
    const TAudit &audit = a.Audit;
    QJsonObject kinds;
    const QMap<QString, int> counts = audit.DeviationCounts();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        kinds.insert(it.key(), it.value());
    const QJsonObject summary{{QStringLiteral("days"), int(audit.Days.size())},
                              {QStringLiteral("daysPlanned"), audit.DaysPlanned()},
                              {QStringLiteral("daysAsPlanned"), audit.DaysAsPlanned()},
                              {QStringLiteral("daysNotRecorded"), audit.DaysNotRecorded()},
                              {QStringLiteral("daysConfigurationUnknown"), audit.DaysUnknown()},
                              {QStringLiteral("deviations"), kinds}};
    QJsonArray days;
    for (const TAuditDay &day : audit.Days) {
        const bool known = day.Status != TDayStatus::ConfigurationUnknown;
        QJsonArray planned;
        for (const TPlanInterval &i : day.Planned)
            planned.append(QJsonArray{TimeText(i.on), TimeText(i.off)});
        QJsonArray deviations;
        for (const TDeviation &d : day.Deviations)
            deviations.append(QJsonObject{{QStringLiteral("time"), TimeText(d.Time)},
                                          {QStringLiteral("kind"), d.Kind},
                                          {QStringLiteral("text"), d.Text},
                                          {QStringLiteral("planned"), d.Planned.isValid() ? QJsonValue(TimeText(d.Planned)) : QJsonValue()},
                                          {QStringLiteral("minutes"), d.Minutes}});
        days.append(QJsonObject{{QStringLiteral("date"), DateText(day.Date)},
                                {QStringLiteral("status"), DayStatusText(day.Status)},
                                {QStringLiteral("follows"), known ? QJsonValue(day.Follows) : QJsonValue()},
                                {QStringLiteral("planned"), known ? QJsonValue(planned) : QJsonValue()},
                                {QStringLiteral("matched"), day.Matched},
                                {QStringLiteral("deviations"), deviations}});
    }
    QJsonArray warnings;
    for (const TPlanWarning &w : audit.Warnings)
        warnings.append(QJsonObject{{QStringLiteral("date"), DateText(w.date)}, {QStringLiteral("text"), w.text}});
    QJsonArray lowest;
    for (const TVoltagePoint &p : a.Voltage.Lowest)
        lowest.append(QJsonObject{{QStringLiteral("time"), WallTime(p.At).toString(QStringLiteral("yyyy-MM-ddTHH:mm"))},
                                  {QStringLiteral("volts"), qRound(p.Volts * 100) / 100.0}});
    const bool readings = !a.Voltage.IsEmpty();
    const QJsonObject voltage{{QStringLiteral("min"), readings ? QJsonValue(qRound(a.Voltage.Min * 100) / 100.0) : QJsonValue()},
                              {QStringLiteral("max"), readings ? QJsonValue(qRound(a.Voltage.Max * 100) / 100.0) : QJsonValue()},
                              {QStringLiteral("lowest"), lowest}};
    return {{QStringLiteral("serial"), a.Serial},
            {QStringLiteral("from"), DateText(audit.From)},
            {QStringLiteral("to"), DateText(audit.To)},
            {QStringLiteral("tolerance"), audit.ToleranceMinutes},
            {QStringLiteral("summary"), summary},
            {QStringLiteral("days"), days},
            {QStringLiteral("warnings"), warnings},
            {QStringLiteral("voltage"), voltage}};
}

QStringList OperationAuditLines(const TOperationAudit &a)
{
    const TAudit &audit = a.Audit;
    QStringList lines{QStringLiteral("Beacon %1, %2, tolerance %3 min").arg(a.Serial, RangeText(audit)).arg(audit.ToleranceMinutes)};
    for (const auto &row : SummaryRows(audit))
        lines << QStringLiteral("  %1 %2").arg(row.first + u':', -38).arg(row.second);
    if (!a.Voltage.IsEmpty()) {
        QStringList lowest;
        for (const TVoltagePoint &p : a.Voltage.Lowest)
            lowest << VoltsText(p.Volts) + QStringLiteral(" ") + WallTime(p.At).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        lines << QStringLiteral("  Lowest power supply: ") + lowest.join(QStringLiteral(", "));
    }
    const QList<TDeviation> deviations = audit.Deviations();
    if (!deviations.isEmpty()) {
        lines << QString() << QStringLiteral("DATE        TIME   KIND            DEVIATION");
        for (const TDeviation &d : deviations)
            lines << QStringLiteral("%1  %2  %3 %4").arg(DateText(d.Date), TimeText(d.Time)).arg(d.Kind, -15).arg(d.Text);
    }
    if (!audit.Warnings.isEmpty()) {
        lines << QString() << QStringLiteral("Plan warnings:");
        for (const TPlanWarning &w : audit.Warnings)
            lines << QStringLiteral("%1  %2").arg(DateText(w.date), w.text);
    }
    return lines;
}

TReportTemplate CreateOperationReport(const TOperationAudit &audit, const QLocale &locale)
{
    TReportTemplate report(QStringLiteral("frxReportOperation"));
    const double width = report.ContentWidthMm();
    const TReportFont label{QStringLiteral("Arial"), 10, true, false};
    const TReportFont value{QStringLiteral("Arial"), 10, false, false};
    TReportBand &title = report.AddBand(TReportBand::Title, 36);
    title.Add<TReportMemo>(QStringLiteral("Title"), QRectF(0, 0, width, 11), QStringLiteral("Operation Report"),
                           TReportFont{QStringLiteral("Tahoma"), 18, true, false}, Qt::AlignCenter);
    title.Add<TReportLine>(QStringLiteral("TitleRule"), QRectF(0, 12, width, 0));
    const QStringList labels = {QStringLiteral("Beacon:"), QStringLiteral("Dates:"), QStringLiteral("Tolerance:")};
    const QStringList values = {audit.Serial,
                                locale.toString(audit.Audit.From, QLocale::ShortFormat) + QStringLiteral(" – ") +
                                    locale.toString(audit.Audit.To, QLocale::ShortFormat),
                                QStringLiteral("%1 min").arg(audit.Audit.ToleranceMinutes)};
    for (int row = 0; row < labels.size(); ++row) {
        const QString n = QString::number(row + 1);
        title.Add<TReportMemo>(QStringLiteral("Label") + n, QRectF(0, 14 + row * 6, 30, 6), labels[row], label);
        title.Add<TReportMemo>(QStringLiteral("Value") + n, QRectF(30, 14 + row * 6, 120, 6), values[row], value);
    }
    title.Add<TReportPicture>(QStringLiteral("Logo"), QRectF(width - 21, 14, 21, 20), ReportLogo());

    report.AddBand(TReportBand::Data, 5).Add<TReportCrossTab>(OperationReportNames::CrossSummary, QRectF(0, 5, width, 0),
                                                              QStringLiteral("Summary"));
    const QSizeF chartMm(width, 70);
    report.AddBand(TReportBand::Data, chartMm.height() + 6)
        .Add<TReportPicture>(OperationReportNames::VoltageChart, QRectF(QPointF(0, 4), chartMm),
                             VoltageChartImage(audit.Voltage, chartMm, 200, locale));
    report.AddBand(TReportBand::Data, 5).Add<TReportCrossTab>(OperationReportNames::CrossDeviations,
                                                              QRectF(0, 5, width, 0), QStringLiteral("Deviations"));
    report.AddBand(TReportBand::Data, 5).Add<TReportCrossTab>(OperationReportNames::CrossWarnings, QRectF(0, 5, width, 0),
                                                              QStringLiteral("Plan warnings"));
    TReportBand &footer = report.AddBand(TReportBand::PageFooter, 8);
    footer.Add<TReportLine>(QStringLiteral("FooterRule"), QRectF(0, 2, width, 0));

    report.OnBeforePrint = [audit, locale](TReportObject &sender) {
        auto *cross = dynamic_cast<TReportCrossTab *>(&sender);
        if (!cross)
            return;
        if (cross->Name == OperationReportNames::CrossSummary) {
            int row = 0;
            for (const auto &item : SummaryRows(audit.Audit)) {
                cross->AddValue(row, QStringLiteral("Item"), item.first);
                cross->AddValue(row++, QStringLiteral("Count"), QString::number(item.second));
            }
        } else if (cross->Name == OperationReportNames::CrossDeviations) {
            const QList<TDeviation> deviations = audit.Audit.Deviations();
            cross->Visible = !deviations.isEmpty();
            int row = 0;
            for (const TDeviation &d : deviations) {
                cross->AddValue(row, QStringLiteral("Date"), locale.toString(d.Date, QLocale::ShortFormat));
                cross->AddValue(row, QStringLiteral("Time"), TimeText(d.Time));
                cross->AddValue(row, QStringLiteral("Kind"), d.Kind);
                cross->AddValue(row++, QStringLiteral("Deviation"), d.Text);
            }
        } else if (cross->Name == OperationReportNames::CrossWarnings) {
            cross->Visible = !audit.Audit.Warnings.isEmpty();
            int row = 0;
            for (const TPlanWarning &w : audit.Audit.Warnings) {
                cross->AddValue(row, QStringLiteral("Date"), locale.toString(w.date, QLocale::ShortFormat));
                cross->AddValue(row++, QStringLiteral("Warning"), w.text);
            }
        }
    };
    return report;
}
