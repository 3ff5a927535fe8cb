#pragma once
// Registry operations with the Win32 meanings: open, query, set, close.

namespace platform {

struct RegKeyObject;
using RegKey = RegKeyObject*;

} // namespace platform
