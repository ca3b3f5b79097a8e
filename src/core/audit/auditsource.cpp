#include "audit/auditsource.h"

#include "config/exceptions.h"
#include "config/messages.h"
#include "eventlog/eventdownload.h"
#include "history/configcompare.h"
#include "history/register.h"
#include "transfer/settingsfile.h"

#include <optional>

QList<TCoveredSpan> CoveredSpans(const QList<TArchivedDownload> &downloads)
{
    QList<TCoveredSpan> spans;
    std::optional<TWallMinute> previous; // when the download before was read
    for (const TArchivedDownload &d : downloads) {
        TWallMinute end = WallMinute(d.When);
        if (d.NewEvents > 0)
            end = std::max(end, TWallMinute(d.NewestMinute)); // a controller clock ahead of this computer's
        if (d.Complete) {
            std::optional<TWallMinute> start;
            if (previous && d.NewEvents < EventSlotCount)
                start = *previous;
            else if (d.NewEvents > 0)
                start = d.OldestMinute;
            if (start && *start < end)
                spans.append({*start, end});
        }
        previous = end;
    }
    return spans;
}

QList<TConfigPeriod> ConfigPeriods(TDM &dm, const QString &serial)
{
    const THistoryRegister reg(dm);
    QList<TActionRecord> actions;
    reg.ForEachAction(serial, {}, [&actions](const TActionRecord &a) {
        if (a.HasConfig && (a.Action == QLatin1String(THistoryRegister::Upload) ||
                            a.Action == QLatin1String(THistoryRegister::Download)))
            actions.append(a);
    });
    QList<TConfigPeriod> periods;
    for (const TActionRecord &a : std::as_const(actions)) {
        const bool done = a.Outcome == QLatin1String(Msg::RegisterDone);
        const bool upload = a.Action == QLatin1String(THistoryRegister::Upload);
        if (!done && !upload)
            continue; // a download that failed showed nothing, and changed nothing
        TConfigPeriod period;
        period.Since = WallMinute(a.When);
        period.ActionId = a.Id;
        period.Known = false;
        const TConfigPeriod *before = periods.isEmpty() ? nullptr : &periods.last();
        const bool knownBefore = before && before->Known;
        if (done) {
            try {
                const QByteArray text = reg.Action(a.Id)->Config;
                const TConfigParts parts = SettingsTextParts(text);
                const TBeaconConfiguration base = knownBefore ? before->Config : TBeaconConfiguration();
                period.Config = ReadSettingsText(text, parts, base.Advanced, QLocale::system());
                if (!parts.Schedule)
                    period.Config.Schedule = base.Schedule;
                if (!parts.Holidays)
                    period.Config.Calendar = base.Calendar;
                period.Known = knownBefore || (parts.Schedule && parts.Holidays && parts.Advanced);
            } catch (const Exception &) {
                period.Known = false; // a text that cannot be read tells nothing of the controller
            }
        }
        periods.append(period);
    }
    return periods;
}

TAuditInput LoadAuditInput(TDM &dm, const QString &serial, QDate from, QDate to, int toleranceMinutes)
{
    TAuditInput input;
    input.From = from;
    input.To = to;
    input.ToleranceMinutes = toleranceMinutes;
    input.Configs = ConfigPeriods(dm, serial);
    const TEventArchive archive(dm);
    input.Covered = CoveredSpans(archive.Downloads(serial));
    archive.ForEachEventBetween(serial, from, to, [&input](const type_events_record &e) { input.Events.append(e); });
    return input;
}
