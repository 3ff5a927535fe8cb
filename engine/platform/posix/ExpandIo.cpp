#include "ExpandIo.h"

#include <cstring>
#include <vector>

#include "../SetupApi.h"
#include "../WinError.h"
#include "MspackSystem.h"

namespace posix::expand {
namespace {

constexpr unsigned char SZDD_SIGNATURE[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr size_t SZDD_HEADER_SIZE = 14;
constexpr unsigned char SZDD_METHOD_LZ = 'A';
constexpr unsigned char CABINET_SIGNATURE[4] = {'M', 'S', 'C', 'F'};

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A file that begins like an SZDD file but is not a whole one is damaged
// rather than plain: copying it as it is would install compressed bytes.
Outcome readSzddHeader(const unsigned char* bytes, size_t size, Header& header) {
    if (size < SZDD_HEADER_SIZE || std::memcmp(bytes, SZDD_SIGNATURE, sizeof SZDD_SIGNATURE) != 0)
        return failed(Failure::Damaged, winerr::INVALID_DATA);
    if (bytes[8] != SZDD_METHOD_LZ)
        return failed(Failure::UnknownMethod, winerr::INVALID_DATA);
    header.format = Format::Szdd;
    header.compressionType = platform::FILE_COMPRESSION_WINLZA;
    header.missingChar = static_cast<char>(bytes[9]);
    header.targetSize = littleEndian32(bytes + 10);
    return Outcome{};
}

// Decoder objects of libmspack, released with the matching call.
template <typename T, void (*Destroy)(T*)> struct Owned {
    T* object;
    ~Owned() {
        if (object)
            Destroy(object);
    }
};
using CabDecompressor = Owned<mscab_decompressor, mspack_destroy_cab_decompressor>;
using SzddDecompressor = Owned<msszdd_decompressor, mspack_destroy_szdd_decompressor>;

// An opened cabinet, closed with its decompressor.
struct OpenCabinet {
    mscab_decompressor* decompressor;
    mscabd_cabinet* cabinet;
    ~OpenCabinet() {
        if (cabinet)
            decompressor->close(decompressor, cabinet);
    }
};

int countFiles(const mscabd_cabinet* cabinet) {
    int files = 0;
    for (const mscabd_file* file = cabinet->files; file; file = file->next)
        ++files;
    return files;
}

// One file in one MSZIP folder, in a cabinet that is not part of a set.
bool isSingleFileMszip(const mscabd_cabinet* cabinet) {
    const mscabd_folder* folder = cabinet->folders;
    return countFiles(cabinet) == 1 && folder && !folder->next &&
           MSCABD_COMP_METHOD(folder->comp_type) == MSCAB_COMP_MSZIP &&
           (cabinet->flags & (MSCAB_HDR_PREVCAB | MSCAB_HDR_NEXTCAB)) == 0;
}

Outcome readCabinetHeader(const SourceFile& source, Header& header) {
    MspackSystem system;
    CabDecompressor decompressor{mspack_create_cab_decompressor(&system)};
    if (!decompressor.object)
        return failed(Failure::Memory, winerr::NOT_ENOUGH_MEMORY);
    const Endpoint input{source.descriptor(), false};
    OpenCabinet open{decompressor.object,
                     decompressor.object->open(decompressor.object, nameOf(input))};
    if (!open.cabinet)
        return system.outcomeOf(decompressor.object->last_error(decompressor.object));
    header.format = Format::Cabinet;
    header.compressionType = isSingleFileMszip(open.cabinet) ? platform::FILE_COMPRESSION_MSZIP
                                                             : platform::FILE_COMPRESSION_NTCAB;
    header.targetSize = 0;
    for (const mscabd_file* file = open.cabinet->files; file; file = file->next)
        header.targetSize += file->length;
    return Outcome{};
}

Outcome expandSzdd(const SourceFile& source, const Header& header, PendingTarget& target,
                   std::uint64_t& written) {
    MspackSystem system;
    SzddDecompressor decompressor{mspack_create_szdd_decompressor(&system)};
    if (!decompressor.object)
        return failed(Failure::Memory, winerr::NOT_ENOUGH_MEMORY);
    msszdd_decompressor* d = decompressor.object;
    const Endpoint input{source.descriptor(), false};
    const Endpoint output{target.descriptor(), true};
    const int error = d->decompress(d, nameOf(input), nameOf(output));
    Outcome outcome = system.outcomeOf(error);
    written = system.written;
    // libmspack ends quietly where a truncated file ends; only the length in
    // the header tells that something is missing.
    if (outcome.ok() && written != header.targetSize)
        outcome = failed(Failure::Damaged, winerr::INVALID_DATA);
    return outcome;
}

Outcome expandCabinet(const SourceFile& source, PendingTarget& target, std::uint64_t& written) {
    MspackSystem system;
    CabDecompressor decompressor{mspack_create_cab_decompressor(&system)};
    if (!decompressor.object)
        return failed(Failure::Memory, winerr::NOT_ENOUGH_MEMORY);
    mscab_decompressor* d = decompressor.object;
    const Endpoint input{source.descriptor(), false};
    OpenCabinet open{d, d->open(d, nameOf(input))};
    if (!open.cabinet)
        return system.outcomeOf(d->last_error(d));
    // Which of several files the caller meant is not known here.
    if (countFiles(open.cabinet) != 1)
        return failed(Failure::NotSupported, winerr::NOT_SUPPORTED);
    const Endpoint output{target.descriptor(), true};
    const int error = d->extract(d, open.cabinet->files, nameOf(output));
    Outcome outcome = system.outcomeOf(error);
    written = system.written;
    if (outcome.ok() && written != open.cabinet->files->length)
        outcome = failed(Failure::Damaged, winerr::INVALID_DATA);
    return outcome;
}

Outcome copyPlain(const SourceFile& source, PendingTarget& target, std::uint64_t& written) {
    std::vector<unsigned char> buffer(IO_CHUNK);
    written = 0;
    for (;;) {
        int error = 0;
        const std::int64_t got =
            readAt(source.descriptor(), buffer.data(), buffer.size(), written, error);
        if (got < 0)
            return failed(Failure::Read, error);
        if (got == 0)
            return Outcome{};
        if (!writeAllAt(target.descriptor(), buffer.data(), static_cast<size_t>(got), written,
                        error))
            return failed(Failure::Write, error);
        written += static_cast<std::uint64_t>(got);
    }
}

} // namespace

bool libraryUsable() {
    static const bool usable = [] {
        int result = MSPACK_ERR_OK;
        MSPACK_SYS_SELFTEST(result);
        return result == MSPACK_ERR_OK;
    }();
    return usable;
}

Outcome readHeader(const SourceFile& source, bool withCabinets, Header& header) {
    header = Header{};
    header.sourceSize = source.size();
    header.targetSize = source.size();
    unsigned char bytes[SZDD_HEADER_SIZE] = {};
    int error = 0;
    const std::int64_t got = readAt(source.descriptor(), bytes, sizeof bytes, 0, error);
    if (got < 0)
        return failed(Failure::Read, error);
    const auto size = static_cast<size_t>(got);
    if (size >= 4 && std::memcmp(bytes, SZDD_SIGNATURE, 4) == 0)
        return readSzddHeader(bytes, size, header);
    if (withCabinets && size >= 4 && std::memcmp(bytes, CABINET_SIGNATURE, 4) == 0)
        return readCabinetHeader(source, header);
    return Outcome{};
}

Outcome expand(const SourceFile& source, const Header& header, PendingTarget& target,
               std::uint64_t& written) {
    written = 0;
    if (!target.isOpen())
        return failed(Failure::Write, winerr::INVALID_HANDLE);
    switch (header.format) {
    case Format::Szdd:
        return expandSzdd(source, header, target, written);
    case Format::Cabinet:
        return expandCabinet(source, target, written);
    case Format::Plain:
        break;
    }
    return copyPlain(source, target, written);
}

} // namespace posix::expand
