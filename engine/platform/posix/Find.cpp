#include "../Find.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "../WinError.h"
#include "NativePath.h"

namespace platform {

struct FindSearch {
    std::string folder;
    std::vector<std::string> names;
    size_t next = 0;
};

namespace {

// The pattern in the terms Windows matches it with: every ? may stand for no
// character at a period or the end of the name, a period before a wildcard or
// at the end may stand for the end of the name, and a * before a period does
// not swallow the name's last period. So "*.*" matches every name and "*."
// the names without an extension.
enum class Token { Literal, Star, DosStar, DosQuestion, DosDot };

struct PatternPart {
    Token token;
    char ch;
};

std::vector<PatternPart> translatePattern(const std::string& pattern) {
    std::vector<PatternPart> parts;
    for (size_t at = 0; at < pattern.size(); ++at) {
        const char ch = pattern[at];
        const char following = at + 1 < pattern.size() ? pattern[at + 1] : '\0';
        if (ch == '*')
            parts.push_back({following == '.' ? Token::DosStar : Token::Star, ch});
        else if (ch == '?')
            parts.push_back({Token::DosQuestion, ch});
        else if (ch == '.' && (following == '*' || following == '?' || following == '\0'))
            parts.push_back({Token::DosDot, ch});
        else
            parts.push_back({Token::Literal, ch});
    }
    return parts;
}

class NameMatcher {
public:
    NameMatcher(const std::vector<PatternPart>& pattern, const std::string& name)
        : m_pattern(pattern), m_name(name), m_lastDot(name.rfind('.')),
          m_memo((pattern.size() + 1) * (name.size() + 1), Unknown) {}

    bool matches() { return matchFrom(0, 0); }

private:
    enum : char { Unknown, No, Yes };

    bool matchFrom(size_t p, size_t n) {
        char& memo = m_memo[p * (m_name.size() + 1) + n];
        if (memo == Unknown)
            memo = compute(p, n) ? Yes : No;
        return memo == Yes;
    }

    bool compute(size_t p, size_t n) {
        if (p == m_pattern.size())
            return n == m_name.size();
        const bool atEnd = n == m_name.size();
        const PatternPart& part = m_pattern[p];
        switch (part.token) {
        case Token::Star:
            return matchFrom(p + 1, n) || (!atEnd && matchFrom(p, n + 1));
        case Token::DosStar:
            return matchFrom(p + 1, n) || (!atEnd && n != m_lastDot && matchFrom(p, n + 1));
        case Token::DosQuestion:
            if (atEnd || m_name[n] == '.')
                return matchFrom(p + 1, n);
            return matchFrom(p + 1, n + 1);
        case Token::DosDot:
            if (atEnd)
                return matchFrom(p + 1, n);
            return m_name[n] == '.' && matchFrom(p + 1, n + 1);
        case Token::Literal:
            return !atEnd && toCLower(m_name[n]) == toCLower(part.ch) && matchFrom(p + 1, n + 1);
        }
        return false;
    }

