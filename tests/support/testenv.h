#pragma once
#include <QString>

// Puts the test in a world of its own: QStandardPaths' test mode (so the
// configuration store and data folders are test folders), emptied first.
void InitTestEnvironment();

#include "config/exceptions.h"

#include <functional>

// The text of the Exception that work raises; empty when it raises none.
inline QString ErrorOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const Exception &e) {
        return e.Message();
    }
    return {};
}
