#include "FinishStep.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "CopyTestSupport.h"
#include "SetupStrings.h"
#include "TestSupport.h"
#include "platform/FaultInjection.h"
#include "platform/Process.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using testing_support::fileExists;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// A set-up program that writes the folder it runs in to a file called ran.txt beside it,
// after the shell commands in before.
void writeProgram(const std::string& path, const std::string& before = "") {
    writeFile(path, "#!/bin/sh\n" + before + "pwd > \"$(dirname \"$0\")/ran.txt\"\n");
    fs::permissions(path, fs::perms::owner_all);
}

bool waitForFile(const std::string& path, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!fileExists(path) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fileExists(path);
}

std::string firstLine(const std::string& path) {
    const std::string text = readFile(path);
    return text.substr(0, text.find('\n'));
}

TEST(FinishStepTest, FillsTheDestinationAndQuotesWhatGainsABlank) {
    const struct {
        const char* command;
        const char* destination;
        const char* expected;
    } cases[] = {
        {"%DestPath%\\Tools\\setup.exe", "C:\\Target\\", "C:\\Target\\Tools\\setup.exe"},
        {"%DestPath%\\setup.exe  /s", "C:\\Target\\", "C:\\Target\\setup.exe  /s"},
        {"%DestPath%\\setup.exe /s", "C:\\My Target\\", "\"C:\\My Target\\setup.exe\" /s"},
        {"%DestPath%\\setup.exe\t/d=%DestPath%\\", "C:\\My Target\\",
         "\"C:\\My Target\\setup.exe\"\t\"/d=C:\\My Target\\\\\""},
        // Quoted by the package: left as written.
        {"\"%DestPath%\\setup.exe\" /s", "C:\\My Target\\", "\"C:\\My Target\\setup.exe\" /s"},
        // Without its backslash the placeholder is not filled in.
        {"%DestPath%setup.exe", "C:\\My Target\\", "%DestPath%setup.exe"},
        {"%ExtrPath%\\setup.exe /s", "C:\\My Target\\", "%ExtrPath%\\setup.exe /s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(FinishStep::FillDestination(c.command, c.destination), c.expected);
    }
    // What the program is told is what the package meant.
    const CStdStr filled =
        FinishStep::FillDestination("%DestPath%\\setup.exe /d=%DestPath%\\", "C:\\My Target\\");
    EXPECT_EQ(platform::splitCommandLine(filled),
              (std::vector<CStdStr>{"C:\\My Target\\setup.exe", "/d=C:\\My Target\\"}));
}

class FinishStepRunTest : public testing::Test {
protected:
    void SetUp() override {
        theSetupStrings = SetupStrings();
        theSetupStrings.navFoot = "Copying %s";
        theSetupStrings.sourceDir = m_folders.sourceFolder();
    }

    CopyFolders m_folders;
    LogCapture m_log;
    RecordingPage m_page;
    FileAction m_copy{m_page};
};

TEST_F(FinishStepRunTest, AProgramInThePackageFolderIsWaitedFor) {
    const std::string program = m_folders.dir().file("Package Folder/setup.sh");
    writeProgram(program, "sleep 0.5\n");
    theSetupStrings.launchCommand =
        "\"" + m_folders.dir().enginePath("Package Folder") + "\\setup.sh\" /quiet";
    FinishStep::StartSetupProgram(m_folders.targetFolder());
    // It has run, in its own folder, by the time the start returns.
    ASSERT_TRUE(fileExists(m_folders.dir().file("Package Folder/ran.txt")));
    EXPECT_EQ(firstLine(m_folders.dir().file("Package Folder/ran.txt")),
              m_folders.dir().file("Package Folder"));
}

TEST_F(FinishStepRunTest, AProgramInTheDestinationIsStartedWithoutWaiting) {
    TempDir target;
    const std::string folder = target.file("My Target");
    // Runs on only once the test lets it, which it cannot while the start waits.
    writeProgram(folder + "/Tools/setup.sh", "for i in $(seq 200); do [ -e \"" + target.file("go") +
                                                 "\" ] && break; sleep 0.05; done\n");
    theSetupStrings.launchCommand = "%DestPath%\\Tools\\setup.sh";
    const CStdStr destination = target.enginePath("My Target") + "\\";

    FinishStep::StartSetupProgram(destination);
    EXPECT_EQ(theSetupStrings.launchCommand, "\"" + destination + "Tools\\setup.sh\"");
    EXPECT_FALSE(fileExists(folder + "/Tools/ran.txt"));
    writeFile(target.file("go"), "");
    ASSERT_TRUE(waitForFile(folder + "/Tools/ran.txt"));
    EXPECT_EQ(firstLine(folder + "/Tools/ran.txt"), folder + "/Tools");
}

TEST_F(FinishStepRunTest, AnEmptyCommandStartsNothingAndSaysSo) {
    theSetupStrings.launchCommand = "";
    FinishStep::StartSetupProgram(m_folders.targetFolder());
    EXPECT_TRUE(m_log.contains("DirDialog::OnFinish: The set-up program could not be started "
                               "(error 87): \n"));
}

TEST_F(FinishStepRunTest, CountsShowsTheGaugeCopiesAndStarts) {
    writeFile(m_folders.source("a.txt"), "a");
    writeFile(m_folders.source("b.txt"), "b");
    writeProgram(m_folders.source("Tools/setup.sh"));
    theSetupStrings.launchCommand = "%DestPath%\\Tools\\setup.sh";

    FinishStep::Run(m_copy, m_page, m_folders.targetFolder());
    EXPECT_EQ(m_page.total, 3);
    ASSERT_FALSE(m_page.progressValues.empty());
    EXPECT_EQ(m_page.progressValues.back(), 2); // the gauge ends at 2 of 3
    EXPECT_EQ(readFile(m_folders.target("a.txt")), "a");
    ASSERT_TRUE(waitForFile(m_folders.target("Tools/ran.txt")));
    EXPECT_EQ(firstLine(m_folders.target("Tools/ran.txt")), m_folders.target("Tools"));
}

TEST_F(FinishStepRunTest, AMissingSourceStartsNothing) {
    writeProgram(m_folders.dir().file("setup.sh"));
    theSetupStrings.launchCommand = m_folders.dir().enginePath("setup.sh");

    FinishStep::Run(m_copy, m_page, m_folders.targetFolder());
    EXPECT_EQ(m_page.total, 0);
    EXPECT_TRUE(m_log.contains("FileAction::GetDirFiles: Source path is invalid: "));
    EXPECT_TRUE(m_log.contains("FileAction::recursivelyCopyAllFiles: Source path is invalid: "));
    // The program would have been waited for: it did not run.
    EXPECT_FALSE(fileExists(m_folders.dir().file("ran.txt")));
}

TEST_F(FinishStepRunTest, ACopyInWhichEveryFileFailedStillStarts) {
    writeFile(m_folders.source("a.txt"), "a");
    writeProgram(m_folders.dir().file("setup.sh"));
    theSetupStrings.launchCommand = m_folders.dir().enginePath("setup.sh");
    platform::FaultScope faults;
    platform::injectFault({platform::FileOperation::CopyFile, winerr::DISK_FULL, "", 1, true});

    FinishStep::Run(m_copy, m_page, m_folders.targetFolder());
    EXPECT_FALSE(fileExists(m_folders.target("a.txt")));
    EXPECT_TRUE(fileExists(m_folders.dir().file("ran.txt")));
}

} // namespace
