#pragma once
#include "fleet/inventory.h"

#include <QString>
#include <QStringList>
#include <functional>

// What a visit may do beyond looking.
struct TVisitOptions {
    bool SyncClock = false;
    bool UploadAssigned = false;
    bool Verify = false; // with UploadAssigned
};

// What one beacon's visit found and did; the sweep's line for it.
struct TVisitResult {
    QString Name;
    QString Serial;
    bool Reached = false;
    bool AsAssigned = false;
    int EventsAdded = 0;
    qint64 DriftSeconds = 0;
    QStringList Differences; // from the assigned configuration, before any upload
    bool ClockSet = false;
    bool Uploaded = false;
    bool Interrupted = false; // stopped between steps when asked
    QString Error;            // empty when every step asked for was done
};

// Visits the beacon on the open link: identify (a serial number other than
// the inventory's ends the visit, touching nothing), record the clock drift,
// download the event log into the archive, read the configuration and
// compare it with the assigned one, then, only when asked, set the clock and
// upload the assigned configuration. Every step is recorded in the register.
// stopRequested is asked between steps: a step once begun is finished.
TVisitResult VisitBeacon(const TFleetBeacon &beacon, const TVisitOptions &options,
                         const std::function<bool()> &stopRequested);
