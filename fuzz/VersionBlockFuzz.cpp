// The version block itself, as a caller got it from a file: a tree of
// length-prefixed nodes with UTF-16 keys.

#include "FuzzSupport.h"
#include "VersionQueries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::queryVersionBlock(std::vector<unsigned char>(data, data + size));
    return 0;
}
