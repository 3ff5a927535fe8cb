#include "ExpandIo.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <mspack.h>
#include <new>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "../SetupApi.h"
#include "../WinError.h"
#include "NativePath.h"

namespace posix::expand {
namespace {

// ---- Test seam ------------------------------------------------------------

struct FaultState {
    platform::ExpandFaults faults;
    long calls = 0;
};

FaultState& faultState() {
    static FaultState state;
    return state;
}

// Counts one file call; true (with the error) when the seam makes it fail.
bool injectedFailure(int& error) {
    FaultState& state = faultState();
    ++state.calls;
    if (state.faults.failFileCall > 0 && state.calls == state.faults.failFileCall) {
        error = state.faults.failError;
        return true;
    }
    return false;
}

Outcome failed(Failure failure, int winError) {
    return Outcome{failure, winError};
}

// ---- Counted file calls ---------------------------------------------------

constexpr size_t IO_CHUNK = 256 * 1024;
constexpr size_t DIRECT_WRITE = 32 * 1024;

// Reads up to size bytes at offset; the count (0 at the end), or -1 with error set.
ssize_t readAt(int fd, void* buffer, size_t size, std::uint64_t offset, int& error) {
    if (injectedFailure(error))
        return -1;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            error = winErrorFromErrno(errno);
            return -1;
        }
    }
}

bool writeAllAt(int fd, const unsigned char* data, size_t size, std::uint64_t offset, int& error) {
    if (injectedFailure(error))
        return false;
    while (size > 0) {
        const ssize_t put = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            error = put < 0 ? winErrorFromErrno(errno) : winerr::DISK_FULL;
            return false;
        }
        data += put;
        size -= static_cast<size_t>(put);
        offset += static_cast<std::uint64_t>(put);
    }
    return true;
}

// ---- libmspack's system interface -----------------------------------------

// What a "file name" handed to libmspack stands for: one of our descriptors.
struct Endpoint {
    int fd;
    bool writable;
};

const char* nameOf(const Endpoint& endpoint) {
    return reinterpret_cast<const char*>(&endpoint);
}

// The decoders' working memory is small (a few MB at most for any method),
// so a larger demand can only come from a damaged header.
constexpr size_t MEMORY_BUDGET = 64u * 1024 * 1024;

struct System : mspack_system {
    size_t memoryInUse = 0;
    Outcome ioFailure; // the first file call that failed
    std::uint64_t written = 0;

    void recordFailure(Failure failure, int winError) {
        if (ioFailure.ok())
            ioFailure = failed(failure, winError);
    }
    Outcome outcomeOf(int mspackError) const;
};

// Reads are served from a buffer and writes collected in one, so the
// decoders' small requests do not each become a system call.
struct Stream : mspack_file {
    System* system;
    Endpoint endpoint;
    std::uint64_t position = 0; // where the next read or write goes
    std::vector<unsigned char> buffer;
    std::uint64_t bufferOffset = 0; // file offset of buffer[0] (reads)
    size_t buffered = 0;            // valid bytes (reads) or pending bytes (writes)

    bool flush() {
        if (!endpoint.writable || buffered == 0)
            return true;
        int error = 0;
        const bool ok = writeAllAt(endpoint.fd, buffer.data(), buffered, position, error);
        if (!ok)
            system->recordFailure(Failure::Write, error);
        position += buffered;
        buffered = 0;
        return ok;
    }
};

