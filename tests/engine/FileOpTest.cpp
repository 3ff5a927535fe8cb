#include "FileOp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "InChild.h"
#include "Registry.h"
#include "SystemPath.h"
#include "TestSupport.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using namespace FileOp;
using platform::FileOperation;
using testing_support::readFile;
using testing_support::writeFile;

const char* const kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::string fixtureBytes(const std::string& name) {
    return readFile(std::string(KENDRY_FIXTURES) + "/pe/" + name);
}

std::string utf16(const std::string& text) {
    std::string wide;
    for (char ch : text) {
        wide += ch;
        wide += '\0';
    }
    return wide;
}

// The US English fixture with its FileVersion "1.2.3.4" replaced by a text of
// at most seven characters; the value ends at its first NUL.
std::string programWithVersion(const std::string& version) {
    std::string program = fixtureBytes("us-english-x64.exe");
    const std::string original = utf16("1.2.3.4");
    const size_t at = program.find(original);
    std::string replacement = utf16(version);
    replacement.resize(original.size(), '\0');
    program.replace(at, original.size(), replacement);
    return program;
}

size_t countNoCase(const CStdStringList& list, const CStdStr& entry) {
    return static_cast<size_t>(std::count_if(list.begin(), list.end(), [&](const CStdStr& held) {
        return held.EqualsNoCase(entry.c_str());
    }));
}

bool isPending(const CStdStr& entry) {
    return countNoCase(pendingRenames(), entry) == 1;
}

class FileOpTest : public ::testing::Test {
protected:
    FileOpTest() : m_tempFolder("TMPDIR", m_dir.file("temp").c_str()) {
        fs::create_directories(m_dir.file("temp"));
    }

    std::string file(const std::string& relative) const { return m_dir.file(relative); }
    CStdStr engine(const std::string& relative) const { return m_dir.enginePath(relative); }
    PathObject path(const std::string& relative) const { return PathObject(engine(relative)); }
    PathObject folder(const std::string& relative) const {
        PathObject result;
        result.setDirectory(engine(relative));
        return result;
    }

    // Ages count from one moment, so that equal ages are equal times.
    void setAge(const std::string& relative, int hours) {
        fs::last_write_time(file(relative), m_now - std::chrono::hours(hours));
    }

    // The names in a folder, each with its content.
    std::map<std::string, std::string> contentOf(const std::string& relative) const {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::directory_iterator(file(relative)))
            entries[entry.path().filename().string()] = readFile(entry.path().string());
        return entries;
    }

    CStdStr currentFolder() const {
        CStdStr now;
        platform::getCurrentDirectory(now);
        return now;
    }

    const fs::file_time_type m_now = fs::file_time_type::clock::now();
    testing_support::TempDir m_dir;
    testing_support::TempRegistry m_registry;
    testing_support::LogCapture m_log;
    // The temporary folder the engine sees: where the restart batch file goes.
    testing_support::ScopedEnvironment m_tempFolder;
    platform::FaultScope m_faults;
};

TEST_F(FileOpTest, FileVersionsReadFromProgramFiles) {
    writeFile(file("plain.txt"), "no resources here");
    fs::copy_file(std::string(KENDRY_FIXTURES) + "/pe/german-two-languages-x86.exe",
                  file("german.exe"));
    fs::copy_file(std::string(KENDRY_FIXTURES) + "/pe/us-english-x64.exe", file("english.exe"));
    EXPECT_EQ(getFileVersion(path("english.exe")), "1.2.3.4");
    // The first translation names German, Western European; its commas become periods.
    EXPECT_EQ(getFileVersion(path("german.exe")), "5. 6. 7. 8");
    EXPECT_EQ(getFileVersion(path("plain.txt")), "");
    EXPECT_EQ(getFileVersion(path("missing.exe")), "");
    EXPECT_EQ(getFileVersion(folder("")), "");
}

