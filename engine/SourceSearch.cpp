#include "SourceSearch.h"

#include <vector>

#include "DebugLog.h"
#include "FileFind.h"
#include "FileOp.h"
#include "InfFile.h"
#include "OSInfo.h"
#include "PathObject.h"
#include "Registry.h"
#include "StringTokenizer.h"
#include "SystemPath.h"
#include "platform/Drives.h"
#include "platform/Environment.h"
#include "platform/Find.h"

const CStdStr SOURCE_COINSTALLER_SECTION("CoinstallerData");
const CStdStr SOURCE_PREFIX_ENTRY("Prefix");
const CStdStr SOURCE_PRODUCT_INI("install\\config\\product.ini");
const CStdStr SOURCE_SETUP_KEY("Software\\Microsoft\\Windows\\CurrentVersion\\Setup");
const CStdStr SOURCE_INSTALLATION_SOURCES("Installation Sources");
const CStdStr SOURCE_CURRENT_VERSION_KEY("Software\\Microsoft\\Windows\\CurrentVersion");
const CStdStr SOURCE_DEVICE_PATH("DevicePath");
const CStdStr SOURCE_BRASK_KEY("Software\\Brask\\Tollmere");
const CStdStr SOURCE_VANTREL_KEY("Software\\VantrelInkjet\\Tollmere");

namespace {

const char* const kSource = ".\\SystemPath.cpp";
const char* const kCoInstallerFilesSection = "CoInstallers_Files";

// Program codes of the system folders the search starts from.
constexpr int kPackageRootCode = 0;
constexpr int kProgramFilesCode = 14;

bool fileExists(const CStdStr& path) {
    return FileOp::fileExists(PathObject(path));
}

// Folders are held without a trailing backslash, so the root of a platform
// without drive letters is empty; it is answered as "\" to tell it from
// "not found".
CStdStr answerFor(const CStdStr& folder) {
    return folder.empty() ? CStdStr("\\") : folder;
}

bool holdsProduct(const CStdStr& folder) {
    return fileExists(folder + "\\" + SOURCE_PRODUCT_INI);
}

std::vector<CStdStr> candidatesOf(const RegValue& value) {
    std::vector<CStdStr> candidates;
    if (value.type == VALUE_STRING || value.type == VALUE_EXPAND_STRING)
        StringTokenizer(value.text, ';', TOKEN_TRIM_LEADING).SplitAll(candidates);
    else if (value.type == VALUE_MULTI_STRING)
        candidates = value.list;
    return candidates;
}

// Walks up from folder to the first folder that holds product.ini: that one
// is the answer when its prefix is the wanted one, and the walk ends there
// either way.
CStdStr productFolderAbove(CStdStr folder, const CStdStr& prefix) {
    for (;;) {
        if (holdsProduct(folder)) {
            InfFile product(folder + "\\" + SOURCE_PRODUCT_INI, false);
            CStdStr found;
            const IniSection* data = product.FindSection(SOURCE_COINSTALLER_SECTION);
            if (data && data->GetValue(SOURCE_PREFIX_ENTRY, found) &&
                found.EqualsNoCase(prefix.c_str()))
                return answerFor(folder);
            return CStdStr();
        }
        const CStdStr parent = folderPathOf(folder).getDirectory();
        if (folder.empty() || parent == folder)
            return CStdStr();
        folder = parent;
    }
}

} // namespace

CStdStr guessRootDir(CStdStr infPath, CStdStr prefix) {
    const CStdStr base = SystemPath(kPackageRootCode).getDirectory();
    if (holdsProduct(base))
        return answerFor(base);
    CStdStr found = checkSourceFromRegistry(SOURCE_SETUP_KEY, SOURCE_INSTALLATION_SOURCES, prefix);
    if (found.empty())
        found = checkSourceFromRegistry(SOURCE_CURRENT_VERSION_KEY, SOURCE_DEVICE_PATH, prefix);
    if (found.empty())
        found = checkSourceFromRegistry(SOURCE_BRASK_KEY, prefix, prefix);
    if (found.empty())
        found = checkSourceFromRegistry(SOURCE_VANTREL_KEY, prefix, prefix);
    if (found.empty())
        found = findCoInstallerFolder(infPath);
    if (found.empty())
        found = findCdRoot();
    return found;
}

CStdStr checkSourceFromRegistry(CStdStr keyPath, CStdStr valueName, CStdStr prefix) {
    Registry registry;
    RegValue value;
    if (!registry.ReadValue("HKLM", keyPath, valueName, value))
        return CStdStr();
    for (CStdStr candidate : candidatesOf(value)) {
        // The tokenizer leaves the blanks after the last entry, and no
        // folder ends in one; an empty entry names no folder.
        if (candidate.Trim().empty())
            continue;
        if (candidate.find('%') != std::string::npos) {
            CStdStr expanded;
            const int error = platform::expandEnvironmentStrings(candidate, expanded);
            if (error != 0) {
                KENDRY_LOG(kSource, "checkSourceFromRegistry", LOG_ERROR,
                           "ExpandEnvironmentStrings failed and returned %d", error);
                return CStdStr();
            }
            candidate = expanded;
        }
        PathObject folder;
        folder.setDirectory(candidate);
        const CStdStr answer = productFolderAbove(folder.getDirectory(), prefix);
        if (!answer.empty())
            return answer;
    }
    return CStdStr();
}

CStdStr findCoInstallerFolder(CStdStr infPath) {
    const CStdStr programFiles = SystemPath(kProgramFilesCode).getDirectory();
    // Without an INF or a Program Files folder there is nothing to look for.
    if (infPath.empty() || programFiles.empty())
        return CStdStr();
    InfFile inf(infPath, false);
    IniSection* files = inf.FindSection(kCoInstallerFilesSection);
    CStdStr firstFile;
    CStdStr ignored;
    if (!files || !files->Rewind() || !files->GetCurrentValue(firstFile, ignored))
        return CStdStr();
    const CStdStr prefix = firstFile.Left(4);
    const CStdStr maker = prefix.Left(2);
    const char* pattern = maker.EqualsNoCase("VT")   ? "%s\\Vantrel*"
                          : maker.EqualsNoCase("BK") ? "%s\\Brask*"
                                                     : "%s\\*";
    const char* dllPattern =
        OSInfo().is64Bit() ? "%s\\Install\\x64\\%ssoft.dll" : "%s\\Install\\x86\\%ssoft.dll";
    for (FileFind find(PathObject(CStdStr::Formatted(pattern, programFiles.c_str())));
         find.hasEntry(); find.next()) {
        if (!(find.attributes() & platform::FIND_ATTR_DIRECTORY) || find.isDots())
            continue;
        const CStdStr folder = find.current().getFullPath();
        if (fileExists(CStdStr::Formatted(dllPattern, folder.c_str(), prefix.c_str())))
            return folder;
    }
    return CStdStr();
}

CStdStr findCdRoot() {
    for (const CStdStr& root : platform::opticalDriveRoots()) {
        if (fileExists(CStdStr::Formatted("%s%s", root.c_str(), SOURCE_PRODUCT_INI.c_str())))
            return answerFor(root.Left(root.GetLength() - 1));
    }
    return CStdStr();
}
