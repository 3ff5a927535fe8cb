#include "SourceSearch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "OSInfo.h"
#include "TestSupport.h"
#include "platform/Drives.h"
#include "platform/Environment.h"

using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::TempRegistry;
using testing_support::writeFile;

namespace {

const char* const kSetupKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
const char* const kVersionKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion";

std::string regEscape(std::string text) {
    std::string escaped;
    for (const char ch : text)
        escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
    return escaped;
}

// The bytes of ANSI strings as REGEDIT4 writes hex(2) and hex(7) data.
std::string regHex(const std::vector<std::string>& strings, bool multi) {
    std::string bytes;
    for (const std::string& text : strings)
        bytes += text + '\0';
    if (multi)
        bytes += '\0';
    std::string hex;
    char digits[4];
    for (const char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(byte));
        hex += (hex.empty() ? "" : ",") + std::string(digits);
    }
    return hex;
}

// A tree of package folders below a scratch folder; {} in texts stands for
// its engine path.
class Sources {
public:
    Sources() {
        product("vt", "[CoinstallerData]\nPrefix=VTAB\n");
        folder("vt/deep/er");
        folder("plain");
        product("outer", "[CoinstallerData]\nPrefix=VTAB\n");
        product("outer/inner", "[CoinstallerData]\nPrefix=OTHR\n");
        folder("outer/inner/x");
        product("noprefix", "[Other]\nPrefix=\n");
        product("empty", "[CoinstallerData]\nPrefix=\n");
    }
    void product(const std::string& at, const std::string& content) {
        writeFile(m_dir.file(at + "/install/config/product.ini"), content);
    }
    void folder(const std::string& at) { std::filesystem::create_directories(m_dir.file(at)); }
    void file(const std::string& at) { writeFile(m_dir.file(at), "x"); }

    std::string path(std::string text) const {
        for (size_t at; (at = text.find("{}")) != std::string::npos;)
            text.replace(at, 2, m_dir.enginePath());
        return text;
    }
    const TempDir& dir() const { return m_dir; }

private:
    TempDir m_dir;
};

} // namespace

TEST(EnvironmentTest, ExpandsSetVariablesAndKeepsTheRest) {
    const ScopedEnvironment drive("KENDRY_TEST_DRIVE", "C:");
    const ScopedEnvironment path("KENDRY_TEST_PATH", "\\src");
    const ScopedEnvironment unset("KENDRY_TEST_UNSET", nullptr);
    struct Case {
        const char* text;
        const char* expanded;
    };
    const Case cases[] = {
        {"%KENDRY_TEST_DRIVE%%KENDRY_TEST_PATH%\\x", "C:\\src\\x"},
        {"%kendry_test_drive%\\x", "C:\\x"},
        {"%KENDRY_TEST_UNSET%\\x", "%KENDRY_TEST_UNSET%\\x"},
        {"%KENDRY_TEST_UNSET%KENDRY_TEST_DRIVE%", "%KENDRY_TEST_UNSETC:"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"", ""},
    };
    for (const Case& c : cases) {
        CStdStr expanded = "stale";
        EXPECT_EQ(platform::expandEnvironmentStrings(c.text, expanded), 0) << c.text;
        EXPECT_EQ(expanded, c.expanded) << c.text;
    }
}

