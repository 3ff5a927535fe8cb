#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "InChild.h"
#include "TestSupport.h"
#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using platform::FileOperation;
using testing_support::entriesOf;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

mode_t modeOf(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::string bytes(size_t size, char seed) {
    std::string text(size, '\0');
    for (size_t at = 0; at < size; ++at)
        text[at] = static_cast<char>(seed + at * 7 % 251);
    return text;
}

class CopyFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(m_dir.file("src/new.bin"), bytes(300000, 'n'));
        writeFile(m_dir.file("dst/old.bin"), "old content");
    }
    CStdStr source() const { return m_dir.enginePath("src/new.bin"); }
    CStdStr destination() const { return m_dir.enginePath("dst/old.bin"); }
    std::string destinationContent() const { return readFile(m_dir.file("dst/old.bin")); }

    TempDir m_dir;
    platform::FaultScope m_faults;
};

TEST_F(CopyFileTest, KeepsLastWriteTimeAndPermissionsAndLeavesNothingElse) {
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(50);
    fs::last_write_time(m_dir.file("src/new.bin"), when);
    ::chmod(m_dir.file("src/new.bin").c_str(), 0640);

    ASSERT_EQ(platform::copyFile(source(), destination()), 0);
    EXPECT_EQ(destinationContent(), bytes(300000, 'n'));
    EXPECT_EQ(fs::last_write_time(m_dir.file("dst/old.bin")), when);
    EXPECT_EQ(modeOf(m_dir.file("dst/old.bin")), 0640u);
    EXPECT_EQ(entriesOf(m_dir.file("dst")), std::set<std::string>{"old.bin"});

    std::uint64_t sourceTime = 0, copyTime = 0;
    ASSERT_EQ(platform::getLastWriteTime(source(), sourceTime), 0);
    ASSERT_EQ(platform::getLastWriteTime(destination(), copyTime), 0);
    EXPECT_EQ(platform::compareFileTime(sourceTime, copyTime), 0);
}

TEST_F(CopyFileTest, ReadOnlySourceGivesReadOnlyCopy) {
    ::chmod(m_dir.file("src/new.bin").c_str(), 0444);
    const CStdStr fresh = m_dir.enginePath("dst/fresh.bin");
    ASSERT_EQ(platform::copyFile(source(), fresh), 0);
    EXPECT_EQ(platform::getFileAttributes(fresh), platform::FILE_ATTR_READONLY);
    // Windows refuses to overwrite it, whoever runs the copy.
    EXPECT_EQ(platform::copyFile(source(), fresh), winerr::ACCESS_DENIED);
}

TEST_F(CopyFileTest, RefusalsLeaveTheDestinationAsItWas) {
    fs::create_directory(m_dir.file("dst/folder"));
    writeFile(m_dir.file("dst/locked.bin"), "kept");
    ::chmod(m_dir.file("dst/locked.bin").c_str(), 0444);
    const std::string overlongName = "dst/" + std::string(300, 'n');
    const struct {
        const char* source;
        const char* destination;
        int error;
    } cases[] = {
        {"src/missing.bin", "dst/old.bin", winerr::FILE_NOT_FOUND},
        {"nofolder/missing.bin", "dst/old.bin", winerr::PATH_NOT_FOUND},
        {"src", "dst/old.bin", winerr::ACCESS_DENIED},
        {"src/new.bin", "nofolder/x.bin", winerr::PATH_NOT_FOUND},
        {"src/new.bin", "dst/folder", winerr::ACCESS_DENIED},
        {"src/new.bin", "dst/locked.bin", winerr::ACCESS_DENIED},
        {"src/new.bin", "dst/old.bin/x", winerr::PATH_NOT_FOUND},
        {"src/new.bin", overlongName.c_str(), winerr::FILENAME_EXCED_RANGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destination);
        EXPECT_EQ(platform::copyFile(m_dir.enginePath(c.source), m_dir.enginePath(c.destination)),
                  c.error);
    }
    EXPECT_EQ(destinationContent(), "old content");
    EXPECT_EQ(readFile(m_dir.file("dst/locked.bin")), "kept");
    EXPECT_EQ(entriesOf(m_dir.file("dst")),
              (std::set<std::string>{"folder", "locked.bin", "old.bin"}));
}

