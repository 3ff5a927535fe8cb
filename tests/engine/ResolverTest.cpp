#include "Resolver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <pwd.h>
#include <string>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "NlsFile.h"
#include "SourceSearch.h"
#include "SystemPath.h"
#include "TestSupport.h"
#include "TextsFixture.h"

using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::TempRegistry;
using testing_support::writeFile;
using texts_fixture::Texts;

namespace {

// Texts by name, case ignored as the language texts ignore it.
class MapResolver : public Resolver {
public:
    explicit MapResolver(std::map<std::string, std::string> texts) {
        for (const auto& text : texts)
            m_texts[text.first] = text.second;
    }
    CStdStr Resolve(const CStdStr& name) override {
        ++calls;
        const auto found = m_texts.find(name);
        return found == m_texts.end() ? CStdStr() : found->second;
    }
    int calls = 0;

private:
    std::map<CStdStr, CStdStr, NoCaseLess> m_texts;
};

std::string userName() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry ? entry->pw_name : "";
}

template <typename Duration> bool quick(Duration elapsed) {
    return elapsed < std::chrono::seconds(5);
}

} // namespace

TEST(ResolverTest, ExpandsTextReferences) {
    const ScopedEnvironment tmp("TMPDIR", nullptr);
    MapResolver resolver({{"AppName", "Printer"},
                          {"A", "1"},
                          {"B", "2"},
                          {"C", "3"},
                          {"Nested", "x%AppName%y"},
                          {"WithUser", "Name is $USERNAME$"},
                          {"Percent", "100%"}});
    struct Case {
        const char* text;
        std::string expanded;
    };
    const Case cases[] = {
        {"Install %AppName% now", "Install Printer now"},
        {"Install %appname% now", "Install Printer now"},
        {"Install %Missing% now", "Install %Missing% now"},
        {"5 % off", "5 % off"},
        {"%A%B%C%", "1B3"},
        {"%A% and %A% and %a%", "1 and 1 and 1"},
        {"%Nested%", "xPrintery"},
        {"%WithUser%", "Name is " + userName()},
        {"%%", "%%"},
        {"%", "%"},
        {"%Percent%%", "100%%"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandVariables(c.text, resolver), c.expanded) << c.text;
}

TEST(ResolverTest, ExpandsSystemReferences) {
    TempDir dir;
    const ScopedEnvironment tmp("TMPDIR", dir.path().c_str());
    const std::string temp = dir.enginePath();
    struct Case {
        const char* text;
        std::string expanded;
    };
    const Case cases[] = {
        {"$TEMP_DIR$\\setup.log", temp + "\\setup.log"},
        {"$temp_dir$\\setup.log", temp + "\\setup.log"},
        {"a$NOSUCH$b", "ab"},
        {"a$$b", "ab"},
        {"cost $5", "cost $5"},
        {"$A$B$C$", "B"},
        {"$USERNAME$ in $TEMP_DIR$", userName() + " in " + temp},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandSystemVariables(c.text), c.expanded) << c.text;
}

TEST(ResolverTest, SelfReferringTextsStayUnexpanded) {
    Texts texts("[Global]\nSelf=x %Self% y\nA=a%B%\nB=b%A%\nC=%A%\nD=%C%\n"
                "E=%A% and %F%\nF=%A%\nAlias=<%global.alias%>\n");
    struct Case {
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"Self", "x %Self% y"}, {"A", "ab%A%"},           {"B", "ba%B%"}, {"C", "ab%A%"},
        {"D", "ab%A%"},         {"E", "ab%A% and ab%A%"}, {"F", "ab%A%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NlsFile::GetText(c.key), c.text) << c.key;
    // Under a second name the text is expanded once more before its
    // reference back to itself stays.
    EXPECT_EQ(NlsFile::GetText("Alias"), "<<%global.alias%>>");
    EXPECT_EQ(ExpandTextVariables("[%Self%]"), "[x %Self% y]");
}

TEST(ResolverTest, DeepWideAndExplodingReferencesEndQuickly) {
    std::string content = "[Global]\n";
    for (int i = 0; i < 1000; ++i)
        content += "T" + std::to_string(i) + "=%T" + std::to_string(i + 1) + "%\n";
    content += "T1000=end\n";
    // Within the nesting limit, but 2^25 copies of the last text.
    for (int i = 0; i < 25; ++i)
        content += "X" + std::to_string(i) + "=%X" + std::to_string(i + 1) + "%%X" +
                   std::to_string(i + 1) + "%\n";
    content += "X25=0123456789\nWide=" + [] {
        std::string wide;
        for (int i = 0; i < 1000; ++i)
            wide += "%R%";
        return wide;
    }() + "\nR=r\n";
    Texts texts(content);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(NlsFile::GetText("T980"), "end");
    const CStdStr deep = NlsFile::GetText("T0");
    EXPECT_TRUE(quick(std::chrono::steady_clock::now() - start));
    // Past the nesting limit the reference stays as written.
    EXPECT_EQ(deep, "%T1%");

    start = std::chrono::steady_clock::now();
    const CStdStr exploded = NlsFile::GetText("X0");
    EXPECT_TRUE(quick(std::chrono::steady_clock::now() - start));
    EXPECT_EQ(exploded, "%X1%%X1%");

    EXPECT_EQ(NlsFile::GetText("Wide"), std::string(1000, 'r'));
    // Nothing is left over for the next expansion.
    EXPECT_EQ(NlsFile::GetText("T995"), "end");
}

TEST(ResolverTest, ManyReferencesInAHugeTextEndQuickly) {
    MapResolver resolver(std::map<std::string, std::string>{{"A", "a"}});
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "%A%$$%" + std::to_string(i) + "%";
    const auto start = std::chrono::steady_clock::now();
    const CStdStr expanded = ExpandVariables(text, resolver);
    EXPECT_TRUE(quick(std::chrono::steady_clock::now() - start));
    EXPECT_EQ(expanded.substr(0, 8), "a%0%a%1%");
}

TEST(ResolverTest, SelfReferringSystemValuesStayUnexpanded) {
    TempDir dir;
    struct Case {
        const char* tempFolder;
        const char* windowsFolder;
        const char* text;
        const char* expanded; // {} stands for the test's folder
    };
    const Case cases[] = {
        {"t$TEMP_DIR$", nullptr, "[$TEMP_DIR$]", "[{}t$TEMP_DIR$]"},
        {"w$WINDOWS_DIR$", "t$TEMP_DIR$", "$TEMP_DIR$", "{}w{}t$TEMP_DIR$"},
        {"t$TEMP_DIR$", nullptr, "$TEMP_DIR$ and $TEMP_DIR$", "{}t$TEMP_DIR$ and {}t$TEMP_DIR$"},
        // A value is scanned again: its lone "$" pairs with the next one.
        {"a$b", nullptr, "$TEMP_DIR$ costs $5", "{}a5"},
    };
    for (const Case& c : cases) {
        const std::string temp = dir.file(c.tempFolder);
        std::filesystem::create_directories(temp);
        const ScopedEnvironment tmp("TMPDIR", temp.c_str());
        const std::string windows = c.windowsFolder ? dir.file(c.windowsFolder) : "";
        const ScopedEnvironment win("KENDRY_WINDOWS_DIR",
                                    c.windowsFolder ? windows.c_str() : nullptr);
        std::string expected = c.expanded;
        const std::string prefix = dir.enginePath() + "\\";
        for (size_t at; (at = expected.find("{}")) != std::string::npos;)
            expected.replace(at, 2, prefix);
        EXPECT_EQ(ExpandSystemVariables(c.text), expected) << c.text;
    }
}

TEST(ResolverTest, AValueThatReachesTheTextsAgainDoesNotRecurse) {
    // The guessed source reads product.ini, whose string tables ask for the
    // text IS_LANG, which asks for the guessed source again.
    TempDir dir;
    writeFile(dir.file("src/install/config/product.ini"), "[CoinstallerData]\nPrefix=\n");
    TempRegistry registry;
    CStdStr source = dir.enginePath("src");
    source.Replace("\\", "\\\\");
    registry.writeAnsi("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\"
                       "CurrentVersion\\Setup]\n\"Installation Sources\"=\"" +
                       source + "\"\n");
    Texts texts("[Global]\nIS_LANG=$GUESSED_ROOT_DIR$\n");
    EXPECT_EQ(NlsFile::GetText("IS_LANG"), dir.enginePath("src"));
}

TEST(SystemVariableTest, FoldersComeFromTheirPathCodes) {
    TempDir dir;
    const std::string windows = dir.file("Windows");
    const ScopedEnvironment win("KENDRY_WINDOWS_DIR", windows.c_str());
    const ScopedEnvironment tmp("TMPDIR", dir.path().c_str());
    struct Case {
        const char* name;
        int code;
        bool allUsers;
    };
    const Case cases[] = {
        {"WINDOWS_DRIVE", 21, true},
        {"WINDOWS_DIR", 23, true},
        {"SYSTEM_DIR", 19, true},
        {"PROGRAMFILES_DIR", 14, true},
        {"CURRENTUSER_DOCUMENTS_DIR", 29, true},
        {"SYSTEMFONTS_DIR", 9, true},
        {"TEMP_DIR", 22, true},
        {"CD_ROOT_DIR", 0, true},
        {"SENDTO_DIR", 15, true},
        {"CURRENTUSER_DESKTOP_DIR", 3, false},
        {"ALLUSERS_DESKTOP_DIR", 3, true},
        {"DRIVER_DIR", 11, true},
        {"DRIVER_MULTI_OS_DIR", 12, true},
        {"COMMONFILES_DIR", 1, true},
        {"COMMONAPPDATA_DIR", 27, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetSystemVariable(c.name), SystemPath(c.code, c.allUsers).getDirectory())
            << c.name;
    EXPECT_EQ(GetSystemVariable("DRIVER_CAB"), SystemPath(4, true).getFullPath());

    // The folders this platform has.
    EXPECT_EQ(GetSystemVariable("WINDOWS_DIR"), dir.enginePath("Windows"));
    EXPECT_EQ(GetSystemVariable("SYSTEMFONTS_DIR"), dir.enginePath("Windows") + "\\Fonts");
    EXPECT_EQ(GetSystemVariable("TEMP_DIR"), dir.enginePath());
    EXPECT_EQ(GetSystemVariable("SYSTEM_DIR"), "\\bin");
    EXPECT_EQ(GetSystemVariable("WINDOWS_DRIVE"), "");
    EXPECT_FALSE(GetSystemVariable("PROGRAMFILES_DIR").empty());
    EXPECT_FALSE(GetSystemVariable("CD_ROOT_DIR").empty());
    EXPECT_NE(GetSystemVariable("DRIVER_CAB").find("driver"), std::string::npos);
}

TEST(SystemVariableTest, LanguageValuesFollowTheTextsAndTheLocale) {
    struct Case {
        const char* loaded;
        const char* lang;
        const char* codePage;
        const char* osLang;
        const char* osCodePage;
        const char* hexLang;
        const char* languageCode;
    };
    const Case cases[] = {
        {"de", "C", "1252", "en_US", "1252", "0x409", "0"},
        {"zh_TW", "de_DE.UTF-8", "950", "de_DE", "1252", "0x407", "2"},
        {"ja", "ja_JP.UTF-8", "932", "ja_JP", "932", "0x411", "12"},
        {"en", "fr_CA.UTF-8", "1252", "fr_CA", "1252", "0xc0c", "1"},
        {"ar", "ar_SA.UTF-8", "1256", "ar_SA", "1256", "0x401", "0"},
        {"xx", "C", "", "en_US", "1252", "0x409", "0"},
    };
    for (const Case& c : cases) {
        const ScopedEnvironment all("LC_ALL", nullptr);
        const ScopedEnvironment messages("LC_MESSAGES", nullptr);
        const ScopedEnvironment lang("LANG", c.lang);
        NlsFile::LoadFile("no such file", c.loaded);
        EXPECT_EQ(GetSystemVariable("LANGUAGE"), c.loaded) << c.lang;
        EXPECT_EQ(GetSystemVariable("CODEPAGE"), c.codePage) << c.lang;
        EXPECT_EQ(GetSystemVariable("OS_LANG"), c.osLang) << c.lang;
        EXPECT_EQ(GetSystemVariable("OS_ISOLANG"), c.osLang) << c.lang;
        EXPECT_EQ(GetSystemVariable("OS_CODEPAGE"), c.osCodePage) << c.lang;
        EXPECT_EQ(GetSystemVariable("HEX_LANG"), c.hexLang) << c.lang;
        EXPECT_EQ(GetSystemVariable("VTL_LANG_CODE"), c.languageCode) << c.lang;
    }
}

TEST(SystemVariableTest, TheSystemVersionComesFromTheRegistry) {
    struct Case {
        const char* version;
        const char* isNt;
    };
    const Case cases[] = {{"4.0", "TRUE"}, {"5.1", "FALSE"}, {"6.1", "FALSE"}, {nullptr, "FALSE"}};
    for (const Case& c : cases) {
        TempRegistry registry;
        if (c.version)
            registry.writeAnsi(std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\"
                                           "Windows NT\\CurrentVersion]\n\"CurrentVersion\"=\"") +
                               c.version + "\"\n");
        EXPECT_EQ(GetSystemVariable("IS_OS_NT"), c.isNt) << (c.version ? c.version : "none");
    }
    // This build is a 64-bit program, which runs on 64-bit systems only.
    EXPECT_EQ(GetSystemVariable("OS_ARCH"), sizeof(void*) == 8 ? "x64" : "x86");
}

TEST(SystemVariableTest, MachineValuesComeFromTheirPlatformSources) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    CStdStr expectedHost = std::string(host).substr(0, std::string(host).find('.')).substr(0, 15);
    EXPECT_EQ(GetSystemVariable("COMPUTER_NAME"), expectedHost.MakeLower());
    EXPECT_EQ(GetSystemVariable("USERNAME"), userName());
    EXPECT_FALSE(userName().empty());

    struct sysinfo info;
    ASSERT_EQ(::sysinfo(&info), 0);
    const long long memoryMB = (static_cast<long long>(info.totalram) * info.mem_unit) >> 20;
    EXPECT_EQ(GetSystemVariable("SYSTEM_MEMORY"), std::to_string(memoryMB));

    struct statvfs volume;
    ASSERT_EQ(::statvfs("/", &volume), 0);
    const double freeMB = double(volume.f_bavail) * double(volume.f_frsize) / 1048576.0;
    EXPECT_NEAR(std::stod(GetSystemVariable("SYSTEM_SPACE")), freeMB, 256.0);
    EXPECT_NEAR(GetFreeDiskSpaceMB("C:\\"), freeMB, 256.0);
    EXPECT_EQ(GetFreeDiskSpaceMB("\\no\\such\\folder"), 0);
    EXPECT_EQ(GetFreeDiskSpaceMB(nullptr), 0);

    // The processor clock: the kernel's maximum, else the x86 "cpu MHz" line.
    int expectedMHz = -1;
    std::ifstream maximum("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    long kilohertz = 0;
    if (maximum >> kilohertz) {
        expectedMHz = int(kilohertz / 1000);
    } else {
        std::ifstream cpuInfo("/proc/cpuinfo");
        for (std::string line; std::getline(cpuInfo, line);) {
            if (line.rfind("cpu MHz", 0) == 0) {
                expectedMHz = int(std::lround(std::stod(line.substr(line.find(':') + 1))));
                break;
            }
        }
    }
    EXPECT_EQ(GetSystemVariable("SYSTEM_CPU"), std::to_string(expectedMHz));
    EXPECT_EQ(GetCpuSpeedMHz(), expectedMHz);
}

TEST(SystemVariableTest, DateAndSourceAndUnknownNames) {
    char date[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%m%d%Y", std::localtime(&now));
    EXPECT_EQ(GetSystemVariable("CURRENT_DATE"), date);
    EXPECT_EQ(GetSystemVariable("current_date").size(), 8u);
    EXPECT_EQ(GetSystemVariable("GUESSED_ROOT_DIR"), guessRootDir("", ""));
    EXPECT_EQ(GetSystemVariable("NOSUCH"), "");
    EXPECT_EQ(GetSystemVariable(""), "");
    EXPECT_EQ(GetSystemVariable("TEMP_DIR "), "");
}