TEST_F(FileOpTest, VersionsComparePieceByPiece) {
    const struct {
        const char* source;
        const char* destination;
        int expected;
    } cases[] = {
        {"1.2", "1.2.0", -1},  {"1.2.0", "1.2", 1}, {"1,10", "1.9", 1},    {"1.9", "1,10", -1},
        {"1.2.3", "1.2.3", 0}, {"5, 6", "5.6", 0},  {"2.0", "10.0", -1},   {"1.x", "1.0", 0},
        {nullptr, "1", -1},    {"1", nullptr, 1},   {nullptr, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source ? c.source : "none") + " : " +
                     (c.destination ? c.destination : "none"));
        writeFile(file("source.exe"), c.source ? programWithVersion(c.source) : "text");
        writeFile(file("destination.exe"),
                  c.destination ? programWithVersion(c.destination) : "text");
        EXPECT_EQ(compareVersion(path("source.exe"), path("destination.exe")), c.expected);
    }
}

TEST_F(FileOpTest, CopyDecidesByFlagsVersionsAndTimes) {
    const std::string english = fixtureBytes("us-english-x64.exe");
    const std::string german = fixtureBytes("german-two-languages-x86.exe");
    // Same version as the English program, other bytes.
    const std::string englishPatched = english + "trailing data";
    const std::string text = "text b";
    enum Age { Same, SourceNewer, SourceOlder };
    const struct {
        const char* name;
        std::string source;
        const std::string* destination; // none: the destination is missing
        int flags;
        Age age;
        bool copies;
    } cases[] = {
        {"flags 0 overwrite", "new text", &german, 0, Same, true},
        {"same version", english, &englishPatched, COPY_IF_VERSION_DIFFERS, SourceNewer, false},
        {"higher version", german, &english, COPY_IF_VERSION_DIFFERS, Same, true},
        {"lower version", english, &german, COPY_IF_VERSION_DIFFERS, Same, true},
        {"no versions", "text a", &englishPatched, COPY_IF_VERSION_DIFFERS, Same, true},
        {"neither has a version", "text a", &text, COPY_IF_VERSION_DIFFERS, SourceOlder, false},
        {"missing destination", "text a", nullptr, COPY_IF_VERSION_DIFFERS, Same, true},
        {"missing destination", "text a", nullptr, COPY_IF_TIME_DIFFERS, Same, true},
        {"same time", "text a", &german, COPY_IF_TIME_DIFFERS, Same, false},
        {"source newer", "text a", &german, COPY_IF_TIME_DIFFERS, SourceNewer, true},
        {"source older", "text a", &german, COPY_IF_TIME_DIFFERS, SourceOlder, true},
        {"same version, other time", english, &englishPatched,
         COPY_IF_VERSION_DIFFERS | COPY_IF_TIME_DIFFERS, SourceOlder, true},
        {"same version and time", english, &englishPatched,
         COPY_IF_VERSION_DIFFERS | COPY_IF_TIME_DIFFERS, Same, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(file("dst/target.exe"));
        writeFile(file("src/target.exe"), c.source);
        setAge("src/target.exe", 10);
        if (c.destination) {
            writeFile(file("dst/target.exe"), *c.destination);
            const int hours[] = {10, 20, 5};
            setAge("dst/target.exe", hours[c.age]);
        }
        EXPECT_EQ(shouldCopy(path("src/target.exe"), path("dst/target.exe"), c.flags), c.copies);
        EXPECT_TRUE(Copy(path("src/target.exe"), path("dst/target.exe"), c.flags));
        EXPECT_EQ(readFile(file("dst/target.exe")),
                  c.copies ? c.source : (c.destination ? *c.destination : ""));
    }
}

TEST_F(FileOpTest, TimesCompareEitherWayAndFailuresAreLogged) {
    writeFile(file("old.txt"), "o");
    writeFile(file("new.txt"), "n");
    setAge("old.txt", 30);
    setAge("new.txt", 1);
    EXPECT_EQ(IsNewerTime(path("new.txt"), path("old.txt")), 1);
    EXPECT_EQ(IsNewerTime(path("old.txt"), path("new.txt")), -1);
    EXPECT_EQ(IsNewerTime(path("new.txt"), path("new.txt")), 0);
    EXPECT_EQ(IsNewerTime(path("missing.txt"), path("new.txt")), 0);
    EXPECT_TRUE(m_log.contains("could not get file time for " + engine("missing.txt")));
    EXPECT_EQ(IsNewerTime(path("new.txt"), path("gone.txt")), 0);
    EXPECT_TRUE(m_log.contains("could not get file time for " + engine("gone.txt")));
    EXPECT_TRUE(m_log.contains("FileOp::IsNewerTime"));
    EXPECT_TRUE(m_log.contains("FileOp.cpp:FileOp::IsNewerTime"));
}

TEST_F(FileOpTest, ExistenceOfFilesAndFolders) {
    writeFile(file("a/file.txt"), "f");
    EXPECT_TRUE(fileExists(path("a/file.txt")));
    EXPECT_TRUE(fileExists(path("A/FILE.TXT")));
    EXPECT_FALSE(fileExists(path("a/missing.txt")));
    EXPECT_FALSE(fileExists(folder("a")));

    EXPECT_TRUE(isDirectory(folder("a"), false));
    EXPECT_TRUE(isDirectory(path("a/anything.txt"), false));
    EXPECT_FALSE(isDirectory(folder("a/file.txt"), false));
    EXPECT_FALSE(isDirectory(folder("b/c"), false));
    EXPECT_FALSE(fs::exists(file("b")));
    EXPECT_TRUE(isDirectory(folder("b/c"), true));
    EXPECT_TRUE(fs::is_directory(file("b/c")));
    EXPECT_FALSE(isDirectory(PathObject(), true));
}

TEST_F(FileOpTest, MakePathCreatesEveryMissingFolderAndRestoresTheCurrentOne) {
    const CStdStr before = currentFolder();
    std::string deep = "made";
    while (deep.size() < 300)
        deep += "/level";
    EXPECT_TRUE(MakePath(folder(deep)));
    EXPECT_TRUE(fs::is_directory(file(deep)));
    EXPECT_TRUE(MakePath(path("made/level/file.txt")));
    EXPECT_FALSE(fs::exists(file("made/level/file.txt")));
    EXPECT_EQ(currentFolder(), before);

    // All there already: nothing changes.
    const auto listing = contentOf("made");
    EXPECT_TRUE(MakePath(folder("MADE/Level")));
    EXPECT_EQ(contentOf("made"), listing);
    EXPECT_EQ(currentFolder(), before);
    EXPECT_EQ(m_log.text(), "");
}

TEST_F(FileOpTest, MakePathOfARelativePathStartsFromTheCurrentFolder) {
    const CStdStr before = currentFolder();
    fs::create_directories(file("base"));
    ASSERT_EQ(platform::setCurrentDirectory(engine("base")), 0);
    PathObject relative;
    relative.setDirectory("x\\y\\z");
    EXPECT_TRUE(MakePath(relative));
    EXPECT_EQ(currentFolder(), engine("base"));
    platform::setCurrentDirectory(before);
    EXPECT_TRUE(fs::is_directory(file("base/x/y/z")));
    EXPECT_FALSE(fs::exists(file("base/x/x")));
}

TEST_F(FileOpTest, MakePathRefusalsCreateNothingAndSayWhy) {
    writeFile(file("file.txt"), "f");
    const CStdStr before = currentFolder();
    const struct {
        CStdStr directory;
        std::string message;
    } cases[] = {
        {"C:\\a\\b,c\\d", "Invalid MakePath request with either comma(,) or a prefixed period(.) "
                          "in path a\\b,c\\d"},
        {engine("x\\b,c\\d"),
         "Invalid MakePath request with either comma(,) or a prefixed period(.) in path " +
             engine("x\\b,c\\d").Mid(1)},
        {engine("file.txt\\sub"),
         "could not switch to directory " + engine("file.txt\\") + " with error code 267."},
        {"\\\\server\\share\\folder",
         "could not switch to directory \\\\server\\share\\ with error code 53."},
        // No share after the server: the walk goes as far as the network root.
        {"\\\\server", "could not switch to directory \\\\ with error code 53."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.directory);
        m_log.clear();
        PathObject target;
        target.setDirectory(c.directory);
        EXPECT_FALSE(MakePath(target));
        EXPECT_TRUE(m_log.contains(c.message)) << m_log.text();
        EXPECT_TRUE(m_log.contains("FileOp::MakePath"));
        EXPECT_EQ(currentFolder(), before);
    }
    EXPECT_EQ(contentOf("").size(), 2u); // file.txt and temp only
}

TEST_F(FileOpTest, MakePathReportsAFolderItCannotCreate) {
    const CStdStr before = currentFolder();
    platform::injectFault(
        {FileOperation::CreateDirectory, winerr::ACCESS_DENIED, CStdStr(), 1, true});
    // The root's own folders count too: a missing top-level folder is created.
    PathObject top;
    top.setDirectory("\\kendry-no-such-top-folder\\x");
    EXPECT_FALSE(MakePath(top));
    EXPECT_TRUE(m_log.contains("tried to create directory \\kendry-no-such-top-folder\\ but "
                               "failed.  (Error code: 5)"));
    m_log.clear();
    EXPECT_FALSE(MakePath(folder("new/sub")));
    EXPECT_TRUE(m_log.contains("tried to create directory " + engine("new\\") +
                               " but failed.  (Error code: 5)"));
    EXPECT_EQ(currentFolder(), before);
    EXPECT_FALSE(fs::exists(file("new")));

    platform::clearInjectedFaults();
    platform::injectFault(
        {FileOperation::SetCurrentDirectory, winerr::ACCESS_DENIED, engine("locked\\"), 1, true});
    fs::create_directory(file("locked"));
    EXPECT_FALSE(MakePath(folder("locked/sub")));
    EXPECT_TRUE(m_log.contains("could not switch to directory " + engine("locked\\") +
                               " with error code 5."));
    EXPECT_FALSE(fs::exists(file("locked/sub")));
    EXPECT_EQ(currentFolder(), before);
}

TEST_F(FileOpTest, TemporaryNamesAreNewEmptyFiles) {
    const PathObject first = GetTempFileNameA(path("temp/x"));
    ASSERT_TRUE(first.hasName());
    EXPECT_EQ(first.getDirectory(), engine("temp"));
    EXPECT_EQ(first.getName().Left(3), "tmp");
    EXPECT_EQ(first.getName().Right(4), ".tmp");
    EXPECT_EQ(readFile(file("temp/" + first.getName())), "");
    EXPECT_NE(GetTempFileNameA(path("temp/x")), first);

    const PathObject none = GetTempFileNameA(path("missing/x"));
    EXPECT_FALSE(none.hasName());
    EXPECT_TRUE(m_log.contains("GetTempFileName in directory " + engine("missing") +
                               " failed with error code 3."));
}

TEST_F(FileOpTest, LockedDestinationIsMovedAsideAndReplaced) {
    writeFile(file("src/driver.dll"), "new");
    writeFile(file("dst/driver.dll"), "old");
    platform::injectFault(
        {FileOperation::CopyFile, winerr::LOCK_VIOLATION, engine("dst/driver.dll"), 1, false});
    EXPECT_TRUE(Copy(path("src/driver.dll"), path("dst/driver.dll"), 0));
    EXPECT_EQ(contentOf("dst"), (std::map<std::string, std::string>{{"driver.dll", "new"}}));
    EXPECT_TRUE(m_log.contains("FileOp::Copy(): destination file " + engine("dst\\driver.dll") +
                               " is in use.  Trying to rename it..."));
    EXPECT_FALSE(m_log.contains("won't budge"));
}

TEST_F(FileOpTest, SharingViolationIsInUseOnlyWhenAskedFor) {
    writeFile(file("src/driver.dll"), "new");
    writeFile(file("dst/driver.dll"), "old");
    platform::injectFault(
        {FileOperation::CopyFile, winerr::SHARING_VIOLATION, engine("dst/driver.dll"), 1, false});
    EXPECT_FALSE(Copy(path("src/driver.dll"), path("dst/driver.dll"), 0));
    EXPECT_TRUE(m_log.contains("CopyFile failed with code 32"));
    EXPECT_FALSE(m_log.contains("in use"));
    EXPECT_EQ(readFile(file("dst/driver.dll")), "old");

    platform::clearInjectedFaults();
    platform::injectFault(
        {FileOperation::CopyFile, winerr::SHARING_VIOLATION, engine("dst/driver.dll"), 1, false});
    EXPECT_TRUE(Copy(path("src/driver.dll"), path("dst/driver.dll"), COPY_SHARING_AS_IN_USE));
    EXPECT_EQ(contentOf("dst"), (std::map<std::string, std::string>{{"driver.dll", "new"}}));
}

TEST_F(FileOpTest, InUseDestinationThatNeedsNoCopyIsLeftAlone) {
    writeFile(file("src/driver.dll"), "new");
    writeFile(file("dst/driver.dll"), "old");
    setAge("src/driver.dll", 3);
    setAge("dst/driver.dll", 3);
    platform::injectFault(
        {FileOperation::CopyFile, winerr::LOCK_VIOLATION, engine("dst/driver.dll"), 1, true});
    EXPECT_TRUE(Copy(path("src/driver.dll"), path("dst/driver.dll"), COPY_RECHECK_IN_USE));
    EXPECT_EQ(contentOf("dst"), (std::map<std::string, std::string>{{"driver.dll", "old"}}));
    EXPECT_FALSE(m_log.contains("in use"));
}

TEST_F(FileOpTest, DestinationThatWillNotBudgeIsReplacedAtRestart) {
    writeFile(file("src/driver.dll"), "new");
    writeFile(file("dst/driver.dll"), "old");
    platform::injectFault(
        {FileOperation::CopyFile, winerr::LOCK_VIOLATION, engine("dst/driver.dll"), 1, true});
    platform::injectFault(
        {FileOperation::MoveFile, winerr::SHARING_VIOLATION, engine("dst/driver.dll"), 1, true});
    EXPECT_TRUE(Copy(path("src/driver.dll"), path("dst/driver.dll"), 0));

    const auto entries = contentOf("dst");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("driver.dll"), "old");
    const auto fresh = std::find_if(entries.begin(), entries.end(),
                                    [](const auto& entry) { return entry.first != "driver.dll"; });
    EXPECT_EQ(fresh->first.substr(0, 3), "tmp");
    EXPECT_EQ(fresh->second, "new");
    const CStdStr freshPath = engine("dst\\" + fresh->first);
    EXPECT_TRUE(isPending(engine("dst\\driver.dll") + "=" + freshPath));
    EXPECT_TRUE(m_log.contains("FileOp::Copy(): that just won't budge.  Replacing " +
                               engine("dst\\driver.dll") + " with " + freshPath +
                               " after reboot."));
    EXPECT_TRUE(m_log.contains("FileOp::Copy(): ! Reboot Required: To replace locked file."));
    EXPECT_TRUE(m_log.contains("(wininit.ini change)"));
}

