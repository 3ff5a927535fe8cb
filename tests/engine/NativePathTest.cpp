#include "platform/posix/NativePath.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "TestSupport.h"
#include "platform/FileSystem.h"
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

// A folder's reading serves the lookups of one name about to be made; what the engine makes
// there counts at once, what another program makes once the folder has changed.
TEST_F(CaseFolder, NamesMadeAfterAMissAreFoundIgnoringCase) {
    const std::string expected = m_dir.file("Foo/NEW.txt");
    ASSERT_EQ(posix::toNative(m_dir.enginePath("foo\\new.txt")), m_dir.file("Foo/new.txt"));
    ASSERT_EQ(
        platform::copyFile(m_dir.enginePath("Foo\\Bar.TXT"), m_dir.enginePath("Foo\\NEW.txt")), 0);
    EXPECT_EQ(posix::toNative(m_dir.enginePath("foo\\new.txt")), expected);

    ASSERT_EQ(posix::toNative(m_dir.enginePath("foo\\other.txt")), m_dir.file("Foo/other.txt"));
    writeFile(m_dir.file("Foo/OTHER.TXT"), "made elsewhere");
    // The folder's times may not have moved within the clock's tick; a reading is not kept
    // longer than a few lookups take.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(posix::toNative(m_dir.enginePath("foo\\other.txt")), m_dir.file("Foo/OTHER.TXT"));
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
