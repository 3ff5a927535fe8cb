#include "FileOp.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "DebugLog.h"
#include "Registry.h"
#include "SystemPath.h"
#include "TextFile.h"
#include "platform/FileSystem.h"
#include "platform/VersionInfo.h"
#include "platform/WinError.h"

namespace FileOp {
namespace {

const char* const kSource = ".\\FileOp.cpp";
const char* const kRebootBatchName = "unsttmp0.bat";
const char* const kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const kRunOnceValue = "VtlTmpDelBat";
const int kTempFolderCode = 22;
const int kWindowsFolderCode = 23;
const size_t kShortPathBuffer = 250;

CStdStringList& pendingRenameList() {
    static CStdStringList list;
    return list;
}

// Splits the root off a directory part: built receives the root, rest what
// follows. Two leading backslashes start a network path (\\server\share), a
// single one the root of the file system (engine paths of absolute POSIX
// paths look like \opt\Vendor, and \opt must be created when missing), a
// letter and a colon a drive. False when a network path has no folder after
// the server.
bool splitRoot(CStdStr& rest, CStdStr& built) {
    built.clear();
    if (rest.compare(0, 2, "\\\\") == 0) {
        const int separator = rest.Find('\\', 2);
        if (separator < 0)
            return false;
        built = rest.Left(separator + 1);
        rest = rest.Mid(separator + 1);
    } else if (!rest.empty() && rest[0] == '\\') {
        built = "\\";
        rest = rest.Mid(1);
    } else if (rest.Find(':') == 1) {
        const int rootLength = rest.Find('\\') == 2 ? 3 : 2;
        built = rest.Left(rootLength);
        rest = rest.Mid(rootLength);
    }
    return true;
}

// Moves the next component, with its backslash, from rest to built.
void takeComponent(CStdStr& rest, CStdStr& built) {
    const int separator = rest.Find('\\');
    if (separator < 0) {
        built += rest;
        rest.clear();
    } else {
        built += rest.Left(separator + 1);
        rest = rest.Mid(separator + 1);
    }
}

// Makes built the current folder, creating it when it is missing.
bool enterOrCreate(const CStdStr& built) {
    int error = platform::setCurrentDirectory(built);
    if (error == 0)
        return true;
    if (error != winerr::FILE_NOT_FOUND && error != winerr::PATH_NOT_FOUND) {
        KENDRY_LOG(kSource, "FileOp::MakePath", LOG_ERROR,
                   "could not switch to directory %s with error code %d.", built.c_str(), error);
        return false;
    }
    error = platform::createDirectory(built);
    if (error != 0) {
        KENDRY_LOG(kSource, "FileOp::MakePath", LOG_ERROR,
                   "tried to create directory %s but failed.  (Error code: %d)", built.c_str(),
                   error);
        return false;
    }
    return true;
}

bool readLastWriteTime(const PathObject& path, std::uint64_t& when) {
    if (platform::getLastWriteTime(path.getFullPath(), when) == 0)
        return true;
    KENDRY_LOG(kSource, "FileOp::IsNewerTime", LOG_ERROR, "could not get file time for %s",
               path.getFullPath().c_str());
    return false;
}

// The pieces between periods; an empty version has none.
std::vector<CStdStr> versionPieces(const CStdStr& version) {
    std::vector<CStdStr> pieces;
    if (version.empty())
        return pieces;
    size_t start = 0;
    for (;;) {
        const size_t period = version.find('.', start);
        pieces.push_back(version.substr(start, period - start));
        if (period == std::string::npos)
            return pieces;
        start = period + 1;
    }
}

bool isInUse(int error, int flags) {
    return error == winerr::LOCK_VIOLATION ||
           (error == winerr::SHARING_VIOLATION && (flags & COPY_SHARING_AS_IN_USE));
}

// A name in the destination's folder that nothing holds: created as a
// temporary file, then deleted again.
PathObject freeTempName(const PathObject& destination) {
    PathObject temp = GetTempFileNameA(destination);
    if (temp.hasName())
        platform::deleteFile(temp.getFullPath());
    return temp;
}

CStdStr shortForm(const CStdStr& path) {
    CStdStr shortPath;
    if (platform::getShortPathName(path, shortPath) == 0 && shortPath.size() < kShortPathBuffer)
        return shortPath;
    return path;
}

// A full path in a system folder; only the name when the folder is unknown,
// so that an empty folder never turns into the root.
CStdStr inSystemFolder(int code, const char* name) {
    SystemPath folder(code);
    if (!folder.hasDirectory())
        return name;
    folder.setName(name);
    return folder.getFullPath();
}

std::vector<CStdStr> readBatchLines(const CStdStr& batchPath) {
    std::vector<CStdStr> lines;
    // A link planted in a shared temporary folder is not ours to read; the
    // new file replaces it.
    const std::uint32_t attributes = platform::getFileAttributes(batchPath);
    if (attributes == platform::INVALID_FILE_ATTRIBUTES ||
        (attributes & (platform::FILE_ATTR_REPARSE_POINT | platform::FILE_ATTR_DIRECTORY)))
        return lines;
    TextFile file;
    if (!file.Open(batchPath, MODE_READ, ENCODING_DETECT))
        return lines;
    CStdStr line;
    while (file.ReadString(line))
        lines.push_back(line);
    return lines;
}

// Written under a fresh name, then copied over the batch file: the copy
// replaces whatever is at that name instead of writing through a link.
bool writeBatchLines(const CStdStr& batchPath, const std::vector<CStdStr>& lines) {
    const PathObject fresh = GetTempFileNameA(PathObject(batchPath));
    if (!fresh.hasName())
        return false;
    TextFile file;
    bool written = file.Open(fresh.getFullPath(), MODE_WRITE, ENCODING_ANSI);
    for (size_t at = 0; written && at < lines.size(); ++at)
        written = file.WriteString(lines[at] + "\n");
    written = file.Close() == 0 && written;
    written = written && platform::copyFile(fresh.getFullPath(), batchPath) == 0;
    platform::deleteFile(fresh.getFullPath());
    return written;
}

} // namespace

bool fileExists(const PathObject& path) {
    return path.hasName() &&
           platform::getFileAttributes(path.getFullPath()) != platform::INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(const PathObject& path, bool create) {
    if (!path.hasDirectory())
        return false;
    if (create && !MakePath(path))
        return false;
    const std::uint32_t attributes = platform::getFileAttributes(path.getDirectory());
    return attributes != platform::INVALID_FILE_ATTRIBUTES &&
           (attributes & platform::FILE_ATTR_DIRECTORY);
}

bool MakePath(const PathObject& path) {
    CStdStr remembered;
    const bool canRestore = platform::getCurrentDirectory(remembered) == 0;
    CStdStr rest = path.getDirectory();
    CStdStr built;
    bool result = splitRoot(rest, built);
    // A relative path is walked from the folder current at the call each time,
    // not from wherever the walk went.
    const bool relative = built.empty();
    do {
        if (rest.Find(',') >= 0) {
            KENDRY_LOG(kSource, "FileOp::MakePath", LOG_ERROR,
                       "Invalid MakePath request with either comma(,) or a prefixed period(.) "
                       "in path %s",
                       rest.c_str());
            result = false;
            break;
        }
        takeComponent(rest, built);
        if (relative && canRestore)
            platform::setCurrentDirectory(remembered);
        if (!enterOrCreate(built)) {
            result = false;
            break;
        }
    } while (!rest.empty());
    if (canRestore)
        platform::setCurrentDirectory(remembered);
    return result;
}

PathObject GetTempFileNameA(const PathObject& path) {
    CStdStr created;
    const int error = platform::getTempFileName(path.getDirectory(), "tmp", created);
    PathObject result;
    if (error != 0) {
        KENDRY_LOG(kSource, "FileOp::GetTempFileNameA", LOG_ERROR,
                   "GetTempFileName in directory %s failed with error code %d.",
                   path.getDirectory().c_str(), error);
        return result;
    }
    result.setPath(created);
    return result;
}

int IsNewerTime(const PathObject& source, const PathObject& destination) {
    std::uint64_t sourceTime = 0;
    std::uint64_t destinationTime = 0;
    if (!readLastWriteTime(source, sourceTime) || !readLastWriteTime(destination, destinationTime))
        return 0;
    return platform::compareFileTime(sourceTime, destinationTime);
}

CStdStr getFileVersion(const PathObject& path) {
    if (!path.hasName())
        return CStdStr();
    const CStdStr fullPath = path.getFullPath();
    std::vector<unsigned char> block;
    std::vector<std::uint32_t> translations;
    if (platform::fileVersionInfoSize(fullPath) == 0 ||
        !platform::fileVersionInfo(fullPath, block) ||
        !platform::queryVersionValue(block, "\\VarFileInfo\\Translation", translations))
        return CStdStr();
    // Stored as language (low half) and code page (high half); the key names
    // the language first.
    const std::uint32_t entry = translations.front();
    const unsigned long key = ((entry & 0xFFFFul) << 16) | (entry >> 16);
    CStdStr version;
    if (!platform::queryVersionValue(
            block, CStdStr::Formatted("\\StringFileInfo\\%08lx\\FileVersion", key), version))
        return CStdStr();
    version.Replace(',', '.');
    return version;
}

int compareVersion(const PathObject& source, const PathObject& destination) {
    const std::vector<CStdStr> ours = versionPieces(getFileVersion(source));
    const std::vector<CStdStr> theirs = versionPieces(getFileVersion(destination));
    for (size_t at = 0; at < ours.size(); ++at) {
        if (at >= theirs.size())
            return 1;
        const int mine = std::atoi(ours[at].c_str());
        const int other = std::atoi(theirs[at].c_str());
        if (mine != other)
            return mine > other ? 1 : -1;
    }
    return theirs.size() > ours.size() ? -1 : 0;
}

bool shouldCopy(const PathObject& source, const PathObject& destination, int flags) {
    if (!(flags & (COPY_IF_VERSION_DIFFERS | COPY_IF_TIME_DIFFERS)))
        return true;
    if (!fileExists(destination))
        return true;
    if ((flags & COPY_IF_VERSION_DIFFERS) && compareVersion(source, destination) != 0)
        return true;
    if ((flags & COPY_IF_TIME_DIFFERS) && IsNewerTime(source, destination) != 0)
        return true;
    return false;
}

bool Copy(const PathObject& source, const PathObject& destination, int flags) {
    if (!shouldCopy(source, destination, flags))
        return true;
    const CStdStr from = source.getFullPath();
    const CStdStr to = destination.getFullPath();
    int error = platform::copyFile(from, to);
    if (error == 0)
        return true;
    if (!isInUse(error, flags)) {
        KENDRY_LOG(kSource, "FileOp::Copy", LOG_ERROR, "CopyFile failed with code %d", error);
        return false;
    }
    if ((flags & COPY_RECHECK_IN_USE) &&
        !shouldCopy(source, destination, COPY_IF_VERSION_DIFFERS | COPY_IF_TIME_DIFFERS))
        return true;
    KENDRY_LOG(kSource, "FileOp::Copy", LOG_PLAIN,
               "FileOp::Copy(): destination file %s is in use.  Trying to rename it...",
               to.c_str());

    const PathObject aside = freeTempName(destination);
    bool movedAside = aside.hasName() && platform::moveFile(to, aside.getFullPath()) == 0;
    if (movedAside) {
        error = platform::copyFile(from, to);
        if (error == 0) {
            deleteFile(aside, 0);
            return true;
        }
        KENDRY_LOG(kSource, "FileOp::Copy", LOG_ERROR, "second CopyFile try failed with code %d",
                   error);
        // The installed file goes back under its own name at once: the copy
        // at restart must not be the only way it returns.
        if (platform::moveFile(aside.getFullPath(), to) == 0)
            movedAside = false;
    }
    // The moved-aside file is never overwritten; it only stays aside when it
    // could not be moved back.
    const PathObject target = movedAside ? freeTempName(destination) : aside;
    KENDRY_LOG(kSource, "FileOp::Copy", LOG_PLAIN,
               "FileOp::Copy(): that just won't budge.  Replacing %s with %s after reboot.",
               to.c_str(), target.getFullPath().c_str());
    error = platform::copyFile(from, target.getFullPath());
    if (error != 0) {
        KENDRY_LOG(kSource, "FileOp::Copy", LOG_ERROR, "third CopyFile try failed with code %d",
                   error);
        return false;
    }
    replaceOnReboot(target.getFullPath(), to);
    KENDRY_LOG(kSource, "FileOp::Copy", LOG_PLAIN,
               "FileOp::Copy(): ! Reboot Required: To replace locked file.");
    return true;
}

bool Remove(const PathObject& path, int flags) {
    if (path.hasName())
        return deleteFile(path, flags);
    if (path.hasDirectory())
        return deleteDir(path);
    KENDRY_LOG(kSource, "FileOp::Remove", LOG_ERROR, "nothin' from nothin' leaves nothin'!");
    return false;
}

bool deleteFile(const PathObject& path, int flags) {
    const CStdStr fullPath = path.getFullPath();
    const std::uint32_t attributes = platform::getFileAttributes(fullPath);
    if (attributes != platform::INVALID_FILE_ATTRIBUTES)
        platform::setFileAttributes(fullPath, attributes & ~platform::FILE_ATTR_READONLY);
    if (!(flags & REMOVE_AT_RESTART_ONLY)) {
        const int error = platform::deleteFile(fullPath);
        if (error == 0)
            return true;
        if ((flags & REMOVE_NO_RESTART_FALLBACK) || error == winerr::FILE_NOT_FOUND ||
            error == winerr::PATH_NOT_FOUND)
            return false;
    }
    return replaceOnReboot(fullPath);
}

bool deleteDir(const PathObject& path) {
    const CStdStr folder = path.getDirectory();
    const int error = platform::removeDirectory(folder);
    if (error != 0 && error != winerr::FILE_NOT_FOUND)
        replaceOnReboot(folder + "\\");
    return true;
}

bool replaceOnReboot(const CStdStr& source, const CStdStr& destination) {
    if (source.empty())
        return false;
    const bool deleting = destination.empty();
    KENDRY_LOG(kSource, "FileOp::replaceOnReboot", LOG_PLAIN,
               "FileOp::replaceOnReboot(): Attempting to move %s to %s on reboot.", source.c_str(),
               deleting ? "NULL" : destination.c_str());
    if (platform::moveFileAtRestart(source, destination) == 0) {
        KENDRY_LOG(kSource, "FileOp::replaceOnReboot", LOG_PLAIN,
                   "FileOp::replaceOnReboot(): ! Reboot Required: To replace locked file. "
                   "(MoveFileEx call)");
        return true;
    }
    const PathObject split(source);
    if (split.hasDirectory() && !split.hasName()) {
        addToRebootBatFile(split.getDirectory());
    } else {
        const CStdStr target = deleting ? CStdStr("NUL") : shortForm(destination);
        addPendingRename(CStdStr::Formatted("%s=%s", target.c_str(), shortForm(source).c_str()));
    }
    KENDRY_LOG(kSource, "FileOp::replaceOnReboot", LOG_PLAIN,
               "FileOp::replaceOnReboot(): ! Reboot Required: To replace file on reboot. "
               "(wininit.ini change)");
    return true;
}

void addToRebootBatFile(const CStdStr& folder) {
    const CStdStr batchPath = inSystemFolder(kTempFolderCode, kRebootBatchName);
    if (batchPath == kRebootBatchName) {
        KENDRY_LOG(kSource, "FileOp::addToRebootBatFile", LOG_ERROR, "file %s could not be saved.",
                   batchPath.c_str());
        return;
    }
    std::vector<CStdStr> lines = readBatchLines(batchPath);
    if (!lines.empty() && lines.back().Find("del") >= 0)
        lines.pop_back();
    lines.push_back(CStdStr::Formatted("rmdir \"%s\"", folder.c_str()));
    // The batch file deletes itself last.
    lines.push_back(CStdStr::Formatted("del \"%s\"", batchPath.c_str()));
    if (!writeBatchLines(batchPath, lines)) {
        KENDRY_LOG(kSource, "FileOp::addToRebootBatFile", LOG_ERROR, "file %s could not be saved.",
                   batchPath.c_str());
        return;
    }
    RegValue command;
    command.type = VALUE_STRING;
    command.text = CStdStr::Formatted("%s /C \"%s\"",
                                      inSystemFolder(kWindowsFolderCode, "command.com").c_str(),
                                      batchPath.c_str());
    Registry().WriteValue("HKLM", kRunOnceKey, kRunOnceValue, command);
}

void addPendingRename(const CStdStr& entry) {
    CStdStringList& list = pendingRenameList();
    for (const CStdStr& held : list) {
        if (held.EqualsNoCase(entry.c_str()))
            return;
    }
    // Kept in the order asked for, not sorted.
    list.push_back(entry);
}

const CStdStringList& pendingRenames() {
    return pendingRenameList();
}

} // namespace FileOp