TEST(SourceSearchTest, RegistrySourcesAreTriedFolderByFolderUpwards) {
    Sources sources;
    const std::string root = sources.dir().enginePath();
    const std::string quoted = regEscape(root); // as a .reg text spells it
    const ScopedEnvironment source("KENDRY_TEST_SOURCE", sources.dir().path().c_str());
    const ScopedEnvironment unset("KENDRY_TEST_UNSET", nullptr);
    const std::string name = "\"Installation Sources\"=";
    struct Case {
        std::string line;
        const char* prefix;
        std::string found;
    };
    const Case cases[] = {
        {name + "\" " + quoted + "\\\\plain ;  " + quoted + "\\\\vt \"", "vtab", root + "\\vt"},
        {name + "\"" + quoted + "\\\\vt\\\\deep\\\\er\\\\\"", "VTAB", root + "\\vt"},
        {name + "\"" + quoted + "\\\\outer\\\\inner\\\\x;" + quoted + "\\\\vt\"", "VTAB",
         root + "\\vt"},
        // The walk ends at the first product.ini, whatever its prefix.
        {name + "\"" + quoted + "\\\\outer\\\\inner\\\\x\"", "VTAB", ""},
        {name + "\"" + quoted + "\\\\outer\\\\inner\\\\x\"", "OTHR", root + "\\outer\\inner"},
        {name + "\";;" + quoted + "\\\\vt;\"", "VTAB", root + "\\vt"},
        {name + "\"%KENDRY_TEST_SOURCE%\\\\vt\"", "VTAB", root + "\\vt"},
        {name + "\"%kendry_test_source%/vt\"", "VTAB", root + "\\vt"},
        {name + "\"%KENDRY_TEST_UNSET%\\\\vt\"", "VTAB", ""},
        {name + "hex(7):" + regHex({root + "\\plain", root + "\\vt\\"}, true), "VTAB",
         root + "\\vt"},
        {name + "hex(2):" + regHex({"%KENDRY_TEST_SOURCE%\\vt"}, false), "VTAB", root + "\\vt"},
        {name + "dword:00000001", "", ""},
        {"\"Other\"=\"" + quoted + "\\\\vt\"", "VTAB", ""},
        {name + "\"" + quoted + "\\\\noprefix\"", "", ""},
        {name + "\"" + quoted + "\\\\empty\"", "", root + "\\empty"},
        {name + "\"" + quoted + "\\\\vt\"", "BKAB", ""},
        {name + "\"" + quoted + "\\\\missing\\\\folder\"", "VTAB", ""},
    };
    for (const Case& c : cases) {
        TempRegistry registry;
        registry.writeAnsi("REGEDIT4\n\n[" + std::string(kSetupKey) + "]\n" + c.line + "\n");
        EXPECT_EQ(checkSourceFromRegistry("Software\\Microsoft\\Windows\\CurrentVersion\\Setup",
                                          "Installation Sources", c.prefix),
                  c.found)
            << c.line;
    }
}

TEST(SourceSearchTest, GuessRootDirTriesTheSourcesInOrder) {
    Sources sources;
    const std::string root = sources.dir().enginePath();
    const std::string quoted = regEscape(root);
    const std::string mounts = sources.dir().file("mounts");
    writeFile(mounts, "/dev/sr0 " + sources.dir().path() + "/cd iso9660 ro 0 0\n");
    sources.product("cd", "[CoinstallerData]\nPrefix=VTAB\n");
    const ScopedEnvironment mountTable("KENDRY_MOUNT_TABLE", mounts.c_str());
    struct Case {
        std::string store; // .reg blocks
        const char* prefix;
        std::string found;
    };
    const std::string setup = "[" + std::string(kSetupKey) + "]\n\"Installation Sources\"=\"";
    const std::string device = "[" + std::string(kVersionKey) + "]\n\"DevicePath\"=\"";
    const std::string brask = "[HKEY_LOCAL_MACHINE\\Software\\Brask\\Tollmere]\n";
    const std::string vantrel = "[HKEY_LOCAL_MACHINE\\Software\\VantrelInkjet\\Tollmere]\n";
    const Case cases[] = {
        {setup + quoted + "\\\\vt\"\n" + device + quoted + "\\\\outer\"\n", "VTAB", root + "\\vt"},
        {setup + quoted + "\\\\outer\\\\inner\"\n" + device + quoted + "\\\\outer\"\n", "VTAB",
         root + "\\outer"},
        {brask + "\"VTAB\"=\"" + quoted + "\\\\vt\\\\deep\"\n", "VTAB", root + "\\vt"},
        {brask + "@=\"" + quoted + "\\\\empty\"\n", "", root + "\\empty"},
        {brask + "\"VTAB\"=\"" + quoted + "\\\\plain\"\n" + vantrel + "\"VTAB\"=\"" + quoted +
             "\\\\outer\"\n",
         "VTAB", root + "\\outer"},
        // Nothing registered: the optical drive, whatever its prefix.
        {"", "VTAB", root + "\\cd"},
        {"", "OTHR", root + "\\cd"},
    };
    for (const Case& c : cases) {
        TempRegistry registry;
        registry.writeAnsi("REGEDIT4\n\n" + c.store);
        EXPECT_EQ(guessRootDir("", c.prefix), c.found) << c.store;
    }
}

