#pragma once
// Driver INF files and the package's product.ini: an IniFile that can be
// found under the registered driver folder, with parent steps collapsed in
// its path and a table of the string tokens of its [Strings] sections.

#include <map>

#include "CStdStr.h"
#include "IniFile.h"

// INF vocabulary: section and key names.
extern const CStdStr INF_STRINGS;
extern const CStdStr INF_SOURCE_DISKS_FILES;
extern const CStdStr INF_SOURCE_DISKS_NAMES;
extern const CStdStr INF_DATA_SECTION;
extern const CStdStr INF_COPY_FILES;
extern const CStdStr INF_INCLUDE;
extern const CStdStr INF_NEEDS;
extern const CStdStr INF_DESTINATION_DIRS;
extern const CStdStr INF_DEFAULT_DEST_DIR;
extern const CStdStr INF_MANUFACTURER;
extern const CStdStr INF_DATA_FILE;
extern const CStdStr INF_DRIVER_FILE;
extern const CStdStr INF_CONFIG_FILE;
extern const CStdStr INF_HELP_FILE;
extern const CStdStr INF_COLOR;
extern const CStdStr INF_VERSION;
extern const CStdStr INF_CATALOG_FILE;
extern const CStdStr INF_OEM_URLS;

class InfFile : public IniFile {
public:
    using StringTable = std::map<CStdStr, CStdStr, NoCaseLess>;

    // Reads the file at path, first moved under the registered driver folder
    // when useDriverStore is set.
    InfFile(const CStdStr& path, bool useDriverStore);
    ~InfFile() override;

    // name under the "Drivers" folder that the language text
    // WEB_UPDATE.ComponentsRegistry names in HKLM (its install\x86 folder);
    // name unchanged when there is none.
    static CStdStr LocateInDriverStore(const CStdStr& name);
    // Collapses the run of ".." steps that starts at the first one (a path
    // that starts with one is taken from the program's folder).
    static CStdStr CollapseParentDirs(const CStdStr& path);

    // [Strings], then the sections of the texts' language (IS_LANG), such as
    // [Strings.0009] and [Strings.0409] for 1033; later ones override.
    void LoadStrings();
    void LoadStringsSection(const CStdStr& name);

    // Keys are held lower-cased.
    const StringTable& GetStrings() const { return m_strings; }
    const CStdStr& GetPath() const { return m_path; }

private:
    StringTable m_strings;
    CStdStr m_path;
};
