// A program file's version resource: headers, section table and resource
// directory, then the version block found there.

#include "FuzzSupport.h"
#include "VersionQueries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CStdStr path =
        fuzzing::enginePath(fuzzing::writeScratchFile("input.exe", fuzzing::asBytes(data, size)));
    const unsigned blockSize = platform::fileVersionInfoSize(path);
    std::vector<unsigned char> block;
    const bool found = platform::fileVersionInfo(path, block);
    FUZZ_CHECK(found == (blockSize != 0));
    FUZZ_CHECK(block.size() == blockSize);
    if (found)
        fuzzing::queryVersionBlock(block);
    return 0;
}
