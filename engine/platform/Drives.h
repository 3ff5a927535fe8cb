#pragma once
// Volumes and drives, with the meanings of GetDiskFreeSpaceExA and of the
// drive letters GetDriveTypeA calls DRIVE_CDROM.

#include <cstdint>
#include <vector>

#include "../CStdStr.h"

namespace platform {

// The free bytes the calling user may use on the volume that holds folder;
// false when the volume cannot be queried. An empty folder (the drive of any
// path where there are no drive letters) names the root of the file tree.
bool freeDiskSpace(const CStdStr& folder, std::uint64_t& bytesAvailable);

// The roots of the optical drives in drive order, each ending in a
// backslash: "D:\" on Windows. POSIX has no drive letters: there the roots
// are the mount points of the iso9660 and udf file systems, in the order of
// the mount table (/proc/self/mounts, or the file KENDRY_MOUNT_TABLE names).
std::vector<CStdStr> opticalDriveRoots();

} // namespace platform
