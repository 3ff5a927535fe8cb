#pragma once
// The queries a caller makes of a version block: the fixed part, the
// translations, and the texts of each translation.

#include <vector>

#include "platform/VersionInfo.h"

namespace fuzzing {

inline void queryVersionBlock(const std::vector<unsigned char>& block) {
    std::vector<uint32_t> entries;
    CStdStr text;
    platform::queryVersionValue(block, "\\", entries);
    platform::queryVersionValue(block, "\\", text);
    platform::queryVersionValue(block, "\\StringFileInfo", entries);
    std::vector<uint32_t> translations;
    platform::queryVersionValue(block, "\\VarFileInfo\\Translation", translations);
    if (translations.size() > 4)
        translations.resize(4);
    for (const uint32_t translation : translations) {
        const CStdStr table = CStdStr::Formatted("\\StringFileInfo\\%04x%04x\\",
                                                 translation & 0xFFFF, translation >> 16);
        for (const char* name : {"FileVersion", "ProductVersion", "CompanyName"}) {
            platform::queryVersionValue(block, table + name, text);
            platform::queryVersionValue(block, table + name, entries);
        }
    }
}

} // namespace fuzzing
