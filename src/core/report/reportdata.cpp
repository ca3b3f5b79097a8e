#include "report/reportdata.h"

#include "report/beaconreports.h"
#include "store/device.h"
#include "store/localetext.h"

namespace {

QString DstSwitchText(const QDate &date, const QTime &time, const QLocale &locale)
{
    return DateToText(date, locale) + u' ' + TimeToText(time, locale);
}

// One data row per list row, the row's texts at `fields` (0 the caption,
// n the sub-item n - 1) under the columns in order.
void AddRows(TReportCrossTab &cross, const QStringList &columns, const QList<TListItem> &rows,
             const QList<int> &fields)
{
    for (int r = 0; r < rows.size(); ++r) {
        const TListItem &row = rows.at(r);
        for (int c = 0; c < columns.size(); ++c) {
            const int field = fields.at(c);
            cross.AddValue(r, columns.at(c), field == 0 ? row.Caption : row.SubItems.value(field - 1));
        }
    }
}

} // namespace

QVariant ReportValue(const QString &varName, const TAdvancedSettings &settings, const QLocale &locale)
{
    // A list's displayed text; nothing when no item is selected.
    if (varName == QLatin1String("flash_pattern"))
        return TAdvancedSettings::FlashPatternItems().value(settings.FlashPattern);
    if (varName == QLatin1String("flash_speed"))
        return TAdvancedSettings::FlashSpeedItems().value(settings.FlashSpeed);
    if (varName == QLatin1String("rf_mode"))
        return TAdvancedSettings::BeaconRoleItems().value(settings.BeaconRole);
    if (varName == QLatin1String("rf_channel"))
        return TAdvancedSettings::LinkChannelItems().value(settings.LinkChannel);
    if (varName == QLatin1String("bright_min"))
        return settings.BrightnessMin;
    if (varName == QLatin1String("bright_max"))
        return settings.BrightnessMax;
    if (varName == QLatin1String("dst_to"))
        return DstSwitchText(settings.DateDST1, settings.TimeDST, locale);
    if (varName == QLatin1String("dst_from"))
        return DstSwitchText(settings.DateDST2, settings.TimeDST, locale);
    return QString();
}

void FillReportObject(TReportObject &sender, const TReportSources &sources)
{
    auto *cross = dynamic_cast<TReportCrossTab *>(&sender);
    if (!cross)
        return;
    // The record lists' own texts: the report shows what the pages show.
    if (cross->Name == ReportNames::CrossSchedule) {
        AddRows(*cross, ReportNames::ScheduleColumns, DeviceSchedule().ShowList(sources.Locale).Items, {0, 1, 2, 3});
    } else if (cross->Name == ReportNames::CrossCalendar) {
        cross->Visible = DeviceCalendar().Count() > 0;
        AddRows(*cross, ReportNames::CalendarColumns, DeviceCalendar().ShowList(sources.Locale).Items,
                {0, 1, 2, 3, 4});
    } else if (cross->Name == ReportNames::CrossLog) {
        cross->Visible = true;
        // The second voltage (sub-item 2) stays out.
        AddRows(*cross, ReportNames::LogColumns, sources.Events ? sources.Events() : QList<TListItem>{}, {0, 1, 2, 4});
    }
}

void ConnectReport(TReportTemplate &report, const TReportSources &sources)
{
    report.OnGetValue = [sources](const QString &varName) {
        return sources.Settings ? ReportValue(varName, sources.Settings(), sources.Locale) : QVariant(QString());
    };
    report.OnBeforePrint = [sources](TReportObject &sender) { FillReportObject(sender, sources); };
}
