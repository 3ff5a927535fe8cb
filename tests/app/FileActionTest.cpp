#include "FileAction.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "CopyTestSupport.h"
#include "SetupStrings.h"
#include "TestSupport.h"
#include "platform/FaultInjection.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using testing_support::fileExists;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::writeFile;

// A program whose FileVersion is the given text of at most seven characters.
std::string programWithVersion(const std::string& version) {
    auto utf16 = [](const std::string& text) {
        std::string wide;
        for (char ch : text)
            wide += std::string(1, ch) + '\0';
        return wide;
    };
    std::string program = readFile(std::string(KENDRY_FIXTURES) + "/pe/us-english-x64.exe");
    const std::string original = utf16("1.2.3.4");
    std::string replacement = utf16(version);
    replacement.resize(original.size(), '\0');
    program.replace(program.find(original), original.size(), replacement);
    return program;
}

class FileActionTest : public testing::Test {
protected:
    void SetUp() override {
        theSetupStrings = SetupStrings();
        theSetupStrings.navFoot = "Copying %s";
    }

    bool CopyTree() {
        return m_copy.recursivelyCopyAllFiles(m_folders.sourceFolder(), m_folders.targetFolder());
    }

    CopyFolders m_folders;
    LogCapture m_log;
    RecordingPage m_page;
    FileAction m_copy{m_page};
};

TEST_F(FileActionTest, CopiesTheContentsIntoTheDestinationWithoutTheSourceFoldersName) {
    writeFile(m_folders.source("Setup.exe"), "program");
    writeFile(m_folders.source("Drivers/x86/a.inf"), "driver");
    fs::create_directories(m_folders.source("Empty"));
    fs::create_directories(m_folders.source("Drivers/Blank"));

    int files = 0;
    int folders = 0;
    EXPECT_TRUE(m_copy.GetDirFiles(m_folders.sourceFolder(), files, folders));
    EXPECT_EQ(files, 2);
    EXPECT_EQ(folders, 5); // the source itself, Drivers, Blank, x86 and Empty

    EXPECT_TRUE(CopyTree());
    EXPECT_EQ(readFile(m_folders.target("Setup.exe")), "program");
    EXPECT_EQ(readFile(m_folders.target("Drivers/x86/a.inf")), "driver");
    EXPECT_FALSE(fileExists(m_folders.target("pkg")));
    // Folders without files are not made.
    EXPECT_FALSE(fileExists(m_folders.target("Empty")));
    EXPECT_FALSE(fileExists(m_folders.target("Drivers/Blank")));

    EXPECT_EQ(m_page.progressValues, (std::vector<int>{0, 1}));
    EXPECT_EQ(m_page.footers, (std::vector<std::string>{"Copying a.inf", "Copying Setup.exe"}));
    EXPECT_EQ(m_copy.copyCount(), 2);
    EXPECT_FALSE(m_copy.firstFolder());
    // Each copied file is a line of its own in the log.
    const std::string log = "\n" + m_log.text();
    EXPECT_NE(log.find("\n" + m_folders.targetFolder() + "Drivers\\x86\\a.inf\n"),
              std::string::npos);
    EXPECT_NE(log.find("\n" + m_folders.targetFolder() + "Setup.exe\n"), std::string::npos);
}

