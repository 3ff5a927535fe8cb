#include "../Machine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits.h>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// A NetBIOS computer name holds at most 15 characters.
constexpr size_t kComputerNameLength = 15;
// Room the user name is read with, terminator included.
constexpr size_t kUserNameSize = 514;

const char* const kMaxFrequencyFile = "/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq";
const char* const kCpuInfoFile = "/proc/cpuinfo";

// The first line of a file that starts with prefix; false when none does.
bool findLine(const char* path, const char* prefix, std::string& line) {
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return false;
    char buffer[512];
    bool found = false;
    while (!found && std::fgets(buffer, sizeof buffer, file)) {
        if (std::strncmp(buffer, prefix, std::strlen(prefix)) == 0) {
            line = buffer;
            found = true;
        }
    }
    std::fclose(file);
    return found;
}

bool clockFromFrequencyFile(int& megahertz) {
    std::string line;
    if (!findLine(kMaxFrequencyFile, "", line))
        return false;
    char* end = nullptr;
    const long kilohertz = std::strtol(line.c_str(), &end, 10);
    if (end == line.c_str() || kilohertz <= 0)
        return false;
    megahertz = int(kilohertz / 1000);
    return true;
}

// "cpu MHz\t\t: 2694.883" on x86; the current clock, the nearest figure
// when the kernel does not publish the maximum.
bool clockFromCpuInfo(int& megahertz) {
    std::string line;
    if (!findLine(kCpuInfoFile, "cpu MHz", line))
        return false;
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    char* end = nullptr;
    const double value = std::strtod(line.c_str() + colon + 1, &end);
    if (end == line.c_str() + colon + 1 || !(value > 0) || value > INT_MAX)
        return false;
    megahertz = int(std::lround(value));
    return true;
}

} // namespace

bool computerName(CStdStr& name) {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return false;
    std::string host(buffer);
    // The host name without its domain, as the short form a NetBIOS name is.
    host = host.substr(0, host.find('.'));
    name = host.substr(0, kComputerNameLength);
    return !name.empty();
}

bool userName(CStdStr& name) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name)
        return false;
    if (std::strlen(found->pw_name) >= kUserNameSize)
        return false;
    name = found->pw_name;
    return !name.empty();
}

std::uint64_t physicalMemoryBytes() {
    struct sysinfo info;
    if (::sysinfo(&info) != 0)
        return 0;
    return std::uint64_t(info.totalram) * (info.mem_unit ? info.mem_unit : 1);
}

bool processorMaxClockMHz(int& megahertz) {
    return clockFromFrequencyFile(megahertz) || clockFromCpuInfo(megahertz);
}

} // namespace platform
