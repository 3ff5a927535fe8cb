#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzzing {
namespace {

const char* const kPartMarker = "\n--8<--\n";
const char* const kStoreName = "store.reg";

// Memory-backed when the machine has it: targets write a file per input.
fs::path scratchParent() {
    std::error_code ignored;
    if (fs::is_directory("/dev/shm", ignored) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

void removeScratch() {
    std::error_code ignored;
    fs::remove_all(scratchDir(), ignored);
}

std::string makeScratch() {
    std::string pattern = (scratchParent() / "kendry-fuzz-XXXXXX").string();
    if (!::mkdtemp(&pattern[0]))
        throw std::runtime_error("mkdtemp failed");
    ::setenv("KENDRY_REGISTRY", (fs::path(pattern) / kStoreName).c_str(), 1);
    return pattern;
}

} // namespace

const std::string& scratchDir() {
    static const std::string dir = makeScratch();
    static const int registered = std::atexit(removeScratch);
    (void)registered;
    return dir;
}

std::string scratchFile(const std::string& name) {
    return scratchDir() + "/" + name;
}

CStdStr enginePath(const std::string& nativePath) {
    CStdStr path(nativePath);
    path.Replace('/', '\\');
    return path;
}

std::string writeScratchFile(const std::string& name, const std::string& bytes) {
    const std::string path = scratchFile(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void clearScratch() {
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(scratchDir(), ignored)) {
        if (entry.path().filename() != kStoreName)
            fs::remove_all(entry.path(), ignored);
    }
}

std::string asBytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

std::vector<std::string> splitParts(const std::string& input, size_t count) {
    std::vector<std::string> parts;
    const std::string marker(kPartMarker);
    size_t from = 0;
    while (parts.size() + 1 < count) {
        const size_t at = input.find(marker, from);
        if (at == std::string::npos)
            break;
        parts.push_back(input.substr(from, at - from));
        from = at + marker.size();
    }
    parts.push_back(from <= input.size() ? input.substr(from) : std::string());
    parts.resize(count);
    return parts;
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz invariant failed: %s\n", what);
    std::abort();
}

} // namespace fuzzing
