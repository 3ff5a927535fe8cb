#include "NativePath.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

#include "../WinError.h"

namespace posix {
namespace {

bool exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The names in a folder, as last read. A name about to be made is looked up several times
// before it exists, and one reading of its folder serves them all; a folder changed since
// (its identity or times differ) or a reading older than the lookups of one file is read
// again, so a name another program made is not missed for longer than that.
struct FolderListing {
    std::string folder;
    struct stat identity = {};
    std::chrono::steady_clock::time_point readAt;
    unsigned entryChanges = 0;
    std::vector<std::string> names;
};

constexpr std::chrono::milliseconds kListingLife(50);

std::atomic<unsigned> g_entryChanges{0};

bool sameState(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool stillCurrent(const FolderListing& listing, const std::string& path, unsigned changes,
                  std::chrono::steady_clock::time_point now) {
    if (listing.folder != path || listing.entryChanges != changes ||
        now - listing.readAt >= kListingLife)
        return false;
    struct stat current;
    return ::stat(path.c_str(), &current) == 0 && sameState(listing.identity, current);
}

const std::vector<std::string>* listFolder(const std::string& folder) {
    thread_local FolderListing last;
    const std::string path = folder.empty() ? "." : folder;
    const auto now = std::chrono::steady_clock::now();
    const unsigned changes = g_entryChanges.load(std::memory_order_relaxed);
    if (stillCurrent(last, path, changes, now))
        return &last.names;
    last.folder.clear();
    last.names.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return nullptr;
    // The state before reading: a change while reading makes the next lookup read again.
    const bool known = ::fstat(::dirfd(dir), &last.identity) == 0;
    while (const dirent* entry = ::readdir(dir))
        last.names.emplace_back(entry->d_name);
    ::closedir(dir);
    if (known) {
        last.folder = path;
        last.readAt = now;
        last.entryChanges = changes;
    }
    return &last.names;
}

// The entry of folder whose name equals wanted ignoring case; the first in
// byte order when several do, so the choice does not depend on the disk.
bool findIgnoringCase(const std::string& folder, const std::string& wanted, std::string& found) {
    const std::vector<std::string>* names = listFolder(folder);
    if (!names)
        return false;
    bool any = false;
    for (const std::string& name : *names) {
        if (::strcasecmp(name.c_str(), wanted.c_str()) == 0 && (!any || name < found)) {
            found = name;
            any = true;
        }
    }
    return any;
}

std::string resolveIgnoringCase(const std::string& path) {
    std::string resolved;
    size_t at = 0;
    if (!path.empty() && path[0] == '/') {
        resolved = "/";
        at = 1;
    }
    bool matching = true;
    while (at <= path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string component = path.substr(at, end - at);
        if (!component.empty()) {
            if (!resolved.empty() && resolved.back() != '/')
                resolved += '/';
            std::string found;
            const std::string candidate = resolved + component;
            if (matching && !exists(candidate) && component != "." && component != ".." &&
                findIgnoringCase(resolved, component, found)) {
                resolved += found;
            } else {
                matching = matching && exists(candidate);
                resolved += component;
            }
        }
        at = end + 1;
    }
    if (path.size() > 1 && path.back() == '/' && resolved.back() != '/')
        resolved += '/';
    return resolved;
}

} // namespace

std::string toNativeLiteral(const CStdStr& enginePath) {
    std::string path = enginePath;
    for (char& ch : path) {
        if (ch == '\\')
            ch = '/';
    }
    const bool hasDrive =
        path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (hasDrive) {
        path.erase(0, 2);
        if (path.empty() || path[0] != '/')
            path.insert(0, "/");
    }
    return path;
}

std::string toNative(const CStdStr& enginePath) {
    std::string path = toNativeLiteral(enginePath);
    if (path.empty() || exists(path))
        return path;
    return resolveMissing(path);
}

std::string resolveMissing(const std::string& path) {
    if (path.empty())
        return path;
    // Mostly only the last name is missing (a file about to be made): when its
    // folder exists as written, that name alone needs looking up.
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash + 1 < path.size()) {
        const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
        const std::string name = path.substr(slash + 1);
        if (name != "." && name != ".." && exists(folder)) {
            std::string found;
            if (!findIgnoringCase(folder, name, found))
                return path;
            return (folder == "/" ? folder : folder + "/") + found;
        }
    }
    return resolveIgnoringCase(path);
}

void folderEntriesChanged() {
    g_entryChanges.fetch_add(1, std::memory_order_relaxed);
}

CStdStr toEngine(const std::string& nativePath) {
    CStdStr path(nativePath);
    path.Replace('/', '\\');
    return path;
}

int winErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return winerr::SUCCESS;
    case ENOENT:
        return winerr::FILE_NOT_FOUND;
    case ENOTDIR:
        return winerr::PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:
        return winerr::ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return winerr::TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return winerr::NOT_ENOUGH_MEMORY;
    case EXDEV:
        return winerr::NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY:
        return winerr::SHARING_VIOLATION;
    case EEXIST:
        return winerr::ALREADY_EXISTS;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return winerr::DISK_FULL;
    case ENAMETOOLONG:
        return winerr::FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
        return winerr::DIR_NOT_EMPTY;
    case EINVAL:
        return winerr::INVALID_PARAMETER;
    case ENOEXEC:
        return winerr::BAD_EXE_FORMAT;
    case EIO:
        return winerr::READ_FAULT;
    case EPIPE:
        return winerr::BROKEN_PIPE;
    case EBADF:
        return winerr::INVALID_HANDLE;
    default:
        return winerr::GEN_FAILURE;
    }
}

} // namespace posix