TEST_F(CopyFileTest, PathsLongerThanWindowsAllowsWork) {
    std::string deep = "dst";
    while (deep.size() < 300)
        deep += "/a-folder-name-of-some-length";
    fs::create_directories(m_dir.file(deep));
    const CStdStr target = m_dir.enginePath(deep + "/copy.bin");
    ASSERT_GT(target.size(), 300u);
    ASSERT_EQ(platform::copyFile(source(), target), 0);
    EXPECT_EQ(readFile(m_dir.file(deep + "/copy.bin")), bytes(300000, 'n'));
}

TEST_F(CopyFileTest, LinkAtTheDestinationIsReplacedNotFollowed) {
    writeFile(m_dir.file("elsewhere/target.bin"), "not yours");
    fs::create_symlink(m_dir.file("elsewhere/target.bin"), m_dir.file("dst/link.bin"));
    ASSERT_EQ(platform::copyFile(source(), m_dir.enginePath("dst/link.bin")), 0);
    EXPECT_FALSE(fs::is_symlink(m_dir.file("dst/link.bin")));
    EXPECT_EQ(readFile(m_dir.file("dst/link.bin")), bytes(300000, 'n'));
    EXPECT_EQ(readFile(m_dir.file("elsewhere/target.bin")), "not yours");
}

TEST_F(CopyFileTest, DestinationNamedIgnoringCaseIsTheExistingFile) {
    ASSERT_EQ(platform::copyFile(source(), m_dir.enginePath("DST/OLD.BIN")), 0);
    EXPECT_EQ(destinationContent(), bytes(300000, 'n'));
    EXPECT_EQ(entriesOf(m_dir.file("dst")), std::set<std::string>{"old.bin"});
}

TEST_F(CopyFileTest, RunningProgramIsReplaced) {
    const std::string program = m_dir.file("dst/program");
    fs::copy_file("/bin/sleep", program);
    pid_t pid = 0;
    char* const argv[] = {const_cast<char*>("program"), const_cast<char*>("30"), nullptr};
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, nullptr), 0);
    EXPECT_EQ(platform::copyFile(source(), m_dir.enginePath("dst/program")), 0);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(readFile(program), bytes(300000, 'n'));
}

// Every way the kernel may copy: the offload, sendfile after it, and the
// buffer when neither can; a change of way midway goes on where it stopped.
TEST_F(CopyFileTest, EveryWayOfCopyingGivesTheSameBytes) {
    const std::string big = bytes(3 * 1024 * 1024 + 17, 'b');
    writeFile(m_dir.file("src/big.bin"), big);
    for (const bool persistent : {false, true}) {
        for (int call = 1; call <= 4; ++call) {
            SCOPED_TRACE(call);
            platform::clearInjectedFaults();
            platform::injectFault({FileOperation::CopyOffload, 1, CStdStr(), call, persistent});
            fs::remove(m_dir.file("dst/big.bin"));
            ASSERT_EQ(platform::copyFile(m_dir.enginePath("src/big.bin"),
                                         m_dir.enginePath("dst/big.bin")),
                      0);
            EXPECT_EQ(readFile(m_dir.file("dst/big.bin")), big);
        }
    }
    // A file the kernel generates as it is read, with no size of its own.
    platform::clearInjectedFaults();
    ASSERT_EQ(platform::copyFile("\\proc\\version", m_dir.enginePath("dst/version")), 0);
    EXPECT_EQ(readFile(m_dir.file("dst/version")), readFile("/proc/version"));
    EXPECT_FALSE(readFile("/proc/version").empty());
    // And from another file system, where the offload cannot reach.
    if (fs::is_directory("/dev/shm")) {
        platform::clearInjectedFaults();
        writeFile("/dev/shm/kendry-copy-test.bin", big);
        EXPECT_EQ(platform::copyFile(platform::enginePath("/dev/shm/kendry-copy-test.bin"),
                                     m_dir.enginePath("dst/shm.bin")),
                  0);
        fs::remove("/dev/shm/kendry-copy-test.bin");
        EXPECT_EQ(readFile(m_dir.file("dst/shm.bin")), big);
    }
}