mspack_file* streamOpen(mspack_system* self, const char* name, int mode) {
    const auto* endpoint = reinterpret_cast<const Endpoint*>(name);
    const bool wantsWrite = mode != MSPACK_SYS_OPEN_READ;
    if (!endpoint || wantsWrite != endpoint->writable)
        return nullptr;
    // No exception may cross back into libmspack's C code.
    try {
        auto stream = std::make_unique<Stream>();
        stream->system = static_cast<System*>(self);
        stream->endpoint = *endpoint;
        stream->buffer.resize(IO_CHUNK);
        return stream.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void streamClose(mspack_file* file) {
    auto* stream = static_cast<Stream*>(file);
    stream->flush();
    delete stream;
}

int streamRead(mspack_file* file, void* out, int bytes) {
    auto* stream = static_cast<Stream*>(file);
    if (bytes < 0 || stream->endpoint.writable)
        return -1;
    auto* target = static_cast<unsigned char*>(out);
    size_t done = 0;
    const auto wanted = static_cast<size_t>(bytes);
    while (done < wanted) {
        const std::uint64_t at = stream->position;
        if (at >= stream->bufferOffset && at < stream->bufferOffset + stream->buffered) {
            const size_t offset = static_cast<size_t>(at - stream->bufferOffset);
            const size_t take = std::min(wanted - done, stream->buffered - offset);
            std::memcpy(target + done, stream->buffer.data() + offset, take);
            done += take;
            stream->position += take;
            continue;
        }
        int error = 0;
        const ssize_t got =
            readAt(stream->endpoint.fd, stream->buffer.data(), stream->buffer.size(), at, error);
        if (got < 0) {
            stream->system->recordFailure(Failure::Read, error);
            return -1;
        }
        stream->bufferOffset = at;
        stream->buffered = static_cast<size_t>(got);
        if (got == 0)
            break;
    }
    return static_cast<int>(done);
}

int streamWrite(mspack_file* file, void* data, int bytes) {
    auto* stream = static_cast<Stream*>(file);
    if (bytes < 0 || !stream->endpoint.writable || !stream->system->ioFailure.ok())
        return -1;
    const auto* source = static_cast<const unsigned char*>(data);
    const auto size = static_cast<size_t>(bytes);
    if (size >= DIRECT_WRITE) {
        // A whole decoded block (MSZIP: 32 KB) goes out as it is, without a copy.
        int error = 0;
        if (!stream->flush())
            return -1;
        if (!writeAllAt(stream->endpoint.fd, source, size, stream->position, error)) {
            stream->system->recordFailure(Failure::Write, error);
            return -1;
        }
        stream->position += size;
    } else {
        if (stream->buffered + size > stream->buffer.size() && !stream->flush())
            return -1;
        std::memcpy(stream->buffer.data() + stream->buffered, source, size);
        stream->buffered += size;
    }
    stream->system->written += size;
    return bytes;
}

off_t streamTell(mspack_file* file) {
    const auto* stream = static_cast<const Stream*>(file);
    const std::uint64_t pending = stream->endpoint.writable ? stream->buffered : 0;
    return static_cast<off_t>(stream->position + pending);
}

int streamSeek(mspack_file* file, off_t offset, int mode) {
    auto* stream = static_cast<Stream*>(file);
    if (!stream->flush())
        return -1;
    off_t base = 0;
    if (mode == MSPACK_SYS_SEEK_CUR) {
        base = static_cast<off_t>(stream->position);
    } else if (mode == MSPACK_SYS_SEEK_END) {
        struct stat info;
        if (::fstat(stream->endpoint.fd, &info) != 0)
            return -1;
        base = info.st_size;
    } else if (mode != MSPACK_SYS_SEEK_START) {
        return -1;
    }
    if ((offset < 0 && base + offset < 0) ||
        (offset > 0 && base > std::numeric_limits<off_t>::max() - offset))
        return -1;
    stream->position = static_cast<std::uint64_t>(base + offset);
    return 0;
}

void streamMessage(mspack_file*, const char*, ...) {
    // The decoders' remarks add nothing to the error code they return.
}

struct alignas(std::max_align_t) Block {
    System* owner;
    size_t size;
};

void* memoryAlloc(mspack_system* self, size_t bytes) {
    auto* system = static_cast<System*>(self);
    if (bytes > MEMORY_BUDGET - system->memoryInUse)
        return nullptr;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + bytes));
    if (!block)
        return nullptr;
    block->owner = system;
    block->size = bytes;
    system->memoryInUse += bytes;
    return block + 1;
}

void memoryFree(void* memory) {
    if (!memory)
        return;
    Block* block = static_cast<Block*>(memory) - 1;
    block->owner->memoryInUse -= block->size;
    std::free(block);
}

void memoryCopy(void* from, void* to, size_t bytes) {
    std::memcpy(to, from, bytes);
}

System makeSystem() {
    System system;
    system.open = streamOpen;
    system.close = streamClose;
    system.read = streamRead;
    system.write = streamWrite;
    system.seek = streamSeek;
    system.tell = streamTell;
    system.message = streamMessage;
    system.alloc = memoryAlloc;
    system.free = memoryFree;
    system.copy = memoryCopy;
    system.null_ptr = nullptr;
    return system;
}

