#pragma once
// Files and folders with the meanings of the Win32 calls the engine was made
// for: every operation takes engine paths (backslash form) and returns 0 or a
// Windows error code. A path that starts with two separators names a network
// share; none can be reached from here, so such paths fail with BAD_NETPATH.

#include <cstdint>

#include "../CStdStr.h"

namespace platform {

// Attribute bits as Windows numbers them. A file is read-only when its owner
// may not write it.
constexpr std::uint32_t FILE_ATTR_READONLY = 0x01;
constexpr std::uint32_t FILE_ATTR_DIRECTORY = 0x10;
// Set only when no other bit is.
constexpr std::uint32_t FILE_ATTR_NORMAL = 0x80;
// A symbolic link, with the folder bit when it points to a folder.
constexpr std::uint32_t FILE_ATTR_REPARSE_POINT = 0x400;
constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// GetTempFileNameA with unique number 0: creates a new empty file named prefix,
// a hexadecimal number and ".tmp" in the folder, never reusing an existing
// name, and returns its full path in created.
int getTempFileName(const CStdStr& folder, const CStdStr& prefix, CStdStr& created);

// The process's current folder in engine form.
int getCurrentDirectory(CStdStr& folder);
// FILE_NOT_FOUND or PATH_NOT_FOUND when the folder does not exist, DIRECTORY
// when the path names a file.
int setCurrentDirectory(const CStdStr& folder);

// One folder whose parent exists: ALREADY_EXISTS when the name is taken,
// PATH_NOT_FOUND when the parent is missing.
int createDirectory(const CStdStr& path);

// INVALID_FILE_ATTRIBUTES when nothing exists at the path. As on Windows, a
// symbolic link answers for itself, not for what it points to.
std::uint32_t getFileAttributes(const CStdStr& path);
// Only the read-only bit has an effect: set, it takes every write permission
// away; cleared, it gives the owner write permission back. A symbolic link has
// no permissions of its own and what it points to is left alone.
int setFileAttributes(const CStdStr& path, std::uint32_t attributes);

// Last-write time of a file, in 100-nanosecond intervals since 1 January 1601
// (UTC) as a FILETIME counts. A folder cannot be opened as a file: ACCESS_DENIED.
int getLastWriteTime(const CStdStr& path, std::uint64_t& fileTime);
// -1, 0 or 1.
int compareFileTime(std::uint64_t first, std::uint64_t second);

// CopyFileA with overwriting allowed. The copy keeps the source's last-write
// time and permissions. It is built under a hidden name in the destination's
// folder and renamed over the destination only when complete, so a failure
// leaves the destination as it was (or absent); a symbolic link at the
// destination is replaced, not written through. ACCESS_DENIED for a source
// or destination that is a folder and for a read-only destination.
int copyFile(const CStdStr& source, const CStdStr& destination);

// MoveFileA: a file or folder gets a new name; ALREADY_EXISTS when the new
// name is taken.
int moveFile(const CStdStr& source, const CStdStr& destination);

// DeleteFileA: ACCESS_DENIED for a read-only file or a folder. A symbolic link
// is removed itself.
int deleteFile(const CStdStr& path);

// RemoveDirectoryA: DIR_NOT_EMPTY while the folder holds anything.
int removeDirectory(const CStdStr& path);

// MoveFileExA with delay until restart (an empty destination deletes the
// source at restart). Nothing here runs at restart, so it always fails with
// NOT_SUPPORTED and callers take their own fallback.
int moveFileAtRestart(const CStdStr& source, const CStdStr& destination);

// GetShortPathNameA: file names here have no 8.3 form, so the short form of an
// existing path is the path itself.
int getShortPathName(const CStdStr& path, CStdStr& shortPath);

} // namespace platform