// Once moved aside, the installed file must not end up only under a
// temporary name: it goes back under its own name when the copy fails.
TEST_F(FileOpTest, FailedCopiesAfterTheMoveLeaveTheInstalledFileInPlace) {
    writeFile(file("src/driver.dll"), "new");
    writeFile(file("dst/driver.dll"), "old");
    platform::injectFault({FileOperation::CopyFile, winerr::LOCK_VIOLATION, CStdStr(), 1, true});
    EXPECT_FALSE(Copy(path("src/driver.dll"), path("dst/driver.dll"), 0));
    EXPECT_EQ(contentOf("dst"), (std::map<std::string, std::string>{{"driver.dll", "old"}}));
    EXPECT_TRUE(m_log.contains("second CopyFile try failed with code 33"));
    EXPECT_TRUE(m_log.contains("third CopyFile try failed with code 33"));

    // Only the destination's name refuses: the new content waits for the restart
    // while the old one stays installed.
    platform::clearInjectedFaults();
    platform::injectFault(
        {FileOperation::CopyFile, winerr::LOCK_VIOLATION, engine("dst/driver.dll"), 1, true});
    EXPECT_TRUE(Copy(path("src/driver.dll"), path("dst/driver.dll"), 0));
    const auto entries = contentOf("dst");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("driver.dll"), "old");
    for (const auto& entry : entries) {
        if (entry.first != "driver.dll") {
            EXPECT_EQ(entry.second, "new");
            EXPECT_TRUE(isPending(engine("dst\\driver.dll") + "=" + engine("dst\\" + entry.first)));
        }
    }
}

