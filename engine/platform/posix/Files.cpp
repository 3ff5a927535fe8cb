#include "../Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "NativePath.h"

namespace platform {

std::FILE* openFile(const CStdStr& path, const char* mode) {
    if (path.empty())
        return nullptr;
    std::FILE* file = std::fopen(posix::toNative(path).c_str(), mode);
    if (file && mode[0] != 'r')
        posix::folderEntriesChanged();
    struct stat info;
    // Windows refuses to open a folder as a file; the C library here would not.
    if (file && ::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

bool appendToLogFile(const CStdStr& path, const char* data, size_t size) {
    // Every line opens the log again; the name it was found under serves the next lines.
    thread_local CStdStr lastPath;
    thread_local std::string lastNative;
    const bool known = !lastPath.empty() && path == lastPath;
    const std::string native = known ? lastNative : posix::toNative(path);
    // O_NONBLOCK keeps a planted FIFO from stalling the run; O_NOFOLLOW keeps a
    // planted link from redirecting the append.
    const int fd = ::open(
        native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (!known) {
        posix::folderEntriesChanged();
        lastPath = path;
        lastNative = native;
    }
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    while (ok && size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0) {
            ok = false;
            break;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    ::close(fd);
    return ok;
}

bool pathExists(const CStdStr& path) {
    struct stat info;
    return !path.empty() && ::stat(posix::toNative(path).c_str(), &info) == 0;
}

CStdStr displayPath(const CStdStr& path) {
    return CStdStr(posix::toNativeLiteral(path));
}

CStdStr enginePath(const char* nativePath) {
    return posix::toEngine(nativePath ? nativePath : "");
}

} // namespace platform
