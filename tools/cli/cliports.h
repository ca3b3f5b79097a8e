#pragma once
#include "link/portsearch.h"

// The serial-port side of pvbcs-cli.

// Prints one line for each serial port: the name it opens with, then, after
// tabs, the adapter's description, maker, serial number and stable name
// (empty where the system knows none), so scripts can cut the first column.
void PrintPorts();

// Searches every port for controllers, as "--port auto" does, showing the
// search's steps as progress.
TScanResult SearchAllPorts();
