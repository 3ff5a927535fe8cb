#include "LaunchPad.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "helpers/ChildReport.h"
#include "platform/FaultInjection.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using child_report::ChildEnvironment;
using child_report::readReport;
using child_report::Report;
using testing_support::engineForm;
using testing_support::LogCapture;
using testing_support::TempDir;
using testing_support::writeFile;

CStdStr quoted(const std::string& native, char quote = '"') {
    return quote + engineForm(native) + quote;
}

// A package folder with a blank in its name holding the helper program, and
// a current folder elsewhere that every test starts in and must end in.
class LaunchPadTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_program.parent_path());
        fs::create_directories(m_start);
        fs::copy_file(KENDRY_REPORT_ARGS, m_program);
        m_previous = fs::current_path();
        fs::current_path(m_start);
    }
    void TearDown() override {
        EXPECT_EQ(fs::current_path(), m_start);
        fs::current_path(m_previous);
    }
    Report report() const { return readReport(m_dir.file("report")); }

    TempDir m_dir;
    const fs::path m_program = m_dir.file("Program Folder/Report Args");
    const fs::path m_start = m_dir.file("start");
    fs::path m_previous;
};

TEST_F(LaunchPadTest, QuotedProgramWithBlanksStartsInItsFolderWithItsArguments) {
    ChildEnvironment environment(m_dir.file("report"), 5);
    const struct {
        CStdStr command;
        bool changeDir;
        fs::path folder;
    } cases[] = {
        {quoted(m_program) + " first \"second arg\"", true, m_program.parent_path()},
        {quoted(m_program, '\'') + " first \"second arg\"", true, m_program.parent_path()},
        {quoted(m_program) + " first \"second arg\"", false, m_start},
    };
    for (const auto& test : cases) {
        std::uint32_t exitCode = 99;
        // The Windows-only inputs are accepted and make no difference here.
        EXPECT_EQ(LaunchAndWait(test.command.c_str(), false, exitCode, test.changeDir,
                                reinterpret_cast<void*>(1), 3, 552),
                  0U)
            << test.command;
        EXPECT_EQ(exitCode, 5U);
        const Report child = report();
        EXPECT_EQ(child.folder, test.folder.string()) << test.command;
        EXPECT_EQ(child.arguments,
                  (std::vector<std::string>{m_program.string(), "first", "second arg"}));
        EXPECT_EQ(fs::current_path(), m_start);
    }
}

TEST_F(LaunchPadTest, StartFailuresGiveWindowsCodesAndRestoreTheFolder) {
    writeFile(m_dir.file("pkg/readme.exe"), "not allowed to run");
    writeFile(m_dir.file("pkg/garbage.exe"), "no program format at all");
    fs::permissions(m_dir.file("pkg/garbage.exe"), fs::perms::owner_exec, fs::perm_options::add);
    const CStdStr pkg = engineForm(m_dir.file("pkg"));
    const struct {
        CStdStr command;
        std::uint32_t error;
    } cases[] = {
        {"", winerr::INVALID_PARAMETER},
        {pkg + "\\missing.exe /s", winerr::FILE_NOT_FOUND},
        {"\"" + pkg + "\\no such folder\\setup.exe\" /s", winerr::PATH_NOT_FOUND},
        {pkg + "\\readme.exe", winerr::ACCESS_DENIED},
        {pkg + "\\garbage.exe", winerr::BAD_EXE_FORMAT},
        {pkg, winerr::ACCESS_DENIED},
    };
    for (const auto& test : cases) {
        std::uint32_t exitCode = 99;
        EXPECT_EQ(LaunchAndWait(test.command.c_str(), false, exitCode, true), test.error)
            << test.command;
        EXPECT_EQ(exitCode, 0U) << test.command;
        EXPECT_EQ(Launch(test.command.c_str(), true), test.error) << test.command;
        EXPECT_EQ(fs::current_path(), m_start) << test.command;
    }
    std::uint32_t exitCode = 99;
    EXPECT_EQ(LaunchAndWait(nullptr, true, exitCode, true), winerr::INVALID_PARAMETER);
    EXPECT_EQ(exitCode, 0U);
    EXPECT_EQ(Launch(nullptr), winerr::INVALID_PARAMETER);
}

