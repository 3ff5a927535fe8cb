#pragma once
// What the setup-library and LZ-library layers share: files opened for
// expansion, targets written under a temporary name, and libmspack's decoders
// driven through our own file and memory calls (which the test seam of
// ExpandFaults.h can make fail).

#include <cstdint>
#include <string>

#include "../../CStdStr.h"
#include "../ExpandFaults.h"

namespace posix::expand {

enum class Format { Plain, Szdd, Cabinet };

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

struct Header {
    Format format = Format::Plain;
    int compressionType = 0; // platform::FILE_COMPRESSION_*
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0; // as the header claims it, never used to size a buffer
    char missingChar = 0;         // SZDD: the last character of the expanded name, 0 if none
    int cabinetFiles = 0;
};

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

// True when the linked libmspack agrees with us on the size of file offsets.
bool libraryUsable();

// Reads what the file is. The LZ library's view (withCabinets false) knows
// only SZDD; a cabinet is then a plain file.
Outcome readHeader(const SourceFile& source, bool withCabinets, Header& header);

// Writes the expanded content (a plain file: its bytes) into the target.
Outcome expand(const SourceFile& source, const Header& header, PendingTarget& target,
               std::uint64_t& written);

// The faults the test seam has put in force.
const platform::ExpandFaults& currentFaults();

} // namespace posix::expand
