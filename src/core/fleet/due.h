#pragma once
#include "fleet/inventory.h"
#include "history/register.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class TDM;

// When a beacon is due for a visit: the per-user configuration store's
// group "Fleet", with sound defaults.
struct TFleetThresholds {
    int CalendarEndDays = 30;    // the calendar's last record ends within this many days
    int PlanDays = 365;          // the plan is made this far ahead for its warnings
    int ClockDriftSeconds = 60;  // drift at the last contact above this
    int NoContactDays = 30;      // no contact for longer than this
    double LowVoltage = 11.0;    // a supply voltage below this in events since the last visit

    static TFleetThresholds Load();
};

// One reason a beacon is due. Rule is a fixed word for scripts ("config",
// "calendar", "plan", "clock", "contact", "resets", "voltage"); Text says it
// in plain words, naming the items that differ where there are any.
struct TDueItem {
    QString Rule;
    QString Text;
};

// What is due for the beacon, from the register, the archive and the
// inventory, as of now (UTC); empty when nothing is.
QList<TDueItem> DueItems(TDM &dm, const TFleetBeacon &beacon, const TFleetThresholds &thresholds,
                         const QDateTime &now);

// The newest configuration the register kept of the controller from an
// upload or a download that was done, with its settings-file text.
std::optional<TActionRecord> NewestRecordedConfig(TDM &dm, const QString &serial);

// What the controller's newest event download brought to the archive: its
// resets and its lowest supply voltage, with when (the controller's clock,
// "yyyy-MM-dd HH:mm").
struct TDownloadEvents {
    int Resets = 0;
    QString NewestReset;
    std::optional<double> LowestVolts;
    QString LowestAt;
};
TDownloadEvents NewestDownloadEvents(TDM &dm, const QString &serial);
