#pragma once
// A seam for tests of the expanders (setup library and LZ library): pretend
// the setup library or some of its entry points are missing, and make one
// file call (open, create, read, write, rename) fail with a chosen error.

#include <string>
#include <vector>

#include "WinError.h"

namespace platform {

struct ExpandFaults {
    bool setupApiMissing = false;
    std::vector<std::string> missingEntryPoints;
    long failFileCall = 0; // the Nth file call from now fails; 0: none does
    int failError = winerr::GEN_FAILURE;
};

// Puts the faults in force and restarts the count of file calls.
void setExpandFaults(const ExpandFaults& faults);

// The file calls made since the faults were last set.
long expandFileCalls();

} // namespace platform
