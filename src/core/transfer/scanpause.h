#pragma once
#include "link/dmcom.h"

// Keeps the identity poll off the line while an operation exchanges several
// messages in a row: clears ScanActive on construction and sets it again on
// every way out.
class TScanPause {
public:
    TScanPause() { dmCOM().SetScanActive(false); }
    ~TScanPause() { dmCOM().SetScanActive(true); }
    TScanPause(const TScanPause &) = delete;
    TScanPause &operator=(const TScanPause &) = delete;
};
