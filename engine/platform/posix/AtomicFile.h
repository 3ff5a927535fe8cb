#pragma once
// Whole-file reads and crash-safe replacement of a file, with an advisory
// lock that serialises writers across processes. Results are errno values.

#include <string>

namespace posix {

// Reads a regular file whole (a FIFO or folder at the path is refused).
int readWholeFile(const std::string& path, std::string& bytes);

// Writes a temporary file beside the target, flushes it to the disk and
// renames it over the target, so a reader sees the old or the new content
// and a crash leaves one of them. The file keeps its mode and owner; a new
// one gets 0644.
int replaceFile(const std::string& path, const std::string& bytes);

// Creates the folder and those above it that are missing.
int makeFolders(const std::string& folder);

std::string parentFolder(const std::string& path);

// An exclusive flock on "<path>.lock", held for the object's lifetime. The
// lock file is never removed: removing it would let two writers lock
// different files.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    int error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

} // namespace posix
