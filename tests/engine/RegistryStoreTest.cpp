#include "platform/posix/RegistryStore.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DebugLog.h"
#include "Registry.h"
#include "TestSupport.h"
#include "platform/RegistryApi.h"
#include "platform/WinError.h"
#include "platform/posix/RegistryDefaults.h"

using testing_support::fileExists;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::TempRegistry;
using testing_support::utf16;
using testing_support::writeFile;

namespace {

const std::string kVersion5 = "Windows Registry Editor Version 5.00";
const std::string kPellam = "[HKEY_LOCAL_MACHINE\\Software\\Pellam]";

// Text with "\n" line ends in the wanted form.
std::string encoded(std::string text, bool wide, bool crlf) {
    if (crlf) {
        std::string withCr;
        for (char ch : text) {
            if (ch == '\n')
                withCr += '\r';
            withCr += ch;
        }
        text = withCr;
    }
    return wide ? "\xFF\xFE" + utf16(text) : text;
}

RegValue valueOf(int type, std::uint32_t number, const std::string& text = "") {
    RegValue value;
    value.type = type;
    value.number = number;
    value.text = text;
    return value;
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::set<std::string> folderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

int exitStatusOf(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class ClearedDefaults {
public:
    ClearedDefaults() { posix::clearRegistryDefaults(); }
    ~ClearedDefaults() { posix::clearRegistryDefaults(); }
    ClearedDefaults(const ClearedDefaults&) = delete;
    ClearedDefaults& operator=(const ClearedDefaults&) = delete;
};

class RegistryStoreTest : public ::testing::Test {
protected:
    ScopedEnvironment m_locale{"LC_ALL", "C"};
    TempRegistry m_store;
};

// A store with comments, escapes, an unknown type, a continued line, a line
// no reader understands and a key known only from the one below it.
std::string fixture(bool regedit4, const std::string& log, const std::string& added,
                    const std::string& block) {
    return (regedit4 ? "REGEDIT4" : kVersion5) + "\n\n; kept as written\n" + kPellam +
           "\n\"Path\"=\"C:\\\\Program Files\\\\Pellam \\\"Q\\\"\"\n@=\"caf\xE9\"\n" + log +
           "\n\"Expand\"=hex(2):" +
           (regedit4 ? "25,54,45,4d,50,25,00" : "25,00,54,00,45,00,4d,00,50,00,25,00,00,00") +
           "\n\"List\"=hex(7):" +
           (regedit4 ? "61,00,62,\\\n  00,63,00,00"
                     : "61,00,00,00,62,00,\\\n  00,00,63,00,00,00,00,00") +
           "\n\"Odd\"=hex(b):01,02,03,04,05,06,07,08\n" + added +
           "this line is no registry line\n\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Pellam\\Sub\\Deeper]\n\"x\"=\"y\"\n" +
           block;
}

} // namespace

TEST_F(RegistryStoreTest, EveryFormRoundTripsAndKeepsWhatItDoesNotChange) {
    struct Case {
        bool regedit4;
        bool wide;
        bool crlf;
    };
    const Case cases[] = {
        {false, true, true}, {true, false, true}, {false, false, false}, {true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.regedit4 ? "REGEDIT4" : "5.00") +
                     (c.wide ? " UTF-16" : " ANSI") + (c.crlf ? " CRLF" : " LF"));
        m_store.writeAnsi(
            encoded(fixture(c.regedit4, "\"Log\"=dword:00000001", "", ""), c.wide, c.crlf));
        Registry registry;
        const char* key = "Software\\Pellam";
        EXPECT_EQ(registry.readValueText("HKLM", key, "Path"), "C:\\Program Files\\Pellam \"Q\"");
        EXPECT_EQ(registry.readValueText("HKLM", key, ""), "caf\xE9");
        EXPECT_EQ(registry.readValueText("HKLM", key, "Expand"), "%TEMP%");
        EXPECT_EQ(registry.readValueText("HKLM", key, "List"), "|a|b|c");

        ASSERT_TRUE(registry.WriteValue("HKLM", key, "Log", valueOf(VALUE_DWORD, 2)));
        ASSERT_TRUE(
            registry.WriteValue("HKLM", key, "New", valueOf(VALUE_STRING, 0, "it's \"new\"")));
        ASSERT_TRUE(
            registry.WriteValue("HKLM", key, "E2", valueOf(VALUE_EXPAND_STRING, 0, "%PATH%")));
        ASSERT_TRUE(
            registry.WriteValue("HKLM", "Software\\Pellam\\Sub", "Mid", valueOf(VALUE_DWORD, 10)));

        const std::string added =
            std::string("\"New\"=\"it's \\\"new\\\"\"\n\"E2\"=hex(2):") +
            (c.regedit4 ? "25,50,41,54,48,25,00" : "25,00,50,00,41,00,54,00,48,00,25,00,00,00") +
            "\n";
        const std::string block =
            "\n[HKEY_LOCAL_MACHINE\\Software\\Pellam\\Sub]\n\"Mid\"=dword:0000000a\n";
        EXPECT_EQ(
            readFile(m_store.path()),
            encoded(fixture(c.regedit4, "\"Log\"=dword:00000002", added, block), c.wide, c.crlf));
        EXPECT_EQ(registry.readValueText("HKLM", key, "Log"), "2");
        EXPECT_EQ(registry.readValueText("HKLM", key, "new"), "it's \"new\"");
        EXPECT_EQ(registry.readValueText("HKLM", key, "E2"), "%PATH%");
        EXPECT_EQ(registry.readValueText("HKLM", "Software\\Pellam\\Sub", "Mid"), "10");
        EXPECT_EQ(registry.readValueText("HKLM", "Software\\Pellam\\Sub\\Deeper", "x"), "y");
    }
}

TEST_F(RegistryStoreTest, LongBinaryValuesWrapAndReadBackWhole) {
    m_store.writeUtf16(kVersion5 + "\n\n" + kPellam + "\n");
    std::string hex;
    std::string bytes;
    for (int i = 0; i < 100; ++i) {
        hex += CStdStr::Formatted("%02X", i * 7 % 256);
        bytes += static_cast<char>(i * 7 % 256);
    }
    Registry registry;
    ASSERT_TRUE(
        registry.WriteValue("HKLM", "Software\\Pellam", "Blob", valueOf(VALUE_BINARY, 0, hex)));

    platform::RegKey key = registry.openKey("HKLM", "Software\\Pellam", platform::KEY_READ);
    ASSERT_NE(key, nullptr);
    std::string data(200, '\0');
    unsigned size = static_cast<unsigned>(data.size());
    unsigned type = 0;
    EXPECT_EQ(platform::regQueryValue(key, "Blob", &type, &data[0], &size), 0);
    platform::regCloseKey(key);
    EXPECT_EQ(type, platform::REG_BINARY);
    EXPECT_EQ(data.substr(0, size), bytes);

    const std::string file = readFile(m_store.path());
    std::string text;
    for (size_t i = 2; i < file.size(); i += 2)
        text += file[i];
    size_t lines = 0;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2, ++lines)
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
    EXPECT_GT(lines, 7u);
}