    const std::vector<PatternPart>& m_pattern;
    const std::string& m_name;
    const size_t m_lastDot;
    std::vector<char> m_memo;
};

bool matchesPattern(const std::vector<PatternPart>& pattern, const std::string& name) {
    return NameMatcher(pattern, name).matches();
}

// The order NTFS lists a folder in: by upper-cased name.
bool listsBefore(const std::string& a, const std::string& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t at = 0; at < common; ++at) {
        const auto ca = static_cast<unsigned char>(toCUpper(a[at]));
        const auto cb = static_cast<unsigned char>(toCUpper(b[at]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

void splitPattern(const CStdStr& pattern, CStdStr& folder, std::string& name) {
    const size_t separator = pattern.find_last_of("\\/");
    size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    if (nameStart == 0 && pattern.size() >= 2 && pattern[1] == ':')
        nameStart = 2;
    folder = pattern.substr(0, nameStart);
    name = pattern.substr(nameStart);
}

std::string joinNative(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::uint64_t toFileTime(const timespec& when) {
    // Seconds from 1601-01-01 to 1970-01-01.
    constexpr long long epochOffset = 11644473600LL;
    if (when.tv_sec < -epochOffset)
        return 0;
    return static_cast<std::uint64_t>(when.tv_sec + epochOffset) * 10000000ULL +
           static_cast<std::uint64_t>(when.tv_nsec / 100);
}

// False when the entry is gone or its name does not fit the record.
bool fillRecord(const std::string& folder, const std::string& name, FindData& data) {
    if (name.size() >= sizeof data.name)
        return false;
    const std::string path = joinNative(folder, name);
    struct stat info;
    // A link counts as what it points to; a dangling one as itself.
    if (::stat(path.c_str(), &info) != 0 && ::lstat(path.c_str(), &info) != 0)
        return false;
    data = FindData();
    if (S_ISDIR(info.st_mode))
        data.attributes |= FIND_ATTR_DIRECTORY;
    if (!(info.st_mode & S_IWUSR))
        data.attributes |= FIND_ATTR_READONLY;
    if (data.attributes == 0)
        data.attributes = FIND_ATTR_NORMAL;
    // POSIX keeps no birth time; the status change time is the nearest.
    data.creationTime = toFileTime(info.st_ctim);
    data.lastAccessTime = toFileTime(info.st_atim);
    data.lastWriteTime = toFileTime(info.st_mtim);
    data.size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    std::memcpy(data.name, name.c_str(), name.size() + 1);
    return true;
}

bool isFileSystemRoot(const struct stat& folder) {
    struct stat root;
    return ::stat("/", &root) == 0 && root.st_dev == folder.st_dev && root.st_ino == folder.st_ino;
}

// Matching names of the folder: the dots first (a drive root has none, as on
// Windows), then the rest in NTFS order. Names the engine cannot hold
// (a backslash would read as a separator) are left out.
int listMatches(const std::string& folder, const std::string& namePattern,
                std::vector<std::string>& names) {
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? winerr::PATH_NOT_FOUND
                                                     : posix::winErrorFromErrno(errno);
    if (!S_ISDIR(info.st_mode))
        return winerr::PATH_NOT_FOUND;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return posix::winErrorFromErrno(errno);
    const std::vector<PatternPart> pattern = translatePattern(namePattern);
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name.find('\\') == std::string::npos &&
            matchesPattern(pattern, name))
            found.push_back(name);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), listsBefore);
    if (!isFileSystemRoot(info)) {
        for (const char* dots : {".", ".."}) {
            if (matchesPattern(pattern, dots))
                names.push_back(dots);
        }
    }
    names.insert(names.end(), found.begin(), found.end());
    return names.empty() ? winerr::FILE_NOT_FOUND : winerr::SUCCESS;
}

} // namespace

int findFirstFile(const CStdStr& pattern, FindHandle& handle, FindData& data) {
    handle = nullptr;
    CStdStr folder;
    std::string namePattern;
    splitPattern(pattern, folder, namePattern);
    if (folder.find_first_of("*?") != std::string::npos)
        return winerr::INVALID_NAME;
    if (namePattern.empty())
        return winerr::FILE_NOT_FOUND;
    // No entry name is longer; the bound also keeps the matcher's work small.
    if (namePattern.size() >= static_cast<size_t>(FIND_NAME_SIZE))
        return winerr::FILENAME_EXCED_RANGE;
    auto search = std::make_unique<FindSearch>();
    search->folder = posix::toNative(folder);
    if (search->folder.empty())
        search->folder = ".";
    int result = listMatches(search->folder, namePattern, search->names);
    if (result == winerr::SUCCESS) {
        result = findNextFile(search.get(), data);
        // Every match vanished before it could be read.
        if (result == winerr::NO_MORE_FILES)
            result = winerr::FILE_NOT_FOUND;
    }
    if (result == winerr::SUCCESS)
        handle = search.release();
    return result;
}

int findNextFile(FindHandle handle, FindData& data) {
    if (!handle)
        return winerr::INVALID_HANDLE;
    while (handle->next < handle->names.size()) {
        if (fillRecord(handle->folder, handle->names[handle->next++], data))
            return winerr::SUCCESS;
    }
    return winerr::NO_MORE_FILES;
}

int findClose(FindHandle handle) {
    if (!handle)
        return winerr::INVALID_HANDLE;
    delete handle;
    return winerr::SUCCESS;
}

} // namespace platform
