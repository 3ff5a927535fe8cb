#include "../Drives.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/statvfs.h>

#include "NativePath.h"

namespace platform {
namespace {

const char* const kMountTable = "/proc/self/mounts";
const char* const kMountTableOverride = "KENDRY_MOUNT_TABLE";

bool isOpticalFileSystem(const std::string& type) {
    return ::strcasecmp(type.c_str(), "iso9660") == 0 || ::strcasecmp(type.c_str(), "udf") == 0;
}

// The mount table writes blanks, tabs, newlines and backslashes in paths as
// three-digit octal escapes (\040).
std::string unescapeMountField(const std::string& field) {
    std::string text;
    for (size_t at = 0; at < field.size(); ++at) {
        const bool escape = field[at] == '\\' && at + 3 < field.size() && field[at + 1] >= '0' &&
                            field[at + 1] <= '3' && field[at + 2] >= '0' && field[at + 2] <= '7' &&
                            field[at + 3] >= '0' && field[at + 3] <= '7';
        if (escape) {
            text += char((field[at + 1] - '0') * 64 + (field[at + 2] - '0') * 8 +
                         (field[at + 3] - '0'));
            at += 3;
        } else {
            text += field[at];
        }
    }
    return text;
}

// Device, mount point and type: the first three blank-separated fields.
bool splitMountLine(const std::string& line, std::string& mountPoint, std::string& type) {
    std::string fields[3];
    size_t at = 0;
    for (std::string& field : fields) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos)
            return false;
        const size_t end = line.find_first_of(" \t\n", at);
        field = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end;
    }
    mountPoint = unescapeMountField(fields[1]);
    type = fields[2];
    return true;
}

bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    int ch;
    while ((ch = std::fgetc(file)) != EOF && ch != '\n')
        line += char(ch);
    return ch != EOF || !line.empty();
}

} // namespace

bool freeDiskSpace(const CStdStr& folder, std::uint64_t& bytesAvailable) {
    // Without drive letters every path's drive is empty: it names the one
    // file tree, whose root is "/".
    const std::string path = folder.empty() ? std::string("/") : posix::toNative(folder);
    struct statvfs info;
    if (::statvfs(path.c_str(), &info) != 0)
        return false;
    bytesAvailable = std::uint64_t(info.f_bavail) * info.f_frsize;
    return true;
}

std::vector<CStdStr> opticalDriveRoots() {
    std::vector<CStdStr> roots;
    const char* override = std::getenv(kMountTableOverride);
    std::FILE* table = std::fopen(override && *override ? override : kMountTable, "r");
    if (!table)
        return roots;
    std::string line;
    std::string mountPoint;
    std::string type;
    while (readLine(table, line)) {
        if (!splitMountLine(line, mountPoint, type) || !isOpticalFileSystem(type) ||
            mountPoint.empty() || mountPoint[0] != '/')
            continue;
        CStdStr root = posix::toEngine(mountPoint);
        if (root.back() != '\\')
            root += '\\';
        roots.push_back(root);
    }
    std::fclose(table);
    return roots;
}

} // namespace platform
