#pragma once
// Enumeration of the entries of one folder that match a wildcard pattern,
// with the meanings of FindFirstFileA, FindNextFileA and FindClose.

#include <cstdint>

#include "../CStdStr.h"

namespace platform {

// Attribute bits of FindData::attributes, as Windows numbers them.
constexpr std::uint32_t FIND_ATTR_READONLY = 0x01;
constexpr std::uint32_t FIND_ATTR_DIRECTORY = 0x10;
// Set only when no other bit is.
constexpr std::uint32_t FIND_ATTR_NORMAL = 0x80;

constexpr int FIND_NAME_SIZE = 260;
constexpr int FIND_SHORT_NAME_SIZE = 14;

// One entry, laid out like WIN32_FIND_DATA. Times count 100-nanosecond
// intervals since 1 January 1601 (UTC), as a FILETIME does.
struct FindData {
    std::uint32_t attributes = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t lastAccessTime = 0;
    std::uint64_t lastWriteTime = 0;
    std::uint64_t size = 0;
    char name[FIND_NAME_SIZE] = {};
    // Empty when the platform keeps no short form of the name.
    char shortName[FIND_SHORT_NAME_SIZE] = {};
};

struct FindSearch;
using FindHandle = FindSearch*;

// Starts a search on an engine path whose last component may hold * and ?
// (matched as Windows does, ignoring case); a last component without
// wildcards matches that entry itself, file or folder. Returns a Windows
// error code: 0 with handle and data set to the first entry;
// FILE_NOT_FOUND when nothing matches, PATH_NOT_FOUND when the folder is
// missing, INVALID_NAME for a wildcard in the folder, FILENAME_EXCED_RANGE
// for a last component of 260 characters or more; handle is then null.
// Entries come as NTFS lists them: "." and ".." first (a root has none),
// then by upper-cased name.
int findFirstFile(const CStdStr& pattern, FindHandle& handle, FindData& data);

// Moves to the next entry: 0, NO_MORE_FILES after the last one, or another
// Windows error code.
int findNextFile(FindHandle handle, FindData& data);

// Ends the search and releases the handle; 0 or INVALID_HANDLE.
int findClose(FindHandle handle);

} // namespace platform
