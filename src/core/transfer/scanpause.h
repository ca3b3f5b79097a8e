#pragma once
#include "link/dmcom.h"

// Keeps the identity poll off the line while an operation exchanges several
// messages in a row: clears ScanActive on construction and sets it again on
// every way out, once the operation's last reply owed has come or its wait
// has ended, so that the poll never takes it.
class TScanPause {
public:
    TScanPause() { dmCOM().SetScanActive(false); }
    ~TScanPause()
    {
        try {
            dmCOM().SettleLine();
        } catch (...) {
            // The operation meets the line's failure and reports it.
        }
        dmCOM().SetScanActive(true);
    }
    TScanPause(const TScanPause &) = delete;
    TScanPause &operator=(const TScanPause &) = delete;
};
