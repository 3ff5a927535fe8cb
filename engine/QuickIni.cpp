#include "QuickIni.h"

#include "DebugLog.h"
#include "IniFile.h"
#include "TextFile.h"

bool QuickReadIniString(const CStdStr& path, const CStdStr& section, const CStdStr& name,
                        CStdStr& value) {
    if (path.empty() || section.empty() || name.empty())
        return false;
    value.clear();
    TextFile file;
    if (!file.Open(path, MODE_READ, ENCODING_DETECT)) {
        KENDRY_LOG(".\\QuickIni.cpp", "QuickReadIniString", LOG_ERROR,
                   "could not open file %s for writing.", path.c_str());
        return false;
    }
    CStdStr line;
    CStdStr current;
    CStdStr entryName;
    CStdStr entryValue;
    while (file.ReadString(line)) {
        line.Trim();
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            current.assign(line, 1, line.size() - 2);
            continue;
        }
        if (!current.EqualsNoCase(section.c_str()))
            continue;
        if (splitNameValue(line, entryName, entryValue) && entryName.EqualsNoCase(name.c_str())) {
            value = entryValue;
            return true;
        }
    }
    return false;
}
