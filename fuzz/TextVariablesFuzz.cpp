// Expansion of %Name% and $NAME$ references: the first part of the input is
// the text, the second the language file the store is loaded from.

#include "FuzzSupport.h"
#include "NlsFile.h"
#include "Resolver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzzing::splitParts(fuzzing::asBytes(data, size), 2);
    const CStdStr store = fuzzing::enginePath(fuzzing::writeScratchFile("texts.nls", parts[1]));
    NlsFile::LoadFile(store, "en");
    const CStdStr text(parts[0]);
    const CStdStr expanded = ExpandTextVariables(text);
    const CStdStr system = ExpandSystemVariables(text);
    // Only references change a text.
    if (text.find('%') == std::string::npos && text.find('$') == std::string::npos)
        FUZZ_CHECK(expanded == text);
    if (text.find('$') == std::string::npos)
        FUZZ_CHECK(system == text);
    return 0;
}
