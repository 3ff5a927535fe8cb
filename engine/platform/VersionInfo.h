#pragma once
// Version resources of program files with the meanings of GetFileVersionInfoSizeA,
// GetFileVersionInfoA and VerQueryValueA. The block is the VS_VERSIONINFO tree
// as stored in the file: UTF-16 keys and texts, 32-bit aligned. A query names
// a path of keys separated by backslashes ("\" alone is the root's fixed part);
// keys match ignoring the case of ASCII letters.

#include <cstdint>
#include <vector>

#include "../CStdStr.h"

namespace platform {

// Size in bytes of the file's version block; 0 when the file has none or
// cannot be read. Only PE files (PE32, PE32+) have one; a PE file whose
// structures do not hold together has none, and that is logged.
unsigned fileVersionInfoSize(const CStdStr& path);

// Fills block with the file's version block; false (and block empty) when the
// file has none or cannot be read.
bool fileVersionInfo(const CStdStr& path, std::vector<unsigned char>& block);

// The value at subBlock as 32-bit little-endian entries, for instance
// "\VarFileInfo\Translation": each entry holds a language in its low half and a
// code page in its high half. False when there is no such value or it holds
// no whole entry.
bool queryVersionValue(const std::vector<unsigned char>& block, const CStdStr& subBlock,
                       std::vector<uint32_t>& entries);

// The text value at subBlock, for instance "\StringFileInfo\040904b0\FileVersion",
// up to its terminating NUL and converted to the ANSI code page. False when
// there is no such key.
bool queryVersionValue(const std::vector<unsigned char>& block, const CStdStr& subBlock,
                       CStdStr& text);

} // namespace platform
