#include "fleet/inventory.h"

#include "config/messages.h"
#include "fleet/fleetmessages.h"
#include "history/register.h"
#include "store/datamodule.h"

#include <QHash>
#include <QSet>
#include <cmath>

namespace {
const char *const FleetSchemaSql =
    "CREATE TABLE IF NOT EXISTS fleet_beacons ("
    " id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, serial TEXT NOT NULL DEFAULT '', site TEXT,"
    " has_location INTEGER NOT NULL DEFAULT 0, latitude REAL, longitude REAL, tags TEXT, address TEXT, notes TEXT,"
    " assigned_name TEXT, assigned_config BLOB);"
    "CREATE INDEX IF NOT EXISTS fleet_beacons_serial ON fleet_beacons (serial);"
    // The clock drift seen at each contact, newest last.
    "CREATE TABLE IF NOT EXISTS fleet_contacts ("
    " id INTEGER PRIMARY KEY, serial TEXT NOT NULL, at_utc TEXT NOT NULL, drift_seconds INTEGER NOT NULL,"
    " action_id INTEGER);"
    "CREATE INDEX IF NOT EXISTS fleet_contacts_serial ON fleet_contacts (serial, id);";

const QString BeaconSelect =
    QStringLiteral("SELECT id, name, serial, site, has_location, latitude, longitude, tags, address, notes, "
                   "assigned_name, assigned_config FROM fleet_beacons");

QString TimeText(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODateWithMs);
}

TFleetBeacon ReadBeacon(const TSqliteQueryResults &row)
{
    TFleetBeacon b;
    b.Id = row.FieldAsInteger(0);
    b.Name = row.FieldAsString(1);
    b.Serial = row.FieldAsString(2);
    b.Site = row.FieldAsString(3);
    b.HasLocation = row.FieldAsInteger(4) != 0;
    b.Latitude = row.FieldAsDouble(5);
    b.Longitude = row.FieldAsDouble(6);
    const QString tags = row.FieldAsString(7);
    if (!tags.isEmpty())
        b.Tags = tags.split(u',');
    b.Address = row.FieldAsString(8);
    b.Notes = row.FieldAsString(9);
    b.AssignedName = row.FieldAsString(10);
    if (row.FieldSize(11) > 0)
        b.AssignedConfig = QByteArray(static_cast<const char *>(row.FieldAsBlob(11)), row.FieldSize(11));
    return b;
}

QVariantList Fields(const TFleetBeacon &b)
{
    // A blob, never NULL, so that an empty assignment reads back empty.
    return {b.Name, b.Serial, b.Site, int(b.HasLocation), b.HasLocation ? b.Latitude : 0.0,
            b.HasLocation ? b.Longitude : 0.0, b.Tags.join(u','), b.Address, b.Notes, b.AssignedName,
            b.AssignedConfig.isNull() ? QByteArray("") : b.AssignedConfig};
}

