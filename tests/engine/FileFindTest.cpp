#include "FileFind.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include "TestSupport.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::writeFile;

std::vector<CStdStr> namesFound(const PathObject& pattern) {
    std::vector<CStdStr> names;
    for (FileFind find(pattern); find.hasEntry(); find.next())
        names.push_back(find.name());
    return names;
}

PathObject patternIn(const TempDir& dir, const char* name) {
    PathObject pattern;
    pattern.setDirectory(dir.enginePath());
    pattern.setName(name);
    return pattern;
}

TEST(FileFindTest, EmptyFolderYieldsOnlyTheDots) {
    TempDir dir;
    FileFind find(patternIn(dir, "*.*"));
    ASSERT_TRUE(find.hasEntry());
    EXPECT_EQ(find.name(), ".");
    EXPECT_TRUE(find.isDots());
    EXPECT_EQ(find.attributes() & platform::FIND_ATTR_DIRECTORY, platform::FIND_ATTR_DIRECTORY);
    ASSERT_TRUE(find.next());
    EXPECT_EQ(find.name(), "..");
    EXPECT_TRUE(find.isDots());
    EXPECT_FALSE(find.next());
    EXPECT_FALSE(find.hasEntry());
    EXPECT_FALSE(find.next());
}

// A folder holding names that tell the Windows wildcard rules apart.
class WildcardFolder : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"README", "a.txt", "B.TXT", "file.txt", "file1.txt",
                                 "archive.tar.gz", "_first", ".hidden"})
            writeFile(m_dir.file(name), "x");
        fs::create_directory(m_dir.file("Sub"));
    }
    TempDir m_dir;
};

