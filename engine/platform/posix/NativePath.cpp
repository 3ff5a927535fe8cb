#include "NativePath.h"

#include <cerrno>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include "../WinError.h"

namespace posix {
namespace {

bool exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The entry of folder whose name equals wanted ignoring case; the first in
// byte order when several do, so the choice does not depend on the disk.
bool findIgnoringCase(const std::string& folder, const std::string& wanted, std::string& found) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    bool any = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (::strcasecmp(name.c_str(), wanted.c_str()) == 0 && (!any || name < found)) {
            found = name;
            any = true;
        }
    }
    ::closedir(dir);
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
