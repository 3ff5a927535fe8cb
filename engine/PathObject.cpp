#include "PathObject.h"

namespace {

bool isSeparator(char ch) {
    return ch == '\\' || ch == '/';
}

// Slashes become backslashes and one trailing backslash goes.
void normaliseFolder(CStdStr& folder) {
    folder.Replace('/', '\\');
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
}

int sign(int value) {
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

} // namespace

WindowsPathParts splitWindowsPath(const CStdStr& path) {
    WindowsPathParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    size_t nameStart = start;
    for (size_t at = start; at < path.size(); ++at) {
        if (isSeparator(path[at]))
            nameStart = at + 1;
    }
    parts.folder = path.substr(start, nameStart - start);
    const size_t dot = path.rfind('.');
    const size_t extensionStart = (dot == std::string::npos || dot < nameStart) ? path.size() : dot;
    parts.baseName = path.substr(nameStart, extensionStart - nameStart);
    parts.extension = path.substr(extensionStart);
    return parts;
}

PathObject::PathObject(const CStdStr& path) {
    setPath(path);
}

bool PathObject::setPath(const CStdStr& path) {
    CStdStr text(path);
    if (text.Trim().empty())
        return false;
    const WindowsPathParts parts = splitWindowsPath(text);
    m_directory = parts.drive + parts.folder;
    normaliseFolder(m_directory);
    m_name = parts.baseName + parts.extension;
    return true;
}

CStdStr PathObject::getFullPath() const {
    if (m_name.empty())
        return m_directory;
    return m_directory + "\\" + m_name;
}

void PathObject::setDirectory(const CStdStr& directory) {
    m_directory = directory;
    normaliseFolder(m_directory);
}

void PathObject::appendDirectory(const CStdStr& folders) {
    if (folders.empty())
        return;
    CStdStr tail(folders);
    tail.Replace('/', '\\');
    if (tail[0] != '\\')
        tail.insert(0, "\\");
    m_directory += tail;
    if (m_directory.back() == '\\')
        m_directory.pop_back();
}

int PathObject::compare(const PathObject& other) const {
    const int byDirectory = compareNoCase(m_directory.c_str(), other.m_directory.c_str());
    if (byDirectory != 0)
        return sign(byDirectory);
    return sign(compareNoCase(m_name.c_str(), other.m_name.c_str()));
}

void splitPathRoot(const CStdStr& path, CStdStr& root, CStdStr& rest) {
    root.clear();
    rest.clear();
    const size_t colon = path.find(':');
    if (colon != std::string::npos && colon > 0) {
        root = path.substr(0, colon + 1);
        rest = path.substr(colon + 1);
        return;
    }
    if (path.compare(0, 2, "\\\\") == 0) {
        const size_t serverEnd = path.find('\\', 2);
        if (serverEnd != std::string::npos && serverEnd > 2) {
            const size_t shareEnd = path.find('\\', serverEnd + 1);
            if (shareEnd != std::string::npos) {
                root = path.substr(0, shareEnd);
                rest = path.substr(shareEnd);
                return;
            }
        }
    }
    rest = path;
}

PathObject folderPathOf(const CStdStr& path) {
    const WindowsPathParts parts = splitWindowsPath(path);
    return PathObject(parts.drive + parts.folder);
}
