#include "SystemPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "OSInfo.h"
#include "TestSupport.h"
#include "platform/posix/FolderDefaults.h"

using testing_support::LogCapture;
using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::TempRegistry;
using testing_support::writeFile;

namespace {

namespace fs = std::filesystem;

CStdStr engineForm(const std::string& native) {
    CStdStr path(native);
    path.Replace('/', '\\');
    return path;
}

CStdStr folderOf(int code, bool allUsers = false) {
    return SystemPath(code, allUsers).getDirectory();
}

// Version values of a few releases, as the store holds them.
const char* const kNoRelease = "";
const char* const kWindows98 =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
    "\"VersionNumber\"=\"4.10.1998\"\n\n";
const char* const kWindowsNt4 =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
    "\"CurrentVersion\"=\"4.0\"\n\n";
const char* const kWindowsXp =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
    "\"CurrentVersion\"=\"5.1\"\n\n";
const char* const kWindows7 =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
    "\"CurrentVersion\"=\"6.1\"\n\n";

// Shell folders that tell each registry entry apart.
const char* const kShellFolders =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
    "\"CommonFilesDir\"=\"D:\\\\Shared\\\\Common Files\\\\\"\n"
    "\"ProgramFilesDir\"=\"D:\\\\Programs\"\n\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
    "\"Common Desktop\"=\"C:\\\\All\\\\Desktop\"\n"
    "\"Common Programs\"=\"C:\\\\All\\\\Programs\"\n"
    "\"Common AppData\"=\"C:\\\\\"\n\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
    "\"Desktop\"=\"C:\\\\Me\\\\Desktop\"\n"
    "\"Programs\"=\"C:\\\\Me\\\\Programs\"\n"
    "\"SendTo\"=\"C:\\\\Me\\\\SendTo\"\n\n"
    "[HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
    "Folders]\n"
    "\"Desktop\"=\"C:\\\\Default\\\\Desktop\"\n"
    "\"Programs\"=\"C:\\\\Default\\\\Programs\"\n\n";

class SystemPathTest : public ::testing::Test {
protected:
    void useStore(const char* release, const char* more = "") {
        m_store.writeAnsi(std::string("REGEDIT4\n\n") + release + more);
    }

