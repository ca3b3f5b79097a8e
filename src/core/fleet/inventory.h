#pragma once
#include "config/exceptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TDM;

// A beacon the district owns, as the fleet inventory keeps it.
struct TFleetBeacon {
    qint64 Id = 0;
    QString Name;     // unique; how operators and the command line name it
    QString Serial;   // empty until the first identification fills it in
    QString Site;     // the school
    bool HasLocation = false;
    double Latitude = 0;
    double Longitude = 0;
    QStringList Tags;
    QString Address;  // a local port or a network address
    QString Notes;
    // The configuration it should carry: where it came from ("term2.bcfg",
    // "recorded action 42") and its settings-file text; empty when none is
    // assigned.
    QString AssignedName;
    QByteArray AssignedConfig;
};

// What the workstation saw of a beacon's clock at one contact.
struct TFleetContact {
    QString Serial;
    QDateTime When;          // UTC
    qint64 DriftSeconds = 0; // controller clock minus the workstation's local time
    qint64 ActionId = 0;     // the register's identify action of that contact
};

// A change of the inventory refused: why, and which of the beacons handed
// over caused it (its index in the list; 0 for a single beacon).
class EFleetRefused : public Exception {
public:
    EFleetRefused(const QString &message, int index) : Exception(message), fIndex(index) {}
    int Index() const { return fIndex; }

private:
    int fIndex;
};

// The fleet inventory in the library database, in tables of its own beside
// the register's, made on the first write as the register's are. Names and
// serial numbers are unique; a change that would break that, or a beacon
// without a name, is refused with EFleetRefused saying why, and nothing is
// written.
class TFleetInventory {
public:
    explicit TFleetInventory(TDM &dm);

    bool Exists() const;
    void EnsureTables();

    // Every beacon, by name.
    QList<TFleetBeacon> Beacons() const;
    std::optional<TFleetBeacon> Beacon(const QString &name) const;
    std::optional<TFleetBeacon> BeaconWithSerial(const QString &serial) const;
    // Returns the new beacon's id.
    qint64 Add(const TFleetBeacon &beacon);
    // Writes every field of the beacon with beacon.Id.
    void Update(const TFleetBeacon &beacon);
    void Remove(const QString &name);
    // Adds or updates (matched by name) every beacon in one transaction:
    // all or nothing. Returns how many were added.
    int Import(const QList<TFleetBeacon> &beacons);

    // One contact's clock drift.
    void RecordContact(const TFleetContact &contact);
    // The newest contact of the controller.
    std::optional<TFleetContact> LastContact(const QString &serial) const;
    // When the register last recorded an action of the controller that was
    // done; invalid when it never did.
    QDateTime LastReached(const QString &serial) const;

private:
    TDM &fDM;
};
