#pragma once
// Finds the version resource of a Windows PE file (PE32 or PE32+) by reading
// its headers, section table and resource directory, every offset and length
// checked against the file and its enclosing structure.

#include <string>
#include <vector>

namespace posix {

enum class ResourceStatus {
    Found,      // data holds the resource's bytes
    NotProgram, // missing, unreadable, or not a PE file
    NoVersion,  // a PE file without a version resource
    Damaged,    // a PE file whose headers or resource directory do not hold together
};

struct VersionResource {
    ResourceStatus status = ResourceStatus::NotProgram;
    const char* defect = ""; // what is wrong, when Damaged
    std::vector<unsigned char> data;
};

VersionResource readVersionResource(const std::string& nativePath);

} // namespace posix
