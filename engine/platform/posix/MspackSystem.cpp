#include "MspackSystem.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <vector>

#include "../WinError.h"

namespace posix::expand {
namespace {

// A write this large goes out as it is, without a copy (MSZIP: one 32 KB block).
constexpr size_t DIRECT_WRITE = 32 * 1024;

// The decoders' working memory is small (a few MB at most for any method),
// so a larger demand can only come from a damaged header.
constexpr size_t MEMORY_BUDGET = 64u * 1024 * 1024;

// Reads are served from a buffer and writes collected in one, so the
// decoders' small requests do not each become a system call.
struct Stream : mspack_file {
    MspackSystem* system;
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
        stream->system = static_cast<MspackSystem*>(self);
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
        const std::int64_t got =
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
    size_t size;
};

// The cabinet decoders allocate through a copy of the system that the cabinet
// reader makes (a plain mspack_system), so the allocator cannot reach the
// MspackSystem it was given; the budget is kept for the process instead.
std::atomic<size_t> g_memoryInUse{0};

void* memoryAlloc(mspack_system*, size_t bytes) {
    if (bytes > MEMORY_BUDGET - g_memoryInUse.load())
        return nullptr;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + bytes));
    if (!block)
        return nullptr;
    block->size = bytes;
    g_memoryInUse += bytes;
    return block + 1;
}

void memoryFree(void* memory) {
    if (!memory)
        return;
    Block* block = static_cast<Block*>(memory) - 1;
    g_memoryInUse -= block->size;
    std::free(block);
}

void memoryCopy(void* from, void* to, size_t bytes) {
    std::memcpy(to, from, bytes);
}

} // namespace

MspackSystem::MspackSystem() : mspack_system{} {
    open = streamOpen;
    close = streamClose;
    read = streamRead;
    write = streamWrite;
    seek = streamSeek;
    tell = streamTell;
    message = streamMessage;
    alloc = memoryAlloc;
    free = memoryFree;
    copy = memoryCopy;
    null_ptr = nullptr;
}

Outcome MspackSystem::outcomeOf(int mspackError) const {
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

} // namespace posix::expand