// Failing each step of the copy in turn, until the copy gets through: every
// time the destination holds its old content, or is still absent, and no
// partial file is left anywhere. With the offload and with the buffer.
TEST_F(CopyFileTest, FailureAtAnyStepLeavesOldContentOrNothing) {
    for (const bool offload : {true, false}) {
        for (const bool hadDestination : {true, false}) {
            SCOPED_TRACE(std::string(offload ? "offload" : "buffer") +
                         (hadDestination ? ", replacing" : ", new"));
            const CStdStr target =
                hadDestination ? destination() : m_dir.enginePath("dst/none.bin");
            const std::string native = m_dir.file(hadDestination ? "dst/old.bin" : "dst/none.bin");
            int failures = 0;
            for (int call = 1; call < 100; ++call) {
                SCOPED_TRACE(call);
                platform::clearInjectedFaults();
                if (!offload)
                    platform::injectFault({FileOperation::CopyOffload, 1, CStdStr(), 1, true});
                platform::injectFault(
                    {FileOperation::CopyStep, winerr::DISK_FULL, CStdStr(), call, false});
                const int error = platform::copyFile(source(), target);
                if (platform::injectedFailures(FileOperation::CopyStep) == 0) {
                    EXPECT_EQ(error, 0);
                    EXPECT_EQ(readFile(native), bytes(300000, 'n'));
                    break;
                }
                ++failures;
                EXPECT_EQ(error, winerr::DISK_FULL);
                if (hadDestination)
                    EXPECT_EQ(readFile(native), "old content");
                else
                    EXPECT_FALSE(testing_support::fileExists(native));
                EXPECT_EQ(entriesOf(m_dir.file("dst")).size(), 1u);
            }
            EXPECT_GE(failures, offload ? 8 : 10);
            fs::remove(m_dir.file("dst/none.bin"));
            writeFile(m_dir.file("dst/old.bin"), "old content");
        }
    }
}

TEST_F(CopyFileTest, FullDiskLeavesOldContentOrNothing) {
    for (const char* name : {"old.bin", "none.bin"}) {
        SCOPED_TRACE(name);
        const std::string before = readFile(m_dir.file(std::string("dst/") + name));
        const CStdStr target = m_dir.enginePath(std::string("dst/") + name);
        const int error = in_child::runWithFileSizeLimit(
            64 * 1024, [&] { return platform::copyFile(source(), target); });
        EXPECT_EQ(error, winerr::DISK_FULL);
        EXPECT_EQ(readFile(m_dir.file(std::string("dst/") + name)), before);
        EXPECT_EQ(entriesOf(m_dir.file("dst")), std::set<std::string>{"old.bin"});
    }
}

TEST_F(CopyFileTest, PermissionsCountWithoutPrivilege) {
    ::chmod(m_dir.path().c_str(), 0755);
    ::chmod(m_dir.file("dst").c_str(), 0555);
    writeFile(m_dir.file("src/secret.bin"), "secret");
    ::chmod(m_dir.file("src/secret.bin").c_str(), 0);
    writeFile(m_dir.file("open/x.bin"), "x");
    ::chmod(m_dir.file("open").c_str(), 0777);

    EXPECT_EQ(in_child::runUnprivileged(
                  [&] { return platform::copyFile(source(), m_dir.enginePath("dst/old.bin")); }),
              winerr::ACCESS_DENIED);
    EXPECT_EQ(in_child::runUnprivileged([&] {
                  return platform::copyFile(m_dir.enginePath("src/secret.bin"),
                                            m_dir.enginePath("open/y.bin"));
              }),
              winerr::ACCESS_DENIED);
    EXPECT_EQ(destinationContent(), "old content");
    EXPECT_EQ(entriesOf(m_dir.file("dst")), std::set<std::string>{"old.bin"});
    EXPECT_EQ(entriesOf(m_dir.file("open")), std::set<std::string>{"x.bin"});
}

