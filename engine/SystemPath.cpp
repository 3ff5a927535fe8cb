#include "SystemPath.h"

#include "DebugLog.h"
#include "OSInfo.h"
#include "Registry.h"
#include "platform/Files.h"
#include "platform/SystemFolders.h"

namespace {

const char* const kSource = ".\\SystemPath.cpp";
const char* const kMachineVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kDefaultUserShellFolders =
    ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kMachineShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kDriverCabinet = "driver.CAB";
const char* const kDriverCabinet32 = "driver32.CAB";

struct RegistryFolder {
    int code;
    const char* root;
    const char* key;
    const char* value;
};

const RegistryFolder kRegistryFolders[] = {
    {1, "HKLM", kMachineVersionKey, "CommonFilesDir"},
    {14, "HKLM", kMachineVersionKey, "ProgramFilesDir"},
    {15, "HKCU", kUserShellFolders, "SendTo"},
    {27, "HKLM", kMachineShellFolders, "Common AppData"},
};

struct Subfolder {
    int code;
    int baseCode;
    const char* names;
};

const Subfolder kSubfolders[] = {
    {6, 23, "Driver Cache\\i386"},
    {7, 23, "Driver Cache\\amd64"},
    {8, 23, "Driver Cache\\x64"},
    {9, 23, "Fonts"},
    {20, 23, "Inf"},
    {25, 11, "3"},
    {26, 11, "2"},
};

PathObject folder(const CStdStr& directory) {
    PathObject path;
    path.setDirectory(directory);
    return path;
}

// An empty base stays empty, so no folder is built on the root.
PathObject below(PathObject base, const CStdStr& names) {
    if (base.hasDirectory())
        base.appendDirectory(names);
    return base;
}

PathObject parentOf(const PathObject& path) {
    return path.hasDirectory() ? folderPathOf(path.getDirectory()) : path;
}

PathObject registryFolder(const char* root, const char* key, const char* value) {
    Registry registry;
    return folder(registry.readValueText(root, key, value));
}

PathObject programFolder() {
    return folder(PathObject(platform::runningProgramFile()).getDirectory());
}

// Codes 3 and 18: the user's folder, or the one all users share.
PathObject shellFolder(bool allUsers, const char* userValue, const char* commonValue) {
    if (!allUsers)
        return registryFolder("HKCU", kUserShellFolders, userValue);
    if (OSInfo().is9xFamily())
        return registryFolder("HKU", kDefaultUserShellFolders, userValue);
    return registryFolder("HKLM", kMachineShellFolders, commonValue);
}

bool fileExists(const PathObject& path) {
    return path.hasName() && platform::pathExists(path.getFullPath());
}

PathObject resolve(int code, bool allUsers);

PathObject cabinetIn(int code, const char* name) {
    PathObject cabinet = resolve(code, false);
    cabinet.setName(name);
    return cabinet;
}

// The first of x64, amd64 that holds the cabinet, else the i386 one unchecked.
PathObject driverCabinet() {
    // Code 5 on a system that is not 64-bit is the i386 folder of code 6;
    // naming it directly spares a second detection.
    if (!OSInfo().is64Bit())
        return cabinetIn(6, kDriverCabinet);
    for (int code : {8, 7}) {
        const PathObject cabinet = cabinetIn(code, kDriverCabinet);
        if (cabinet.hasDirectory() && fileExists(cabinet))
            return cabinet;
    }
    return cabinetIn(6, kDriverCabinet32);
}

// Code 12: the printer-driver version folder of this system.
PathObject driverVersionFolder() {
    const OSInfo os;
    const PathObject drivers = resolve(11, false);
    if (os.getCode() == 4)
        return below(drivers, "2");
    if (os.is2000OrLater())
        return below(drivers, "3");
    return drivers;
}

PathObject driverFolderLevelsUp(int levels) {
    PathObject drivers = resolve(11, false);
    if (!OSInfo().isNtFamily())
        return drivers;
    for (int level = 0; level < levels; ++level)
        drivers = parentOf(drivers);
    return drivers;
}

bool findTableFolder(int code, PathObject& result) {
    for (const RegistryFolder& entry : kRegistryFolders) {
        if (entry.code == code) {
            result = registryFolder(entry.root, entry.key, entry.value);
            return true;
        }
    }
    for (const Subfolder& entry : kSubfolders) {
        if (entry.code == code) {
            result = below(resolve(entry.baseCode, false), entry.names);
            return true;
        }
    }
    return false;
}

// The folder of a code, with the cabinet's name for code 4; a code outside 0
// to 29 gives nothing, not even an empty folder.
bool resolveCode(int code, bool allUsers, PathObject& result) {
    if (findTableFolder(code, result))
        return true;
    switch (code) {
    case 0:
    case 28:
        result = parentOf(parentOf(programFolder()));
        return true;
    case 2:
        result = folder(platform::currentFolder());
        return true;
    case 3:
        result = shellFolder(allUsers, "Desktop", "Common Desktop");
        return true;
    case 4:
        result = driverCabinet();
        return true;
    case 5:
        result = resolve(OSInfo().is64Bit() ? 8 : 6, false);
        return true;
    case 10:
        result = programFolder();
        return true;
    case 11:
        result = folder(platform::printerDriverFolder());
        return true;
    case 12:
        result = driverVersionFolder();
        return true;
    case 13:
        result = folder(platform::printProcessorFolder());
        return true;
    case 16:
        result = driverFolderLevelsUp(2);
        return true;
    case 17:
        result = driverFolderLevelsUp(1);
        return true;
    case 18:
        result = shellFolder(allUsers, "Programs", "Common Programs");
        return true;
    case 19:
        result = folder(platform::systemFolder());
        return true;
    case 21:
        result = folder(splitWindowsPath(resolve(23, false).getDirectory()).drive);
        return true;
    case 22:
        result = folder(platform::temporaryFolder());
        return true;
    case 23:
        result = folder(platform::windowsFolder());
        return true;
    case 24:
        result = below(parentOf(resolve(11, false)), "Win40\\0");
        return true;
    case 29:
        result = folder(platform::documentsFolder());
        return true;
    default:
        return false;
    }
}

PathObject resolve(int code, bool allUsers) {
    PathObject result;
    resolveCode(code, allUsers, result);
    return result;
}

} // namespace

SystemPath::SystemPath(int code, bool allUsers) {
    SetPath(code, allUsers);
}

void SystemPath::SetPath(int code, bool allUsers) {
    PathObject resolved;
    if (!resolveCode(code, allUsers, resolved)) {
        KENDRY_LOG(kSource, "SystemPath::SetPath", LOG_ERROR, "invalid path code %i", code);
        return;
    }
    setDirectory(resolved.getDirectory());
    if (code == 10)
        setName(CStdStr());
    // A cabinet without a folder would name a file at the root.
    if (code == 4)
        setName(resolved.hasDirectory() ? resolved.getName() : CStdStr());
}