TEST_F(RegistryStoreTest, ANewStoreIsUtf16Version5InFoldersMadeForIt) {
    TempDir dir;
    const std::string path = dir.file("made/for/it/registry.reg");
    ScopedEnvironment variable("KENDRY_REGISTRY", path.c_str());
    Registry registry;
    EXPECT_FALSE(registry.keyExists("HKLM", "Software"));
    ASSERT_TRUE(registry.WriteValue("HKLM", "", "Root", valueOf(VALUE_DWORD, 7)));
    EXPECT_EQ(
        readFile(path),
        encoded(kVersion5 + "\n\n[HKEY_LOCAL_MACHINE]\n\"Root\"=dword:00000007\n", true, true));
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(registry.readValueText("hklm", "\\", "root"), "7");
}

TEST_F(RegistryStoreTest, BadInputReadsSafelyAndAnUnparseableStoreIsNeverOverwritten) {
    const std::string header = kVersion5 + "\r\n\r\n" + kPellam + "\r\n";
    const std::string big(10 << 20, 'x');
    struct Case {
        const char* label;
        std::string bytes;
        const char* a;      // what value "a" reads
        const char* logged; // said once; empty: nothing
        bool parses;
    };
    const Case cases[] = {
        {"no header", kPellam + "\r\n\"a\"=\"b\"\r\n", "",
         "cannot be parsed: it does not begin with \"Windows Registry Editor Version 5.00\" or "
         "\"REGEDIT4\". It reads as empty and is not written.",
         false},
        {"odd byte after FF FE", "\xFF\xFE" + utf16(header + "\"a\"=\"b\"\r\n") + "A", "",
         "cannot be parsed: it ends inside a UTF-16 character", false},
        {"only NUL bytes", std::string(16, '\0'), "", "cannot be parsed", false},
        {"NUL bytes in lines",
         header + "\"a\"=\"b\"\r\n\"c" + std::string(1, '\0') + "d\"=\"e\"\r\n" +
             std::string(3, '\0') + "\r\n",
         "b", ": 1 line(s) cannot be read and are ignored, the first is line 6.", true},
        {"unpaired surrogate",
         "\xFF\xFE" + utf16(header + "\"a\"=\"b\"\r\n; ") + "\x00\xD8" + utf16("\r\n"), "b", "",
         true},
        {"bytes of no character", header + "; \x81\x8D\x8F\x90\r\n\"a\"=\"b\"\r\n", "b", "", true},
        {"10 MB lines", header + "\"a\"=\"b\"\r\n\"big\"=\"" + big + "\"\r\n" + big, "b",
         ": 1 line(s) cannot be read and are ignored, the first is line 6.", true},
        {"no line end at all", "REGEDIT4", "", "", true},
        {"last line without end", header + "\"a\"=\"b\"", "b", "", true},
        {"continued past the end", header + "\"a\"=\"b\"\r\n\"h\"=hex:01,\\", "b", "", true},
        // Each backslash continues the line: what is added after must not be taken in.
        {"continued by a run of backslashes", header + "\"a\"=\"b\"\r\n\"h\"=hex:01,\\\\\\", "b",
         ": 1 line(s) cannot be read and are ignored, the first is line 5.", true},
        {"unterminated quote", header + "\"a\"=\"b", "",
         ": 1 line(s) cannot be read and are ignored, the first is line 4.", true},
        {"value before any key", kVersion5 + "\r\n\"a\"=\"b\"\r\n", "",
         ": 1 line(s) cannot be read and are ignored, the first is line 2.", true},
        {"empty file", "", "", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        m_store.writeAnsi(c.bytes);
        LogCapture capture;
        Registry registry;
        // Each call reads the file afresh (open, size, data): the problem is said once.
        EXPECT_EQ(registry.readValueText("HKLM", "Software\\Pellam", "a"), c.a);
        EXPECT_EQ(registry.WriteValue("HKLM", "", "W", valueOf(VALUE_DWORD, 1)), c.parses);
        const std::string after = readFile(m_store.path());
        if (c.parses) {
            EXPECT_EQ(registry.readValueText("HKLM", "", "W"), "1");
            // What was there stays, byte for byte, in front of what was added.
            EXPECT_EQ(after.compare(0, c.bytes.size(), c.bytes), 0);
        } else {
            EXPECT_EQ(after, c.bytes);
            EXPECT_TRUE(capture.contains("): RegSetValueEx returned with code 1009\n"));
        }
        if (*c.logged) {
            EXPECT_EQ(occurrences(capture.text(), c.logged), 1u) << capture.text().substr(0, 2000);
            EXPECT_TRUE(capture.contains("RegistryStore.cpp:RegistryStore::load("));
            EXPECT_TRUE(capture.contains("registry store " + m_store.path()));
        } else {
            EXPECT_EQ(capture.text(), "");
        }
    }
    m_store.writeAnsi(header + "\"big\"=\"" + big + "\"\r\n");
    EXPECT_EQ(Registry().readValueText("HKLM", "Software\\Pellam", "big").size(), big.size());
}

TEST_F(RegistryStoreTest, EntriesApplyInOrderAsAnImportWould) {
    const std::string pellam = kPellam + "\n\"a\"=\"b\"\n";
    struct Case {
        std::string lines;
        const char* a; // value "a" of HKLM\Software\Pellam
        bool pellam;   // whether the key exists
        bool sub;      // whether Software\Pellam\Sub exists
    };
    const Case cases[] = {
        {pellam, "b", true, false},
        {pellam + "\"A\"=-\n", "", true, false},
        {pellam + "[-HKEY_LOCAL_MACHINE\\Software\\Pellam]\n", "", false, false},
        {pellam + "[-HKEY_LOCAL_MACHINE\\Software]\n", "", false, false},
        {pellam + "[-HKEY_LOCAL_MACHINE\\Software\\Pellam]\n\"a\"=\"c\"\n", "", false, false},
        {pellam + "[-hkey_local_machine\\software\\pellam]\n" + kPellam + "\n\"c\"=\"d\"\n", "",
         true, false},
        {"[HKEY_LOCAL_MACHINE\\Software\\Pellam\\Sub]\n[-HKEY_LOCAL_MACHINE\\Software\\Pellam\\Sub]"
         "\n",
         "", true, false},
        {pellam + "[HKEY_LOCAL_MACHINE\\Software\\Other\n\"a\"=\"c\"\n", "b", true, false},
        {pellam + "[HKEY_NOWHERE\\Software\\Pellam]\n\"a\"=\"c\"\n", "b", true, false},
        {pellam + "[HKEY_LOCAL_MACHINE\\Software\\Pellam\\Sub\\Deeper]\n", "b", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        m_store.writeUtf16(kVersion5 + "\n\n" + c.lines);
        Registry registry;
        EXPECT_EQ(registry.readValueText("HKLM", "Software\\Pellam", "a"), c.a);
        EXPECT_EQ(registry.keyExists("HKLM", "Software\\Pellam"), c.pellam);
        EXPECT_EQ(registry.keyExists("HKLM", "Software\\Pellam\\Sub"), c.sub);
    }
    // A write over a deleted value takes the deletion's line.
    m_store.writeUtf16(kVersion5 + "\n\n" + pellam + "\"a\"=-\n; end\n");
    ASSERT_TRUE(Registry().WriteValue("HKLM", "Software\\Pellam", "a", valueOf(VALUE_DWORD, 5)));
    EXPECT_EQ(readFile(m_store.path()),
              encoded(kVersion5 + "\n\n" + pellam + "\"a\"=dword:00000005\n; end\n", true, true));
}

TEST_F(RegistryStoreTest, ConcurrentWritersLoseNoUpdateAndReadersNeverSeeAHalfWrittenStore) {
    m_store.writeUtf16(kVersion5 + "\n\n" + kPellam + "\n");
    const int writers = 4;
    const int each = 25;
    const std::string done = m_store.dir().file("done");
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        // Counts the values in every version of the file it sees: each must
        // parse and none may have fewer values than the one before.
        size_t seen = 0;
        int faults = 0;
        while (!fileExists(done)) {
            const std::string bytes = readFile(m_store.path());
            posix::RegFile file;
            std::string problem;
            const size_t count = occurrences(bytes, utf16("\"w"));
            if (!file.parse(bytes, problem) || count < seen)
                ++faults;
            seen = count;
            ::usleep(500);
        }
        ::_exit(faults == 0 ? 0 : 1);
    }
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Registry registry;
            int failures = 0;
            for (int i = 0; i < each; ++i) {
                const CStdStr name = CStdStr::Formatted("w%d_%d", w, i);
                if (!registry.WriteValue(
                        "HKLM", "Software\\Pellam", name,
                        valueOf(VALUE_DWORD, static_cast<std::uint32_t>(w * 1000 + i))))
                    ++failures;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children)
        EXPECT_EQ(exitStatusOf(child), 0);
    writeFile(done, "");
    EXPECT_EQ(exitStatusOf(reader), 0);

    Registry registry;
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < each; ++i) {
            EXPECT_EQ(registry.readValueText("HKLM", "Software\\Pellam",
                                             CStdStr::Formatted("w%d_%d", w, i)),
                      std::to_string(w * 1000 + i));
        }
    }
}

