#pragma once
// What every fuzz target shares: a scratch folder of the process's own, the
// input written there as a file for the parsers that read files, and the
// input split into parts for the targets that need more than one text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CStdStr.h"

namespace fuzzing {

// A fresh folder for this process, removed at exit. The first call also
// points the registry store at a file inside it, so no target touches the
// machine's own store.
const std::string& scratchDir();

// A native path below the scratch folder, and its engine (backslash) form.
std::string scratchFile(const std::string& name);
CStdStr enginePath(const std::string& nativePath);

// Writes bytes to the file, replacing what was there; the native path back.
std::string writeScratchFile(const std::string& name, const std::string& bytes);

// Removes everything below the scratch folder except the registry store.
void clearScratch();

std::string asBytes(const uint8_t* data, size_t size);

// The input cut at each occurrence of the marker line "\n--8<--\n"; always
// at least `count` parts (missing ones are empty), the rest joined into the last.
std::vector<std::string> splitParts(const std::string& input, size_t count);

// Stops the process so libFuzzer reports the input: an invariant that holds
// for every input failed.
[[noreturn]] void fail(const char* what);

} // namespace fuzzing

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzzing::fail(#condition);                                                           \
    } while (0)
