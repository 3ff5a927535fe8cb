// INI files as IniFile reads them (ANSI, or UTF-16LE after FF FE), with and
// without keyless lines, read fresh and appended over themselves; the same
// bytes through the quick one-value read and as a driver INF file.

#include "FuzzSupport.h"
#include "InfFile.h"
#include "IniFile.h"
#include "QuickIni.h"

namespace {

// Every distinct name the walk yields is found by lookup with the same value.
void checkSection(const IniSection& original) {
    IniSection& section = const_cast<IniSection&>(original);
    CStdStr name;
    CStdStr value;
    CStdStr looked;
    int walked = 0;
    for (section.Rewind(); section.GetCurrentValue(name, value); section.Next()) {
        FUZZ_CHECK(section.GetValue(name, looked));
        FUZZ_CHECK(looked == value);
        ++walked;
    }
    FUZZ_CHECK(walked == section.GetCount());
}

void readModel(const CStdStr& path, bool keyless) {
    IniFile ini(keyless);
    FUZZ_CHECK(ini.Read(path, false));
    const int sections = ini.GetSectionCount();
    FUZZ_CHECK(ini.Read(path, true));
    FUZZ_CHECK(ini.GetSectionCount() >= sections);
    for (int i = 0; i < ini.GetSectionCount(); ++i) {
        const IniSection* section = ini.GetSection(i);
        FUZZ_CHECK(section != nullptr);
        FUZZ_CHECK(ini.FindSection(section->GetName()) != nullptr);
        checkSection(*section);
    }
}

// The first section and entry named in the file, for the quick read.
void quickRead(const CStdStr& path) {
    IniFile ini;
    ini.Read(path, false);
    CStdStr name;
    CStdStr value;
    IniSection* section = ini.GetSectionCount() > 0 ? ini.GetSection(0) : nullptr;
    if (section && section->Rewind())
        section->GetCurrentValue(name, value);
    CStdStr quick;
    QuickReadIniString(path, section ? section->GetName() : CStdStr("Strings"), name, quick);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CStdStr path =
        fuzzing::enginePath(fuzzing::writeScratchFile("input.ini", fuzzing::asBytes(data, size)));
    readModel(path, false);
    readModel(path, true);
    quickRead(path);
    InfFile inf(path, false);
    inf.LoadStrings();
    return 0;
}
