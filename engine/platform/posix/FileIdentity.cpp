#include "../FileIdentity.h"

#include <cerrno>
#include <sys/stat.h>

#include "../WinError.h"
#include "NativePath.h"

namespace platform {

int getFileIdentity(const CStdStr& path, FileIdentity& identity) {
    if (path.empty())
        return winerr::PATH_NOT_FOUND;
    struct stat info;
    if (::stat(posix::toNative(path).c_str(), &info) != 0)
        return posix::winErrorFromErrno(errno);
    identity.volume = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    return winerr::SUCCESS;
}

} // namespace platform
