#include "SetupIni.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const char* const kLaunchFailure =
    "Kendry::Cannot launch an application: InstallPath does not have right settings. \n";

const char* const kEnglishTexts = "[Global]\n"
                                  "Product=Printer of the language file\n"
                                  "Accept=Accept\n"
                                  "Title=%Product% Setup\n"
                                  "OverwriteFileTitle=Replace?\n"
                                  "OverwriteFile=The file exists.\n"
                                  "Yes=Yes\n"
                                  "YesToAll=Yes to all\n"
                                  "No=No\n"
                                  "NoToAll=No to all\n"
                                  "DirBrowse=Pick a folder\n";

// A package folder: Setup.ini and the language files below Install/Config/NLS.
class Package {
public:
    Package() {
        nls("en.nls", kEnglishTexts);
        nls("de.nls", "[Global]\nTitle=Einrichtung\nAccept=Annehmen\n");
        nls("Common.nls", "[Global]\nProduct=Demo Printer\n");
        nls("OEM.nls", "; nothing of the reseller's own\n");
    }
    void setupIni(const std::string& entries) const {
        writeSetupIni("; demo\n[Other]\nLanguage=xx\n[Setup]\n" + entries);
    }
    void writeSetupIni(const std::string& text) const { writeFile(m_dir.file("Setup.ini"), text); }
    void nls(const std::string& name, const std::string& text) const {
        writeFile(m_dir.file("Install/Config/NLS/" + name), text);
    }
    PathObject setupIniPath() const {
        PathObject path(m_dir.enginePath("Setup.ini"));
        return path;
    }
    CStdStr folder() const { return m_dir.enginePath(); }

    // Reads the package as the start-up does; false when Setup.ini is missing.
    bool read(SetupStrings& strings, bool& hideLicence, bool wow64 = false) const {
        return SetupIni::Read(setupIniPath(), wow64, strings, hideLicence);
    }
    SetupStrings read(bool wow64 = false) const {
        SetupStrings strings;
        bool hideLicence = false;
        EXPECT_TRUE(read(strings, hideLicence, wow64));
        return strings;
    }

private:
    TempDir m_dir;
};

class SetupIniTest : public testing::Test {
protected:
    LogCapture m_log;
    // The locale decides when Setup.ini names no language.
    ScopedEnvironment m_lcAll{"LC_ALL", nullptr};
    ScopedEnvironment m_lcMessages{"LC_MESSAGES", nullptr};
    ScopedEnvironment m_lang{"LANG", "en_US.UTF-8"};
    Package m_package;
};

TEST_F(SetupIniTest, MissingFileIsLoggedAndReported) {
    SetupStrings strings;
    strings.appTitle = "untouched";
    bool hideLicence = true;
    EXPECT_FALSE(m_package.read(strings, hideLicence));
    EXPECT_EQ(m_log.text(), "Kendry::Failed: No Setup.ini exists. \n");
    EXPECT_EQ(strings.appTitle, "untouched");
    EXPECT_TRUE(hideLicence);
}

