#pragma once
#include <QString>

// Puts the test in a world of its own: QStandardPaths' test mode (so the
// configuration store and data folders are test folders), emptied first.
void InitTestEnvironment();