TEST(MoveFileTest, RenamesButNeverReplaces) {
    TempDir dir;
    writeFile(dir.file("a.txt"), "a");
    writeFile(dir.file("b.txt"), "b");
    fs::create_directory(dir.file("folder"));
    EXPECT_EQ(platform::moveFile(dir.enginePath("a.txt"), dir.enginePath("b.txt")),
              winerr::ALREADY_EXISTS);
    EXPECT_EQ(readFile(dir.file("a.txt")), "a");
    EXPECT_EQ(readFile(dir.file("b.txt")), "b");
    EXPECT_EQ(platform::moveFile(dir.enginePath("gone.txt"), dir.enginePath("c.txt")),
              winerr::FILE_NOT_FOUND);
    EXPECT_EQ(platform::moveFile(dir.enginePath("a.txt"), dir.enginePath("nofolder\\c.txt")),
              winerr::PATH_NOT_FOUND);

    EXPECT_EQ(platform::moveFile(dir.enginePath("a.txt"), dir.enginePath("c.txt")), 0);
    EXPECT_EQ(readFile(dir.file("c.txt")), "a");
    EXPECT_EQ(platform::moveFile(dir.enginePath("c.txt"), dir.enginePath("C.TXT")), 0);
    EXPECT_EQ(readFile(dir.file("C.TXT")), "a");
    EXPECT_EQ(platform::moveFile(dir.enginePath("folder"), dir.enginePath("renamed")), 0);
    EXPECT_TRUE(fs::is_directory(dir.file("renamed")));
}

TEST(MoveFileTest, MovesAFileToAnotherFileSystem) {
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no second file system";
    TempDir dir;
    writeFile(dir.file("a.txt"), "across");
    const CStdStr target = platform::enginePath("/dev/shm/kendry-move-test.txt");
    fs::remove("/dev/shm/kendry-move-test.txt");
    ASSERT_EQ(platform::moveFile(dir.enginePath("a.txt"), target), 0);
    EXPECT_EQ(readFile("/dev/shm/kendry-move-test.txt"), "across");
    EXPECT_FALSE(testing_support::fileExists(dir.file("a.txt")));
    fs::remove("/dev/shm/kendry-move-test.txt");
}

TEST(DeleteTest, FilesAndFoldersAsWindowsDeletesThem) {
    TempDir dir;
    writeFile(dir.file("plain.txt"), "p");
    writeFile(dir.file("readonly.txt"), "r");
    ::chmod(dir.file("readonly.txt").c_str(), 0444);
    writeFile(dir.file("full/inside.txt"), "i");
    fs::create_directory(dir.file("empty"));
    writeFile(dir.file("target.txt"), "t");
    fs::create_symlink(dir.file("target.txt"), dir.file("link.txt"));
    const struct {
        int (*remove)(const CStdStr&);
        const char* path;
        int error;
    } cases[] = {
        {platform::deleteFile, "readonly.txt", winerr::ACCESS_DENIED},
        {platform::deleteFile, "empty", winerr::ACCESS_DENIED},
        {platform::deleteFile, "missing.txt", winerr::FILE_NOT_FOUND},
        {platform::deleteFile, "nofolder/missing.txt", winerr::PATH_NOT_FOUND},
        {platform::deleteFile, "plain.txt", 0},
        {platform::deleteFile, "link.txt", 0},
        {platform::removeDirectory, "full", winerr::DIR_NOT_EMPTY},
        {platform::removeDirectory, "missing", winerr::FILE_NOT_FOUND},
        {platform::removeDirectory, "target.txt", winerr::DIRECTORY},
        {platform::removeDirectory, "empty", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.remove(dir.enginePath(c.path)), c.error);
    }
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"full", "readonly.txt", "target.txt"}));
}

