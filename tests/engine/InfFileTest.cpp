#include "InfFile.h"

#include <gtest/gtest.h>

#include <string>

#include "NlsFile.h"
#include "SystemPath.h"
#include "TestSupport.h"
#include "TextsFixture.h"

using testing_support::LogCapture;
using testing_support::TempDir;
using testing_support::TempRegistry;
using testing_support::writeFile;
using texts_fixture::Texts;

namespace {

// A .reg value text: backslashes doubled.
std::string regText(CStdStr text) {
    text.Replace("\\", "\\\\");
    return text;
}

std::string table(const InfFile& inf) {
    std::string text;
    for (const auto& entry : inf.GetStrings())
        text += entry.first + "=" + entry.second + ";";
    return text;
}

const char* const kLayeredStrings = "[Strings]\nA=neutral\nB=neutral\nC=neutral\nMixedCase=m\n"
                                    "[Strings.0007]\nb=primary\nC=primary\n"
                                    "[Strings.0407]\nc=full\n"
                                    "[Strings.0009]\nB=english\n"
                                    "[Strings.0409]\nC=us\n"
                                    "[Strings.0045]\nB=low byte\n"
                                    "[Strings.12345]\nC=wide\n";

} // namespace

TEST(InfFileTest, StringTablesLayerTheTextsLanguageOverTheNeutralOne) {
    struct Case {
        const char* isLang;
        const char* strings;
    };
    const Case cases[] = {
        {"1031", "a=neutral;b=primary;c=full;mixedcase=m;"},
        {"1033", "a=neutral;b=english;c=us;mixedcase=m;"},
        {"74565", "a=neutral;b=low byte;c=wide;mixedcase=m;"},
        {nullptr, "a=neutral;b=neutral;c=neutral;mixedcase=m;"},
        {"German", "a=neutral;b=neutral;c=neutral;mixedcase=m;"},
        {"1031x", "a=neutral;b=neutral;c=neutral;mixedcase=m;"},
        {"-1031", "a=neutral;b=neutral;c=neutral;mixedcase=m;"},
        {"99999999999", "a=neutral;b=neutral;c=neutral;mixedcase=m;"},
    };
    TempDir dir;
    writeFile(dir.file("prn.inf"), kLayeredStrings);
    for (const Case& c : cases) {
        Texts texts(c.isLang ? std::string("[Global]\nIS_LANG=") + c.isLang + "\n" : "");
        const InfFile inf(dir.enginePath("prn.inf"), false);
        EXPECT_EQ(table(inf), c.strings) << (c.isLang ? c.isLang : "none");
        EXPECT_EQ(inf.GetPath(), dir.enginePath("prn.inf"));
    }
}

TEST(InfFileTest, AMissingFileGivesAnEmptyModel) {
    TempDir dir;
    LogCapture log;
    const InfFile inf(dir.enginePath("missing.inf"), false);
    EXPECT_EQ(inf.GetSectionCount(), 0);
    EXPECT_TRUE(inf.GetStrings().empty());
    EXPECT_TRUE(log.contains("missing.inf could not be opened for read.")) << log.text();
}

TEST(InfFileTest, CollapsesTheFirstRunOfParentSteps) {
    const CStdStr program = SystemPath(10).getDirectory();
    const CStdStr programParent = folderPathOf(program).getDirectory();
    struct Case {
        const char* path;
        std::string collapsed;
    };
    const Case cases[] = {
        {"C:\\drv\\x86\\..\\..\\common\\a.inf", "C:\\common\\a.inf"},
        {"C:\\a\\..\\b\\..\\c.inf", "C:\\b\\..\\c.inf"},
        {"C:\\drv\\a.inf", "C:\\drv\\a.inf"},
        {"C:\\drv\\..", "C:\\"},
        {"C:\\..\\..\\a.inf", "C:\\a.inf"},
        {"C:/drv/x86/../a.inf", "C:\\drv\\a.inf"},
        {"\\\\server\\share\\drv\\..\\a.inf", "\\\\server\\share\\a.inf"},
        {"C:\\v1..2\\a..inf", "C:\\v1..2\\a..inf"},
        {"C:\\v1..2\\x\\..\\a.inf", "C:\\v1..2\\a.inf"},
        {"sub\\..\\a.inf", "a.inf"},
        {"..\\a.inf", programParent + "\\a.inf"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InfFile::CollapseParentDirs(c.path), c.collapsed) << c.path;
}

TEST(InfFileTest, LocatesFilesUnderTheRegisteredDriverFolder) {
    struct Case {
        const char* componentsKey; // the language text, null for none
        const char* drivers;       // the registry value line, null for none
        const char* located;
    };
    const Case cases[] = {
        {"Software\\Drv", "\"Drivers\"=\"D:\\\\Drv\"", "D:\\Drv\\install\\x86\\prn.inf"},
        {"Software\\Drv", "\"Drivers\"=\"D:\\\\Drv\\\\\"", "D:\\Drv\\install\\x86\\prn.inf"},
        {"software\\drv", "\"drivers\"=\"D:\\\\\"", "D:\\install\\x86\\prn.inf"},
        {"Software\\Drv", "\"Drivers\"=\"\"", "prn.inf"},
        {"Software\\Drv", "\"Drivers\"=dword:00000001", "prn.inf"},
        {"Software\\Drv", "\"Other\"=\"D:\\\\Drv\"", "prn.inf"},
        {"Software\\Elsewhere", "\"Drivers\"=\"D:\\\\Drv\"", "prn.inf"},
        {nullptr, "\"Drivers\"=\"D:\\\\Drv\"", "prn.inf"},
    };
    for (const Case& c : cases) {
        TempRegistry registry;
        registry.writeAnsi(std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Drv]\n") +
                           c.drivers + "\n");
        Texts texts(c.componentsKey
                        ? std::string("[WEB_UPDATE]\nComponentsRegistry=") + c.componentsKey + "\n"
                        : "");
        EXPECT_EQ(InfFile::LocateInDriverStore("prn.inf"), c.located) << c.drivers;
    }
}

TEST(InfFileTest, ReadsTheRelocatedFileWhenAskedTo) {
    TempDir store;
    writeFile(store.file("install/x86/prn.inf"), "[Version]\nSignature=store\n");
    TempDir local;
    writeFile(local.file("prn.inf"), "[Version]\nSignature=local\n");
    TempRegistry registry;
    registry.writeAnsi("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Drv]\n\"Drivers\"=\"" +
                       regText(store.enginePath()) + "\"\n");
    Texts texts("[WEB_UPDATE]\nComponentsRegistry=Software\\Drv\n");

    const InfFile relocated("prn.inf", true);
    EXPECT_EQ(relocated.GetPath(), store.enginePath("install\\x86\\prn.inf"));
    EXPECT_EQ(relocated.GetValue(INF_VERSION, "Signature"), "store");

    const InfFile asGiven(local.enginePath("sub\\..\\prn.inf"), false);
    EXPECT_EQ(asGiven.GetPath(), local.enginePath("prn.inf"));
    EXPECT_EQ(asGiven.GetValue(INF_VERSION, "Signature"), "local");
}
