#pragma once
// What the setup-library and LZ-library layers share: recognising SZDD files
// and cabinets, and expanding them with libmspack into a pending target.

#include <cstdint>

#include "ExpandFiles.h"

namespace posix::expand {

enum class Format { Plain, Szdd, Cabinet };

struct Header {
    Format format = Format::Plain;
    int compressionType = 0; // platform::FILE_COMPRESSION_*
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0; // as the header claims it, never used to size a buffer
    char missingChar = 0;         // SZDD: the last character of the expanded name, 0 if none
};

// True when the linked libmspack agrees with us on the size of file offsets.
bool libraryUsable();

// Reads what the file is. The LZ library's view (withCabinets false) knows
// only SZDD; a cabinet is then a plain file.
Outcome readHeader(const SourceFile& source, bool withCabinets, Header& header);

// Writes the expanded content (a plain file: its bytes) into the target.
Outcome expand(const SourceFile& source, const Header& header, PendingTarget& target,
               std::uint64_t& written);

} // namespace posix::expand