bool HasControl(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

void CheckBeacon(const TFleetBeacon &b, int index)
{
    if (b.Name.trimmed().isEmpty())
        throw EFleetRefused(QString::fromUtf8(Msg::FleetNameNeeded), index);
    if (HasControl(b.Name))
        throw EFleetRefused(Fmt(Msg::FleetNameCharacters, b.Name), index);
    for (const QString &tag : b.Tags)
        if (tag.trimmed().isEmpty() || tag.contains(u','))
            throw EFleetRefused(Fmt(Msg::FleetTagInvalid, tag, b.Name), index);
    if (b.HasLocation && !(std::fabs(b.Latitude) <= 90 && std::fabs(b.Longitude) <= 180))
        throw EFleetRefused(Fmt(Msg::FleetLocationInvalid, b.Name), index);
}

// Refuses changed (beacons added or rewritten) unless each is sound and
// names and serial numbers stay unique among them and the rest of the fleet.
void CheckChanges(const QList<TFleetBeacon> &fleet, const QList<TFleetBeacon> &changed)
{
    QSet<qint64> rewritten;
    for (const TFleetBeacon &b : changed)
        if (b.Id != 0)
            rewritten.insert(b.Id);
    QSet<QString> names;
    QHash<QString, QString> serials; // serial: the beacon's name
    for (const TFleetBeacon &b : fleet) {
        if (rewritten.contains(b.Id))
            continue;
        names.insert(b.Name);
        if (!b.Serial.isEmpty())
            serials.insert(b.Serial, b.Name);
    }
    QSet<QString> given;
    for (int i = 0; i < changed.size(); ++i) {
        const TFleetBeacon &b = changed.at(i);
        CheckBeacon(b, i);
        if (given.contains(b.Name))
            throw EFleetRefused(Fmt(Msg::FleetNameTwice, b.Name), i);
        if (names.contains(b.Name))
            throw EFleetRefused(Fmt(Msg::FleetNameTaken, b.Name), i);
        if (!b.Serial.isEmpty() && serials.contains(b.Serial))
            throw EFleetRefused(Fmt(Msg::FleetSerialTaken, b.Serial, serials.value(b.Serial)), i);
        given.insert(b.Name);
        if (!b.Serial.isEmpty())
            serials.insert(b.Serial, b.Name);
    }
}

qint64 Insert(TDM &dm, const TFleetBeacon &b)
{
    dm.Exec(QStringLiteral("INSERT INTO fleet_beacons (name, serial, site, has_location, latitude, longitude, tags, "
                           "address, notes, assigned_name, assigned_config) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            Fields(b), TTextCoding::Utf8);
    return dm.DB()->GetLastInsertRowID();
}

void Rewrite(TDM &dm, const TFleetBeacon &b)
{
    dm.Exec(QStringLiteral("UPDATE fleet_beacons SET name = ?, serial = ?, site = ?, has_location = ?, latitude = ?, "
                           "longitude = ?, tags = ?, address = ?, notes = ?, assigned_name = ?, assigned_config = ? "
                           "WHERE id = ?"),
            Fields(b) << b.Id, TTextCoding::Utf8);
    if (dm.Changes() != 1)
        throw EFleetRefused(Fmt(Msg::FleetNoBeacon, b.Name), 0);
}
}

TFleetInventory::TFleetInventory(TDM &dm) : fDM(dm) {}

bool TFleetInventory::Exists() const
{
    auto row = fDM.Query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                                        "name IN ('fleet_beacons', 'fleet_contacts')"));
    return row->FieldAsInteger(0) == 2;
}

void TFleetInventory::EnsureTables()
{
    if (Exists())
        return;
    RequireLibraryTables(fDM, Msg::FleetNoLibrary);
    fDM.DB()->ExecScript(FleetSchemaSql);
}

QList<TFleetBeacon> TFleetInventory::Beacons() const
{
    QList<TFleetBeacon> beacons;
    if (!Exists())
        return beacons;
    for (auto rows = fDM.Query(BeaconSelect + QStringLiteral(" ORDER BY name COLLATE NOCASE, name"), {},
                               TTextCoding::Utf8);
         !rows->Eof(); rows->Next())
        beacons.append(ReadBeacon(*rows));
    return beacons;
}

std::optional<TFleetBeacon> TFleetInventory::Beacon(const QString &name) const
{
    if (!Exists())
        return std::nullopt;
    auto row = fDM.Query(BeaconSelect + QStringLiteral(" WHERE name = ?"), {name}, TTextCoding::Utf8);
    if (row->Eof())
        return std::nullopt;
    return ReadBeacon(*row);
}

std::optional<TFleetBeacon> TFleetInventory::BeaconWithSerial(const QString &serial) const
{
    if (serial.isEmpty() || !Exists())
        return std::nullopt;
    auto row = fDM.Query(BeaconSelect + QStringLiteral(" WHERE serial = ?"), {serial}, TTextCoding::Utf8);
    if (row->Eof())
        return std::nullopt;
    return ReadBeacon(*row);
}

