#pragma once
// Conversion between engine paths (backslash separators, Windows rules) and
// POSIX paths, shared by every POSIX platform module.

#include <string>

#include "../../CStdStr.h"

namespace posix {

// Backslashes become slashes and a leading drive ("C:") is dropped. When the
// path does not exist as written, each component is looked up ignoring case;
// components that match nothing keep the spelling they were given.
std::string toNative(const CStdStr& enginePath);

// The same conversion without the case-insensitive lookup.
std::string toNativeLiteral(const CStdStr& enginePath);

// The case-insensitive lookup alone, for a native path known not to exist as written.
std::string resolveMissing(const std::string& nativePath);

// Slashes become backslashes.
CStdStr toEngine(const std::string& nativePath);

// Operations that add, remove or rename entries say so when they end, so that a name looked
// up afterwards is not answered from a folder's earlier reading.
void folderEntriesChanged();

// Maps errno to the nearest Windows error code.
int winErrorFromErrno(int error);

} // namespace posix
