// The registry store's file: parsed, written back unchanged, changed by one
// value and read again; and the same bytes as the store behind the
// registry calls, whose values are decoded into typed results.

#include "FuzzSupport.h"
#include "Registry.h"
#include "platform/posix/RegFile.h"

namespace {

const std::u16string kKey = u"HKEY_LOCAL_MACHINE\\Software\\Fuzz";
const std::u16string kName = u"Value";

void checkChange(const std::string& bytes, const posix::RegData& data) {
    posix::RegFile file;
    std::string problem;
    if (!file.parse(bytes, problem))
        return;
    FUZZ_CHECK(file.setValue(kKey, kName, data));
    const posix::RegData* inMemory = file.findValue(kKey, kName);
    FUZZ_CHECK(inMemory && *inMemory == data);
    posix::RegFile reread;
    FUZZ_CHECK(reread.parse(file.serialize(), problem));
    const posix::RegData* found = reread.findValue(kKey, kName);
    FUZZ_CHECK(found && *found == data);
    FUZZ_CHECK(reread.hasKey(kKey));
}

// Values every encoding and format holds exactly: ASCII text, a number, bytes.
std::vector<posix::RegData> valuesFrom(const std::string& bytes) {
    std::u16string text;
    for (char ch : bytes.substr(0, 32)) {
        if (ch >= 0x20 && ch < 0x7F)
            text += static_cast<char16_t>(ch);
    }
    text += u'\0';
    return {
        {platform::REG_SZ, posix::toUtf16Bytes(text)},
        {platform::REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {platform::REG_BINARY, bytes.substr(0, 40)},
    };
}

void readThroughRegistry(const std::string& bytes) {
    fuzzing::writeScratchFile("store.reg", bytes);
    Registry registry;
    RegValue value;
    for (const char* name : {"Value", "", "Log"}) {
        registry.ReadValue("HKLM", "Software\\Fuzz", name, value);
        registry.ReadValue("HKCU", "Software\\Fuzz", name, value);
    }
    registry.keyExists("HKCR", "Fuzz");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes = fuzzing::asBytes(data, size);
    posix::RegFile file;
    std::string problem;
    // A file without a line (empty, or only the UTF-16 mark) is a new store: it gains a header.
    const bool lineless = bytes.empty() || bytes == "\xFF\xFE";
    if (file.parse(bytes, problem) && !lineless)
        FUZZ_CHECK(file.serialize() == bytes);
    file.hasKey(kKey);
    file.findValue(kKey, kName);
    for (const posix::RegData& value : valuesFrom(bytes))
        checkChange(bytes, value);
    readThroughRegistry(bytes);
    return 0;
}
