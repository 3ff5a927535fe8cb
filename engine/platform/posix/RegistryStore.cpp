#include "RegistryStore.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <pwd.h>
#include <unistd.h>

#include "../../DebugLog.h"
#include "../WinError.h"
#include "AtomicFile.h"
#include "NativePath.h"
#include "RegistryDefaults.h"

namespace posix {
namespace {

const char* const kSource = ".\\RegistryStore.cpp";

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

// A file that follows a symbolic link is replaced where the link points.
std::string resolveLink(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// What was last said about each store file, so each problem is logged once
// into a named log (lines before the log has a name are lost, so those do
// not count).
std::map<std::string, std::string>& reported() {
    static std::map<std::string, std::string> said;
    return said;
}

void reportOnce(const std::string& path, const CStdStr& message) {
    const auto said = reported().find(path);
    if (said != reported().end() && said->second == message)
        return;
    KENDRY_LOG(kSource, "RegistryStore::load", LOG_ERROR, "%s", message.c_str());
    if (!theDebugLog.fileName().empty())
        reported()[path] = message;
}

void forget(const std::string& path) {
    reported().erase(path);
}

// The nearest folder above the path that exists.
std::string existingFolder(std::string path) {
    do {
        path = parentFolder(path);
    } while (path != "/" && path != "." && ::access(path.c_str(), F_OK) != 0);
    return path;
}

} // namespace

const char16_t* rootName(RegRoot root) {
    switch (root) {
    case RegRoot::CurrentUser:
        return u"HKEY_CURRENT_USER";
    case RegRoot::Users:
        return u"HKEY_USERS";
    case RegRoot::CurrentConfig:
        return u"HKEY_CURRENT_CONFIG";
    case RegRoot::LocalMachine:
        break;
    }
    return u"HKEY_LOCAL_MACHINE";
}

std::string registryStorePath(RegRoot root) {
    const char* named = std::getenv("KENDRY_REGISTRY");
    if (named && *named)
        return named;
    if (root != RegRoot::CurrentUser)
        return "/var/lib/kendry/registry.reg";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config) + "/kendry/user.reg";
    return homeFolder() + "/.config/kendry/user.reg";
}

RegistryStore::RegistryStore(RegRoot root)
    : m_root(root), m_path(resolveLink(registryStorePath(root))) {}

std::u16string RegistryStore::fullKey(const std::u16string& path) const {
    return canonicalKey(std::u16string(rootName(m_root)) + u"\\" + path);
}

bool RegistryStore::isRoot(const std::u16string& path) const {
    return canonicalKey(path).empty();
}

// A missing file is an empty store; one that cannot be read or parsed reads
// as empty too, and says so once.
int RegistryStore::load(RegFile& file) const {
    file = RegFile();
    std::string bytes;
    const int readError = readWholeFile(m_path, bytes);
    if (readError == ENOENT || readError == ENOTDIR) {
        forget(m_path);
        return 0;
    }
    if (readError != 0) {
        const int error = winErrorFromErrno(readError);
        reportOnce(m_path, CStdStr::Formatted("registry store %s cannot be read (error %d); it "
                                              "reads as empty.",
                                              m_path.c_str(), error));
        return error;
    }
    std::string problem;
    if (!file.parse(bytes, problem)) {
        file = RegFile();
        reportOnce(m_path, CStdStr::Formatted("registry store %s cannot be parsed: %s. It reads "
                                              "as empty and is not written.",
                                              m_path.c_str(), problem.c_str()));
        return winerr::BADDB;
    }
    if (file.unreadableLines() == 0)
        forget(m_path);
    else
        reportOnce(m_path, CStdStr::Formatted("registry store %s: %d line(s) cannot be read and "
                                              "are ignored, the first is line %d.",
                                              m_path.c_str(), file.unreadableLines(),
                                              file.firstUnreadableLine()));
    return 0;
}

int RegistryStore::keyExists(const std::u16string& path) const {
    if (isRoot(path))
        return 0;
    RegFile file;
    load(file);
    const std::u16string key = fullKey(path);
    return file.hasKey(key) || hasDefaultKey(key) ? 0 : winerr::FILE_NOT_FOUND;
}

int RegistryStore::canWrite() const {
    if (::access(m_path.c_str(), F_OK) == 0 && ::access(m_path.c_str(), W_OK) != 0)
        return winerr::ACCESS_DENIED;
    const std::string folder = existingFolder(m_path);
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : winerr::ACCESS_DENIED;
}

int RegistryStore::queryValue(const std::u16string& path, const std::u16string& name,
                              RegData& data) const {
    RegFile file;
    load(file);
    const std::u16string key = fullKey(path);
    const RegData* found = file.findValue(key, name);
    if (!found)
        found = findDefaultValue(key, name);
    if (!found)
        return winerr::FILE_NOT_FOUND;
    data = *found;
    return 0;
}

int RegistryStore::setValue(const std::u16string& path, const std::u16string& name,
                            const RegData& data) const {
    if (const int error = makeFolders(parentFolder(m_path)))
        return winErrorFromErrno(error);
    const FileLock lock(m_path);
    if (lock.error() != 0)
        return winErrorFromErrno(lock.error());
    RegFile file;
    if (const int error = load(file))
        return error;
    const std::u16string key = fullKey(path);
    if (!isRoot(path) && !file.hasKey(key) && !hasDefaultKey(key))
        return winerr::KEY_DELETED;
    if (!file.setValue(key, name, data))
        return winerr::INVALID_PARAMETER;
    return winErrorFromErrno(replaceFile(m_path, file.serialize()));
}

} // namespace posix
