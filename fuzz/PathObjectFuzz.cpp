// Windows path texts: PathObject's split into folder and name, the root
// split, folder arithmetic, and FileOp::MakePath walking the same text
// inside a scratch folder.

#include <filesystem>
#include <unistd.h>

#include "FileOp.h"
#include "FuzzSupport.h"
#include "PathObject.h"
#include "platform/Files.h"

namespace {

// Deep trees cost time to create and remove on every input.
constexpr size_t kMaxMakePathLength = 200;

void checkParts(const CStdStr& text) {
    const WindowsPathParts parts = splitWindowsPath(text);
    FUZZ_CHECK(parts.drive.size() + parts.folder.size() + parts.baseName.size() +
                   parts.extension.size() ==
               text.size());
    CStdStr root;
    CStdStr rest;
    splitPathRoot(text, root, rest);
    FUZZ_CHECK(root + rest == text);
}

void checkObject(const CStdStr& text, const CStdStr& other) {
    PathObject path;
    if (path.setPath(text)) {
        FUZZ_CHECK(path.getDirectory().find('/') == std::string::npos);
        path.getFullPath();
    }
    PathObject second(other);
    FUZZ_CHECK(path.compare(second) == -second.compare(path));
    FUZZ_CHECK(path.compare(path) == 0);
    folderPathOf(text);
    second.appendDirectory(text);
    second.setDirectory(text);
    second.setName(other);
    second.getFullPath();
}

// The text's folders below the scratch folder: a rooted text (drive, share,
// leading separator) is re-rooted there, a relative one walks from it. A
// parent step could leave the scratch folder, so such texts are skipped.
void makePathInScratch(const CStdStr& text) {
    if (text.size() > kMaxMakePathLength || text.find("..") != std::string::npos ||
        text.find('\0') != std::string::npos)
        return;
    fuzzing::clearScratch();
    const std::string base = fuzzing::scratchFile("mk");
    std::filesystem::create_directory(base);
    CStdStr root;
    CStdStr rest;
    splitPathRoot(text, root, rest);
    const bool rooted = !root.empty() || (!rest.empty() && (rest[0] == '\\' || rest[0] == '/'));
    while (!rest.empty() && (rest[0] == '\\' || rest[0] == '/'))
        rest.erase(0, 1);
    const CStdStr inScratch = rooted ? fuzzing::enginePath(base) + "\\" + rest : rest;
    PathObject path;
    if (!path.setPath(inScratch))
        return;
    char remembered[4096];
    if (!::getcwd(remembered, sizeof remembered) || ::chdir(base.c_str()) != 0)
        return;
    const bool made = FileOp::MakePath(path);
    char after[4096];
    FUZZ_CHECK(::getcwd(after, sizeof after) && base == after);
    if (made && path.hasDirectory())
        FUZZ_CHECK(platform::pathExists(path.getDirectory()));
    FUZZ_CHECK(::chdir(remembered) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzzing::splitParts(fuzzing::asBytes(data, size), 2);
    const CStdStr text(parts[0]);
    checkParts(text);
    checkObject(text, CStdStr(parts[1]));
    makePathInScratch(text);
    return 0;
}
