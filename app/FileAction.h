#pragma once
// The copy of the package's payload into the destination folder: the count that sizes the
// progress gauge, and the walk that recreates the source tree file by file, asking before it
// replaces an existing file and never putting back an older one. One object per run; the
// overwrite answers "to all" hold for the rest of it.

#include "CStdStr.h"
#include "CopyObserver.h"
#include "PathObject.h"
#include "platform/FileIdentity.h"

class FileFind;

class FileAction {
public:
    explicit FileAction(CopyObserver& observer);

    // Adds the files and folders found at pattern (a folder, or a folder followed by "\*") and
    // below to the counts; a folder named without wildcard counts itself. False when the
    // pattern lists nothing.
    bool GetDirFiles(const CStdStr& pattern, int& fileCount, int& folderCount);
    // Makes sure the folder part of path (a file path, or a folder ending in "\") exists.
    bool createPath(const CStdStr& path);
    // Copies one file; destination is a file path, or a folder ending in "\" that gets the
    // source's name. True also when an existing file is kept.
    bool simpleCopy(const CStdStr& source, const CStdStr& destination);
    // Copies the contents of the folder source into destination (ending in "\"), keeping the
    // sub-folders below it. False only when source lists nothing.
    bool recursivelyCopyAllFiles(const CStdStr& source, const CStdStr& destination);

    // A folder the count and the walk leave out. The walk keeps out its own destination, which
    // may lie inside the source; the count needs telling.
    void keepOut(const CStdStr& folder);

    bool firstFolder() const { return m_firstFolder; }
    int copyCount() const { return m_copyCount; }
    bool overwrite() const { return m_overwrite; }
    bool askOverwrite() const { return m_askOverwrite; }

private:
    enum class Skip { None, Link, KeptOut };

    bool countIn(const CStdStr& pattern, int depth, int& fileCount, int& folderCount);
    bool walk(const CStdStr& source, const CStdStr& destination, int depth);
    void copyFileEntry(const FileFind& entry, const CStdStr& destination);
    Skip skipFolder(const FileFind& entry, bool namedByCaller);
    static const char* skipReason(Skip skip);
    bool isKeptOut(const CStdStr& folder);
    void takeAnswer(int answer);
    bool sourceIsNewer(const PathObject& source, const PathObject& destination) const;

    CopyObserver& m_observer;
    bool m_firstFolder = true;
    int m_copyCount = 0;
    bool m_overwrite = true;
    bool m_askOverwrite = true;

    // The destination folder createPath made or found last.
    CStdStr m_madeFolder;

    CStdStr m_keptOut;
    platform::FileIdentity m_keptOutIdentity;
    bool m_keptOutFound = false;
};
