#include "SetupIni.h"

#include <ostream>

#include "DebugLog.h"
#include "FileOp.h"
#include "IniFile.h"
#include "NlsFile.h"
#include "Resolver.h"

namespace SetupIni {
namespace {

const char* const kSection = "Setup";
const char* const kDestPath = "%DestPath%";
const char* const kExtrPath = "%ExtrPath%";

void logLine(const char* line) {
    theDebugLog << line << std::endl;
}

CStdStr value(const IniFile& ini, const char* key) {
    CStdStr text = ini.GetValue(kSection, key);
    if (text.size() > kLongestValue) {
        theDebugLog << "SetupIni::Read: The value of " << key << " is cut to its first "
                    << kLongestValue << " of " << text.size() << " bytes." << std::endl;
        text.resize(kLongestValue);
    }
    return text;
}

CStdStr resolved(const IniFile& ini, const char* key) {
    return ExpandTextVariables(value(ini, key));
}

void loadLanguageTexts(const PathObject& setupIni, SetupStrings& strings) {
    PathObject nlsFolder(setupIni.getFullPath());
    nlsFolder.appendDirectory("Install");
    nlsFolder.appendDirectory("Config");
    nlsFolder.appendDirectory("NLS");
    NlsFile::InitializeFromFiles(nlsFolder, strings.language);
    strings.language = NlsFile::GetCurrentLanguage();
}

void readPageTexts(const IniFile& ini, const CStdStr& programFolder, SetupStrings& strings) {
    strings.appTitle = resolved(ini, "App_Title");
    strings.appHead = resolved(ini, "App_Head");
    strings.appFoot = resolved(ini, "App_Foot");
    strings.appFile = LicenceFile(programFolder, value(ini, "App_File"), strings.language);
    strings.appButton1 = resolved(ini, "App_Button1");
    strings.appButton2 = resolved(ini, "App_Button2");
    strings.navTitle = resolved(ini, "Nav_Title");
    strings.navHead = resolved(ini, "Nav_Head");
    strings.navFoot = resolved(ini, "Nav_Foot");
    strings.navDefaultDir = resolved(ini, "Nav_DefaultDir");
    strings.navButton1 = resolved(ini, "Nav_Button1");
    strings.navButton2 = resolved(ini, "Nav_Button2");
    strings.navButton3 = resolved(ini, "Nav_Button3");
}

void readDialogTexts(SetupStrings& strings) {
    strings.overwriteFileTitle = ExpandTextVariables("%OverwriteFileTitle%");
    strings.overwriteFile = ExpandTextVariables("%OverwriteFile%");
    strings.yesText = ExpandTextVariables("%Yes%");
    strings.yesToAllText = ExpandTextVariables("%YesToAll%");
    strings.noText = ExpandTextVariables("%No%");
    strings.noToAllText = ExpandTextVariables("%NoToAll%");
    strings.cancelText = ExpandTextVariables("%Cancel%");
    strings.dirBrowseText = ExpandTextVariables("%DirBrowse%");
}

} // namespace

bool Read(const PathObject& setupIni, bool wow64, SetupStrings& strings, bool& hideLicence) {
    if (!FileOp::fileExists(setupIni)) {
        logLine("Kendry::Failed: No Setup.ini exists. ");
        return false;
    }
    const CStdStr programFolder = setupIni.getDirectory();
    const IniFile ini(setupIni.getFullPath(), false);

    strings.language = value(ini, "Language");
    strings.sourceDir = programFolder;
    const CStdStr copyDir = value(ini, "Copydir");
    if (!copyDir.empty())
        strings.sourceDir = programFolder + "\\" + copyDir;

    loadLanguageTexts(setupIni, strings);
    hideLicence = HidesLicence(value(ini, "HideEULA"));
    readPageTexts(ini, programFolder, strings);
    readDialogTexts(strings);

    const CStdStr installPath = value(ini, "InstallPath");
    const CStdStr installPath64 = value(ini, "InstallPath64");
    strings.launchCommand = CheckLaunchCommand(wow64 ? installPath64 : installPath, programFolder);
    return true;
}

bool HidesLicence(const CStdStr& hideEulaValue) {
    return hideEulaValue.EqualsNoCase("true");
}

CStdStr LicenceFile(const CStdStr& programFolder, const CStdStr& appFileValue,
                    const CStdStr& language) {
    CStdStr relative = appFileValue;
    relative.Replace("%Language%", language.c_str());
    return programFolder + relative.Mid(1);
}

CStdStr CheckLaunchCommand(const CStdStr& command, const CStdStr& programFolder) {
    if (command.Find(kDestPath) >= 0)
        return command;
    if (command.Find(kExtrPath) >= 0) {
        CStdStr prepared = command;
        prepared.Replace(kExtrPath, programFolder.c_str());
        return prepared;
    }
    logLine("Kendry::Cannot launch an application: InstallPath does not have right settings. ");
    return CStdStr();
}

} // namespace SetupIni
