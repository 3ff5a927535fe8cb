#include "../Wow64.h"

#include <cstring>
#include <sys/utsname.h>

namespace platform {
namespace {

const char* const k64BitMachines[] = {"x86_64",  "aarch64", "ppc64",   "ppc64le",    "s390x",
                                      "riscv64", "mips64",  "sparc64", "loongarch64"};

bool is64BitMachine(const char* machine) {
    for (const char* known : k64BitMachines) {
        if (std::strcmp(machine, known) == 0)
            return true;
    }
    return false;
}

} // namespace

// The kernel names its own machine, not the process's, so a 32-bit build on a
// 64-bit kernel sees the 64-bit name.
bool isWow64Process() {
    if (sizeof(void*) != 4)
        return false;
    utsname system;
    return ::uname(&system) == 0 && is64BitMachine(system.machine);
}

} // namespace platform