qint64 TFleetInventory::Add(const TFleetBeacon &beacon)
{
    qint64 id = 0;
    fDM.InTransaction([&] {
        EnsureTables();
        TFleetBeacon added = beacon;
        added.Id = 0;
        CheckChanges(Beacons(), {added});
        id = Insert(fDM, added);
    });
    return id;
}

void TFleetInventory::Update(const TFleetBeacon &beacon)
{
    fDM.InTransaction([&] {
        EnsureTables();
        CheckChanges(Beacons(), {beacon});
        Rewrite(fDM, beacon);
    });
}

void TFleetInventory::Remove(const QString &name)
{
    fDM.InTransaction([&] {
        const bool exists = Exists();
        if (exists)
            fDM.Exec(QStringLiteral("DELETE FROM fleet_beacons WHERE name = ?"), {name}, TTextCoding::Utf8);
        if (!exists || fDM.Changes() != 1)
            throw EFleetRefused(Fmt(Msg::FleetNoBeacon, name), 0);
    });
}

int TFleetInventory::Import(const QList<TFleetBeacon> &beacons)
{
    int added = 0;
    fDM.InTransaction([&] {
        EnsureTables();
        const QList<TFleetBeacon> fleet = Beacons();
        QHash<QString, const TFleetBeacon *> byName;
        for (const TFleetBeacon &b : fleet)
            byName.insert(b.Name, &b);
        // Matched by name, a beacon keeps its id and its assignment.
        QList<TFleetBeacon> changed = beacons;
        for (TFleetBeacon &b : changed) {
            const TFleetBeacon *known = byName.value(b.Name);
            b.Id = known ? known->Id : 0;
            b.AssignedName = known ? known->AssignedName : QString();
            b.AssignedConfig = known ? known->AssignedConfig : QByteArray();
        }
        CheckChanges(fleet, changed);
        // Checked whole first: serial numbers may move between beacons.
        for (const TFleetBeacon &b : changed) {
            if (b.Id == 0) {
                Insert(fDM, b);
                ++added;
            } else {
                Rewrite(fDM, b);
            }
        }
    });
    return added;
}

void TFleetInventory::RecordContact(const TFleetContact &contact)
{
    fDM.InTransaction([&] {
        EnsureTables();
        fDM.Exec(QStringLiteral("INSERT INTO fleet_contacts (serial, at_utc, drift_seconds, action_id) "
                                "VALUES (?, ?, ?, ?)"),
                 {contact.Serial, TimeText(contact.When), contact.DriftSeconds,
                  contact.ActionId ? QVariant(contact.ActionId) : QVariant()},
                 TTextCoding::Utf8);
    });
}

std::optional<TFleetContact> TFleetInventory::LastContact(const QString &serial) const
{
    if (serial.isEmpty() || !Exists())
        return std::nullopt;
    auto row = fDM.Query(QStringLiteral("SELECT serial, at_utc, drift_seconds, action_id FROM fleet_contacts "
                                        "WHERE serial = ? ORDER BY id DESC LIMIT 1"),
                         {serial}, TTextCoding::Utf8);
    if (row->Eof())
        return std::nullopt;
    TFleetContact contact;
    contact.Serial = row->FieldAsString(0);
    contact.When = QDateTime::fromString(row->FieldAsString(1), Qt::ISODateWithMs);
    contact.DriftSeconds = row->FieldAsInteger(2);
    contact.ActionId = row->FieldAsInteger(3);
    return contact;
}

QDateTime TFleetInventory::LastReached(const QString &serial) const
{
    if (serial.isEmpty() || !THistoryRegister(fDM).Exists())
        return {};
    auto row = fDM.Query(QStringLiteral("SELECT max(at_utc) FROM history_actions WHERE serial = ? AND outcome = ?"),
                         {serial, QString::fromUtf8(Msg::RegisterDone)}, TTextCoding::Utf8);
    return QDateTime::fromString(row->FieldAsString(0), Qt::ISODateWithMs);
}
