// Whole runs of the built program from a package folder, driven on the X display as a person
// drives them: keys, clicks and the close box. Each run has a temporary folder of its own,
// where its log goes.
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <spawn.h>
#include <unistd.h>

#include "TestSupport.h"

// Last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

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

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// What a window manager sends when the close box is clicked: the display has none.
void clickCloseBox(const std::string& window) {
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
// below Payload. Its temporary folder is tmp.
class Package {
public:
    explicit Package(const std::string& installPath, const std::string& copydir = "Payload",
                     const std::string& extraEntries = "") {
        fs::copy_file(KENDRY_SETUP_PROGRAM, file("setup"));
        fs::create_directories(file("tmp"));
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
    std::string target(const std::string& relative = "") const {
        return file(relative.empty() ? "Target Folder" : "Target Folder/" + relative);
    }
    std::string log() const { return readFile(file("tmp/RuZidiv.log")); }

    // A set-up program that notes its start and its folder, then holds until the test lets it
    // go, then notes its end. Markers go to the package's temporary folder.
    void writeSetupProgram(const std::string& relative) const {
        const std::string tmp = file("tmp");
        writeFile(file(relative), "#!/bin/sh\npwd > '" + tmp +
                                      "/started'\nfor i in $(seq 600); do "
                                      "[ -e '" +
                                      tmp +
                                      "/go' ] && break; sleep 0.05; done\n"
                                      "touch '" +
                                      tmp + "/done'\n");
        fs::permissions(file(relative), fs::perms::owner_all);
    }
    bool programStarted() const { return fileExists(file("tmp/started")); }
    std::string programFolder() const {
        const std::string text = readFile(file("tmp/started"));
        return text.substr(0, text.find('\n'));
    }
    void letProgramGo() const { writeFile(file("tmp/go"), ""); }
    bool programDone() const {
        return waitUntil([this] { return fileExists(file("tmp/done")); });
    }

private:
    TempDir m_dir;
};

// The program started from the package folder.
class Installer {
public:
    explicit Installer(const Package& package) {
        std::vector<std::string> environment{"TMPDIR=" + package.file("tmp"), "LANG=en_US.UTF-8"};
        for (char** entry = environ; *entry; ++entry) {
            const std::string variable = *entry;
            if (variable.rfind("TMPDIR=", 0) != 0 && variable.rfind("LANG=", 0) != 0 &&
                variable.rfind("LC_", 0) != 0)
                environment.push_back(variable);
        }
        const std::string program = package.file("setup");
        std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
        std::vector<char*> envp;
        for (const std::string& e : environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()))
            m_pid = -1;
        m_environment = environment;
    }
    ~Installer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

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
        return status;
    }

    // The next visible window of the run with that title (one not returned before); empty when
    // none comes.
    std::string window(const std::string& title) {
        std::string found;
        waitUntil([&] {
            if (m_pid <= 0)
                return true;
            std::istringstream ids(output("timeout 5 xdotool search --sync --all --onlyvisible "
                                          "--pid " +
                                          std::to_string(m_pid) + " --name '^" + title +
                                          "$' 2>/dev/null"));
            for (std::string id; ids >> id;) {
                if (m_seen.insert(id).second) {
                    found = id;
                    return true;
                }
            }
            return false;
        });
        // Let the page finish painting before it is used.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return found;
    }

    static void keys(const std::string& window, const std::string& keys) {
        const std::string command = "xdotool windowfocus --sync " + window + " key " + keys;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
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
    pid_t m_pid = -1;
    std::vector<std::string> m_environment;
    std::set<std::string> m_seen;
};

// The last button of a right-aligned row: decline on the licence page, cancel on the folder
// page.
void clickLastButton(const std::string& window) {
    Installer::click(window, -10, 10);
}
// The first button of the overwrite question's left-aligned row: yes.
void clickFirstButton(const std::string& window) {
    Installer::click(window, 10, 10);
}

TEST(EndToEndTest, AcceptAndInstallCopyThePayloadAndWaitForTheProgramInThePackageFolder) {
    Package package("%ExtrPath%\\setup-program.sh");
    package.writeSetupProgram("setup-program.sh");
    writeFile(package.file("Payload/readme.txt"), "read me");
    writeFile(package.file("Payload/Drivers/x86/printer.inf"), "driver");
    fs::create_directories(package.file("Payload/Empty"));

    Installer run(package);
    Installer::keys(run.window("Licence page"), "Return");
    Installer::keys(run.window("Folder page"), "Return");
    ASSERT_TRUE(waitUntil([&] { return package.programStarted(); }));
    // The installer waits for the program.
    EXPECT_EQ(run.exitStatus(300), -1);
    package.letProgramGo();
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_TRUE(package.programDone());
    EXPECT_EQ(package.programFolder(), package.file(""));

    EXPECT_EQ(readFile(package.target("readme.txt")), "read me");
    EXPECT_EQ(readFile(package.target("Drivers/x86/printer.inf")), "driver");
    EXPECT_FALSE(fileExists(package.target("Payload")));
    EXPECT_FALSE(fileExists(package.target("Empty")));
    const std::string log = package.log();
    EXPECT_NE(log.find("| Kendry: to Launch Application.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Target Folder\\Drivers\\x86\\printer.inf\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Target Folder\\readme.txt\n"), std::string::npos) << log;
}

TEST(EndToEndTest, OverwriteQuestionsAreAnsweredAndTheProgramInTheDestinationIsNotWaitedFor) {
    Package package("%DestPath%\\Tools\\setup.sh", "Payload", "HideEULA=true\n");
    package.writeSetupProgram("Payload/Tools/setup.sh");
    const auto earlier = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string name : {"a", "b", "c", "d", "e", "f"}) {
        writeFile(package.file("Payload/" + name + ".txt"), "new " + name);
        if (name != "f") {
            writeFile(package.target(name + ".txt"), "old " + name);
            fs::last_write_time(package.target(name + ".txt"), earlier);
        }
    }

    Installer run(package);
    Installer::keys(run.window("Folder page"), "Return");
    clickFirstButton(run.window("Replace file"));                 // a: yes
    Installer::keys(run.window("Replace file"), "Tab Tab space"); // b: no
    clickCloseBox(run.window("Replace file"));                    // c: the decision so far, no
    Installer::keys(run.window("Replace file"), "Tab space");     // d: yes to all, e without asking
    // Out before the program it started has ended.
    EXPECT_EQ(run.exitStatus(), 0);
    ASSERT_TRUE(waitUntil([&] { return package.programStarted(); }));
    EXPECT_FALSE(fileExists(package.file("tmp/done")));
    package.letProgramGo();
    EXPECT_TRUE(package.programDone());
    EXPECT_EQ(package.programFolder(), package.target("Tools"));

    const struct {
        const char* name;
        const char* content;
    } expected[] = {{"a.txt", "new a"}, {"b.txt", "old b"}, {"c.txt", "old c"},
                    {"d.txt", "new d"}, {"e.txt", "new e"}, {"f.txt", "new f"}};
    for (const auto& file : expected)
        EXPECT_EQ(readFile(package.target(file.name)), file.content) << file.name;
}