// Each platform call of the in-use path fails in turn, as a locked file, a
// denied move or a full folder would make it: whatever the result, the
// installed content is never lost and never half-written.
TEST_F(FileOpTest, FailureAnywhereInTheInUsePathLosesNoContent) {
    const FileOperation operations[] = {FileOperation::TempFileName, FileOperation::MoveFile,
                                        FileOperation::CopyStep, FileOperation::DeleteFile};
    for (const FileOperation operation : operations) {
        for (int call = 1; call < 60; ++call) {
            SCOPED_TRACE(std::to_string(static_cast<int>(operation)) + " call " +
                         std::to_string(call));
            fs::remove_all(file("dst"));
            writeFile(file("src/driver.dll"), "new content");
            writeFile(file("dst/driver.dll"), "old content");
            platform::clearInjectedFaults();
            platform::injectFault({FileOperation::CopyFile, winerr::LOCK_VIOLATION,
                                   engine("dst/driver.dll"), 1, false});
            platform::injectFault({operation, winerr::ACCESS_DENIED, CStdStr(), call, false});
            const bool copied = Copy(path("src/driver.dll"), path("dst/driver.dll"), 0);
            const bool injected = platform::injectedFailures() == 2;

            const auto entries = contentOf("dst");
            std::multiset<std::string> contents;
            for (const auto& entry : entries)
                contents.insert(entry.second);
            EXPECT_EQ(contents.count("old content") + contents.count("new content"),
                      entries.size());
            const auto installed = entries.find("driver.dll");
            ASSERT_NE(installed, entries.end());
            EXPECT_TRUE(copied || installed->second == "old content");
            for (const auto& entry : entries) {
                // New content under another name waits for the restart.
                if (entry.first != "driver.dll" && entry.second == "new content") {
                    EXPECT_TRUE(copied);
                    EXPECT_TRUE(
                        isPending(engine("dst\\driver.dll") + "=" + engine("dst\\" + entry.first)));
                }
            }
            if (!injected)
                break;
        }
    }
}

