#pragma once
// What the tests of whole runs share: a package folder with the built program in it, the
// program started from there, and its windows driven on the X display as a person drives them.

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

// Last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

extern char** environ;

namespace program_test {

namespace fs = std::filesystem;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// The account a run is dropped to when the tests run as root, where permissions stop nothing.
const uid_t kUnprivileged = 65534;

inline std::string output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// What a window manager sends when the close box is clicked: the display has none.
inline void clickCloseBox(const std::string& window) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
}

// A package: the program beside its Setup.ini, the English texts, a licence and a payload
// below Payload. Its temporary folder is tmp; the set-up program leaves its markers in marks.
class Package {
public:
    explicit Package(const std::string& installPath, const std::string& copydir = "Payload",
                     const std::string& extraEntries = "") {
        fs::copy_file(KENDRY_SETUP_PROGRAM, file("setup"));
        fs::create_directories(file("tmp"));
        fs::create_directories(file("marks"));
        fs::permissions(file("marks"), fs::perms::all);
        writeFile(file("Setup.ini"),
                  "[Setup]\nLanguage=en\nCopydir=" + copydir +
                      "\nApp_Title=Licence page\n"
                      "App_Head=Please read\nApp_Foot=Accept?\nApp_File=.\\licence.txt\n"
                      "App_Button1=Accept\nApp_Button2=Decline\nNav_Title=Folder page\n"
                      "Nav_Head=Where to?\nNav_Foot=Copying %s\nNav_DefaultDir=" +
                      m_dir.enginePath("Target Folder") +
                      "\nNav_Button1=Browse\nNav_Button2=Install\nNav_Button3=Cancel\n"
                      "InstallPath=" +
                      installPath + "\nInstallPath64=" + installPath + "\n" + extraEntries);
        writeFile(file("Install/Config/NLS/en.nls"),
                  "[Global]\nDefaultFont=DejaVu Sans\nOverwriteFileTitle=Replace file\n"
                  "OverwriteFile=It exists. Replace it?\nYes=Yes\nYesToAll=Yes to All\nNo=No\n"
                  "NoToAll=No to All\nCancel=Cancel\nDirBrowse=Choose\n");
        writeFile(file("licence.txt"), "The terms.\n");
    }

    std::string file(const std::string& relative) const { return m_dir.file(relative); }
    // The same path as the program writes it in its log.
    std::string enginePath(const std::string& relative) const { return m_dir.enginePath(relative); }
    std::string target(const std::string& relative = "") const {
        return file(relative.empty() ? "Target Folder" : "Target Folder/" + relative);
    }
    std::string log() const { return readFile(file("tmp/RuZidiv.log")); }

    // A set-up program that notes its start and its folder, then holds until the test lets it
    // go, then notes its end.
    void writeSetupProgram(const std::string& relative) const {
        const std::string marks = file("marks");
        writeFile(file(relative), "#!/bin/sh\npwd > '" + marks +
                                      "/started'\nfor i in $(seq 600); do "
                                      "[ -e '" +
                                      marks +
                                      "/go' ] && break; sleep 0.05; done\n"
                                      "touch '" +
                                      marks + "/done'\n");
        fs::permissions(file(relative), fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
    }
    bool programStarted() const { return fileExists(file("marks/started")); }
    std::string programFolder() const {
        const std::string text = readFile(file("marks/started"));
        return text.substr(0, text.find('\n'));
    }
    void letProgramGo() const { writeFile(file("marks/go"), ""); }
    bool programEnded() const { return fileExists(file("marks/done")); }
    bool programDone() const {
        return waitUntil([this] { return programEnded(); });
    }

private:
    TempDir m_dir;
};

// How a run is started beyond the package's own program and temporary folder.
struct RunOptions {
    // NAME=value entries that replace inherited ones of the same name.
    std::vector<std::string> environment;
    // A limit on the size of every file the run writes, in bytes; 0 for none. A write beyond
    // it fails with EFBIG, as on a full disk, instead of ending the program.
    rlim_t fileSizeLimit = 0;
    // Run as an account without privileges when the tests run as root, so that permissions
    // apply. The package must be readable by it (Installer::shareWithUnprivileged).
    bool unprivileged = false;
};

// The program started from the package folder.
class Installer {
public:
    explicit Installer(const Package& package, const RunOptions& options = RunOptions()) {
        std::vector<std::string> environment = options.environment;
        environment.push_back("TMPDIR=" + package.file("tmp"));
        environment.push_back("LANG=en_US.UTF-8");
        if (options.unprivileged && dropsPrivileges())
            addUnprivilegedEnvironment(package, environment);
        for (char** entry = environ; *entry; ++entry) {
            const std::string variable = *entry;
            if (variable.rfind("LC_", 0) != 0 && !isSet(environment, variable))
                environment.push_back(variable);
        }
        start(package.file("setup"), environment, options);
    }
    ~Installer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    // Whether unprivileged runs really change account: only root can, and only root needs to.
    static bool dropsPrivileges() { return ::geteuid() == 0; }

    // Lets the unprivileged account read the package and write its temporary folder and
    // markers; the folders a test wants unwritable it makes so afterwards.
    static void shareWithUnprivileged(const Package& package) {
        if (!dropsPrivileges())
            return;
        fs::permissions(package.file(""), fs::perms::owner_all | fs::perms::group_read |
                                              fs::perms::group_exec | fs::perms::others_read |
                                              fs::perms::others_exec);
        for (const char* folder : {"tmp", "marks"}) {
            ASSERT_EQ(::chown(package.file(folder).c_str(), kUnprivileged, kUnprivileged), 0);
        }
    }