TEST_F(RegistryStoreTest, AWriteReplacesTheFileWholeOrNotAtAll) {
    m_store.writeUtf16(kVersion5 + "\n\n" + kPellam + "\n\"a\"=\"b\"\n");
    ASSERT_EQ(::chmod(m_store.path().c_str(), 0640), 0);
    struct stat before;
    ASSERT_EQ(::stat(m_store.path().c_str(), &before), 0);
    Registry registry;
    ASSERT_TRUE(registry.WriteValue("HKLM", "Software\\Pellam", "c", valueOf(VALUE_DWORD, 3)));
    struct stat after;
    ASSERT_EQ(::stat(m_store.path().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // renamed into place, not rewritten in place
    EXPECT_EQ(after.st_mode & 0777, 0640u);
    const std::set<std::string> expected = {"registry.reg", "registry.reg.lock"};
    EXPECT_EQ(folderEntries(m_store.dir().path()), expected);

    // A write that cannot finish (the file size limit stops it half way).
    const std::string content = readFile(m_store.path());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{content.size() + 64, content.size() + 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = Registry().WriteValue(
            "HKLM", "Software\\Pellam", "big", valueOf(VALUE_STRING, 0, std::string(4096, 'x')));
        ::_exit(written ? 1 : 0);
    }
    EXPECT_EQ(exitStatusOf(child), 0);
    EXPECT_EQ(readFile(m_store.path()), content);
    EXPECT_EQ(folderEntries(m_store.dir().path()), expected);
}

TEST_F(RegistryStoreTest, AStoreReachedThroughALinkIsReplacedWhereTheLinkPoints) {
    TempDir elsewhere;
    const std::string target = elsewhere.file("real.reg");
    writeFile(target, encoded(kVersion5 + "\n\n" + kPellam + "\n", true, true));
    ASSERT_EQ(::symlink(target.c_str(), m_store.path().c_str()), 0);
    ASSERT_TRUE(Registry().WriteValue("HKLM", "Software\\Pellam", "a", valueOf(VALUE_DWORD, 1)));
    struct stat link;
    ASSERT_EQ(::lstat(m_store.path().c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(Registry().readValueText("HKLM", "Software\\Pellam", "a"), "1");
    EXPECT_TRUE(fileExists(target + ".lock"));
}

TEST_F(RegistryStoreTest, PlatformDefaultsLieReadOnlyBeneathTheStore) {
    ClearedDefaults cleared;
    const char* const key = "Software\\Microsoft\\Windows\\CurrentVersion";
    posix::addRegistryDefault(std::string("HKEY_LOCAL_MACHINE\\") + key, "ProgramFilesDir",
                              platform::REG_SZ, std::string("C:\\Program Files", 17));
    posix::addRegistryDefault("HKEY_CLASSES_ROOT\\.txt", "", platform::REG_SZ,
                              std::string("txtfile", 8));
    Registry registry;
    EXPECT_EQ(registry.readValueText("HKLM", key, "programfilesdir"), "C:\\Program Files");
    EXPECT_EQ(registry.readValueText("HKCR", ".txt", ""), "txtfile");
    EXPECT_TRUE(registry.keyExists("HKLM", "Software\\Microsoft"));
    EXPECT_FALSE(registry.keyExists("HKCU", "Software\\Microsoft"));
    EXPECT_FALSE(fileExists(m_store.path()));

    ASSERT_TRUE(
        registry.WriteValue("HKLM", key, "ProgramFilesDir", valueOf(VALUE_STRING, 0, "D:\\Apps")));
    EXPECT_EQ(registry.readValueText("HKLM", key, "ProgramFilesDir"), "D:\\Apps");
    posix::clearRegistryDefaults();
    EXPECT_EQ(registry.readValueText("HKLM", key, "ProgramFilesDir"), "D:\\Apps");
    EXPECT_FALSE(registry.keyExists("HKCR", ".txt"));
}

TEST(RegistryStoreLocationTest, TheEnvironmentNamesTheStoreFiles) {
    using posix::RegRoot;
    struct Case {
        const char* registry;
        const char* xdg;
        RegRoot root;
        const char* path;
    };
    const Case cases[] = {
        {"/tmp/one.reg", nullptr, RegRoot::CurrentUser, "/tmp/one.reg"},
        {"/tmp/one.reg", "/cfg", RegRoot::LocalMachine, "/tmp/one.reg"},
        {nullptr, nullptr, RegRoot::LocalMachine, "/var/lib/kendry/registry.reg"},
        {"", nullptr, RegRoot::Users, "/var/lib/kendry/registry.reg"},
        {nullptr, nullptr, RegRoot::CurrentConfig, "/var/lib/kendry/registry.reg"},
        {nullptr, nullptr, RegRoot::CurrentUser, "/home/u/.config/kendry/user.reg"},
        {nullptr, "/cfg", RegRoot::CurrentUser, "/cfg/kendry/user.reg"},
        {nullptr, "relative", RegRoot::CurrentUser, "/home/u/.config/kendry/user.reg"},
    };
    ScopedEnvironment home("HOME", "/home/u");
    for (const Case& c : cases) {
        ScopedEnvironment registry("KENDRY_REGISTRY", c.registry);
        ScopedEnvironment xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(posix::registryStorePath(c.root), c.path);
    }
}

TEST_F(RegistryStoreTest, HandlesAnswerAsTheWindowsCallsDo) {
    m_store.writeUtf16(kVersion5 + "\n\n" + kPellam +
                       "\n\"Name\"=\"machine\"\n"
                       "\"Odd\"=hex(b):01,02,03,04,05,06,07,08\n");
    platform::RegKey key = nullptr;
    ASSERT_EQ(platform::regOpenKey(platform::HKEY_LOCAL_MACHINE, "software\\PELLAM",
                                   platform::KEY_READ, key),
              0);
    unsigned type = 0;
    unsigned size = 0;
    EXPECT_EQ(platform::regQueryValue(key, "Name", &type, nullptr, &size), 0);
    EXPECT_EQ(type, platform::REG_SZ);
    EXPECT_EQ(size, 8u);
    char buffer[16] = {};
    size = 4;
    EXPECT_EQ(platform::regQueryValue(key, "Name", nullptr, buffer, &size), winerr::MORE_DATA);
    EXPECT_EQ(size, 8u);
    size = sizeof(buffer);
    EXPECT_EQ(platform::regQueryValue(key, "Odd", &type, buffer, &size), 0);
    EXPECT_EQ(type, 11u);
    EXPECT_EQ(std::string(buffer, size), std::string("\1\2\3\4\5\6\7\x08"));
    EXPECT_EQ(platform::regQueryValue(key, "Missing", &type, nullptr, &size),
              winerr::FILE_NOT_FOUND);
    EXPECT_EQ(platform::regSetValue(key, "x", platform::REG_SZ, "a", 2), winerr::ACCESS_DENIED);

    platform::RegKey missing = key;
    EXPECT_EQ(platform::regOpenKey(key, "Missing", platform::KEY_READ, missing),
              winerr::FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(platform::regCloseKey(key), 0);
    EXPECT_EQ(platform::regCloseKey(platform::HKEY_LOCAL_MACHINE), 0);

    const std::string before = readFile(m_store.path());
    ASSERT_EQ(platform::regOpenKey(platform::HKEY_LOCAL_MACHINE, "Software\\Pellam",
                                   platform::KEY_ALL_ACCESS, key),
              0);
    EXPECT_EQ(platform::regSetValue(key, "two\nlines", platform::REG_SZ, "a", 2),
              winerr::INVALID_PARAMETER);
    platform::regCloseKey(key);
    EXPECT_EQ(readFile(m_store.path()), before);

    platform::RegKey remote = platform::HKEY_USERS;
    EXPECT_EQ(platform::regConnect("FARAWAY", platform::HKEY_USERS, remote), winerr::BAD_NETPATH);
    EXPECT_EQ(remote, nullptr);
}
