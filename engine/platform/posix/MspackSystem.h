#pragma once
// libmspack's system interface over our descriptors: reads and writes go
// through the counted file calls in large buffers, and the decoders' memory
// comes from a bounded budget.

#include <cstdint>
#include <mspack.h>

#include "ExpandFiles.h"

namespace posix::expand {

// What a "file name" handed to libmspack stands for: one of our descriptors.
struct Endpoint {
    int fd;
    bool writable;
};

inline const char* nameOf(const Endpoint& endpoint) {
    return reinterpret_cast<const char*>(&endpoint);
}

struct MspackSystem : mspack_system {
    MspackSystem();
    MspackSystem(const MspackSystem&) = delete;
    MspackSystem& operator=(const MspackSystem&) = delete;

    Outcome ioFailure; // the first file call that failed
    std::uint64_t written = 0;

    void recordFailure(Failure failure, int winError) {
        if (ioFailure.ok())
            ioFailure = failed(failure, winError);
    }
    // The outcome of a decoder call that returned mspackError.
    Outcome outcomeOf(int mspackError) const;
};

} // namespace posix::expand