Outcome System::outcomeOf(int mspackError) const {
    if (!ioFailure.ok())
        return ioFailure;
    switch (mspackError) {
    case MSPACK_ERR_OK:
        return Outcome{};
    case MSPACK_ERR_NOMEMORY:
        return failed(Failure::Memory, winerr::NOT_ENOUGH_MEMORY);
    case MSPACK_ERR_WRITE:
        return failed(Failure::Write, winerr::WRITE_FAULT);
    default:
        // Without a failed file call, a read or seek error means the data
        // ended or pointed somewhere they should not.
        return failed(Failure::Damaged, winerr::INVALID_DATA);
    }
}

// ---- Formats --------------------------------------------------------------

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
    System system = makeSystem();
    CabDecompressor decompressor{mspack_create_cab_decompressor(&system)};
    if (!decompressor.object)
        return failed(Failure::Memory, winerr::NOT_ENOUGH_MEMORY);
    const Endpoint input{source.descriptor(), false};
    OpenCabinet open{decompressor.object,
                     decompressor.object->open(decompressor.object, nameOf(input))};
    if (!open.cabinet)
        return system.outcomeOf(decompressor.object->last_error(decompressor.object));
    header.format = Format::Cabinet;
    header.cabinetFiles = countFiles(open.cabinet);
    header.compressionType = isSingleFileMszip(open.cabinet) ? platform::FILE_COMPRESSION_MSZIP
                                                             : platform::FILE_COMPRESSION_NTCAB;
    header.targetSize = 0;
    for (const mscabd_file* file = open.cabinet->files; file; file = file->next)
        header.targetSize += file->length;
    return Outcome{};
}

Outcome expandSzdd(const SourceFile& source, const Header& header, PendingTarget& target,
                   std::uint64_t& written) {
    System system = makeSystem();
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
    System system = makeSystem();
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
        const ssize_t got =
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

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string temporaryNameIn(const std::string& folder) {
    static std::mt19937 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string name = folder == "/" ? "/" : folder + "/";
    name += ".~kx";
    for (int i = 0; i < 8; ++i)
        name += digits[generator() % 16];
    return name + ".tmp";
}

} // namespace

// ---- Public operations ----------------------------------------------------

const platform::ExpandFaults& currentFaults() {
    return faultState().faults;
}

SourceFile::~SourceFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

Outcome SourceFile::open(const CStdStr& enginePath) {
    if (enginePath.empty())
        return failed(Failure::Open, winerr::FILE_NOT_FOUND);
    int error = 0;
    if (injectedFailure(error))
        return failed(Failure::Open, error);
    // O_NONBLOCK keeps a FIFO at the path from stalling the open.
    const int fd = ::open(toNative(enginePath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failed(Failure::Open, winErrorFromErrno(errno));
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return failed(Failure::Open, winerr::ACCESS_DENIED);
    }
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(info.st_size);
    return Outcome{};
}

PendingTarget::~PendingTarget() {
    discard();
}

Outcome PendingTarget::create(const CStdStr& enginePath) {
    m_target = toNative(enginePath);
    if (m_target.empty() || m_target.back() == '/')
        return failed(Failure::Create, winerr::INVALID_NAME);
    int error = 0;
    if (injectedFailure(error))
        return failed(Failure::Create, error);
    const std::string folder = folderOf(m_target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryNameIn(folder);
        // O_EXCL and O_NOFOLLOW: the name is ours alone, whatever was planted.
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = name;
            return Outcome{};
        }
        if (errno != EEXIST) {
            const int cause = errno;
            return failed(Failure::Create,
                          cause == ENOENT ? winerr::PATH_NOT_FOUND : winErrorFromErrno(cause));
        }
    }
    return failed(Failure::Create, winerr::FILE_EXISTS);
}

Outcome PendingTarget::commit() {
    if (m_fd < 0)
        return failed(Failure::Write, winerr::INVALID_HANDLE);
    const int fd = m_fd;
    m_fd = -1;
    int error = 0;
    // close() is where some file systems report a failed write.
    if (::close(fd) != 0) {
        error = winErrorFromErrno(errno);
    } else if (!injectedFailure(error) && ::rename(m_temporary.c_str(), m_target.c_str()) == 0) {
        m_temporary.clear();
        return Outcome{};
    } else if (error == 0) {
        error = winErrorFromErrno(errno);
    }
    discard();
    return failed(Failure::Write, error);
}

void PendingTarget::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

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
    const ssize_t got = readAt(source.descriptor(), bytes, sizeof bytes, 0, error);
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

namespace platform {

void setExpandFaults(const ExpandFaults& faults) {
    posix::expand::faultState() = {faults, 0};
}

long expandFileCalls() {
    return posix::expand::faultState().calls;
}

} // namespace platform