TEST_F(FileOpTest, CopyFailuresKeepTheDestinationAndSayWhy) {
    writeFile(file("src/new.bin"), std::string(200000, 'n'));
    writeFile(file("dst/old.bin"), "old");
    writeFile(file("dst/readonly.bin"), "kept");
    ::chmod(file("dst/readonly.bin").c_str(), 0444);
    const std::string overlong = "dst/" + std::string(300, 'x');
    const struct {
        const char* source;
        std::string destination;
        int error;
    } cases[] = {
        {"src/missing.bin", "dst/old.bin", winerr::FILE_NOT_FOUND},
        {"src/new.bin", "dst/readonly.bin", winerr::ACCESS_DENIED},
        {"src/new.bin", "nofolder/old.bin", winerr::PATH_NOT_FOUND},
        {"src/new.bin", "dst/a,b.bin", 0},
        {"src/new.bin", overlong, winerr::FILENAME_EXCED_RANGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destination);
        m_log.clear();
        EXPECT_EQ(Copy(path(c.source), path(c.destination), 0), c.error == 0);
        if (c.error != 0) {
            EXPECT_TRUE(m_log.contains(CStdStr::Formatted("CopyFile failed with code %d", c.error)))
                << m_log.text();
        }
    }
    EXPECT_EQ(readFile(file("dst/old.bin")), "old");
    EXPECT_EQ(readFile(file("dst/readonly.bin")), "kept");
    EXPECT_EQ(readFile(file("dst/a,b.bin")), std::string(200000, 'n'));
    EXPECT_EQ(contentOf("dst").size(), 3u);

    // A full disk, for real: files limited to 64 KiB in a child process.
    const bool copied = in_child::runWithFileSizeLimit(
        64 * 1024, [&] { return Copy(path("src/new.bin"), path("dst/old.bin"), 0) ? 1 : 0; });
    EXPECT_EQ(copied, 0);
    EXPECT_TRUE(m_log.contains("CopyFile failed with code 112"));
    EXPECT_EQ(readFile(file("dst/old.bin")), "old");
    EXPECT_EQ(contentOf("dst").size(), 3u);
}