TEST_F(LaunchPadTest, FailedFolderChangeIsLoggedAndTheLaunchGoesOn) {
    LogCapture log;
    fs::create_directories(m_dir.file("tools"));
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (m_dir.file("tools") + ":" + path).c_str(), 1);
    fs::copy_file(KENDRY_REPORT_ARGS, m_dir.file("tools/report_args"));
    ChildEnvironment environment(m_dir.file("report"));
    const CStdStr missing = engineForm(m_dir.file("gone"));

    std::uint32_t exitCode = 0;
    EXPECT_EQ(LaunchAndWait((missing + "\\setup.exe").c_str(), false, exitCode, true),
              winerr::PATH_NOT_FOUND);
    EXPECT_TRUE(log.contains("LaunchPad.cpp:Launcher::DoLaunch(100): could not change dirs to " +
                             missing + " with error code 2\n"))
        << log.text();

    // A folder that exists but refuses: the program still starts, here.
    log.clear();
    platform::FaultScope faults;
    platform::injectFault({platform::FileOperation::SetCurrentDirectory, winerr::ACCESS_DENIED,
                           engineForm(m_program.parent_path()), 1, false});
    EXPECT_EQ(LaunchAndWait((quoted(m_program) + " refused").c_str(), false, exitCode, true), 0U);
    EXPECT_EQ(report().folder, m_start.string());
    EXPECT_TRUE(log.contains("could not change dirs to " + engineForm(m_program.parent_path()) +
                             " with error code 5\n"))
        << log.text();

    // A bare name has no folder to change to: the current one stays.
    log.clear();
    EXPECT_EQ(LaunchAndWait("report_args bare", false, exitCode, true), 0U);
    EXPECT_EQ(report().folder, m_start.string());
    EXPECT_EQ(report().arguments.at(1), "bare");
    EXPECT_EQ(log.text(), "");
    ::setenv("PATH", path.c_str(), 1);
}

TEST_F(LaunchPadTest, BatFilesRunThroughTheShellAndOthersDoNot) {
    // Shell characters in the folder name must reach the shell as text.
    const std::string pkg = m_dir.file("pkg; $(touch pwned) it's");
    writeFile(pkg + "/SETUP.Bat", "sleep 0.2\n"
                                  "{ pwd; printf '%s\\n' \"$@\"; } > \"$KENDRY_REPORT\"\n"
                                  "exit 9\n");
    fs::copy_file(KENDRY_REPORT_ARGS, pkg + "/install.cmd");
    ChildEnvironment environment(m_dir.file("report"));

    std::uint32_t exitCode = 0;
    EXPECT_EQ(
        LaunchAndWait((quoted(pkg + "/SETUP.Bat") + " /q \"a b\"").c_str(), true, exitCode, true),
        0U);
    EXPECT_EQ(exitCode, 9U);
    EXPECT_EQ(testing_support::readFile(m_dir.file("report")), pkg + "\n/q\na b\n");

    // Without waiting the interpreter still blocks until the batch ends.
    fs::remove(m_dir.file("report"));
    EXPECT_EQ(Launch((quoted(pkg + "/setup.BAT") + " x").c_str(), false), 0U);
    EXPECT_EQ(testing_support::readFile(m_dir.file("report")), m_start.string() + "\nx\n");

    EXPECT_EQ(LaunchAndWait((quoted(pkg + "/install.cmd") + " /q").c_str(), false, exitCode), 0U);
    EXPECT_EQ(report().arguments, (std::vector<std::string>{pkg + "/install.cmd", "/q"}));
    EXPECT_FALSE(fs::exists(pkg + "/pwned"));
    EXPECT_FALSE(fs::exists(m_start / "pwned"));
}

