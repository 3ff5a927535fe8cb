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

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"

// Last: its macros (Bool, None, Status) would clash with the headers above.
#include <X11/Xlib.h>

extern char** environ;

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// One connection to the display for the whole test program. The server now and then drops a
// connection that opens while another one opens or closes, so the test must not connect while
// the program under test does.
Display* display() {
    static Display* const connection = XOpenDisplay(nullptr);
    return connection;
}

std::string textProperty(Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display(), window, XInternAtom(display(), name, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data) {
        if (format == 8)
            text.assign(reinterpret_cast<const char*>(data), count);
        else if (format == 32 && count == 1)
            text = std::to_string(*reinterpret_cast<const unsigned long*>(data));
        XFree(data);
    }
    return text;
}

struct TopWindow {
    unsigned long id;
    long pid;
    std::string title;
};

// The mapped top-level windows; without a window manager they are the root's children.
std::vector<TopWindow> visibleWindows() {
    std::vector<TopWindow> windows;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!display() ||
        !XQueryTree(display(), DefaultRootWindow(display()), &root, &parent, &children, &count))
        return windows;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display(), children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        const std::string pid = textProperty(children[i], "_NET_WM_PID");
        windows.push_back({children[i], pid.empty() ? -1 : std::stol(pid),
                           textProperty(children[i], "_NET_WM_NAME")});
    }
    XFree(children);
    return windows;
}

// The program in a package folder of its own, started with its own temporary folder (where its
// log goes) and locale.
class ProgramRun {
public:
    explicit ProgramRun(const TempDir& package, const std::string& locale = "en_US.UTF-8",
                        const std::vector<std::string>& arguments = {})
        : m_log(package.file("tmp/RuZidiv.log")), m_stderr(package.file("tmp/stderr.txt")) {
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

    // The title of the next visible window of the program that is not in known; empty after
    // the timeout.
    std::string nextWindow(std::vector<unsigned long>& known, int timeoutMs = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_pid > 0 && std::chrono::steady_clock::now() < end) {
            for (const TopWindow& window : visibleWindows()) {
                if (window.pid == m_pid &&
                    std::find(known.begin(), known.end(), window.id) == known.end()) {
                    known.push_back(window.id);
                    m_window = window.id;
                    return window.title;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::string windows;
        for (const TopWindow& window : visibleWindows())
            windows += " \"" + window.title + "\"";
        ADD_FAILURE() << "no new window; visible:" << windows << "\nstderr: " << readFile(m_stderr)
                      << "\nlog: " << log();
        return std::string();
    }
    std::string nextWindow() {
        std::vector<unsigned long> none;
        return nextWindow(none);
    }

    // A key pressed on the window found last, as a person types it.
    void press(const char* key) const {
        const std::string command =
            "xdotool windowfocus --sync " + std::to_string(m_window) + " key " + key;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::string log() const { return readFile(m_log); }
    bool logExists() const { return fs::exists(m_log); }

private:
    pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        pid_t pid = -1;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, 2, m_stderr.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int error = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
        ::posix_spawn_file_actions_destroy(&actions);
        return error == 0 ? pid : -1;
    }

    std::string m_log;
    std::string m_stderr;
    pid_t m_pid = -1;
    unsigned long m_window = 0;
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
    ASSERT_NE(display(), nullptr) << "these tests need an X display (run them under xvfb-run)";
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
    std::vector<unsigned long> seen;
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