// Failing each step of a plain copy in turn until it goes through.
TEST_F(FileOpTest, CopyInterruptedAtAnyStepLeavesOldOrNewContent) {
    writeFile(file("src/new.bin"), std::string(100000, 'n'));
    writeFile(file("dst/old.bin"), "old");
    for (int call = 1; call < 60; ++call) {
        SCOPED_TRACE(call);
        platform::clearInjectedFaults();
        platform::injectFault({FileOperation::CopyStep, winerr::DISK_FULL, CStdStr(), call, false});
        const bool copied = Copy(path("src/new.bin"), path("dst/old.bin"), 0);
        const std::string content = readFile(file("dst/old.bin"));
        EXPECT_EQ(contentOf("dst").size(), 1u);
        if (platform::injectedFailures() == 0) {
            EXPECT_TRUE(copied);
            EXPECT_EQ(content, std::string(100000, 'n'));
            break;
        }
        EXPECT_FALSE(copied);
        EXPECT_EQ(content, "old");
    }
}

TEST_F(FileOpTest, DestinationFolderThatCannotBeWrittenFailsCleanly) {
    writeFile(file("src/new.bin"), "new");
    writeFile(file("dst/old.bin"), "old");
    ::chmod(m_dir.path().c_str(), 0755);
    ::chmod(file("src").c_str(), 0755);
    ::chmod(file("dst").c_str(), 0555);
    const int copied = in_child::runUnprivileged(
        [&] { return Copy(path("src/new.bin"), path("dst/old.bin"), 0) ? 1 : 0; });
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(contentOf("dst"), (std::map<std::string, std::string>{{"old.bin", "old"}}));
}