TEST(AttributesTest, ReadOnlyFollowsTheOwnersWritePermission) {
    TempDir dir;
    writeFile(dir.file("file.txt"), "f");
    fs::create_directory(dir.file("folder"));
    EXPECT_EQ(platform::getFileAttributes(dir.enginePath("file.txt")), platform::FILE_ATTR_NORMAL);
    EXPECT_EQ(platform::getFileAttributes(dir.enginePath("FOLDER")), platform::FILE_ATTR_DIRECTORY);
    EXPECT_EQ(platform::getFileAttributes(dir.enginePath("missing")),
              platform::INVALID_FILE_ATTRIBUTES);

    ::chmod(dir.file("file.txt").c_str(), 0664);
    ASSERT_EQ(platform::setFileAttributes(dir.enginePath("file.txt"), platform::FILE_ATTR_READONLY),
              0);
    EXPECT_EQ(modeOf(dir.file("file.txt")), 0444u);
    EXPECT_EQ(platform::getFileAttributes(dir.enginePath("file.txt")),
              platform::FILE_ATTR_READONLY);
    ASSERT_EQ(platform::setFileAttributes(dir.enginePath("file.txt"), platform::FILE_ATTR_NORMAL),
              0);
    EXPECT_EQ(modeOf(dir.file("file.txt")), 0644u);
    EXPECT_EQ(platform::setFileAttributes(dir.enginePath("missing"), platform::FILE_ATTR_NORMAL),
              winerr::FILE_NOT_FOUND);

    // A link answers for itself; clearing read-only through it must not make
    // what it points to writable.
    ::chmod(dir.file("file.txt").c_str(), 0444);
    fs::create_symlink(dir.file("file.txt"), dir.file("link"));
    fs::create_symlink(dir.file("folder"), dir.file("folder-link"));
    EXPECT_EQ(platform::getFileAttributes(dir.enginePath("link")),
              platform::FILE_ATTR_REPARSE_POINT);
    EXPECT_EQ(platform::getFileAttributes(dir.enginePath("folder-link")),
              platform::FILE_ATTR_REPARSE_POINT | platform::FILE_ATTR_DIRECTORY);
    EXPECT_EQ(platform::setFileAttributes(dir.enginePath("link"), platform::FILE_ATTR_NORMAL), 0);
    EXPECT_EQ(modeOf(dir.file("file.txt")), 0444u);

    std::uint64_t when = 0;
    EXPECT_EQ(platform::getLastWriteTime(dir.enginePath("folder"), when), winerr::ACCESS_DENIED);
    EXPECT_EQ(platform::getLastWriteTime(dir.enginePath("missing"), when), winerr::FILE_NOT_FOUND);
}

TEST(FoldersTest, CurrentFolderAndCreationReportWindowsCodes) {
    TempDir dir;
    writeFile(dir.file("file.txt"), "f");
    CStdStr before;
    ASSERT_EQ(platform::getCurrentDirectory(before), 0);

    EXPECT_EQ(platform::createDirectory(dir.enginePath("new")), 0);
    EXPECT_EQ(platform::createDirectory(dir.enginePath("new")), winerr::ALREADY_EXISTS);
    EXPECT_EQ(platform::createDirectory(dir.enginePath("no\\new")), winerr::PATH_NOT_FOUND);
    EXPECT_EQ(platform::createDirectory("\\\\server\\share\\new"), winerr::BAD_NETPATH);

    EXPECT_EQ(platform::setCurrentDirectory(dir.enginePath("missing")), winerr::FILE_NOT_FOUND);
    EXPECT_EQ(platform::setCurrentDirectory(dir.enginePath("no\\missing")), winerr::PATH_NOT_FOUND);
    EXPECT_EQ(platform::setCurrentDirectory(dir.enginePath("file.txt")), winerr::DIRECTORY);
    EXPECT_EQ(platform::setCurrentDirectory("\\\\server\\share"), winerr::BAD_NETPATH);
    ASSERT_EQ(platform::setCurrentDirectory(dir.enginePath("NEW")), 0);
    CStdStr now;
    ASSERT_EQ(platform::getCurrentDirectory(now), 0);
    EXPECT_EQ(now, dir.enginePath("new"));
    ASSERT_EQ(platform::setCurrentDirectory(before), 0);
}

