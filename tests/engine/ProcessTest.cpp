#include "platform/Process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

#include "TestSupport.h"
#include "helpers/ChildReport.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using child_report::ChildEnvironment;
using child_report::readReport;
using testing_support::engineForm;
using testing_support::TempDir;
using testing_support::writeFile;

// Starts a command line and waits for it; returns the exit code.
std::uint32_t runToEnd(const CStdStr& commandLine) {
    platform::ProcessHandle process = nullptr;
    EXPECT_EQ(platform::createProcess(commandLine, {}, false, process), winerr::SUCCESS);
    EXPECT_EQ(platform::waitForProcess(process, platform::WAIT_FOREVER),
              platform::WaitResult::Ended);
    std::uint32_t exitCode = 0xDEAD;
    EXPECT_TRUE(platform::processExitCode(process, exitCode));
    platform::closeProcess(process);
    return exitCode;
}

TEST(ProcessTest, SplitsCommandLinesAsTheWindowsRuntimeBuildsArgv) {
    const struct {
        const char* line;
        std::vector<CStdStr> words;
    } cases[] = {
        {R"(a b  c)", {"a", "b", "c"}},
        {" \t prog\ta \t b  ", {"prog", "a", "b"}},
        {"   ", {}},
        {"", {}},
        // The program's quotes only group; its backslashes are plain.
        {R"("C:\My Prog\x.exe" /s)", {R"(C:\My Prog\x.exe)", "/s"}},
        {R"(C:\My" "Prog\x.exe a)", {R"(C:\My Prog\x.exe)", "a"}},
        {R"("C:\dir\"x y)", {R"(C:\dir\x)", "y"}},
        {R"('C:\My Prog\x.exe' 'a b')", {R"(C:\My Prog\x.exe)", "'a", "b'"}},
        {R"("" a)", {"", "a"}},
        // Arguments: quotes group, backslashes count only before a quote.
        {R"(p "a b c" d)", {"p", "a b c", "d"}},
        {R"(p "ab\"c" "\\" d)", {"p", R"(ab"c)", R"(\)", "d"}},
        {R"(p a\\\b d"e f"g h)", {"p", R"(a\\\b)", "de fg", "h"}},
        {R"(p a\\\"b c)", {"p", R"(a\"b)", "c"}},
        {R"(p a\\\\"b c" d)", {"p", R"(a\\b c)", "d"}},
        {R"(p C:\dir\ "C:\dir\\" x)", {"p", R"(C:\dir\)", R"(C:\dir\)", "x"}},
        // "" inside quotes is one quote and the quotes go on.
        {R"(p "a""b c" d)", {"p", R"(a"b c)", "d"}},
        {R"(p a""b)", {"p", "ab"}},
        {R"(p """")", {"p", R"(")"}},
        {R"(p "" ")", {"p", "", ""}},
        {R"(p $(id) ;ls `x` *)", {"p", "$(id)", ";ls", "`x`", "*"}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(platform::splitCommandLine(test.line), test.words) << test.line;
}

TEST(ProcessTest, ProgramGetsItsArgumentsLiterallyAndItsExitCode) {
    TempDir dir;
    const std::string folder = dir.file("odd $(touch pwned); `x` & name");
    fs::create_directories(folder);
    fs::copy_file(KENDRY_REPORT_ARGS, folder + "/Report Args");
    ChildEnvironment environment(dir.file("report"), 42);

    // Another case of the program's name still finds it.
    const CStdStr line = "\"" + engineForm(folder) + "\\report ARGS\" $(touch pwned) ';' " +
                         R"("two words" a\\\"b *)";
    EXPECT_EQ(runToEnd(line), 42U);

    const child_report::Report report = readReport(dir.file("report"));
    ASSERT_TRUE(report.found);
    const std::vector<std::string> expected{
        folder + "/Report Args", "$(touch", "pwned)", "';'", "two words", R"(a\"b)", "*"};
    EXPECT_EQ(report.arguments, expected);
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(folder + "/pwned"));
}

TEST(ProcessTest, BareNameIsFoundInTheCurrentFolderThenAlongThePath) {
    TempDir dir;
    fs::create_directories(dir.file("here"));
    fs::create_directories(dir.file("bin"));
    fs::copy_file(KENDRY_REPORT_ARGS, dir.file("here/Local Tool"));
    fs::copy_file(KENDRY_REPORT_ARGS, dir.file("bin/pathtool"));
    const std::string previousFolder = fs::current_path();
    const std::string previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    fs::current_path(dir.file("here"));
    ::setenv("PATH", dir.file("bin").c_str(), 1);
    ChildEnvironment environment(dir.file("report"));

    const std::uint32_t local = runToEnd("\"local tool\" x");
    const child_report::Report localReport = readReport(dir.file("report"));
    const std::uint32_t onPath = runToEnd("pathtool y");
    const child_report::Report pathReport = readReport(dir.file("report"));
    fs::current_path(previousFolder);
    ::setenv("PATH", previousPath.c_str(), 1);

    EXPECT_EQ(local, 0U);
    EXPECT_EQ(localReport.arguments, (std::vector<std::string>{"./Local Tool", "x"}));
    EXPECT_EQ(onPath, 0U);
    EXPECT_EQ(pathReport.arguments, (std::vector<std::string>{dir.file("bin/pathtool"), "y"}));
}

TEST(ProcessTest, TimedWaitReportsARunningProgramUntilItEnds) {
    TempDir dir;
    ChildEnvironment environment(dir.file("report"), 3, 300);
    platform::ProcessHandle process = nullptr;
    ASSERT_EQ(platform::createProcess(engineForm(KENDRY_REPORT_ARGS), {}, false, process),
              winerr::SUCCESS);
    EXPECT_EQ(platform::waitForProcess(process, 50), platform::WaitResult::TimedOut);
    std::uint32_t exitCode = 0;
    EXPECT_FALSE(platform::processExitCode(process, exitCode));
    EXPECT_EQ(platform::waitForProcess(process, 5000), platform::WaitResult::Ended);
    EXPECT_EQ(platform::waitForProcess(process, 0), platform::WaitResult::Ended);
    ASSERT_TRUE(platform::processExitCode(process, exitCode));
    EXPECT_EQ(exitCode, 3U);
    platform::closeProcess(process);
}

TEST(ProcessTest, ProgramEndedBySignalReportsAFailureCode) {
    TempDir dir;
    ChildEnvironment environment(dir.file("report"), 0, 10000);
    platform::ProcessHandle process = nullptr;
    ASSERT_EQ(platform::createProcess(engineForm(KENDRY_REPORT_ARGS), {}, false, process),
              winerr::SUCCESS);
    ASSERT_TRUE(child_report::waitForFile(dir.file("report"), std::chrono::seconds(5)));
    ::kill(static_cast<pid_t>(readReport(dir.file("report")).pid), SIGTERM);
    EXPECT_EQ(platform::waitForProcess(process, platform::WAIT_FOREVER),
              platform::WaitResult::Ended);
    std::uint32_t exitCode = 0;
    ASSERT_TRUE(platform::processExitCode(process, exitCode));
    EXPECT_EQ(exitCode, 128U + SIGTERM);
    platform::closeProcess(process);
}

TEST(ProcessTest, BatchLineHandsTheShellOnlyLiteralWords) {
    TempDir dir;
    const std::string folder = dir.file("it's $(touch pwned); -a");
    writeFile(folder + "/RUN.BAT", "printf '%s\\n' \"$@\" > \"$KENDRY_REPORT\"\nexit 7\n");
    ChildEnvironment environment(dir.file("args"));

    const CStdStr command = "\"" + engineForm(folder) + "\\run.bat\" /q \"a 'b'\" $(touch pwned)";
    const CStdStr line =
        platform::batchCommandLine("C:\\WINDOWS\\system32\\cmd.exe", command, true);
    EXPECT_EQ(platform::runCommandInterpreter(line), 7);
    EXPECT_EQ(testing_support::readFile(dir.file("args")), "/q\na 'b'\n$(touch\npwned)\n");
    EXPECT_FALSE(fs::exists(folder + "/pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
}

} // namespace
