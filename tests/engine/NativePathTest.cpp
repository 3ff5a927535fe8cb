#include "platform/posix/NativePath.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::writeFile;

class CaseFolder : public ::testing::Test {
protected:
    void SetUp() override { writeFile(m_dir.file("Foo/Bar.TXT"), "content"); }
    TempDir m_dir;
};

TEST_F(CaseFolder, MissResolvesEachComponentIgnoringCase) {
    const struct {
        const char* engine;
        const char* native;
    } cases[] = {
        {"foo\\bar.txt", "Foo/Bar.TXT"},
        {"FOO/BAR.txt", "Foo/Bar.TXT"},
        {"FOO\\", "Foo/"},
        {"foo\\..\\FOO\\bar.TXT", "Foo/../Foo/Bar.TXT"},
        // A new file keeps its case inside the folders found; below a missing
        // folder nothing is looked up.
        {"FOO\\New.Txt", "Foo/New.Txt"},
        // The folder as written, only the name to look up.
        {"Foo\\bar.txt", "Foo/Bar.TXT"},
        {"Foo\\New.Txt", "Foo/New.Txt"},
        {"foo\\Missing\\BAR.TXT", "Foo/Missing/BAR.TXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.engine);
        EXPECT_EQ(posix::toNative(m_dir.enginePath(c.engine)), m_dir.file(c.native));
    }
    std::FILE* file = platform::openFile(m_dir.enginePath("FOO\\bar.txt"), "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
}

TEST_F(CaseFolder, ExactSpellingWinsOverCaseVariants) {
    fs::create_directory(m_dir.file("foo"));
    EXPECT_EQ(posix::toNative(m_dir.enginePath("foo")), m_dir.file("foo"));
    EXPECT_EQ(posix::toNative(m_dir.enginePath("Foo")), m_dir.file("Foo"));
    // Several variants and no exact one: the first in byte order, whatever the disk's order.
    EXPECT_EQ(posix::toNative(m_dir.enginePath("FOO")), m_dir.file("Foo"));
}

TEST_F(CaseFolder, DriveLetterIsDropped) {
    EXPECT_EQ(posix::toNative("C:" + m_dir.enginePath("foo\\bar.txt")), m_dir.file("Foo/Bar.TXT"));
    const struct {
        const char* engine;
        const char* native;
    } cases[] = {
        {"C:\\Windows\\x.dll", "/Windows/x.dll"},
        {"d:/x", "/x"},
        {"C:", "/"},
        {"C:rel", "/rel"},
        {"rel\\x", "rel/x"},
        {"1:\\x", "1:/x"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.engine);
        EXPECT_EQ(posix::toNativeLiteral(c.engine), c.native);
    }
}

TEST(NativePathTest, ToEngineTurnsSlashesIntoBackslashes) {
    EXPECT_EQ(posix::toEngine("/tmp/a b/c.txt"), "\\tmp\\a b\\c.txt");
    EXPECT_EQ(posix::toEngine("rel"), "rel");
}

TEST(NativePathTest, ErrnoMapsToWindowsCodes) {
    EXPECT_EQ(posix::winErrorFromErrno(0), winerr::SUCCESS);
    EXPECT_EQ(posix::winErrorFromErrno(ENOENT), winerr::FILE_NOT_FOUND);
    EXPECT_EQ(posix::winErrorFromErrno(ENOTDIR), winerr::PATH_NOT_FOUND);
    EXPECT_EQ(posix::winErrorFromErrno(EACCES), winerr::ACCESS_DENIED);
    EXPECT_EQ(posix::winErrorFromErrno(ENOSPC), winerr::DISK_FULL);
}

} // namespace
