#include "InfFile.h"

#include "NlsFile.h"
#include "PathObject.h"
#include "Registry.h"
#include "SystemPath.h"

const CStdStr INF_STRINGS("Strings");
const CStdStr INF_SOURCE_DISKS_FILES("SourceDisksFiles");
const CStdStr INF_SOURCE_DISKS_NAMES("SourceDisksNames");
const CStdStr INF_DATA_SECTION("DataSection");
const CStdStr INF_COPY_FILES("CopyFiles");
const CStdStr INF_INCLUDE("Include");
const CStdStr INF_NEEDS("Needs");
const CStdStr INF_DESTINATION_DIRS("DestinationDirs");
const CStdStr INF_DEFAULT_DEST_DIR("DefaultDestDir");
const CStdStr INF_MANUFACTURER("Manufacturer");
const CStdStr INF_DATA_FILE("DataFile");
const CStdStr INF_DRIVER_FILE("DriverFile");
const CStdStr INF_CONFIG_FILE("ConfigFile");
const CStdStr INF_HELP_FILE("HelpFile");
const CStdStr INF_COLOR("Color");
const CStdStr INF_VERSION("Version");
const CStdStr INF_CATALOG_FILE("CatalogFile");
const CStdStr INF_OEM_URLS("OEM URLS");

namespace {

const char* const kComponentsRegistryText = "WEB_UPDATE.ComponentsRegistry";
const char* const kDriversValue = "Drivers";
const char* const kDriverStoreFolder = "install\\x86";
const char* const kLanguageText = "IS_LANG";
constexpr int kProgramFolderCode = 10;

bool isSeparator(char ch) {
    return ch == '\\' || ch == '/';
}

// The first ".." that is a whole component of the path: dots inside a name
// such as "v1..2" are no parent step.
size_t findParentStep(const CStdStr& path) {
    for (size_t at = path.find(".."); at != std::string::npos; at = path.find("..", at + 1)) {
        const bool starts = at == 0 || isSeparator(path[at - 1]);
        const bool ends = at + 2 == path.size() || isSeparator(path[at + 2]);
        if (starts && ends)
            return at;
    }
    return std::string::npos;
}

// A decimal LANGID of at most eight digits; false for anything else.
bool parseLanguageId(const CStdStr& text, unsigned long& langId) {
    if (text.empty() || text.size() > 8)
        return false;
    langId = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9')
            return false;
        langId = langId * 10 + static_cast<unsigned long>(ch - '0');
    }
    return true;
}

} // namespace

InfFile::InfFile(const CStdStr& path, bool useDriverStore) : IniFile(false) {
    CStdStr located = path;
    if (!path.empty() && useDriverStore)
        located = LocateInDriverStore(path);
    m_path = CollapseParentDirs(located);
    Read(m_path, false);
    LoadStrings();
}

InfFile::~InfFile() = default;

CStdStr InfFile::LocateInDriverStore(const CStdStr& name) {
    const CStdStr key = NlsFile::GetText(kComponentsRegistryText);
    if (key.empty())
        return name;
    Registry registry;
    RegValue value;
    // Only a folder named by a text value can take the file.
    if (!registry.ReadValue("HKLM", key, kDriversValue, value) || value.text.empty())
        return name;
    CStdStr folder = value.text;
    if (folder.back() != '\\')
        folder += '\\';
    PathObject located;
    located.setPath(folder);
    located.appendDirectory(kDriverStoreFolder);
    located.setName(name);
    return located.getFullPath();
}

CStdStr InfFile::CollapseParentDirs(const CStdStr& path) {
    const size_t step = findParentStep(path);
    if (step == std::string::npos)
        return path;
    PathObject base;
    if (step == 0)
        base = SystemPath(kProgramFolderCode);
    else
        base.setPath(path.Left(int(step)));
    CStdStr rest = path.Mid(int(step));
    while (rest.Left(2).EqualsNoCase("..")) {
        rest = rest.Mid(3);
        base = folderPathOf(base.getDirectory());
    }
    CStdStr collapsed = base.getFullPath();
    // An empty base is a relative path that climbed to its start: no root.
    if (!collapsed.empty() && collapsed.back() != '\\')
        collapsed += '\\';
    return collapsed + rest;
}

void InfFile::LoadStrings() {
    LoadStringsSection(INF_STRINGS);
    unsigned long langId = 0;
    // Without a language the neutral [Strings] are all there is.
    if (!parseLanguageId(NlsFile::GetText(kLanguageText), langId))
        return;
    LoadStringsSection(CStdStr::Formatted("%s.%04lx", INF_STRINGS.c_str(), langId & 0xFF));
    LoadStringsSection(CStdStr::Formatted("%s.%04lx", INF_STRINGS.c_str(), langId));
}

void InfFile::LoadStringsSection(const CStdStr& name) {
    IniSection* section = FindSection(name);
    if (!section)
        return;
    CStdStr entry;
    CStdStr value;
    for (section->Rewind(); section->GetCurrentValue(entry, value); section->Next())
        m_strings[entry.MakeLower()] = value;
}
