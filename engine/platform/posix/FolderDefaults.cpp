#include "FolderDefaults.h"

#include <string>

#include "../RegistryApi.h"
#include "NativePath.h"
#include "RegistryDefaults.h"
#include "UserFolders.h"

namespace posix {
namespace {

const char* const kMachineVersion =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kMachineShellFolders =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kUserShellFolders =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct MachineFolder {
    const char* key;
    const char* name;
    const char* folder;
};

// Software installed outside the package manager: /opt for whole packages,
// the /usr/local hierarchy for what several share, /var/lib for their state.
const MachineFolder kMachineFolders[] = {
    {kMachineVersion, "ProgramFilesDir", "/opt"},
    {kMachineVersion, "CommonFilesDir", "/usr/local/lib"},
    {kMachineShellFolders, "Common AppData", "/var/lib"},
    {kMachineShellFolders, "Common Programs", "/usr/local/share/applications"},
};

void addFolder(const char* key, const char* name, const std::string& folder) {
    // An unknown folder stays unanswered rather than naming the root.
    if (folder.empty() || folder == "/")
        return;
    const CStdStr text = toEngine(folder);
    // With its terminating NUL, as a REG_SZ value is stored.
    addRegistryDefault(key, name, platform::REG_SZ, std::string(text.c_str(), text.size() + 1));
}

} // namespace

void addFolderDefaults() {
    for (const MachineFolder& entry : kMachineFolders)
        addFolder(entry.key, entry.name, entry.folder);
    addFolder(kUserShellFolders, "Desktop", userDesktopFolder());
    const std::string data = xdgDataHome();
    addFolder(kUserShellFolders, "Programs", data.empty() ? data : data + "/applications");
}

} // namespace posix
