#include "../FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../FaultInjection.h"
#include "../WinError.h"
#include "NativePath.h"

namespace platform {
namespace {

bool isSeparator(char ch) {
    return ch == '\\' || ch == '/';
}

bool isNetworkPath(const CStdStr& path) {
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

bool isNetworkPath(const CStdStr& first, const CStdStr& second) {
    return isNetworkPath(first) || isNetworkPath(second);
}

std::string parentOf(const std::string& native) {
    std::string path = native;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isFolder(const std::string& native) {
    struct stat info;
    return ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Windows tells a missing last component (FILE_NOT_FOUND) from a missing
// folder on the way (PATH_NOT_FOUND).
int errorFor(int error, const std::string& native) {
    if (error == ENOENT)
        return isFolder(parentOf(native)) ? winerr::FILE_NOT_FOUND : winerr::PATH_NOT_FOUND;
    return posix::winErrorFromErrno(error);
}

std::uint64_t toFileTime(const timespec& when) {
    // Seconds from 1601-01-01 to 1970-01-01.
    constexpr long long epochOffset = 11644473600LL;
    if (when.tv_sec < -epochOffset)
        return 0;
    return static_cast<std::uint64_t>(when.tv_sec + epochOffset) * 10000000ULL +
           static_cast<std::uint64_t>(when.tv_nsec / 100);
}

CStdStr joinEngine(const CStdStr& folder, const std::string& name) {
    if (folder.empty() || isSeparator(folder.back()))
        return folder + name;
    return folder + "\\" + name;
}

// A different starting number per process makes collisions between
// installers running side by side rare; each is still resolved by O_EXCL.
unsigned nextTempNumber() {
    static std::atomic<unsigned> counter{static_cast<unsigned>(std::time(nullptr)) ^
                                         static_cast<unsigned>(::getpid() << 4)};
    return counter.fetch_add(1, std::memory_order_relaxed);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    // Gives up the descriptor without closing it.
    void release() { m_fd = -1; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// One copy in progress: the temporary it writes is removed unless the copy
// completes and renames it over the destination.
class CopyJob {
public:
    CopyJob(const CStdStr& source, const CStdStr& destination)
        : m_source(source), m_destination(destination), m_sourceNative(posix::toNative(source)),
          m_destinationNative(posix::toNative(destination)) {}
    ~CopyJob() {
        if (!m_temporary.empty())
            ::unlink(m_temporary.c_str());
    }
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    int run() {
        int error = 0;
        if ((error = openSource()) || (error = checkDestination()) || (error = createTemporary()) ||
            (error = transfer()) || (error = copyMetadata()) || (error = replaceDestination()))
            return error;
        return 0;
    }

private:
    int step() { return injectedFault(FileOperation::CopyStep, m_source, m_destination); }

    int openSource() {
        if (int error = step())
            return error;
        // O_NONBLOCK keeps a FIFO at the source from stalling the open.
        m_in.reset(::open(m_sourceNative.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (m_in.get() < 0)
            return errorFor(errno, m_sourceNative);
        if (::fstat(m_in.get(), &m_sourceInfo) != 0)
            return posix::winErrorFromErrno(errno);
        if (!S_ISREG(m_sourceInfo.st_mode))
            return winerr::ACCESS_DENIED;
        ::fcntl(m_in.get(), F_SETFL, O_RDONLY);
        // Read-ahead advice pays only for files larger than one read.
        if (m_sourceInfo.st_size > kAdviseFrom)
            ::posix_fadvise(m_in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        return 0;
    }

    int checkDestination() {
        if (int error = step())
            return error;
        struct stat info;
        // A missing folder shows when the temporary cannot be created.
        if (::lstat(m_destinationNative.c_str(), &info) != 0)
            return errno == ENOENT ? 0 : errorFor(errno, m_destinationNative);
        // Replacing would succeed here whoever owns the file; Windows refuses
        // to overwrite a read-only file or a folder.
        if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR)))
            return winerr::ACCESS_DENIED;
        return 0;
    }

    int createTemporary() {
        if (int error = step())
            return error;
        std::string name = parentOf(m_destinationNative) + "/.kendry-copy-XXXXXX";
        m_out.reset(::mkostemp(&name[0], O_CLOEXEC));
        if (m_out.get() < 0)
            return errno == ENOENT ? winerr::PATH_NOT_FOUND : posix::winErrorFromErrno(errno);
        m_temporary = name;
        return 0;
    }

    int transfer() {
        int error = 0;
        bool fallBack = false;
        if ((error = copyWith(&CopyJob::copyRange, true, fallBack)) || !fallBack)
            return error;
        if ((error = copyWith(&CopyJob::sendFile, true, fallBack)) || !fallBack)
            return error;
        return copyWith(&CopyJob::readWrite, false, fallBack);
    }

    // Calls the transfer until the source ends; fallBack is set when the
    // kernel cannot do it this way for these files. The file offsets carry
    // the progress over to the next way.
    int copyWith(ssize_t (CopyJob::*transferBlock)(), bool offload, bool& fallBack) {
        fallBack = false;
        bool copiedAny = false;
        for (;;) {
            if (int error = step())
                return error;
            if (offload && injectedFault(FileOperation::CopyOffload, m_source, m_destination)) {
                fallBack = true;
                return 0;
            }
            const ssize_t copied = (this->*transferBlock)();
            if (copied > 0) {
                copiedAny = true;
                continue;
            }
            // Files of some file systems (/proc) look empty to the offload,
            // whatever their size says; the buffer reads what is really there.
            if (copied == 0) {
                fallBack = offload && !copiedAny;
                return 0;
            }
            if (errno == EINTR)
                continue;
            if (offload && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                            errno == EOPNOTSUPP || errno == EBADF)) {
                fallBack = true;
                return 0;
            }
            return errno == ENOSPC || errno == EFBIG || errno == EDQUOT
                       ? winerr::DISK_FULL
                       : posix::winErrorFromErrno(errno);
        }
    }

    static constexpr size_t kBlock = size_t(1) << 30;
    static constexpr size_t kBufferSize = size_t(1) << 20;
    static constexpr off_t kAdviseFrom = off_t(1) << 20;

    ssize_t copyRange() {
        return ::copy_file_range(m_in.get(), nullptr, m_out.get(), nullptr, kBlock, 0);
    }
    ssize_t sendFile() { return ::sendfile(m_out.get(), m_in.get(), nullptr, kBlock); }
    ssize_t readWrite() {
        if (!m_buffer)
            m_buffer.reset(new char[kBufferSize]);
        const ssize_t got = ::read(m_in.get(), m_buffer.get(), kBufferSize);
        if (got <= 0)
            return got;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(m_out.get(), m_buffer.get() + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = EIO;
                return -1;
            }
            done += put;
        }
        return got;
    }

    // Windows keeps the last-write time and the attributes; set-user and
    // set-group bits are not carried over, an installed file should not gain
    // privileges by being copied.
    int copyMetadata() {
        if (int error = step())
            return error;
        if (::fchmod(m_out.get(), m_sourceInfo.st_mode & 0777) != 0)
            return posix::winErrorFromErrno(errno);
        if (int error = step())
            return error;
        const timespec times[2] = {m_sourceInfo.st_atim, m_sourceInfo.st_mtim};
        if (::futimens(m_out.get(), times) != 0)
            return posix::winErrorFromErrno(errno);
        return 0;
    }

    // The rename replaces the name: a link at the destination is not followed
    // and a running program there keeps its old file.
    int replaceDestination() {
        if (int error = step())
            return error;
        if (::close(m_out.get()) != 0) {
            m_out.release();
            return errno == ENOSPC || errno == EDQUOT ? winerr::DISK_FULL
                                                      : posix::winErrorFromErrno(errno);
        }
        m_out.release();
        if (::rename(m_temporary.c_str(), m_destinationNative.c_str()) != 0)
            return errorFor(errno, m_destinationNative);
        m_temporary.clear();
        return 0;
    }

    CStdStr m_source;
    CStdStr m_destination;
    std::string m_sourceNative;
    std::string m_destinationNative;
    std::string m_temporary;
    FileDescriptor m_in;
    FileDescriptor m_out;
    struct stat m_sourceInfo = {};
    std::unique_ptr<char[]> m_buffer;
};

int moveAcrossDevices(const CStdStr& source, const CStdStr& destination,
                      const std::string& sourceNative) {
    struct stat info;
    if (::lstat(sourceNative.c_str(), &info) != 0)
        return errorFor(errno, sourceNative);
    if (!S_ISREG(info.st_mode))
        return winerr::NOT_SAME_DEVICE;
    if (int error = copyFile(source, destination))
        return error;
    if (::unlink(sourceNative.c_str()) != 0)
        return posix::winErrorFromErrno(errno);
    return 0;
}

bool sameEntry(const std::string& first, const std::string& second) {
    struct stat a, b;
    return ::lstat(first.c_str(), &a) == 0 && ::lstat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What every operation checks first: an injected fault, then the names no
// operation can act on.
// Marks the end of an operation that changes a folder's entries, whichever way it ends.
struct EntriesChange {
    EntriesChange() = default;
    EntriesChange(const EntriesChange&) = delete;
    EntriesChange& operator=(const EntriesChange&) = delete;
    ~EntriesChange() { posix::folderEntriesChanged(); }
};

int checkPath(FileOperation operation, const CStdStr& path,
              int emptyError = winerr::PATH_NOT_FOUND) {
    if (int error = injectedFault(operation, path))
        return error;
    if (path.empty())
        return emptyError;
    return isNetworkPath(path) ? winerr::BAD_NETPATH : 0;
}

int checkPaths(FileOperation operation, const CStdStr& source, const CStdStr& destination) {
    if (int error = injectedFault(operation, source, destination))
        return error;
    if (source.empty() || destination.empty())
        return winerr::PATH_NOT_FOUND;
    return isNetworkPath(source, destination) ? winerr::BAD_NETPATH : 0;
}

} // namespace

int getTempFileName(const CStdStr& folder, const CStdStr& prefix, CStdStr& created) {
    const EntriesChange change;
    created.clear();
    if (int error = checkPath(FileOperation::TempFileName, folder))
        return error;
    const std::string native = posix::toNative(folder);
    struct stat info;
    if (native.empty() || ::stat(native.c_str(), &info) != 0)
        return winerr::PATH_NOT_FOUND;
    if (!S_ISDIR(info.st_mode))
        return winerr::DIRECTORY;
    const std::string stem = prefix.substr(0, 3);
    // Windows numbers with 16 bits and never uses 0.
    for (unsigned tries = 0; tries < 0xFFFF; ++tries) {
        const unsigned number = nextTempNumber() % 0xFFFF + 1;
        char name[32];
        std::snprintf(name, sizeof name, "%s%X.tmp", stem.c_str(), number);
        const std::string path = native + (native.back() == '/' ? "" : "/") + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            created = joinEngine(folder, name);
            return 0;
        }
        if (errno != EEXIST)
            return posix::winErrorFromErrno(errno);
    }
    return winerr::FILE_EXISTS;
}

int getCurrentDirectory(CStdStr& folder) {
    std::string buffer(256, '\0');
    while (!::getcwd(&buffer[0], buffer.size())) {
        if (errno != ERANGE)
            return posix::winErrorFromErrno(errno);
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    folder = posix::toEngine(buffer);
    return 0;
}

int setCurrentDirectory(const CStdStr& folder) {
    if (int error = checkPath(FileOperation::SetCurrentDirectory, folder, winerr::INVALID_NAME))
        return error;
    const std::string native = posix::toNative(folder);
    if (::chdir(native.c_str()) == 0)
        return 0;
    if (errno == ENOTDIR) {
        std::string withoutSlash = native;
        while (withoutSlash.size() > 1 && withoutSlash.back() == '/')
            withoutSlash.pop_back();
        struct stat info;
        const bool isFile = ::stat(withoutSlash.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
        return isFile ? winerr::DIRECTORY : winerr::PATH_NOT_FOUND;
    }
    return errorFor(errno, native);
}

int createDirectory(const CStdStr& path) {
    const EntriesChange change;
    if (int error = checkPath(FileOperation::CreateDirectory, path))
        return error;
    const std::string native = posix::toNative(path);
    if (::mkdir(native.c_str(), 0777) == 0)
        return 0;
    return errno == ENOENT ? winerr::PATH_NOT_FOUND : posix::winErrorFromErrno(errno);
}

std::uint32_t getFileAttributes(const CStdStr& path) {
    struct stat info;
    if (path.empty() || isNetworkPath(path))
        return INVALID_FILE_ATTRIBUTES;
    // Asked for every file of a copy: the path as written is tried before any lookup.
    std::string native = posix::toNativeLiteral(path);
    if (::lstat(native.c_str(), &info) != 0) {
        const std::string found = posix::resolveMissing(native);
        if (found == native || ::lstat(found.c_str(), &info) != 0)
            return INVALID_FILE_ATTRIBUTES;
        native = found;
    }
    if (S_ISLNK(info.st_mode))
        return FILE_ATTR_REPARSE_POINT | (isFolder(native) ? FILE_ATTR_DIRECTORY : 0);
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTR_DIRECTORY;
    if (!(info.st_mode & S_IWUSR))
        attributes |= FILE_ATTR_READONLY;
    return attributes == 0 ? FILE_ATTR_NORMAL : attributes;
}

int setFileAttributes(const CStdStr& path, std::uint32_t attributes) {
    if (int error = checkPath(FileOperation::SetFileAttributes, path))
        return error;
    const std::string native = posix::toNative(path);
    struct stat info;
    if (::lstat(native.c_str(), &info) != 0)
        return errorFor(errno, native);
    if (S_ISLNK(info.st_mode))
        return 0;
    mode_t mode = info.st_mode & 07777;
    if (attributes & FILE_ATTR_READONLY)
        mode &= ~mode_t(0222);
    else
        mode |= S_IWUSR;
    if (mode == (info.st_mode & 07777))
        return 0;
    // Not following a link that appeared since the check.
    return ::fchmodat(AT_FDCWD, native.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0
               ? 0
               : posix::winErrorFromErrno(errno);
}

int getLastWriteTime(const CStdStr& path, std::uint64_t& fileTime) {
    fileTime = 0;
    if (int error = checkPath(FileOperation::FileTime, path))
        return error;
    const std::string native = posix::toNative(path);
    struct stat info;
    if (::stat(native.c_str(), &info) != 0)
        return errorFor(errno, native);
    if (S_ISDIR(info.st_mode))
        return winerr::ACCESS_DENIED;
    fileTime = toFileTime(info.st_mtim);
    return 0;
}

int compareFileTime(std::uint64_t first, std::uint64_t second) {
    return first < second ? -1 : (first > second ? 1 : 0);
}

int copyFile(const CStdStr& source, const CStdStr& destination) {
    const EntriesChange change;
    if (int error = checkPaths(FileOperation::CopyFile, source, destination))
        return error;
    return CopyJob(source, destination).run();
}

int moveFile(const CStdStr& source, const CStdStr& destination) {
    const EntriesChange change;
    if (int error = checkPaths(FileOperation::MoveFile, source, destination))
        return error;
    const std::string sourceNative = posix::toNative(source);
    std::string destinationNative = posix::toNative(destination);
    // A new spelling of the same name is a rename Windows allows.
    if (sameEntry(sourceNative, destinationNative))
        destinationNative = posix::toNativeLiteral(destination);
    if (::renameat2(AT_FDCWD, sourceNative.c_str(), AT_FDCWD, destinationNative.c_str(),
                    RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without no-replace renames: check, then rename.
        struct stat info;
        if (::lstat(destinationNative.c_str(), &info) == 0 &&
            !sameEntry(sourceNative, destinationNative))
            return winerr::ALREADY_EXISTS;
        if (::rename(sourceNative.c_str(), destinationNative.c_str()) == 0)
            return 0;
        error = errno;
    }
    if (error == EXDEV)
        return moveAcrossDevices(source, destination, sourceNative);
    // The source is there: the destination's folder is what is missing.
    if (error == ENOENT && ::access(sourceNative.c_str(), F_OK) == 0)
        return winerr::PATH_NOT_FOUND;
    return errorFor(error, sourceNative);
}

int deleteFile(const CStdStr& path) {
    const EntriesChange change;
    if (int error = checkPath(FileOperation::DeleteFile, path))
        return error;
    const std::string native = posix::toNative(path);
    struct stat info;
    if (::lstat(native.c_str(), &info) != 0)
        return errorFor(errno, native);
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR)))
        return winerr::ACCESS_DENIED;
    return ::unlink(native.c_str()) == 0 ? 0 : errorFor(errno, native);
}

int removeDirectory(const CStdStr& path) {
    const EntriesChange change;
    if (int error = checkPath(FileOperation::RemoveDirectory, path))
        return error;
    const std::string native = posix::toNative(path);
    if (::rmdir(native.c_str()) == 0)
        return 0;
    if (errno == ENOTEMPTY || errno == EEXIST)
        return winerr::DIR_NOT_EMPTY;
    if (errno == ENOTDIR && !isFolder(native) && ::access(native.c_str(), F_OK) == 0)
        return winerr::DIRECTORY;
    return errorFor(errno, native);
}

int moveFileAtRestart(const CStdStr&, const CStdStr&) {
    return winerr::NOT_SUPPORTED;
}

int getShortPathName(const CStdStr& path, CStdStr& shortPath) {
    shortPath.clear();
    if (isNetworkPath(path))
        return winerr::BAD_NETPATH;
    const std::string native = posix::toNative(path);
    struct stat info;
    if (path.empty())
        return winerr::PATH_NOT_FOUND;
    if (::lstat(native.c_str(), &info) != 0)
        return errorFor(errno, native);
    shortPath = path;
    return 0;
}

} // namespace platform
