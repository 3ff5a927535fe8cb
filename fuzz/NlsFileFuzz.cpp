// The language folder: a requested language, LangConv.ini, two language
// files, Common.nls and OEM.nls, each a part of the input; the language is
// chosen and loaded, then texts are fetched as the pages fetch them.

#include <filesystem>

#include "FuzzSupport.h"
#include "NlsFile.h"

namespace {

// Fetching expands references, which is bounded per text but not cheap.
constexpr int kMaxTexts = 64;

void fetchTexts() {
    int fetched = 0;
    for (int i = 0; i < theTextStore.GetSectionCount() && fetched < kMaxTexts; ++i) {
        IniSection* section = theTextStore.GetSection(i);
        CStdStr name;
        CStdStr value;
        for (section->Rewind(); section->GetCurrentValue(name, value) && fetched < kMaxTexts;
             section->Next(), ++fetched) {
            const CStdStr text = NlsFile::GetText(section->GetName() + "." + name);
            NlsFile::IsTextDefined(text);
            if (section->GetName().EqualsNoCase("Global"))
                NlsFile::GetText(name);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzzing::splitParts(fuzzing::asBytes(data, size), 6);
    fuzzing::clearScratch();
    const std::string folder = fuzzing::scratchFile("NLS");
    std::filesystem::create_directory(folder);
    const char* const names[] = {"LangConv.ini", "en.nls", "de_DE.nls", "Common.nls", "OEM.nls"};
    for (size_t i = 0; i < 5; ++i)
        fuzzing::writeScratchFile(std::string("NLS/") + names[i], parts[i + 1]);
    PathObject where;
    where.setDirectory(fuzzing::enginePath(folder));
    FUZZ_CHECK(NlsFile::InitializeFromFiles(where, CStdStr(parts[0].substr(0, 64))));
    FUZZ_CHECK(NlsFile::GetAvailableLanguages().size() == 2);
    fetchTexts();
    return 0;
}