TEST_F(FileOpTest, RemoveTakesFilesFoldersOrNothing) {
    EXPECT_FALSE(Remove(PathObject(), 0));
    EXPECT_TRUE(m_log.contains("nothin' from nothin' leaves nothin'!"));
    EXPECT_TRUE(m_log.contains("FileOp::Remove"));

    const size_t pendingBefore = pendingRenames().size();
    EXPECT_FALSE(Remove(path("missing.txt"), 0));
    EXPECT_FALSE(Remove(path("nofolder/missing.txt"), 0));
    EXPECT_EQ(pendingRenames().size(), pendingBefore);

    writeFile(file("readonly.txt"), "r");
    ::chmod(file("readonly.txt").c_str(), 0444);
    EXPECT_TRUE(Remove(path("readonly.txt"), 0));
    EXPECT_FALSE(fs::exists(file("readonly.txt")));

    fs::create_directories(file("empty"));
    EXPECT_TRUE(Remove(folder("empty"), 0));
    EXPECT_FALSE(fs::exists(file("empty")));
}

TEST_F(FileOpTest, LockedFileIsDeletedAtRestartUnlessForbidden) {
    writeFile(file("locked.txt"), "l");
    ::chmod(file("locked.txt").c_str(), 0444);
    platform::injectFault(
        {FileOperation::DeleteFile, winerr::SHARING_VIOLATION, engine("locked.txt"), 1, true});
    EXPECT_FALSE(deleteFile(path("locked.txt"), REMOVE_NO_RESTART_FALLBACK));
    EXPECT_FALSE(isPending("NUL=" + engine("locked.txt")));
    EXPECT_TRUE(deleteFile(path("locked.txt"), 0));
    EXPECT_TRUE(isPending("NUL=" + engine("locked.txt")));
    EXPECT_TRUE(m_log.contains("FileOp::replaceOnReboot(): Attempting to move " +
                               engine("locked.txt") + " to NULL on reboot."));
    // Cleared on the way, though the file stays.
    EXPECT_EQ(platform::getFileAttributes(engine("locked.txt")), platform::FILE_ATTR_NORMAL);

    writeFile(file("later.txt"), "x");
    EXPECT_TRUE(deleteFile(path("later.txt"), REMOVE_AT_RESTART_ONLY));
    EXPECT_TRUE(fs::exists(file("later.txt")));
    EXPECT_TRUE(isPending("NUL=" + engine("later.txt")));
}

TEST_F(FileOpTest, PendingRenamesAreUniqueIgnoringCaseInFirstOrder) {
    writeFile(file("dst/a.dll"), "a");
    EXPECT_FALSE(replaceOnReboot(""));
    EXPECT_TRUE(replaceOnReboot(engine("dst/tmp1.tmp"), engine("dst/a.dll")));
    EXPECT_TRUE(replaceOnReboot(engine("DST/TMP1.TMP"), engine("DST/A.DLL")));
    EXPECT_TRUE(replaceOnReboot(engine("dst/tmp0.tmp"), engine("dst/b.dll")));
    const CStdStr first = engine("dst/a.dll") + "=" + engine("dst/tmp1.tmp");
    const CStdStr second = engine("dst/b.dll") + "=" + engine("dst/tmp0.tmp");
    EXPECT_EQ(countNoCase(pendingRenames(), first), 1u);
    const auto at = std::find(pendingRenames().begin(), pendingRenames().end(), first);
    ASSERT_NE(at, pendingRenames().end());
    EXPECT_EQ(*std::next(at), second);
    EXPECT_TRUE(m_log.contains("FileOp::replaceOnReboot(): Attempting to move " +
                               engine("dst/tmp1.tmp") + " to " + engine("dst/a.dll") +
                               " on reboot."));
}

