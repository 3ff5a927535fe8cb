#pragma once
// File-system operations on engine paths (backslash form). The platform
// converts to its own form at the call and reports Windows error codes.

#include <cstddef>
#include <cstdio>

#include "../CStdStr.h"

namespace platform {

// The C runtime's fopen on an engine path; mode as for fopen ("rb", "wb", "ab").
std::FILE* openFile(const CStdStr& path, const char* mode);

// Appends bytes to the file, creating it when missing, without following a
// symbolic link at the path and refusing anything but a regular file.
bool appendToLogFile(const CStdStr& path, const char* data, size_t size);

// True when something (file, folder, device) exists at the path.
bool pathExists(const CStdStr& path);

// The path as a person on this platform writes it.
CStdStr displayPath(const CStdStr& path);

// The engine form of a path given in the platform's own form.
CStdStr enginePath(const char* nativePath);

} // namespace platform
