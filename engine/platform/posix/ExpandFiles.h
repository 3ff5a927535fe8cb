#pragma once
// The files the expanders read and write. Every call is counted for the test
// seam of ExpandFaults.h; failures come as Windows error codes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "../../CStdStr.h"
#include "../ExpandFaults.h"

namespace posix::expand {

enum class Failure {
    None,
    Open,
    Create,
    Read,
    Write,
    Damaged,
    UnknownMethod,
    Memory,
    NotSupported
};

struct Outcome {
    Failure failure = Failure::None;
    int winError = 0;

    bool ok() const { return failure == Failure::None; }
};

inline Outcome failed(Failure failure, int winError) {
    return Outcome{failure, winError};
}

// The size of one read or write of whole buffers.
constexpr size_t IO_CHUNK = 256 * 1024;

// Reads up to size bytes at offset: the count (0 at the end), or -1 with error set.
std::int64_t readAt(int fd, void* buffer, size_t size, std::uint64_t offset, int& error);

// Writes all bytes at offset; false with error set when it cannot.
bool writeAllAt(int fd, const unsigned char* data, size_t size, std::uint64_t offset, int& error);

// A regular file opened for reading.
class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    Outcome open(const CStdStr& enginePath);
    int descriptor() const { return m_fd; }
    std::uint64_t size() const { return m_size; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// A new file under a temporary name in the target's folder; commit() renames
// it over the target, anything else removes it.
class PendingTarget {
public:
    PendingTarget() = default;
    ~PendingTarget();
    PendingTarget(const PendingTarget&) = delete;
    PendingTarget& operator=(const PendingTarget&) = delete;

    Outcome create(const CStdStr& enginePath);
    Outcome commit();
    void discard();
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }

private:
    int m_fd = -1;
    std::string m_temporary;
    std::string m_target;
};

// The faults the test seam has put in force.
const platform::ExpandFaults& currentFaults();

} // namespace posix::expand
