#pragma once
#include "fleet/inventory.h"

class QCommandLineParser;

// "fleet SUB ...": the district's beacons in the library database, what each
// should carry and what is due; checks its own command line. Returns the
// exit status.
int FleetCommand(const QCommandLineParser &parser, bool json);

// The inventory's beacon of that name; refused (status 5) when there is none.
TFleetBeacon Known(const TFleetInventory &inventory, const QString &name);