// Counts the idle calls of a waiting launch.
class CountingLauncher : public Launcher {
public:
    void Idle() override { ++m_idles; }
    int m_idles = 0;
};

TEST_F(LaunchPadTest, PumpingWaitCallsPumpAndIdleOncePerSecondStillRunning) {
    int pumps = 0;
    bool lastPaintOnly = false;
    const MessagePump previous = setMessagePump([&](bool paintOnly) {
        ++pumps;
        lastPaintOnly = paintOnly;
    });
    const struct {
        int runMilliseconds;
        bool pumpMessages;
        bool paintOnly;
        int idles;
    } cases[] = {
        {3500, true, true, 3},
        {0, true, false, 0},
        {1100, false, false, 0},
    };
    for (const auto& test : cases) {
        ChildEnvironment environment(m_dir.file("report"), 4, test.runMilliseconds);
        CountingLauncher launcher;
        pumps = 0;
        std::uint32_t error = 99;
        std::uint32_t exitCode = 99;
        const auto start = std::chrono::steady_clock::now();
        launcher.DoLaunch(quoted(m_program).c_str(), true, test.pumpMessages, false, nullptr, 0, 0,
                          error, exitCode, test.paintOnly);
        // The child's start-up counts too, and a loaded or instrumented machine stretches
        // it: at most one call for each whole second the wait took.
        const auto waited = std::chrono::steady_clock::now() - start;
        const int mostIdles =
            test.pumpMessages
                ? int(std::chrono::duration_cast<std::chrono::seconds>(waited).count())
                : 0;
        EXPECT_EQ(error, 0U);
        EXPECT_EQ(exitCode, 4U);
        EXPECT_GE(launcher.m_idles, test.idles) << test.runMilliseconds;
        EXPECT_LE(launcher.m_idles, mostIdles) << test.runMilliseconds;
        EXPECT_EQ(pumps, launcher.m_idles) << test.runMilliseconds;
        if (test.idles > 0) {
            EXPECT_EQ(lastPaintOnly, test.paintOnly);
        }
    }
    setMessagePump(previous);
}

char processState(long pid) {
    const std::string stat = testing_support::readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}

TEST_F(LaunchPadTest, StartWithoutWaitingIsDetachedAndOutlivesItsParent) {
    const std::string done = m_dir.file("done");
    ChildEnvironment environment(m_dir.file("report"), 0, 1000, done);
    const CStdStr command = quoted(m_program);

    // A parent that launches the program, checks it returned at once and
    // left no child of its own behind, and ends before the program does.
    const pid_t parent = ::fork();
    ASSERT_GE(parent, 0);
    if (parent == 0) {
        const auto start = std::chrono::steady_clock::now();
        const std::uint32_t error = Launch(command.c_str(), true, nullptr, 0, 552);
        const bool quick =
            std::chrono::steady_clock::now() - start < std::chrono::milliseconds(400);
        const bool childless = ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
        ::_exit(error != 0 ? 1 : !quick ? 2 : !childless ? 3 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(parent, &status, 0), parent);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    ASSERT_TRUE(child_report::waitForFile(m_dir.file("report"), std::chrono::seconds(5)));
    const Report child = report();
    EXPECT_FALSE(fs::exists(done)) << "ended before its parent";
    EXPECT_EQ(::kill(static_cast<pid_t>(child.pid), 0), 0);
    EXPECT_NE(processState(child.pid), 'Z');
    EXPECT_EQ(child.session, child.pid);
    EXPECT_EQ(child.group, child.pid);
    EXPECT_NE(child.session, static_cast<long>(::getsid(0)));
    EXPECT_TRUE(child_report::waitForFile(done, std::chrono::seconds(5)));
}

} // namespace