TEST(SourceSearchTest, CoInstallerFolderHoldsTheFirstListedDll) {
    Sources sources;
    const std::string arch = OSInfo().is64Bit() ? "x64" : "x86";
    sources.folder("pf/Aaa Vantrel");
    sources.file("pf/Vantrel.txt");
    sources.folder("pf/VantrelEmpty");
    sources.file("pf/Other/Install/" + arch + "/VTABsoft.dll");
    sources.file("pf/Other/Install/" + arch + "/ABCDsoft.dll");
    sources.file("pf/Vantrel Printer/Install/" + arch + "/VTABsoft.dll");
    sources.file("pf/Brask Tools/Install/" + arch + "/BKXYsoft.dll");
    sources.file("pf/VantrelWrongArch/Install/" + std::string(arch == "x86" ? "x64" : "x86") +
                 "/VTCDsoft.dll");
    const std::string root = sources.dir().enginePath();
    struct Case {
        const char* inf; // null for no file
        std::string found;
    };
    const Case cases[] = {
        {"[CoInstallers_Files]\nVTABsoft.dll=1\n", root + "\\pf\\Vantrel Printer"},
        {"[coinstallers_files]\nvtabsoft.dll\n", root + "\\pf\\Vantrel Printer"},
        {"[CoInstallers_Files]\nBKXYsoft.dll=1\nVTABsoft.dll=1\n", root + "\\pf\\Brask Tools"},
        {"[CoInstallers_Files]\nABCDsoft.dll=1\n", root + "\\pf\\Other"},
        {"[CoInstallers_Files]\nVTCDsoft.dll=1\n", ""},
        {"[CoInstallers_Files]\nBKABsoft.dll=1\n", ""},
        {"[CoInstallers_Files]\n", ""},
        {"[Version]\nSignature=x\n", ""},
        {nullptr, ""},
    };
    TempRegistry registry;
    registry.writeAnsi("REGEDIT4\n\n[" + std::string(kVersionKey) + "]\n\"ProgramFilesDir\"=\"" +
                       regEscape(root) + "\\\\pf\"\n");
    for (const Case& c : cases) {
        if (c.inf)
            writeFile(sources.dir().file("prn.inf"), c.inf);
        else
            std::filesystem::remove(sources.dir().file("prn.inf"));
        EXPECT_EQ(findCoInstallerFolder(sources.path("{}\\prn.inf")), c.found)
            << (c.inf ? c.inf : "no file");
    }
    EXPECT_EQ(findCoInstallerFolder(""), "");

    // Without a Program Files folder there is nothing to search.
    registry.writeAnsi("REGEDIT4\n\n[" + std::string(kVersionKey) +
                       "]\n\"ProgramFilesDir\"=\"\"\n");
    writeFile(sources.dir().file("prn.inf"), "[CoInstallers_Files]\nVTABsoft.dll=1\n");
    EXPECT_EQ(findCoInstallerFolder(sources.path("{}\\prn.inf")), "");
}

TEST(SourceSearchTest, CdRootIsAnOpticalMountHoldingTheProduct) {
    Sources sources;
    const std::string base = sources.dir().path();
    sources.product("cd 1", "[CoinstallerData]\nPrefix=VTAB\n");
    sources.product("usb", "[CoinstallerData]\nPrefix=VTAB\n");
    sources.folder("cd0");
    const std::string mounts = sources.dir().file("mounts");
    writeFile(mounts, "/dev/vda / ext4 rw 0 0\n"
                      "/dev/sdb " +
                          base +
                          "/usb vfat rw 0 0\n"
                          "/dev/sr0 " +
                          base +
                          "/cd0 iso9660 ro 0 0\n"
                          "garbage\n\n"
                          "/dev/sr1 relative/cd iso9660 ro 0 0\n"
                          "/dev/sr2 " +
                          base + "/cd\\0401 UDF ro 0 0");
    const ScopedEnvironment table("KENDRY_MOUNT_TABLE", mounts.c_str());
    EXPECT_EQ(platform::opticalDriveRoots(),
              (std::vector<CStdStr>{sources.path("{}\\cd0\\"), sources.path("{}\\cd 1\\")}));
    EXPECT_EQ(findCdRoot(), sources.path("{}\\cd 1"));

    writeFile(mounts, "/dev/sr0 " + base + "/cd0 iso9660 ro 0 0\n");
    EXPECT_EQ(findCdRoot(), "");
    const ScopedEnvironment missing("KENDRY_MOUNT_TABLE", (base + "/no-such-table").c_str());
    EXPECT_TRUE(platform::opticalDriveRoots().empty());
    EXPECT_EQ(findCdRoot(), "");
}
