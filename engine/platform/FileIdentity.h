#pragma once
// Which file or folder a path leads to, with the meaning of the volume serial
// number and file index that GetFileInformationByHandle reports: two paths
// lead to the same entry when their identities are equal, however they are
// spelled and whatever links lie on the way.

#include <cstdint>

#include "../CStdStr.h"

namespace platform {

struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// Follows symbolic links. A Windows error code: FILE_NOT_FOUND or
// PATH_NOT_FOUND when nothing is there; identity is left alone on failure.
int getFileIdentity(const CStdStr& path, FileIdentity& identity);

} // namespace platform
