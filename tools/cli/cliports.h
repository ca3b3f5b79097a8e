#pragma once
#include "link/portlist.h"
#include "link/portsearch.h"

// The ports side of pvbcs-cli: serial ports and network beacons.

// The serial ports, then the network beacons this user has connected to, in
// the order first used. A network beacon's entry has its address as the
// name, "Network beacon" as the description and, once the controller there
// has identified itself, the controller's serial number.
QList<TPortInfo> ListPortsAndBeacons();

// Prints one line for each entry of ListPortsAndBeacons(): the name it opens
// with, then, after tabs, the description, maker, serial number and stable
// name (empty where none is known), so scripts can cut the first column.
void PrintPorts();

// Searches every serial port and every remembered network beacon for
// controllers, as "--port auto" does, showing the search's steps as progress.
TScanResult SearchAllPorts();