TEST_F(WildcardFolder, PatternsMatchAsOnWindowsIgnoringCase) {
    // Dots first, then by upper-cased name as NTFS lists them.
    const std::vector<CStdStr> everything{
        ".",        "..",        ".hidden", "a.txt", "archive.tar.gz", "B.TXT",
        "file.txt", "file1.txt", "README",  "Sub",   "_first"};
    const struct {
        const char* pattern;
        std::vector<CStdStr> names;
    } cases[] = {
        {"*.*", everything},
        {"*", everything},
        {"*.TXT", {"a.txt", "B.TXT", "file.txt", "file1.txt"}},
        // ? may stand for no character before a period.
        {"file?.txt", {"file.txt", "file1.txt"}},
        {"?.txt", {"a.txt", "B.TXT"}},
        // *. lists the names without an extension.
        {"*.", {".", "..", "README", "Sub", "_first"}},
        {"*.gz", {"archive.tar.gz"}},
        {"archive.*", {"archive.tar.gz"}},
        {"readme.*", {"README"}},
        {"*.hidden", {".hidden"}},
        {"*e*", {".hidden", "archive.tar.gz", "file.txt", "file1.txt", "README"}},
        // Without a wildcard the named entry itself is found, in its own case.
        {"readme", {"README"}},
        {"SUB", {"Sub"}},
        {"file", {}},
        {"*.nls", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(namesFound(patternIn(m_dir, c.pattern)), c.names);
    }
}

TEST_F(WildcardFolder, FolderWithoutWildcardFindsTheFolderItself) {
    PathObject pattern;
    pattern.setPath(m_dir.enginePath("sub"));
    FileFind find(pattern);
    ASSERT_TRUE(find.hasEntry());
    EXPECT_EQ(find.name(), "Sub");
    EXPECT_FALSE(find.isDots());
    EXPECT_EQ(find.attributes(), platform::FIND_ATTR_DIRECTORY);
    EXPECT_EQ(find.current().getFullPath(), m_dir.enginePath("Sub"));
    EXPECT_FALSE(find.next());
}

TEST_F(WildcardFolder, CurrentKeepsThePatternsFolderSpelling) {
    writeFile(m_dir.file("Sub/Inner/Deep.TXT"), "x");
    const PathObject pattern(m_dir.enginePath("SUB\\inner\\*.txt"));
    FileFind find(pattern);
    ASSERT_TRUE(find.hasEntry());
    EXPECT_EQ(find.current().getDirectory(), m_dir.enginePath("SUB\\inner"));
    EXPECT_EQ(find.current().getName(), "Deep.TXT");
}

TEST(FileFindTest, RecordCarriesAttributesSizeAndTimes) {
    TempDir dir;
    writeFile(dir.file("plain.bin"), std::string(3000, 'x'));
    writeFile(dir.file("locked.txt"), "x");
    ::chmod(dir.file("locked.txt").c_str(), 0444);
    fs::create_directory(dir.file("folder"));
    ::chmod(dir.file("folder").c_str(), 0555);
    struct timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
    ::utimensat(AT_FDCWD, dir.file("plain.bin").c_str(), times, 0);

    const struct {
        const char* name;
        std::uint32_t attributes;
        std::uint64_t size;
    } cases[] = {
        {"plain.bin", platform::FIND_ATTR_NORMAL, 3000},
        {"locked.txt", platform::FIND_ATTR_READONLY, 1},
        {"folder", platform::FIND_ATTR_DIRECTORY | platform::FIND_ATTR_READONLY, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileFind find(patternIn(dir, c.name));
        ASSERT_TRUE(find.hasEntry());
        EXPECT_EQ(find.attributes(), c.attributes);
        EXPECT_EQ(find.data().size, c.size);
        EXPECT_EQ(find.data().shortName[0], '\0');
    }
    // 100-ns ticks since 1601: 2009-02-13 23:31:30.5 UTC.
    FileFind find(patternIn(dir, "plain.bin"));
    EXPECT_EQ(find.data().lastWriteTime, 128790414905000000ULL);
    EXPECT_EQ(find.data().lastAccessTime, 116444736000000000ULL + 10000000000000000ULL);
}

TEST(FileFindTest, NamesWithABackslashAreSkipped) {
    TempDir dir;
    writeFile(dir.file("a\\b.txt"), "x");
    writeFile(dir.file("c.txt"), "x");
    EXPECT_EQ(namesFound(patternIn(dir, "*.txt")), (std::vector<CStdStr>{"c.txt"}));
}

TEST(FileFindTest, FailuresGiveWindowsCodes) {
    TempDir dir;
    writeFile(dir.file("file.txt"), "x");
    const struct {
        CStdStr pattern;
        int error;
    } cases[] = {
        {dir.enginePath("missing\\*.*"), winerr::PATH_NOT_FOUND},
        {dir.enginePath("file.txt\\*"), winerr::PATH_NOT_FOUND},
        {dir.enginePath("*.doc"), winerr::FILE_NOT_FOUND},
        {dir.enginePath("other.txt"), winerr::FILE_NOT_FOUND},
        {dir.enginePath("") + "\\", winerr::FILE_NOT_FOUND},
        {dir.enginePath("*\\file.txt"), winerr::INVALID_NAME},
        {dir.enginePath(std::string(100000, '*')), winerr::FILENAME_EXCED_RANGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        platform::FindHandle handle = nullptr;
        platform::FindData data;
        EXPECT_EQ(platform::findFirstFile(c.pattern, handle, data), c.error);
        EXPECT_EQ(handle, nullptr);
    }

    platform::FindHandle handle = nullptr;
    platform::FindData data;
    ASSERT_EQ(platform::findFirstFile(dir.enginePath("FILE.TXT"), handle, data), winerr::SUCCESS);
    EXPECT_STREQ(data.name, "file.txt");
    EXPECT_EQ(platform::findNextFile(handle, data), winerr::NO_MORE_FILES);
    EXPECT_EQ(platform::findNextFile(handle, data), winerr::NO_MORE_FILES);
    EXPECT_EQ(platform::findClose(handle), winerr::SUCCESS);
    EXPECT_EQ(platform::findNextFile(nullptr, data), winerr::INVALID_HANDLE);
    EXPECT_EQ(platform::findClose(nullptr), winerr::INVALID_HANDLE);
}

TEST(FileFindTest, NothingFoundMeansNoEntryAndNoDots) {
    TempDir dir;
    FileFind find(patternIn(dir, "missing\\*.*"));
    EXPECT_FALSE(find.hasEntry());
    EXPECT_FALSE(find.isDots());
    EXPECT_FALSE(find.next());
}

TEST(FileFindTest, DriveRootListsNoDots) {
    FileFind find(PathObject("C:\\*"));
    ASSERT_TRUE(find.hasEntry());
    for (; find.hasEntry(); find.next())
        EXPECT_FALSE(find.isDots());
}

} // namespace
