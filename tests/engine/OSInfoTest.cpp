#include "OSInfo.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::TempRegistry;

namespace {

// The version values a Windows system keeps; an empty text leaves the value out.
struct VersionValues {
    const char* versionNumber;    // 9x: VersionNumber
    const char* subVersionNumber; // 9x: SubVersionNumber
    const char* currentVersion;   // NT: CurrentVersion
    const char* productName;      // NT: ProductName
    const char* csdVersion;       // NT: CSDVersion
};

std::string valueLine(const char* name, const char* text) {
    return *text ? "\"" + std::string(name) + "\"=\"" + text + "\"\n" : std::string();
}

std::string storeFor(const VersionValues& values) {
    return "REGEDIT4\n\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n" +
           valueLine("VersionNumber", values.versionNumber) +
           valueLine("SubVersionNumber", values.subVersionNumber) +
           "\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n" +
           valueLine("CurrentVersion", values.currentVersion) +
           valueLine("ProductName", values.productName) +
           valueLine("CSDVersion", values.csdVersion);
}

enum Family { UNKNOWN, NINE_X, NT_4, NT_2000_ON };

struct Release {
    const char* what;
    VersionValues values;
    int code;
    int servicePack;
    int major;
    int minor;
    Family family;
    const char* message; // logged by OSInfo::initialize, or empty
};

const char* const kNoVersion = "OSInfo::initialize: could not locate version info in the registry!";

const Release kReleases[] = {
    {"95", {"4.00.950", "", "", "", ""}, 0, 0, 4, 0, NINE_X, ""},
    {"95 OSR2", {"4.03.1214", "B", "", "", ""}, 0, 0, 4, 3, NINE_X, ""},
    {"98", {"4.10.1998", "", "", "", ""}, 1, 0, 4, 10, NINE_X, ""},
    {"98 SE, blanks around A", {"4.10.2222", "  A ", "", "", ""}, 2, 0, 4, 10, NINE_X, ""},
    {"98 SE, lower-case a", {"4.10.2222", "a", "", "", ""}, 2, 0, 4, 10, NINE_X, ""},
    {"98 with another letter", {"4.10.2222", "B", "", "", ""}, 1, 0, 4, 10, NINE_X, ""},
    {"last of the 98 range", {"4.89", "A", "", "", ""}, 2, 0, 4, 89, NINE_X, ""},
    {"Me", {"4.90.3000", "A", "", "", ""}, 3, 0, 4, 90, NINE_X, ""},
    {"9x major 5",
     {"5.0", "", "", "", ""},
     -1,
     0,
     5,
     0,
     UNKNOWN,
     "invalid 9X version (major: 5, minor: 0)"},
    {"9x major beyond int",
     {"99999999999999999999.7", "", "", "", ""},
     -1,
     0,
     2147483647,
     7,
     UNKNOWN,
     "invalid 9X version (major: 2147483647, minor: 7)"},
    {"9x values win over NT ones",
     {"4.10", "", "5.1", "", "Service Pack 2"},
     1,
     0,
     4,
     10,
     NINE_X,
     ""},
    {"NT 4.0", {"", "", "4.0", "", "Service Pack 6"}, 4, 6, 4, 0, NT_4, ""},
    {"2000",
     {"", "", "5.0", "Microsoft Windows 2000", "Service Pack 4"},
     5,
     4,
     5,
     0,
     NT_2000_ON,
     ""},
    {"XP", {"", "", "5.1", "Microsoft Windows XP", "Service Pack 2"}, 7, 2, 5, 1, NT_2000_ON, ""},
    {"64-bit XP reports 5.2",
     {"", "", "5.2", "Microsoft Windows XP", ""},
     7,
     0,
     5,
     2,
     NT_2000_ON,
     ""},
    {"Server 2003",
     {"", "", "5.2", "Microsoft Windows Server 2003", "Service Pack 1"},
     6,
     1,
     5,
     2,
     NT_2000_ON,
     ""},
    {"NT 5.3: unknown yet service pack read",
     {"", "", "5.3", "", "Service Pack 1, v.1055"},
     -1,
     1,
     5,
     3,
     UNKNOWN,
     ""},
    {"Vista", {"", "", "6.0", "Windows Vista (TM) Ultimate", ""}, 9, 0, 6, 0, NT_2000_ON, ""},
    {"later 6.x client",
     {"", "", "6.1", "Windows 7 Professional", "Service Pack 1"},
     9,
     1,
     6,
     1,
     NT_2000_ON,
     ""},
    {"Server 2008",
     {"", "", "6.0", "Windows Server (R) 2008 Standard", "Service Pack 2"},
     10,
     2,
     6,
     0,
     NT_2000_ON,
     ""},
    {"NT 7.x", {"", "", "7.0", "", ""}, 11, 0, 7, 0, NT_2000_ON, ""},
    {"NT 3.51 is not read further",
     {"", "", "3.51", "", "Service Pack 5"},
     -1,
     0,
     3,
     51,
     UNKNOWN,
     "invalid NT version (major: 3, minor: 51"},
    {"service pack without a number",
     {"", "", "5.1", "", "Service Pack"},
     7,
     0,
     5,
     1,
     NT_2000_ON,
     ""},
    {"nothing readable", {"", "", "", "", ""}, -1, 0, 0, 0, UNKNOWN, kNoVersion},
};

class OSInfoRelease : public ::testing::TestWithParam<Release> {};

TEST_P(OSInfoRelease, CodeServicePackAndFamilyFollowTheVersionValues) {
    const Release& release = GetParam();
    TempRegistry store;
    store.writeAnsi(storeFor(release.values));
    LogCapture log;

    const OSInfo os;

    EXPECT_EQ(os.getCode(), release.code);
    EXPECT_EQ(os.getServicePack(), release.servicePack);
    EXPECT_EQ(os.getMajor(), release.major);
    EXPECT_EQ(os.getMinor(), release.minor);
    EXPECT_EQ(os.is9xFamily(), release.family == NINE_X);
    EXPECT_EQ(os.isNtFamily(), release.family == NT_4 || release.family == NT_2000_ON);
    EXPECT_EQ(os.is2000OrLater(), release.family == NT_2000_ON);
    if (*release.message) {
        EXPECT_TRUE(log.contains(std::string("OSInfo.cpp:OSInfo::initialize(")));
        EXPECT_TRUE(log.contains(std::string("): ") + release.message + "\n")) << log.text();
    } else {
        EXPECT_EQ(log.text(), "");
    }
}

std::string releaseName(const ::testing::TestParamInfo<Release>& param) {
    std::string name;
    for (const char* at = param.param.what; *at; ++at)
        name += std::isalnum(static_cast<unsigned char>(*at)) ? *at : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Releases, OSInfoRelease, ::testing::ValuesIn(kReleases), releaseName);

// WOW64 is asked only for NT 5 to 7; a 64-bit build knows its system is
// 64-bit on every release that has 64-bit editions.
TEST(OSInfoTest, SixtyFourBitAnswersFollowTheBuildAndWow64) {
    const bool wow64 = isWow64Process();
    const bool build64 = sizeof(void*) == 8;
    EXPECT_FALSE(build64 && wow64) << "a 64-bit process never runs under WOW64";
    struct Case {
        VersionValues values;
        bool asksWow64;
        bool is64Bit;
    } const cases[] = {
        {{"4.10", "A", "", "", ""}, false, false},
        {{"", "", "4.0", "", ""}, false, false},
        {{"", "", "5.1", "", ""}, true, build64 || wow64},
        {{"", "", "5.3", "", ""}, true, wow64},
        {{"", "", "6.0", "", ""}, true, build64 || wow64},
        {{"", "", "7.0", "", ""}, true, build64 || wow64},
        {{"", "", "", "", ""}, false, false},
    };
    for (const Case& c : cases) {
        TempRegistry store;
        store.writeAnsi(storeFor(c.values));
        const OSInfo os;
        SCOPED_TRACE(std::string(c.values.versionNumber) + c.values.currentVersion);
        EXPECT_EQ(os.isWow64(), c.asksWow64 && wow64);
        EXPECT_EQ(os.is64Bit(), c.is64Bit);
    }
}

TEST(OSInfoTest, InitializeReadsTheRegistryAgainAndForgetsTheLastAnswer) {
    TempRegistry store;
    store.writeAnsi(storeFor({"", "", "5.1", "", "Service Pack 3"}));
    OSInfo os;
    ASSERT_EQ(os.getCode(), 7);
    ASSERT_EQ(os.getServicePack(), 3);

    store.writeAnsi(storeFor({"4.90", "", "", "", ""}));
    os.initialize();
    EXPECT_EQ(os.getCode(), 3);
    EXPECT_EQ(os.getServicePack(), 0);
    EXPECT_FALSE(os.isWow64());
    EXPECT_EQ(OSInfo().getCode(), 3);
}

TEST(OSInfoTest, ThisSystemWithoutVersionValuesIsUnknown) {
    TempRegistry store;
    LogCapture log;
    const OSInfo os;
    EXPECT_EQ(os.getCode(), -1);
    EXPECT_FALSE(os.is9xFamily() || os.isNtFamily() || os.is2000OrLater() || os.is64Bit());
    EXPECT_TRUE(log.contains(kNoVersion));
}

} // namespace
