#include "FileAction.h"

#include <ostream>

#include "DebugLog.h"
#include "FileFind.h"
#include "FileOp.h"
#include "GuardedFormat.h"
#include "SetupStrings.h"
#include "platform/FileSystem.h"

namespace {

const int kCopyOptions = FileOp::COPY_SHARING_AS_IN_USE | FileOp::COPY_RECHECK_IN_USE;

void logLine(const CStdStr& text) {
    theDebugLog << text << std::endl;
}

bool isFolder(const FileFind& entry) {
    return (entry.attributes() & platform::FIND_ATTR_DIRECTORY) != 0;
}

// A pattern without wildcard names one entry, the folder the caller means; its contents are
// what a pattern with a wildcard lists.
bool namesItself(const CStdStr& pattern) {
    return PathObject(pattern).getName().find_first_of("*?") == std::string::npos;
}

bool isLink(const CStdStr& path) {
    const std::uint32_t attributes = platform::getFileAttributes(path);
    return attributes != platform::INVALID_FILE_ATTRIBUTES &&
           (attributes & platform::FILE_ATTR_REPARSE_POINT) != 0;
}

// Copied from read-only media, a file would stay read-only at the destination.
void makeWritable(const CStdStr& path) {
    const std::uint32_t attributes = platform::getFileAttributes(path);
    if (attributes != platform::INVALID_FILE_ATTRIBUTES)
        platform::setFileAttributes(path, attributes & ~platform::FILE_ATTR_READONLY);
}

} // namespace

const char* FileAction::skipReason(Skip skip) {
    return skip == Skip::Link ? "Folder link not followed: "
                              : "The destination is not copied into itself: ";
}

FileAction::FileAction(CopyObserver& observer) : m_observer(observer) {}

bool FileAction::GetDirFiles(const CStdStr& pattern, int& fileCount, int& folderCount) {
    return countIn(pattern, 0, fileCount, folderCount);
}

bool FileAction::countIn(const CStdStr& pattern, int depth, int& fileCount, int& folderCount) {
    FileFind find{PathObject(pattern)};
    if (!find.hasEntry()) {
        logLine("FileAction::GetDirFiles: Source path is invalid: " + pattern);
        return false;
    }
    const bool namedByCaller = depth == 0 && namesItself(pattern);
    for (; find.hasEntry(); find.next()) {
        if (find.isDots())
            continue;
        if (!isFolder(find)) {
            ++fileCount;
        } else if (skipFolder(find, namedByCaller) == Skip::None) {
            ++folderCount;
            countIn(find.current().getFullPath() + "\\*", depth + 1, fileCount, folderCount);
        }
    }
    return true;
}

bool FileAction::createPath(const CStdStr& path) {
    const PathObject target(path);
    // Files come folder by folder: the folder made for the last file stands for this one.
    if (!m_madeFolder.empty() && target.getDirectory() == m_madeFolder)
        return true;
    if (FileOp::isDirectory(target, true)) {
        m_madeFolder = target.getDirectory();
        return true;
    }
    logLine("FileAction::createPath: failed to create path " + target.getDirectory() + ".");
    return false;
}

bool FileAction::simpleCopy(const CStdStr& source, const CStdStr& destination) {
    const PathObject from(source);
    PathObject to(destination);
    if (!to.hasName())
        to.setName(from.getName());
    if (!createPath(to.getFullPath()))
        return false;
    if (FileOp::fileExists(to)) {
        if (m_askOverwrite)
            takeAnswer(m_observer.askOverwrite(to.getName()));
        if (!m_overwrite || !sourceIsNewer(from, to))
            return true;
    }
    if (!FileOp::Copy(from, to, kCopyOptions)) {
        logLine("FileAction::simpleCopy: could not copy file " + from.getFullPath() + ".");
        return false;
    }
    makeWritable(to.getFullPath());
    logLine(to.getFullPath());
    return true;
}

void FileAction::takeAnswer(int answer) {
    switch (answer) {
    case OVERWRITE_YES:
        m_overwrite = true;
        break;
    case OVERWRITE_NO:
        m_overwrite = false;
        break;
    case OVERWRITE_YES_TO_ALL:
        m_overwrite = true;
        m_askOverwrite = false;
        break;
    case OVERWRITE_NO_TO_ALL:
        m_overwrite = false;
        m_askOverwrite = false;
        break;
    default:
        // A cancelled question leaves the last decision standing.
        break;
    }
}

// An existing file is replaced only by a higher version, or by the same version (or none)
// written no earlier.
bool FileAction::sourceIsNewer(const PathObject& source, const PathObject& destination) const {
    const int version = FileOp::compareVersion(source, destination);
    if (version != 0)
        return version > 0;
    return FileOp::IsNewerTime(source, destination) >= 0;
}

bool FileAction::recursivelyCopyAllFiles(const CStdStr& source, const CStdStr& destination) {
    if (m_keptOut.empty())
        keepOut(destination);
    return walk(source, destination, 0);
}

bool FileAction::walk(const CStdStr& source, const CStdStr& destination, int depth) {
    FileFind find{PathObject(source)};
    if (!find.hasEntry()) {
        logLine("FileAction::recursivelyCopyAllFiles: Source path is invalid: " + source);
        return false;
    }
    const bool namedByCaller = depth == 0 && namesItself(source);
    for (; find.hasEntry(); find.next()) {
        if (find.isDots())
            continue;
        if (!isFolder(find)) {
            copyFileEntry(find, destination);
            continue;
        }
        const CStdStr folder = find.current().getFullPath();
        const Skip skip = skipFolder(find, namedByCaller);
        if (skip != Skip::None) {
            logLine(CStdStr("FileAction::recursivelyCopyAllFiles: ") + skipReason(skip) + folder);
            continue;
        }
        // The first folder met is the source itself: its contents go straight into the
        // destination.
        CStdStr target = destination;
        if (m_firstFolder)
            m_firstFolder = false;
        else
            target += find.name() + "\\";
        walk(folder + "\\*", target, depth + 1);
    }
    return true;
}

void FileAction::copyFileEntry(const FileFind& entry, const CStdStr& destination) {
    const CStdStr name = entry.name();
    simpleCopy(entry.current().getFullPath(), destination + name);
    m_observer.progress(m_copyCount);
    ++m_copyCount;
    const CStdStr shownName = EscapeHtmlText(m_observer.textForName(name));
    m_observer.footer(GuardedFormat(theSetupStrings.navFoot, shownName));
}

// Links to folders are not followed below the folder the caller named: they could lead out
// of the package or round in a circle.
FileAction::Skip FileAction::skipFolder(const FileFind& entry, bool namedByCaller) {
    const CStdStr folder = entry.current().getFullPath();
    if (!namedByCaller && isLink(folder))
        return Skip::Link;
    return isKeptOut(folder) ? Skip::KeptOut : Skip::None;
}

void FileAction::keepOut(const CStdStr& folder) {
    m_keptOut = folder;
    m_keptOutFound = false;
}

// The kept-out folder may not exist until the walk creates it, so it is looked for until
// it is there.
bool FileAction::isKeptOut(const CStdStr& folder) {
    if (m_keptOut.empty())
        return false;
    if (!m_keptOutFound)
        m_keptOutFound = platform::getFileIdentity(m_keptOut, m_keptOutIdentity) == 0;
    platform::FileIdentity identity;
    return m_keptOutFound && platform::getFileIdentity(folder, identity) == 0 &&
           identity == m_keptOutIdentity;
}