TEST_F(SetupIniTest, FillsEveryStringFromItsKey) {
    m_package.setupIni("Language=en\n"
                       "Copydir=Payload\n"
                       "App_Title=%Title%\n"
                       "App_Head=<b>Head</b>\n"
                       "App_Foot=Foot of %Product%\n"
                       "App_File=.\\Eula\\%Language%.txt\n"
                       "App_Button1=%Accept%\n"
                       "App_Button2=Decline\n"
                       "Nav_Title=Folder\n"
                       "Nav_Head=Where to?\n"
                       "Nav_Foot=Copying %s\n"
                       "Nav_DefaultDir=\\opt\\%Product%\n"
                       "Nav_Button1=Browse\n"
                       "Nav_Button2=Install\n"
                       "Nav_Button3=Cancel\n"
                       "InstallPath=%ExtrPath%\\Drivers\\setup.sh\n");
    const SetupStrings strings = m_package.read();
    const CStdStr folder = m_package.folder();

    EXPECT_EQ(strings.language, "en");
    EXPECT_EQ(strings.appTitle, "Demo Printer Setup");
    EXPECT_EQ(strings.appHead, "<b>Head</b>");
    EXPECT_EQ(strings.appFoot, "Foot of Demo Printer");
    EXPECT_EQ(strings.appFile, folder + "\\Eula\\en.txt");
    EXPECT_EQ(strings.sourceDir, folder + "\\Payload");
    EXPECT_EQ(strings.launchCommand, folder + "\\Drivers\\setup.sh");
    EXPECT_EQ(strings.appButton1, "Accept");
    EXPECT_EQ(strings.appButton2, "Decline");
    EXPECT_EQ(strings.navTitle, "Folder");
    EXPECT_EQ(strings.navHead, "Where to?");
    EXPECT_EQ(strings.navFoot, "Copying %s");
    EXPECT_EQ(strings.navDefaultDir, "\\opt\\Demo Printer");
    EXPECT_EQ(strings.navButton1, "Browse");
    EXPECT_EQ(strings.navButton2, "Install");
    EXPECT_EQ(strings.navButton3, "Cancel");
    EXPECT_EQ(strings.overwriteFileTitle, "Replace?");
    EXPECT_EQ(strings.overwriteFile, "The file exists.");
    EXPECT_EQ(strings.yesText, "Yes");
    EXPECT_EQ(strings.yesToAllText, "Yes to all");
    EXPECT_EQ(strings.noText, "No");
    EXPECT_EQ(strings.noToAllText, "No to all");
    EXPECT_EQ(strings.cancelText, "%Cancel%"); // no such text: the reference stays
    EXPECT_EQ(strings.dirBrowseText, "Pick a folder");
    EXPECT_FALSE(m_log.contains("Kendry::"));
}

TEST_F(SetupIniTest, MissingKeysReadAsEmptyAndTheProgramFolderIsCopied) {
    m_package.setupIni("Language=en\n");
    const SetupStrings strings = m_package.read();
    EXPECT_EQ(strings.sourceDir, m_package.folder());
    EXPECT_EQ(strings.appTitle, "");
    EXPECT_EQ(strings.navDefaultDir, "");
    // No App_File: only the program folder is left.
    EXPECT_EQ(strings.appFile, m_package.folder());
    EXPECT_EQ(strings.launchCommand, "");
    EXPECT_EQ(m_log.text(), kLaunchFailure);
}

TEST_F(SetupIniTest, ASetupIniWithoutItsSectionStillStartsTheRun) {
    m_package.writeSetupIni("[Other]\nLanguage=de\nHideEULA=true\n");
    SetupStrings strings;
    bool hideLicence = true;
    EXPECT_TRUE(m_package.read(strings, hideLicence));
    EXPECT_FALSE(hideLicence);
    EXPECT_EQ(strings.language, "en"); // from the locale
}

TEST_F(SetupIniTest, AValueLongerThanAnyPackageNeedsIsCutAndLogged) {
    const std::string longest(SetupIni::kLongestValue, 'h');
    m_package.setupIni("App_Head=" + longest + "\nNav_Title=" + longest +
                       "tail\nInstallPath=%ExtrPath%\\" + longest + "\n");
    const SetupStrings strings = m_package.read();
    EXPECT_EQ(strings.appHead, longest);
    EXPECT_EQ(strings.navTitle, longest);
    // Cut before it is prepared: the placeholder is filled in after the cut.
    EXPECT_EQ(strings.launchCommand,
              m_package.folder() + "\\" + longest.substr(0, longest.size() - 11));
    EXPECT_EQ(m_log.text(),
              "SetupIni::Read: The value of Nav_Title is cut to its first 65536 of 65540 bytes.\n"
              "SetupIni::Read: The value of InstallPath is cut to its first 65536 of 65547 "
              "bytes.\n");
}

