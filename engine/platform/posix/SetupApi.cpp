#include "../SetupApi.h"

#include <cstring>

#include "../WinError.h"
#include "ExpandIo.h"

namespace platform {
namespace {

using posix::expand::Header;
using posix::expand::Outcome;
using posix::expand::PendingTarget;
using posix::expand::SourceFile;

thread_local int lastError = winerr::SUCCESS;

const char* const ENTRY_POINTS[] = {SETUP_GET_FILE_COMPRESSION_INFO_EX,
                                    SETUP_GET_FILE_COMPRESSION_INFO, SETUP_DECOMPRESS_OR_COPY_FILE};

// The setup library looks for the compressed form of a missing file: the same
// name with its last character replaced by "_".
Outcome openSource(const CStdStr& source, SourceFile& file, CStdStr& opened) {
    opened = source;
    Outcome outcome = file.open(source);
    const bool tryCompressedName = !outcome.ok() && outcome.winError == winerr::FILE_NOT_FOUND &&
                                   !source.empty() && source.back() != '_' && source.back() != '\\';
    if (!tryCompressedName)
        return outcome;
    CStdStr compressed = source;
    compressed.back() = '_';
    if (file.open(compressed).ok()) {
        opened = compressed;
        return Outcome{};
    }
    return outcome;
}

} // namespace

bool loadSetupApi() {
    return !posix::expand::currentFaults().setupApiMissing && posix::expand::libraryUsable();
}

bool setupApiHasEntryPoint(const char* name) {
    if (!name || !loadSetupApi())
        return false;
    for (const std::string& missing : posix::expand::currentFaults().missingEntryPoints) {
        if (missing == name)
            return false;
    }
    for (const char* entryPoint : ENTRY_POINTS) {
        if (std::strcmp(entryPoint, name) == 0)
            return true;
    }
    return false;
}

int setupApiLastError() {
    return lastError;
}

int getFileCompressionInfo(const CStdStr& source, CStdStr& actualSource, std::uint64_t& sourceSize,
                           std::uint64_t& targetSize, int& type) {
    SourceFile file;
    CStdStr opened;
    Outcome outcome = openSource(source, file, opened);
    Header header;
    if (outcome.ok())
        outcome = posix::expand::readHeader(file, true, header);
    if (!outcome.ok())
        return outcome.winError;
    actualSource = opened;
    sourceSize = header.sourceSize;
    targetSize = header.targetSize;
    type = header.compressionType;
    return winerr::SUCCESS;
}

bool getFileCompressionInfoEx(const CStdStr& source, std::uint64_t& sourceSize,
                              std::uint64_t& targetSize, int& type, CStdStr* actualSource) {
    CStdStr opened;
    lastError = getFileCompressionInfo(source, opened, sourceSize, targetSize, type);
    if (lastError != winerr::SUCCESS)
        return false;
    if (actualSource)
        *actualSource = opened;
    return true;
}

int decompressOrCopyFile(const CStdStr& source, const CStdStr& target, int& type) {
    SourceFile file;
    CStdStr opened;
    Outcome outcome = openSource(source, file, opened);
    Header header;
    header.sourceSize = header.targetSize = file.size();
    if (outcome.ok() && type != FILE_COMPRESSION_NONE) {
        outcome = posix::expand::readHeader(file, true, header);
        if (outcome.ok())
            type = header.compressionType;
    }
    PendingTarget pending;
    if (outcome.ok())
        outcome = pending.create(target);
    std::uint64_t written = 0;
    if (outcome.ok())
        outcome = posix::expand::expand(file, header, pending, written);
    if (outcome.ok())
        outcome = pending.commit();
    return outcome.ok() ? winerr::SUCCESS : outcome.winError;
}

} // namespace platform
