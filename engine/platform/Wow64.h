#pragma once
// Whether the program runs as a 32-bit process on a 64-bit system.

namespace platform {

// IsWow64Process for the current process; false where the system offers no
// such answer.
bool isWow64Process();

} // namespace platform