TEST_F(FileActionTest, AReadOnlySourceArrivesWritable) {
    writeFile(m_folders.source("readme.txt"), "text");
    fs::permissions(m_folders.source("readme.txt"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(CopyTree());
    struct stat info;
    ASSERT_EQ(::stat(m_folders.target("readme.txt").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IWUSR);
    EXPECT_EQ(readFile(m_folders.target("readme.txt")), "text");
}

TEST(FileActionOverwriteTest, EveryAnswerDecidesThisFileAndWhetherToAskAgain) {
    const struct {
        const char* name;
        std::deque<int> answers;
        size_t questions;
        std::string replaced; // of the files a, b and c
    } cases[] = {
        {"yes each time", {OVERWRITE_YES, OVERWRITE_YES, OVERWRITE_YES}, 3, "abc"},
        {"no each time", {OVERWRITE_NO, OVERWRITE_NO, OVERWRITE_NO}, 3, ""},
        {"yes to all", {OVERWRITE_YES_TO_ALL}, 1, "abc"},
        {"no to all", {OVERWRITE_NO_TO_ALL}, 1, ""},
        {"yes, then no to all", {OVERWRITE_YES, OVERWRITE_NO_TO_ALL}, 2, "a"},
        {"no, then yes to all", {OVERWRITE_NO, OVERWRITE_YES_TO_ALL}, 2, "bc"},
        // Cancel or the close box keep the decision so far, which starts as "replace".
        {"closed, then no", {OVERWRITE_CANCEL, OVERWRITE_NO, OVERWRITE_NO}, 3, "a"},
        {"no, closed, yes", {OVERWRITE_NO, OVERWRITE_CANCEL, OVERWRITE_YES}, 3, "c"},
        {"closed otherwise", {0, OVERWRITE_NO, OVERWRITE_NO}, 3, "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        theSetupStrings = SetupStrings();
        CopyFolders folders;
        const auto earlier = fs::file_time_type::clock::now() - std::chrono::hours(1);
        for (const std::string name : {"a", "b", "c"}) {
            writeFile(folders.source(name + ".txt"), "new");
            writeFile(folders.target(name + ".txt"), "old");
            fs::last_write_time(folders.target(name + ".txt"), earlier);
        }
        RecordingPage page;
        page.answers = c.answers;
        FileAction copy(page);
        EXPECT_TRUE(copy.recursivelyCopyAllFiles(folders.sourceFolder(), folders.targetFolder()));

        const std::vector<std::string> names{"a.txt", "b.txt", "c.txt"};
        EXPECT_EQ(page.asked, std::vector<std::string>(names.begin(), names.begin() + c.questions));
        std::string replaced;
        for (const std::string name : {"a", "b", "c"}) {
            if (readFile(folders.target(name + ".txt")) == "new")
                replaced += name;
        }
        EXPECT_EQ(replaced, c.replaced);
    }
}

TEST(FileActionOverwriteTest, AReplacementNeverPutsBackAnOlderVersionOrAnOlderFile) {
    const struct {
        const char* name;
        const char* sourceVersion; // null: a file without version
        const char* targetVersion;
        int sourceMinutesLater;
        bool replaced;
    } cases[] = {
        {"installed version higher, source newer", "1.2.3.4", "2.0.0.0", 60, false},
        {"source version higher, source older", "2.0.0.0", "1.2.3.4", -60, true},
        {"same version, source older", "1.2.3.4", "1.2.3.4", -60, false},
        {"same version, source newer", "1.2.3.4", "1.2.3.4", 60, true},
        {"no versions, source older", nullptr, nullptr, -60, false},
        {"no versions, same time", nullptr, nullptr, 0, true},
        {"no versions, source newer", nullptr, nullptr, 60, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        theSetupStrings = SetupStrings();
        CopyFolders folders;
        const std::string source = c.sourceVersion ? programWithVersion(c.sourceVersion) : "new";
        const std::string target = c.targetVersion ? programWithVersion(c.targetVersion) : "old";
        writeFile(folders.source("driver.dll"), source);
        writeFile(folders.target("driver.dll"), target);
        const auto base = fs::file_time_type::clock::now() - std::chrono::hours(2);
        fs::last_write_time(folders.target("driver.dll"), base);
        fs::last_write_time(folders.source("driver.dll"),
                            base + std::chrono::minutes(c.sourceMinutesLater));

        RecordingPage page;
        page.answers = {OVERWRITE_YES};
        FileAction copy(page);
        EXPECT_TRUE(copy.recursivelyCopyAllFiles(folders.sourceFolder(), folders.targetFolder()));
        EXPECT_EQ(page.asked.size(), 1u);
        EXPECT_EQ(readFile(folders.target("driver.dll")), c.replaced ? source : target);
    }
}

TEST_F(FileActionTest, AMissingSourceIsLoggedByTheCountAndTheWalkAndCopiesNothing) {
    int files = 0;
    int folders = 0;
    EXPECT_FALSE(m_copy.GetDirFiles(m_folders.sourceFolder(), files, folders));
    EXPECT_EQ(files, 0);
    EXPECT_EQ(folders, 0);
    EXPECT_FALSE(CopyTree());
    EXPECT_TRUE(m_log.contains(
        "FileAction::GetDirFiles: Source path is invalid: " + m_folders.sourceFolder() + "\n"));
    EXPECT_TRUE(m_log.contains("FileAction::recursivelyCopyAllFiles: Source path is invalid: " +
                               m_folders.sourceFolder() + "\n"));
    EXPECT_FALSE(fileExists(m_folders.target()));
    EXPECT_TRUE(m_page.progressValues.empty());
}

TEST_F(FileActionTest, FilesThatFailAreLoggedAndCountedAndTheWalkGoesOn) {
    writeFile(m_folders.source("a.txt"), "a");
    writeFile(m_folders.source("b.txt"), "b");
    writeFile(m_folders.source("Drivers/x.inf"), "x");
    writeFile(m_folders.source("z.txt"), "z");
    // A file where the destination needs the folder Drivers.
    writeFile(m_folders.target("Drivers"), "in the way");
    platform::FaultScope faults;
    platform::injectFault({platform::FileOperation::CopyFile, winerr::DISK_FULL,
                           m_folders.dir().enginePath("pkg\\b.txt")});

    EXPECT_TRUE(CopyTree());
    EXPECT_TRUE(m_log.contains("FileAction::createPath: failed to create path " +
                               m_folders.targetFolder() + "Drivers.\n"));
    EXPECT_TRUE(m_log.contains("FileAction::simpleCopy: could not copy file " +
                               m_folders.dir().enginePath("pkg\\b.txt") + ".\n"));
    EXPECT_EQ(readFile(m_folders.target("a.txt")), "a");
    EXPECT_FALSE(fileExists(m_folders.target("b.txt")));
    EXPECT_EQ(readFile(m_folders.target("z.txt")), "z");
    EXPECT_EQ(m_copy.copyCount(), 4);
}

TEST_F(FileActionTest, ACopyIntoAFolderTakesTheSourcesName) {
    writeFile(m_folders.source("a.txt"), "a");
    EXPECT_TRUE(
        m_copy.simpleCopy(m_folders.dir().enginePath("pkg\\a.txt"), m_folders.targetFolder()));
    EXPECT_EQ(readFile(m_folders.target("a.txt")), "a");
}

TEST_F(FileActionTest, TheProgressLineShowsTheNameAsTextInAGuardedFormat) {
    theSetupStrings.navFoot = "<b>%s</b> %d %s %n 100%%";
    writeFile(m_folders.source("R&D <1> 50%s.txt"), "x");
    EXPECT_TRUE(CopyTree());
    EXPECT_EQ(m_page.footers,
              (std::vector<std::string>{"<b>R&amp;D &lt;1&gt; 50%s.txt</b> %d %s %n 100%"}));
}

TEST_F(FileActionTest, ADestinationInsideTheSourceIsNeitherCountedNorCopiedIntoItself) {
    writeFile(m_folders.source("a.txt"), "a");
    writeFile(m_folders.source("Sub/b.txt"), "b");
    // Left from an earlier run into the same folder.
    writeFile(m_folders.source("Sub/Out/old.txt"), "old");
    const CStdStr inside = m_folders.dir().enginePath("pkg\\Sub\\Out") + "\\";

    m_copy.keepOut(inside);
    int files = 0;
    int folders = 0;
    EXPECT_TRUE(m_copy.GetDirFiles(m_folders.sourceFolder(), files, folders));
    EXPECT_EQ(files, 2);
    EXPECT_TRUE(m_copy.recursivelyCopyAllFiles(m_folders.sourceFolder(), inside));

    EXPECT_EQ(readFile(m_folders.source("Sub/Out/a.txt")), "a");
    EXPECT_EQ(readFile(m_folders.source("Sub/Out/Sub/b.txt")), "b");
    EXPECT_FALSE(fileExists(m_folders.source("Sub/Out/Sub/Out")));
    EXPECT_EQ(m_copy.copyCount(), 2);
    EXPECT_TRUE(m_log.contains(
        "FileAction::recursivelyCopyAllFiles: The destination is not copied into itself: " +
        m_folders.dir().enginePath("pkg\\Sub\\Out") + "\n"));
}

TEST_F(FileActionTest, ADestinationThatIsTheSourceCopiesNothing) {
    writeFile(m_folders.source("a.txt"), "a");
    EXPECT_TRUE(
        m_copy.recursivelyCopyAllFiles(m_folders.sourceFolder(), m_folders.sourceFolder() + "\\"));
    EXPECT_EQ(m_copy.copyCount(), 0);
    EXPECT_EQ(readFile(m_folders.source("a.txt")), "a");
}

TEST_F(FileActionTest, FolderLinksInThePayloadAreNotFollowed) {
    writeFile(m_folders.source("a.txt"), "a");
    writeFile(m_folders.dir().file("outside/secret.txt"), "secret");
    fs::create_directory_symlink("..", m_folders.source("Loop"));
    fs::create_directory_symlink(m_folders.dir().file("outside"), m_folders.source("Elsewhere"));

    int files = 0;
    int folders = 0;
    EXPECT_TRUE(m_copy.GetDirFiles(m_folders.sourceFolder(), files, folders));
    EXPECT_EQ(files, 1);
    EXPECT_EQ(folders, 1);
    EXPECT_TRUE(CopyTree());
    EXPECT_EQ(readFile(m_folders.target("a.txt")), "a");
    EXPECT_FALSE(fileExists(m_folders.target("Loop")));
    EXPECT_FALSE(fileExists(m_folders.target("Elsewhere")));
    EXPECT_TRUE(m_log.contains("FileAction::recursivelyCopyAllFiles: Folder link not followed: " +
                               m_folders.dir().enginePath("pkg\\Loop") + "\n"));
}

TEST_F(FileActionTest, ASourceFolderNamedThroughALinkIsCopied) {
    writeFile(m_folders.source("a.txt"), "a");
    fs::create_directory_symlink(m_folders.source(), m_folders.dir().file("Payload"));
    EXPECT_TRUE(m_copy.recursivelyCopyAllFiles(m_folders.dir().enginePath("Payload"),
                                               m_folders.targetFolder()));
    EXPECT_EQ(readFile(m_folders.target("a.txt")), "a");
}

} // namespace