    // The exit status; -1 while it still runs after the timeout.
    int exitStatus(int timeoutMs = 20000) {
        int status = -1;
        waitUntil(
            [&] {
                int raw = 0;
                if (m_pid <= 0 || ::waitpid(m_pid, &raw, WNOHANG) != m_pid)
                    return false;
                m_pid = -1;
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                return true;
            },
            timeoutMs);
        if (status == -1)
            describeStuckRun();
        return status;
    }

    // What a run that has not ended is doing, for the test's output.
    void describeStuckRun() const {
        const std::string pid = std::to_string(m_pid);
        std::printf(
            "[ RUNS ON  ] pid %s, main thread: %s\n%s%s", pid.c_str(),
            output("cut -d' ' -f3 /proc/" + pid + "/stat; cat /proc/" + pid + "/wchan").c_str(),
            output("xdotool search --onlyvisible --pid " + pid +
                   " 2>/dev/null | while read w; do echo \"window $w: $(xdotool "
                   "getwindowname $w)\"; done; echo \"focus: $(xdotool getwindowfocus "
                   "getwindowname 2>/dev/null)\"")
                .c_str(),
            output("ps -o pid,stat,wchan:24,args --ppid " + pid).c_str());
    }

    // The next visible window of the run with that title (one not returned before); empty when
    // none comes.
    std::string window(const std::string& title, int timeoutMs = 20000) {
        std::string found;
        waitUntil(
            [&] {
                if (m_pid <= 0)
                    return true;
                std::istringstream ids(output("timeout 5 xdotool search --sync --all "
                                              "--onlyvisible --pid " +
                                              std::to_string(m_pid) + " --name '^" + title +
                                              "$' 2>/dev/null"));
                for (std::string id; ids >> id;) {
                    if (m_seen.insert(id).second) {
                        found = id;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        // Let the page finish painting before it is used: keys sent while the program is still
        // setting the page up can be lost, and a loaded machine stretches that time.
        waitUntilIdle();
        return found;
    }

    // Until the program's main thread has been asleep, waiting for events, for 100 ms.
    void waitUntilIdle() const {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int asleep = 0;
        waitUntil(
            [&] {
                asleep = mainThreadAsleep() ? asleep + 1 : 0;
                return asleep >= 5;
            },
            10000);
    }

    bool mainThreadAsleep() const {
        if (m_pid <= 0)
            return true;
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // The state follows the command name, which is in parentheses and may hold blanks.
        const size_t end = line.rfind(')');
        return end == std::string::npos || end + 2 >= line.size() || line[end + 2] == 'S';
    }

    // Keys to a window of the run, once it has the focus and the program has dealt with that.
    void keys(const std::string& window, const std::string& keys) const {
        const std::string focus = "xdotool windowfocus --sync " + window;
        ASSERT_EQ(std::system(focus.c_str()), 0) << focus;
        waitUntilIdle();
        const std::string press = "xdotool key " + keys;
        ASSERT_EQ(std::system(press.c_str()), 0) << press;
    }

    // A click at the given distances from the window's left or right and bottom edges.
    static void click(const std::string& window, int x, int fromBottom) {
        int width = 0;
        int height = 0;
        std::istringstream geometry(output("xdotool getwindowgeometry --shell " + window));
        for (std::string line; std::getline(geometry, line);) {
            if (line.rfind("WIDTH=", 0) == 0)
                width = std::stoi(line.substr(6));
            if (line.rfind("HEIGHT=", 0) == 0)
                height = std::stoi(line.substr(7));
        }
        ASSERT_GT(width, 0);
        const int left = x >= 0 ? x : width + x;
        const std::string command = "xdotool mousemove --window " + window + " " +
                                    std::to_string(left) + " " +
                                    std::to_string(height - fromBottom) + " click 1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

private:
    static bool isSet(const std::vector<std::string>& environment, const std::string& variable) {
        const std::string name = variable.substr(0, variable.find('=') + 1);
        for (const std::string& entry : environment)
            if (entry.rfind(name, 0) == 0)
                return true;
        return false;
    }

    // The display's authority file is the caller's own; the other account gets a readable
    // copy, and a home of its own for the toolkit's caches.
    static void addUnprivilegedEnvironment(const Package& package,
                                           std::vector<std::string>& environment) {
        if (const char* authority = std::getenv("XAUTHORITY")) {
            const std::string copy = package.file("Xauthority");
            fs::copy_file(authority, copy, fs::copy_options::overwrite_existing);
            fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write |
                                      fs::perms::group_read | fs::perms::others_read);
            environment.push_back("XAUTHORITY=" + copy);
        }
        const std::string home = package.file("home");
        fs::create_directories(home);
        fs::permissions(home, fs::perms::all);
        environment.push_back("HOME=" + home);
    }

    void start(const std::string& program, const std::vector<std::string>& environment,
               const RunOptions& options) {
        std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
        std::vector<char*> envp;
        for (const std::string& e : environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const bool drop = options.unprivileged && dropsPrivileges();
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        // Only calls that are safe between fork and exec.
        if (options.fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(126);
        }
        if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivileged) != 0 ||
                     ::setuid(kUnprivileged) != 0))
            ::_exit(126);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }

    pid_t m_pid = -1;
    std::set<std::string> m_seen;
};

// The last button of a right-aligned row: decline on the licence page, cancel on the folder
// page.
inline void clickLastButton(const std::string& window) {
    Installer::click(window, -10, 10);
}
// The first button of the overwrite question's left-aligned row: yes.
inline void clickFirstButton(const std::string& window) {
    Installer::click(window, 10, 10);
}

} // namespace program_test
