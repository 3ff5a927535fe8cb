#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "NativePath.h"

namespace posix {
namespace {

bool writeAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// Makes the rename itself durable.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string parentFolder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return EACCES;
    }
    bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            error = errno;
        if (got <= 0)
            break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return error;
}

int replaceFile(const std::string& path, const std::string& bytes) {
    const std::string folder = parentFolder(path);
    std::string temporary = folder + "/." + baseName(path) + ".XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat old;
    if (::stat(path.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only a privileged writer can give the file back to its owner.
        }
    } else {
        ::fchmod(fd, 0644);
    }
    int error = writeAll(fd, bytes) && ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncFolder(folder);
    folderEntriesChanged();
    return 0;
}

int makeFolders(const std::string& folder) {
    struct stat info;
    if (folder.empty() || ::stat(folder.c_str(), &info) == 0)
        return 0;
    const std::string parent = parentFolder(folder);
    if (parent != folder) {
        if (const int error = makeFolders(parent))
            return error;
    }
    return ::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST ? 0 : errno;
}

FileLock::FileLock(const std::string& path) {
    // flock needs no write access, so a read-only lock file still locks.
    m_fd = ::open((path + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_error = errno;
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace posix
