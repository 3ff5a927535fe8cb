#include "ExpandFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "../WinError.h"
#include "NativePath.h"

namespace posix::expand {
namespace {

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

std::int64_t readAt(int fd, void* buffer, size_t size, std::uint64_t offset, int& error) {
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
        folderEntriesChanged();
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

} // namespace posix::expand

namespace platform {

void setExpandFaults(const ExpandFaults& faults) {
    posix::expand::faultState() = {faults, 0};
}

long expandFileCalls() {
    return posix::expand::faultState().calls;
}

} // namespace platform