TEST(TempFileNameTest, CreatesNewEmptyFilesUnderFreshNames) {
    TempDir dir;
    std::set<std::string> names;
    for (int round = 0; round < 50; ++round) {
        CStdStr created;
        ASSERT_EQ(platform::getTempFileName(dir.enginePath(), "tmp", created), 0);
        const std::string name = created.Mid(created.ReverseFind('\\') + 1);
        EXPECT_EQ(created, dir.enginePath(name));
        EXPECT_EQ(name.rfind("tmp", 0), 0u);
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
        EXPECT_EQ(readFile(dir.file(name)), "");
        // The next call must not hand out this one again, even once it holds data.
        writeFile(dir.file(name), "in use");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
    CStdStr created;
    EXPECT_EQ(platform::getTempFileName(dir.enginePath("missing"), "tmp", created),
              winerr::PATH_NOT_FOUND);
    EXPECT_TRUE(created.empty());
}

TEST(RestartTest, NothingMovesAtRestartAndShortNamesAreThePaths) {
    TempDir dir;
    writeFile(dir.file("file.txt"), "f");
    EXPECT_EQ(platform::moveFileAtRestart(dir.enginePath("file.txt"), CStdStr()),
              winerr::NOT_SUPPORTED);
    CStdStr shortPath;
    EXPECT_EQ(platform::getShortPathName(dir.enginePath("file.txt"), shortPath), 0);
    EXPECT_EQ(shortPath, dir.enginePath("file.txt"));
    EXPECT_EQ(platform::getShortPathName(dir.enginePath("missing"), shortPath),
              winerr::FILE_NOT_FOUND);
}

TEST(FaultInjectionTest, FailsTheChosenCallForTheChosenPath) {
    TempDir dir;
    platform::FaultScope faults;
    platform::injectFault(
        {FileOperation::DeleteFile, winerr::LOCK_VIOLATION, dir.enginePath("A.TXT"), 2, false});
    platform::injectFault({FileOperation::MoveFile, winerr::SHARING_VIOLATION, CStdStr(), 2, true});
    for (const char* name : {"a.txt", "b.txt"})
        writeFile(dir.file(name), "x");

    EXPECT_EQ(platform::deleteFile(dir.enginePath("b.txt")), 0);
    EXPECT_EQ(platform::deleteFile(dir.enginePath("a.txt")), 0);
    writeFile(dir.file("a.txt"), "x");
    EXPECT_EQ(platform::deleteFile(dir.enginePath("a.txt")), winerr::LOCK_VIOLATION);
    EXPECT_TRUE(testing_support::fileExists(dir.file("a.txt")));
    EXPECT_EQ(platform::deleteFile(dir.enginePath("a.txt")), 0);

    writeFile(dir.file("m.txt"), "x");
    EXPECT_EQ(platform::moveFile(dir.enginePath("m.txt"), dir.enginePath("n.txt")), 0);
    EXPECT_EQ(platform::moveFile(dir.enginePath("n.txt"), dir.enginePath("o.txt")),
              winerr::SHARING_VIOLATION);
    EXPECT_EQ(platform::moveFile(dir.enginePath("n.txt"), dir.enginePath("o.txt")),
              winerr::SHARING_VIOLATION);
    EXPECT_EQ(platform::injectedFailures(), 3);

    platform::clearInjectedFaults();
    EXPECT_EQ(platform::moveFile(dir.enginePath("n.txt"), dir.enginePath("o.txt")), 0);
}

} // namespace