TEST_F(FileOpTest, FolderStillInUseIsRemovedByTheRestartBatchFile) {
    // A store with the key a Windows system always has.
    m_registry.writeAnsi(std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\") + kRunOnceKey +
                         "]\r\n");
    writeFile(file("full/inside.txt"), "i");
    writeFile(file("other/inside.txt"), "i");
    EXPECT_TRUE(deleteDir(folder("full")));
    EXPECT_TRUE(deleteDir(folder("missing")));
    EXPECT_TRUE(Remove(folder("other"), 0));
    EXPECT_TRUE(fs::exists(file("full/inside.txt")));

    const CStdStr batch = engine("temp\\unsttmp0.bat");
    EXPECT_EQ(readFile(file("temp/unsttmp0.bat")), "rmdir \"" + engine("full") + "\"\r\nrmdir \"" +
                                                       engine("other") + "\"\r\ndel \"" + batch +
                                                       "\"\r\n");
    EXPECT_EQ(contentOf("temp").size(), 1u);
    const CStdStr command = Registry().readValueText("HKLM", kRunOnceKey, "VtlTmpDelBat");
    EXPECT_EQ(command.Right(static_cast<int>(batch.size()) + 6), " /C \"" + batch + "\"");
    EXPECT_EQ(command.Left(command.GetLength() - static_cast<int>(batch.size()) - 6)
                  .Right(11)
                  .MakeLower(),
              "command.com");
}

TEST_F(FileOpTest, BatchFileGrowsAndKeepsOneDeleteLineAtTheEnd) {
    writeFile(file("temp/unsttmp0.bat"), "rmdir \"C:\\earlier\"\r\ndel \"old\"\r\n");
    addToRebootBatFile("C:\\one");
    addToRebootBatFile("C:\\two");
    const std::string batchLine = "del \"" + engine("temp\\unsttmp0.bat") + "\"\r\n";
    EXPECT_EQ(readFile(file("temp/unsttmp0.bat")),
              "rmdir \"C:\\earlier\"\r\nrmdir \"C:\\one\"\r\nrmdir \"C:\\two\"\r\n" + batchLine);
    // The store has no RunOnce key, so nothing could be written there; the
    // batch file is still complete.
    EXPECT_EQ(Registry().readValueText("HKLM", kRunOnceKey, "VtlTmpDelBat"), "");
}

// The temporary folder may be shared: a link planted at the batch file's name
// is replaced, and what it points to is neither read nor written.
TEST_F(FileOpTest, BatchFileNeverGoesThroughALink) {
    writeFile(file("secret.txt"), "secret line");
    fs::create_symlink(file("secret.txt"), file("temp/unsttmp0.bat"));
    addToRebootBatFile("C:\\one");
    EXPECT_EQ(readFile(file("secret.txt")), "secret line");
    EXPECT_FALSE(fs::is_symlink(file("temp/unsttmp0.bat")));
    EXPECT_EQ(readFile(file("temp/unsttmp0.bat")),
              "rmdir \"C:\\one\"\r\ndel \"" + engine("temp\\unsttmp0.bat") + "\"\r\n");
}

TEST_F(FileOpTest, BatchFileThatCannotBeSavedIsReported) {
    platform::injectFault({FileOperation::CopyFile, winerr::ACCESS_DENIED, CStdStr(), 1, true});
    addToRebootBatFile("C:\\one");
    EXPECT_TRUE(m_log.contains("file " + engine("temp\\unsttmp0.bat") + " could not be saved."));
    EXPECT_FALSE(fs::exists(file("temp/unsttmp0.bat")));
    EXPECT_EQ(contentOf("temp").size(), 0u);
    EXPECT_EQ(Registry().readValueText("HKLM", kRunOnceKey, "VtlTmpDelBat"), "");
}

} // namespace