TEST(EndToEndTest, DecliningCancellingAndTheCloseBoxEndWith0AndStartNothing) {
    const struct {
        const char* name;
        const char* copydir;
        std::function<void(Installer&)> drive;
    } ways[] = {
        {"decline", "Payload", [](Installer& run) { clickLastButton(run.window("Licence page")); }},
        {"licence close box", "Payload",
         [](Installer& run) { clickCloseBox(run.window("Licence page")); }},
        {"cancel", "Payload",
         [](Installer& run) {
             Installer::keys(run.window("Licence page"), "Return");
             clickLastButton(run.window("Folder page"));
         }},
        {"folder close box", "Payload",
         [](Installer& run) {
             Installer::keys(run.window("Licence page"), "Return");
             clickCloseBox(run.window("Folder page"));
         }},
        {"install from a missing payload", "Missing",
         [](Installer& run) {
             Installer::keys(run.window("Licence page"), "Return");
             Installer::keys(run.window("Folder page"), "Return");
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Package package("%ExtrPath%\\setup-program.sh", way.copydir);
        package.writeSetupProgram("setup-program.sh");
        package.letProgramGo();
        writeFile(package.file("Payload/readme.txt"), "read me");
        Installer run(package);
        way.drive(run);
        EXPECT_EQ(run.exitStatus(), 0);
        // The program would have been waited for: it never ran.
        EXPECT_FALSE(package.programStarted());
        EXPECT_FALSE(fileExists(package.target()));
        if (std::string(way.copydir) == "Missing") {
            const std::string log = package.log();
            EXPECT_NE(log.find("FileAction::GetDirFiles: Source path is invalid: "),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find("FileAction::recursivelyCopyAllFiles: Source path is invalid: "),
                      std::string::npos)
                << log;
        }
    }
}

} // namespace
