#pragma once
// File operations for installing onto a machine where files may be locked by
// running programs: folder paths, version and time comparisons, copies that
// cope with a destination in use, deletion, and what to do at the next
// restart when something cannot be replaced or removed now.

#include "CStdStr.h"
#include "PathObject.h"
#include "SortedList.h"

namespace FileOp {

// Copy flags.
constexpr int COPY_IF_VERSION_DIFFERS = 1;
constexpr int COPY_IF_TIME_DIFFERS = 2;
// A sharing violation at the destination counts as in use, like a lock.
constexpr int COPY_SHARING_AS_IN_USE = 4;
// When the destination is in use, copy only if version or time differ.
constexpr int COPY_RECHECK_IN_USE = 8;

// Remove flags.
constexpr int REMOVE_NO_RESTART_FALLBACK = 1;
constexpr int REMOVE_AT_RESTART_ONLY = 2;

// The name part is not empty and the full path exists.
bool fileExists(const PathObject& path);
// The folder exists, after creating it with MakePath when create is true.
bool isDirectory(const PathObject& path, bool create);
// Every folder of the directory part exists or was created.
bool MakePath(const PathObject& path);
// A newly created empty file "tmp" plus a unique number in the path's folder;
// empty when none could be created.
PathObject GetTempFileNameA(const PathObject& path);
// 1 when the source was last written after the destination, -1 before, 0
// when equal or on failure.
int IsNewerTime(const PathObject& source, const PathObject& destination);
// The FileVersion text of the version resource, commas turned into periods;
// empty when there is none.
CStdStr getFileVersion(const PathObject& path);
// 1, 0 or -1 as the source's version is higher, equal or lower.
int compareVersion(const PathObject& source, const PathObject& destination);
bool shouldCopy(const PathObject& source, const PathObject& destination, int flags);
// True when the destination holds the source's content, or will after the
// next restart, or no copy was needed.
bool Copy(const PathObject& source, const PathObject& destination, int flags);
// A file (name part set) or a folder (only the directory part).
bool Remove(const PathObject& path, int flags);
bool deleteFile(const PathObject& path, int flags);
// Always true.
bool deleteDir(const PathObject& path);
// Moves source to destination at the next restart, or deletes it then when
// destination is empty; a source ending with a backslash is a folder. False
// only when source is empty.
bool replaceOnReboot(const CStdStr& source, const CStdStr& destination = CStdStr());
// Adds the removal of the folder to the restart batch file.
void addToRebootBatFile(const CStdStr& folder);
// Adds "destination=source" (destination "NUL": delete) unless an entry equal
// to it ignoring case is already there.
void addPendingRename(const CStdStr& entry);
// The renames and deletions waiting for the next restart, in the order they
// were first asked for.
const CStdStringList& pendingRenames();

} // namespace FileOp
