// Compressed files (SZDD, cabinets with MSZIP) through the setup library's
// expansion and the LZ library's copy. Either way the target is complete or
// absent, nothing else is left in its folder, and where both expand an
// SZDD file they agree.

#include <filesystem>
#include <set>

#include "FuzzSupport.h"
#include "platform/LzExpand.h"
#include "platform/SetupApi.h"

namespace {

const char* const kSource = "input.ex_";
const char* const kSetupTarget = "setup.out";
const char* const kLzTarget = "lz.out";

std::set<std::string> scratchNames() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fuzzing::scratchDir()))
        names.insert(entry.path().filename().string());
    return names;
}

std::string contentOf(const char* name) {
    std::string bytes;
    if (std::FILE* file = std::fopen(fuzzing::scratchFile(name).c_str(), "rb")) {
        char buffer[8192];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.append(buffer, got);
        std::fclose(file);
    }
    return bytes;
}

CStdStr engineName(const char* name) {
    return fuzzing::enginePath(fuzzing::scratchFile(name));
}

// The LZ library's copy; true when it succeeded.
bool lzExpand() {
    platform::OFSTRUCT in;
    platform::OFSTRUCT out;
    const int source = platform::lzOpenFile(engineName(kSource), in, platform::OF_READ);
    if (source < 0)
        return false;
    const int target = platform::lzOpenFile(engineName(kLzTarget), out, platform::OF_CREATE);
    FUZZ_CHECK(target >= 0);
    const std::int64_t written = platform::lzCopy(source, target);
    platform::lzClose(target);
    platform::lzClose(source);
    FUZZ_CHECK(written < 0 || contentOf(kLzTarget).size() == static_cast<size_t>(written));
    return written >= 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::loadSetupApi();
    fuzzing::clearScratch();
    fuzzing::writeScratchFile(kSource, fuzzing::asBytes(data, size));

    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    int infoType = -1;
    const bool known =
        platform::getFileCompressionInfoEx(engineName(kSource), sourceSize, targetSize, infoType);
    int type = platform::FILE_COMPRESSION_WINLZA; // anything but NONE: read it from the file
    const bool setupOk =
        platform::decompressOrCopyFile(engineName(kSource), engineName(kSetupTarget), type) == 0;
    if (setupOk && known)
        FUZZ_CHECK(type == infoType);
    const bool lzOk = lzExpand();
    CStdStr expandedName;
    platform::getExpandedName(engineName(kSource), expandedName);

    std::set<std::string> expected = {kSource, "store.reg"};
    if (setupOk)
        expected.insert(kSetupTarget);
    if (lzOk)
        expected.insert(kLzTarget);
    std::set<std::string> present = scratchNames();
    present.insert("store.reg");
    FUZZ_CHECK(present == expected);
    if (setupOk && lzOk && type == platform::FILE_COMPRESSION_WINLZA)
        FUZZ_CHECK(contentOf(kSetupTarget) == contentOf(kLzTarget));
    return 0;
}
