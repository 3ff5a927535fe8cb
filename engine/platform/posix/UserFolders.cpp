#include "UserFolders.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace posix {
namespace {

bool isAbsolute(const char* path) {
    return path && path[0] == '/';
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A path below a folder; the root does not double its slash.
std::string below(const std::string& folder, const std::string& tail) {
    return folder == "/" ? tail : folder + tail;
}

// An absolute folder from the environment, else the folder below home.
std::string fromEnvironmentOr(const char* variable, const char* belowHome) {
    const char* value = std::getenv(variable);
    if (isAbsolute(value))
        return withoutTrailingSlashes(value);
    const std::string home = homeFolder();
    return home.empty() ? std::string() : below(home, belowHome);
}

bool isFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The quoted value after the equals sign: "$HOME/..." or "/...", with
// backslash escapes; false for anything else, as the XDG tools skip it.
bool readQuotedFolder(const std::string& line, size_t at, const std::string& home,
                      std::string& folder) {
    if (at >= line.size() || line[at] != '"')
        return false;
    ++at;
    std::string value;
    if (line.compare(at, 5, "$HOME") == 0) {
        at += 5;
        if (at < line.size() && line[at] != '/' && line[at] != '"')
            return false;
        if (home.empty())
            return false;
        value = home == "/" ? std::string() : home;
    } else if (at >= line.size() || line[at] != '/') {
        return false;
    }
    for (; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size())
            ++at;
        value += line[at];
    }
    if (at >= line.size())
        return false;
    folder = value.empty() ? home : withoutTrailingSlashes(value);
    return true;
}

size_t skipBlanks(const std::string& line, size_t at) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    return at;
}

} // namespace

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (isAbsolute(home))
        return withoutTrailingSlashes(home);
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !isAbsolute(found->pw_dir))
        return std::string();
    return withoutTrailingSlashes(found->pw_dir);
}

std::string xdgConfigHome() {
    return fromEnvironmentOr("XDG_CONFIG_HOME", "/.config");
}

std::string xdgDataHome() {
    return fromEnvironmentOr("XDG_DATA_HOME", "/.local/share");
}

std::string parseXdgUserFolder(const std::string& text, const std::string& key,
                               const std::string& home) {
    const std::string name = "XDG_" + key + "_DIR";
    std::istringstream lines(text);
    std::string line;
    std::string folder;
    // The last assignment wins, as when the shell sources the file.
    while (std::getline(lines, line)) {
        size_t at = skipBlanks(line, 0);
        if (line.compare(at, name.size(), name) != 0)
            continue;
        at = skipBlanks(line, at + name.size());
        if (at >= line.size() || line[at] != '=')
            continue;
        std::string value;
        if (readQuotedFolder(line, skipBlanks(line, at + 1), home, value))
            folder = value;
    }
    return folder;
}

std::string xdgUserFolder(const std::string& key) {
    const std::string config = xdgConfigHome();
    if (config.empty())
        return std::string();
    std::ifstream file(config + "/user-dirs.dirs");
    if (!file)
        return std::string();
    std::ostringstream text;
    text << file.rdbuf();
    return parseXdgUserFolder(text.str(), key, homeFolder());
}

std::string userDocumentsFolder() {
    const std::string named = xdgUserFolder("DOCUMENTS");
    if (!named.empty())
        return named;
    const std::string home = homeFolder();
    if (home.empty())
        return std::string();
    const std::string documents = below(home, "/Documents");
    return isFolder(documents) ? documents : home;
}

std::string userDesktopFolder() {
    const std::string named = xdgUserFolder("DESKTOP");
    if (!named.empty())
        return named;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : below(home, "/Desktop");
}

} // namespace posix
