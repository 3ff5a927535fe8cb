#pragma once
// Facts about the machine and the user running the process, with the
// meanings of GetComputerNameA, GetUserNameA, GlobalMemoryStatus and the
// processor's MaxClockSpeed.

#include <cstdint>

#include "../CStdStr.h"

namespace platform {

// The computer's name (at most 15 characters); false when it cannot be read.
bool computerName(CStdStr& name);

// The name of the user the process runs as; false when it cannot be read.
bool userName(CStdStr& name);

// Total physical memory in bytes; 0 when it cannot be read.
std::uint64_t physicalMemoryBytes();

// The processor's maximum clock in MHz; false when the platform does not say.
bool processorMaxClockMHz(int& megahertz);

} // namespace platform
