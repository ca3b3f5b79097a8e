#pragma once
class QCommandLineParser;

// "fleet SUB ...": the district's beacons in the library database, what each
// should carry and what is due; checks its own command line. Returns the
// exit status.
int FleetCommand(const QCommandLineParser &parser, bool json);
