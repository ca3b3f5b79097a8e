#include "history/recordedconfig.h"

#include "config/messages.h"

#include <QSaveFile>

TRecordedConfig::TRecordedConfig(const THistoryRegister &reg, qint64 id)
{
    const std::optional<TActionRecord> action = reg.Action(id);
    if (!action || !action->HasConfig)
        throw Exception(Fmt(Msg::HistoryNoConfig, id));
    fAction = *action;
    fFileName = fFolder.filePath(QStringLiteral("recorded.bcfg"));
    SaveAs(fFileName);
}

void TRecordedConfig::SaveAs(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(fAction.Config) != fAction.Config.size() || !file.commit())
        throw Exception(Fmt(Msg::UnableToWrite, fileName));
}

void TRecordedConfig::Load(TAdvancedSettings &page) const
{
    LoadSettingsFile(fFileName, Parts(), page);
}

TBeaconConfig TRecordedConfig::Config(const TBeaconConfig &base) const
{
    return FileConfig(fFileName, Parts(), base);
}

QList<TConfigDifference> CompareRecorded(const TRecordedConfig &first, const TRecordedConfig &second,
                                         const QLocale &locale)
{
    const TConfigParts a = first.Parts();
    const TConfigParts b = second.Parts();
    TCompareScope scope;
    scope.Advanced = a.Advanced && b.Advanced;
    scope.Schedule = a.Schedule && b.Schedule;
    scope.Calendar = a.Holidays && b.Holidays;
    return CompareConfigs(first.Config(), second.Config(), scope, locale);
}

QString RecordedDifferenceText(const TConfigDifference &difference, qint64 firstId, qint64 secondId)
{
    return Fmt(Msg::DifferenceRecorded, difference.Item, difference.OnBeacon, firstId, difference.Other, secondId);
}