TEST_F(SetupIniTest, OnlyTrueInAnyCaseHidesTheLicence) {
    const struct {
        const char* value;
        bool hidden;
    } cases[] = {{"true", true},  {"TRUE", true},    {"True", true},
                 {"yes", false},  {"1", false},      {"", false},
                 {" true", true}, {"truely", false}, {"\"true\"", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        m_package.setupIni(std::string("HideEULA=") + c.value + "\n");
        SetupStrings strings;
        bool hideLicence = !c.hidden;
        ASSERT_TRUE(m_package.read(strings, hideLicence));
        EXPECT_EQ(hideLicence, c.hidden);
    }
}

TEST_F(SetupIniTest, LaunchCommandNeedsAPlaceholder) {
    const CStdStr folder = m_package.folder();
    const struct {
        const char* installPath;
        CStdStr expected;
    } cases[] = {
        {"%DestPath%\\Setup.exe", "%DestPath%\\Setup.exe"},
        {"%ExtrPath%\\Setup.exe", folder + "\\Setup.exe"},
        {"%ExtrPath%\\a.exe %ExtrPath%\\b.ini", folder + "\\a.exe " + folder + "\\b.ini"},
        // The destination wins; the package folder is then left as written.
        {"%DestPath%\\a.exe %ExtrPath%", "%DestPath%\\a.exe %ExtrPath%"},
        // Placeholders are case-sensitive.
        {"%destpath%\\Setup.exe", ""},
        {"C:\\Tools\\Setup.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installPath);
        m_log.clear();
        m_package.setupIni(std::string("InstallPath=") + c.installPath + "\n");
        EXPECT_EQ(m_package.read().launchCommand, c.expected);
        EXPECT_EQ(m_log.text(), c.expected.empty() ? kLaunchFailure : "");
    }
}

TEST_F(SetupIniTest, A64BitSystemUsesOnlyInstallPath64) {
    m_package.setupIni("InstallPath=%DestPath%\\x86\\Setup.exe\n");
    EXPECT_EQ(m_package.read(false).launchCommand, "%DestPath%\\x86\\Setup.exe");
    m_log.clear();
    EXPECT_EQ(m_package.read(true).launchCommand, "");
    EXPECT_EQ(m_log.text(), kLaunchFailure);

    m_package.setupIni("InstallPath=%DestPath%\\x86\\Setup.exe\n"
                       "InstallPath64=%DestPath%\\x64\\Setup.exe\n");
    EXPECT_EQ(m_package.read(true).launchCommand, "%DestPath%\\x64\\Setup.exe");
}

TEST_F(SetupIniTest, LicenceFileDropsItsFirstCharacter) {
    const struct {
        const char* appFile;
        const char* language;
        const char* expected;
    } cases[] = {
        {".\\License\\%Language%\\license.htm", "ENU", "D:\\pkg\\License\\ENU\\license.htm"},
        {"\\EULA\\%Language%.htm", "ENU", "D:\\pkgEULA\\ENU.htm"},
        {"x\\a\\%Language%\\%Language%.txt", "de", "D:\\pkg\\a\\de\\de.txt"},
        // Only the exact spelling is a placeholder.
        {".\\%language%.txt", "de", "D:\\pkg\\%language%.txt"},
        {"", "de", "D:\\pkg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.appFile);
        EXPECT_EQ(SetupIni::LicenceFile("D:\\pkg", c.appFile, c.language), c.expected);
    }
}

TEST_F(SetupIniTest, LicenceFileUsesTheLanguageTheTextsSettledOn) {
    m_package.nls("LangConv.ini", "[Conversion]\nde_AT=de\n");
    m_package.setupIni("Language=de_AT\nApp_File=.\\L\\%Language%.txt\nApp_Title=%Title%\n");
    const SetupStrings strings = m_package.read();
    EXPECT_EQ(strings.language, "de");
    EXPECT_EQ(strings.appFile, m_package.folder() + "\\L\\de.txt");
    EXPECT_EQ(strings.appTitle, "Einrichtung");
}

TEST_F(SetupIniTest, LanguageComesFromTheLocaleWhenSetupIniNamesNone) {
    m_package.setupIni("Language=\nApp_Button1=%Accept%\n");
    const struct {
        const char* locale;
        const char* language;
        const char* accept;
    } cases[] = {
        {"de_DE.UTF-8", "de", "Annehmen"},
        {"en_GB.UTF-8", "en", "Accept"},
        // No file for French: English is the fall-back.
        {"fr_FR.UTF-8", "en", "Accept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        ScopedEnvironment lang("LANG", c.locale);
        const SetupStrings strings = m_package.read();
        EXPECT_EQ(strings.language, c.language);
        EXPECT_EQ(strings.appButton1, c.accept);
    }
}

TEST_F(SetupIniTest, LanguageNamedInSetupIniWinsOverTheLocale) {
    ScopedEnvironment lang("LANG", "en_US.UTF-8");
    m_package.setupIni("Language=de\nApp_Button1=%Accept%\n");
    const SetupStrings strings = m_package.read();
    EXPECT_EQ(strings.language, "de");
    EXPECT_EQ(strings.appButton1, "Annehmen");
}

} // namespace