    TempRegistry m_store;
    ScopedEnvironment m_noWindowsFolder{"KENDRY_WINDOWS_DIR", nullptr};
};

TEST_F(SystemPathTest, ProgramFoldersComeFromTheProgramsRealFile) {
    const fs::path program = fs::canonical("/proc/self/exe");
    SystemPath path(22);
    path.setName("Setup.ini");

    path.SetPath(10, true);
    EXPECT_EQ(path.getDirectory(), engineForm(program.parent_path().string()));
    EXPECT_EQ(path.getName(), "");
    const CStdStr twoUp = engineForm(program.parent_path().parent_path().parent_path().string());
    EXPECT_EQ(folderOf(0), twoUp);
    EXPECT_EQ(folderOf(28), twoUp);
}

TEST_F(SystemPathTest, OtherCodesKeepTheName) {
    SystemPath path(10);
    path.setName("RuZidiv.log");
    path.SetPath(22);
    EXPECT_EQ(path.getName(), "RuZidiv.log");
    path.SetPath(14);
    EXPECT_EQ(path.getName(), "RuZidiv.log");
}

TEST_F(SystemPathTest, TemporaryFolderIsTmpdirWhenThatNamesAFolder) {
    TempDir dir;
    struct Case {
        std::string tmpdir;
        CStdStr folder;
    } const cases[] = {
        {dir.path(), dir.enginePath()}, {dir.path() + "//", dir.enginePath()}, {"", "\\tmp"},
        {"relative/folder", "\\tmp"},   {dir.file("missing"), "\\tmp"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment tmpdir("TMPDIR", c.tmpdir.empty() ? nullptr : c.tmpdir.c_str());
        EXPECT_EQ(folderOf(22), c.folder) << c.tmpdir;
    }
}

TEST_F(SystemPathTest, CurrentFolderFollowsTheProcess) {
    TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const CStdStr current = folderOf(2);
    fs::current_path(previous);
    EXPECT_EQ(current, engineForm(fs::canonical(dir.path()).string()));
}

TEST_F(SystemPathTest, PlatformFoldersHaveTheirLinuxPlaces) {
    useStore(kNoRelease);
    EXPECT_EQ(folderOf(19), "\\bin");
    EXPECT_EQ(folderOf(11), "\\usr\\local\\share\\ppd");
    EXPECT_EQ(folderOf(13), "\\usr\\lib\\cups\\filter");
    EXPECT_EQ(folderOf(24), "\\usr\\local\\share\\Win40\\0");
    EXPECT_EQ(folderOf(25), "\\usr\\local\\share\\ppd\\3");
    EXPECT_EQ(folderOf(26), "\\usr\\local\\share\\ppd\\2");
}

// Without a Windows folder nothing is built below it: "Fonts" must not
// become a folder at the root.
TEST_F(SystemPathTest, NothingIsBuiltOnAMissingWindowsFolder) {
    for (const char* release : {kWindows98, kWindows7}) {
        useStore(release);
        for (int code : {4, 5, 6, 7, 8, 9, 20, 21, 23}) {
            EXPECT_EQ(SystemPath(code).getFullPath(), "") << code;
            EXPECT_EQ(SystemPath(code, true).getFullPath(), "") << code;
        }
    }
}

class WindowsFolderTest : public SystemPathTest {
protected:
    void addCabinet(const std::string& relative) { writeFile(m_windows.file(relative), "MSCF"); }
    CStdStr windows(const char* below = "") const { return m_windows.enginePath(below); }

    TempDir m_windows;
    ScopedEnvironment m_windowsFolder{"KENDRY_WINDOWS_DIR", m_windows.path().c_str()};
};

TEST_F(WindowsFolderTest, FoldersBelowTheWindowsFolder) {
    useStore(kWindowsXp);
    EXPECT_EQ(folderOf(23), windows());
    EXPECT_EQ(folderOf(6), windows("Driver Cache/i386"));
    EXPECT_EQ(folderOf(7), windows("Driver Cache/amd64"));
    EXPECT_EQ(folderOf(8), windows("Driver Cache/x64"));
    EXPECT_EQ(folderOf(9), windows("Fonts"));
    EXPECT_EQ(folderOf(20), windows("Inf"));
    // Linux paths have no drive.
    EXPECT_EQ(folderOf(21), "");
}

TEST_F(WindowsFolderTest, DriverCacheFollowsTheSystemsWidth) {
    useStore(kWindows98);
    EXPECT_EQ(folderOf(5), windows("Driver Cache/i386"));
    useStore(kWindows7);
    EXPECT_EQ(folderOf(5),
              OSInfo().is64Bit() ? windows("Driver Cache/x64") : windows("Driver Cache/i386"));
}

TEST_F(WindowsFolderTest, CabinetOnA64BitSystemIsTheFirstThatExists) {
    useStore(kWindows7);
    if (!OSInfo().is64Bit())
        GTEST_SKIP() << "needs a 64-bit build or WOW64";
    const char* const x64 = "Driver Cache/x64/driver.CAB";
    const char* const amd64 = "Driver Cache/amd64/driver.CAB";
    const char* const fallback = "Driver Cache/i386/driver32.CAB";

    EXPECT_EQ(SystemPath(4).getFullPath(), windows(fallback)) << "named though it is missing";
    // Found whatever case the disk spells it in.
    writeFile(m_windows.file("DRIVER CACHE/AMD64/Driver.cab"), "MSCF");
    EXPECT_EQ(SystemPath(4).getFullPath(), windows(amd64));
    addCabinet(x64);
    EXPECT_EQ(SystemPath(4).getFullPath(), windows(x64));
}

TEST_F(WindowsFolderTest, CabinetOnA32BitSystemIsTheI386One) {
    useStore(kWindows98);
    addCabinet("Driver Cache/x64/driver.CAB");
    SystemPath path(4);
    EXPECT_EQ(path.getDirectory(), windows("Driver Cache/i386"));
    EXPECT_EQ(path.getName(), "driver.CAB");
}

// Codes that ask which system runs.
struct ReleaseCase {
    const char* release;
    int code;
    CStdStr folder;
};

TEST_F(SystemPathTest, DriverFoldersFollowTheRelease) {
    const CStdStr drivers = "\\usr\\local\\share\\ppd";
    const ReleaseCase cases[] = {
        {kNoRelease, 12, drivers},          {kWindows98, 12, drivers},
        {kWindowsNt4, 12, drivers + "\\2"}, {kWindowsXp, 12, drivers + "\\3"},
        {kWindows7, 12, drivers + "\\3"},   {kNoRelease, 16, drivers},
        {kWindows98, 16, drivers},          {kWindowsNt4, 16, "\\usr\\local"},
        {kWindows7, 16, "\\usr\\local"},    {kNoRelease, 17, drivers},
        {kWindows98, 17, drivers},          {kWindowsXp, 17, "\\usr\\local\\share"},
    };
    for (const ReleaseCase& c : cases) {
        useStore(c.release);
        EXPECT_EQ(folderOf(c.code), c.folder) << c.code << " with " << c.release;
    }
}

TEST_F(SystemPathTest, RegistryFoldersComeFromTheStore) {
    struct Case {
        const char* release;
        int code;
        bool allUsers;
        CStdStr folder;
    } const cases[] = {
        {kWindowsXp, 1, true, "D:\\Shared\\Common Files"},
        {kWindowsXp, 14, false, "D:\\Programs"},
        {kWindowsXp, 15, true, "C:\\Me\\SendTo"},
        {kWindowsXp, 27, false, "C:"},
        {kWindowsXp, 3, false, "C:\\Me\\Desktop"},
        {kWindowsXp, 3, true, "C:\\All\\Desktop"},
        {kWindowsXp, 18, false, "C:\\Me\\Programs"},
        {kWindowsXp, 18, true, "C:\\All\\Programs"},
        {kWindows98, 3, false, "C:\\Me\\Desktop"},
        {kWindows98, 3, true, "C:\\Default\\Desktop"},
        {kWindows98, 18, false, "C:\\Me\\Programs"},
        {kWindows98, 18, true, "C:\\Default\\Programs"},
        {kNoRelease, 3, true, "C:\\All\\Desktop"},
    };
    for (const Case& c : cases) {
        useStore(c.release, kShellFolders);
        EXPECT_EQ(folderOf(c.code, c.allUsers), c.folder)
            << c.code << (c.allUsers ? " for all users" : "") << " with " << c.release;
    }
}

TEST_F(SystemPathTest, UnknownCodesAreLoggedAndChangeNothing) {
    LogCapture log;
    SystemPath path(14);
    path.setDirectory("C:\\Kept");
    path.setName("kept.txt");
    for (int code : {-1, 30, 1000}) {
        path.SetPath(code, true);
        EXPECT_EQ(path.getFullPath(), "C:\\Kept\\kept.txt");
        EXPECT_TRUE(log.contains("SystemPath.cpp:SystemPath::SetPath(")) << log.text();
        EXPECT_TRUE(log.contains("): invalid path code " + std::to_string(code) + "\n"));
    }
    const SystemPath fresh(-7);
    EXPECT_EQ(fresh.getFullPath(), "");
}

// The user's folders, from a home of the test's own.
class UserShellFolders : public SystemPathTest {
protected:
    UserShellFolders() { posix::addFolderDefaults(); }

    void writeUserDirs(const std::string& lines) {
        writeFile(m_home.file(".config/user-dirs.dirs"), lines);
    }
    CStdStr home(const char* below = "") const { return m_home.enginePath(below); }

    // Declared first, so it runs last: the defaults return to the real user's.
    struct RestoreDefaults {
        ~RestoreDefaults() { posix::addFolderDefaults(); }
    } m_restore;
    TempDir m_home;
    ScopedEnvironment m_homeVariable{"HOME", m_home.path().c_str()};
    ScopedEnvironment m_noConfigHome{"XDG_CONFIG_HOME", nullptr};
    ScopedEnvironment m_noDataHome{"XDG_DATA_HOME", nullptr};
};

TEST_F(UserShellFolders, DocumentsAreTheXdgFolderWithoutAMessage) {
    LogCapture log;
    EXPECT_EQ(folderOf(29), home()) << "the XDG tools' answer when nothing is named";
    fs::create_directory(m_home.file("Documents"));
    EXPECT_EQ(folderOf(29), home("Documents"));
    writeUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(folderOf(29), home("Dokumente"));
    writeUserDirs("XDG_DOCUMENTS_DIR=\"/srv/documents/\"\n");
    EXPECT_EQ(folderOf(29), "\\srv\\documents");
    EXPECT_EQ(log.text(), "");
}

TEST_F(UserShellFolders, EmptyStoreAnswersWithThePlatformsFolders) {
    useStore(kWindowsXp);
    writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    posix::addFolderDefaults();
    const struct {
        int code;
        bool allUsers;
        CStdStr folder;
    } cases[] = {
        {1, false, "\\usr\\local\\lib"},
        {14, false, "\\opt"},
        {27, false, "\\var\\lib"},
        {3, false, home("Schreibtisch")},
        {3, true, ""},
        {18, false, home(".local/share/applications")},
        {18, true, "\\usr\\local\\share\\applications"},
        {15, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(folderOf(c.code, c.allUsers), c.folder) << c.code << " " << c.allUsers;

    // What the store holds wins.
    useStore(kWindowsXp, kShellFolders);
    EXPECT_EQ(folderOf(14), "D:\\Programs");
    EXPECT_EQ(folderOf(3), "C:\\Me\\Desktop");
}

TEST_F(UserShellFolders, DesktopDefaultsToTheXdgDefault) {
    useStore(kNoRelease);
    EXPECT_EQ(folderOf(3), home("Desktop"));
    ScopedEnvironment dataHome("XDG_DATA_HOME", m_home.file("data").c_str());
    posix::addFolderDefaults();
    EXPECT_EQ(folderOf(18), home("data/applications"));
}

} // namespace
