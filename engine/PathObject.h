#pragma once
// Paths held the Windows way: a folder part and a name part, backslash
// separators, and a folder that never ends with a backslash (C:\ is held as C:).

#include "CStdStr.h"

// The four parts the C runtime's _splitpath yields. Both the backslash and the
// slash separate folders; the folder keeps its trailing separator; the
// extension starts at the last period of the last component.
struct WindowsPathParts {
    CStdStr drive;
    CStdStr folder;
    CStdStr baseName;
    CStdStr extension;
};

WindowsPathParts splitWindowsPath(const CStdStr& path);

class PathObject {
public:
    PathObject() = default;
    // Both parts stay empty when the text is blank.
    explicit PathObject(const CStdStr& path);

    // False, leaving the object unchanged, when the text is only white space.
    bool setPath(const CStdStr& path);

    CStdStr getDirectory() const { return m_directory; }
    CStdStr getName() const { return m_name; }
    CStdStr getFullPath() const;
    bool hasDirectory() const { return !m_directory.empty(); }
    bool hasName() const { return !m_name.empty(); }

    // Taken as given: callers use it for names and wildcard patterns alike.
    void setName(const CStdStr& name) { m_name = name; }
    void setDirectory(const CStdStr& directory);
    void appendDirectory(const CStdStr& folders);

    // 1, 0 or -1; both parts compared ignoring case, the folder first.
    int compare(const PathObject& other) const;
    bool operator==(const PathObject& other) const { return compare(other) == 0; }
    bool operator!=(const PathObject& other) const { return compare(other) != 0; }
    bool operator<(const PathObject& other) const { return compare(other) < 0; }

private:
    CStdStr m_directory;
    CStdStr m_name;
};

// Root is "C:" or "\\server\share" (empty when the text has neither); rest is
// what follows it.
void splitPathRoot(const CStdStr& path, CStdStr& root, CStdStr& rest);

// The folder holding the path's last component, with an empty name.
PathObject folderPathOf(const CStdStr& path);
