// Starts the built program from a package folder, as a user does, and drives its pages with
// keys on the X display.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"

extern char** environ;

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

std::string output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

// The program in a package folder of its own, started with its own temporary folder (where its
// log goes) and locale.
class ProgramRun {
public:
    explicit ProgramRun(const TempDir& package, const std::string& locale = "en_US.UTF-8",
                        const std::vector<std::string>& arguments = {})
        : m_log(package.file("tmp/RuZidiv.log")) {
        fs::create_directories(package.file("tmp"));
        std::vector<std::string> environment{"TMPDIR=" + package.file("tmp"), "LANG=" + locale};
        for (char** entry = environ; *entry; ++entry) {
            const std::string variable = *entry;
            if (variable.rfind("TMPDIR=", 0) != 0 && variable.rfind("LANG=", 0) != 0 &&
                variable.rfind("LC_", 0) != 0 && variable.rfind("LANGUAGE=", 0) != 0)
                environment.push_back(variable);
        }
        std::vector<std::string> argv{package.file("setup")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        m_pid = spawn(argv, environment);
    }
    ~ProgramRun() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    // The exit status, or -1 when the program is still running after the timeout.
    int exitStatus(int timeoutMs = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    // The title of the next visible window that is not in known; empty after the timeout.
    std::string nextWindow(std::vector<std::string>& known, int timeoutMs = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_pid > 0 && std::chrono::steady_clock::now() < end) {
            const std::string ids = output("xdotool search --onlyvisible --pid " +
                                           std::to_string(m_pid) + " 2>/dev/null");
            size_t start = 0;
            for (size_t stop; (stop = ids.find('\n', start)) != std::string::npos;
                 start = stop + 1) {
                const std::string id = ids.substr(start, stop - start);
                if (std::find(known.begin(), known.end(), id) == known.end()) {
                    known.push_back(id);
                    m_window = id;
                    std::string title = output("xdotool getwindowname " + id);
                    if (!title.empty() && title.back() == '\n')
                        title.pop_back();
                    return title;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::string();
    }
    std::string nextWindow() {
        std::vector<std::string> none;
        return nextWindow(none);
    }

    // A key pressed on the window found last, as a person types it.
    void press(const char* key) const {
        const std::string command = "xdotool windowfocus --sync " + m_window + " key " + key;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::string log() const { return readFile(m_log); }
    bool logExists() const { return fs::exists(m_log); }

private:
    static pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        pid_t pid = -1;
        if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0)
            return -1;
        return pid;
    }

    std::string m_log;
    pid_t m_pid = -1;
    std::string m_window;
};

void copyProgramInto(const TempDir& package) {
    fs::copy_file(KENDRY_SETUP_PROGRAM, package.file("setup"));
}

// The demo package as it ships, with the built program beside its Setup.ini.
void assembleDemo(const TempDir& package) {
    fs::copy(KENDRY_DEMO_PACKAGE, package.path(), fs::copy_options::recursive);
    copyProgramInto(package);
}

void writeSmallPackage(const TempDir& package, const std::string& setupEntries) {
    copyProgramInto(package);
    writeFile(package.file("Setup.ini"), "[Setup]\nLanguage=en\nApp_Title=Licence page\n"
                                         "Nav_Title=Folder page\n" +
                                             setupEntries);
    writeFile(package.file("Install/Config/NLS/en.nls"), "[Global]\nDefaultFont=#none#\n");
}

TEST(SetupProgramTest, WithoutSetupIniItLogsWhyAndEndsWith255) {
    TempDir package;
    copyProgramInto(package);
    ProgramRun run(package);
    EXPECT_EQ(run.exitStatus(), 255);
    const std::string log = run.log();
    const size_t banner =
        log.find("| Setup.exe\n| Version: \n| \n| Kendry: to Launch Application.\n");
    const size_t failure = log.find("Kendry::Failed: No Setup.ini exists. \n");
    ASSERT_NE(banner, std::string::npos) << log;
    ASSERT_NE(failure, std::string::npos) << log;
    EXPECT_LT(banner, failure);
}

TEST(SetupProgramTest, AnUnknownOptionEndsWith255BeforeTheLogIsOpened) {
    TempDir package;
    writeSmallPackage(package, "");
    ProgramRun run(package, "en_US.UTF-8", {"--no-such-option"});
    EXPECT_EQ(run.exitStatus(), 255);
    EXPECT_FALSE(run.logExists());
}

TEST(SetupProgramTest, DemoPackageRunsThroughBothPagesInGerman) {
    TempDir package;
    assembleDemo(package);
    ProgramRun run(package, "de_DE.UTF-8");
    std::vector<std::string> seen;
    EXPECT_EQ(run.nextWindow(seen), "Kendry Works DP-500 - Lizenzvereinbarung");
    run.press("Return");
    EXPECT_EQ(run.nextWindow(seen), "Kendry Works DP-500 - Zielordner");
    run.press("Return");
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_NE(run.log().find("| Kendry: to Launch Application.\n"), std::string::npos);
}

TEST(SetupProgramTest, EscapeOnEitherPageEndsTheRunWith0) {
    for (const char* hideEula : {"no", "True"}) {
        SCOPED_TRACE(hideEula);
        TempDir package;
        writeSmallPackage(package, std::string("HideEULA=") + hideEula + "\n");
        ProgramRun run(package);
        EXPECT_EQ(run.nextWindow(),
                  std::string(hideEula) == "True" ? "Folder page" : "Licence page");
        run.press("Escape");
        EXPECT_EQ(run.exitStatus(), 0);
    }
}

} // namespace
