#include "NlsFile.h"

#include <climits>

#include "DebugLog.h"
#include "FileFind.h"
#include "QuickIni.h"
#include "Resolver.h"
#include "platform/Files.h"
#include "platform/Locale.h"

IniFile theTextStore(false);

const CStdStr NLS_KEY_MODEL("MODEL");
const CStdStr NLS_KEY_MANUFACTURER("MANUFACTURER");
const CStdStr NLS_KEY_REGISTRY_PATH("REGISTRY_PATH");
const CStdStr NLS_KEY_DISK_SPACE("DISK_SPACE");
const CStdStr NLS_KEY_SYSTEM_RAM("SYSTEM_RAM");
const CStdStr NLS_KEY_PROCESSOR_SPEED("PROCESSOR_SPEED");
const CStdStr NLS_KEY_PID("PID");
const CStdStr NLS_KEY_VID("VID");
const CStdStr NLS_KEY_DEVICE_ID("DEVICE_ID");
const CStdStr NLS_LOCALE_TO_NAME("LocaleToName");

namespace {

const char* const kSource = ".\\NlsFile.cpp";
const char* const kLanguageExtension = ".nls";
const char* const kCommonFile = "Common.nls";
const char* const kOemFile = "OEM.nls";
const char* const kConversionFile = "LangConv.ini";
const char* const kConversionSection = "Conversion";
const char* const kGlobalSection = "Global";
const char* const kDefaultLanguage = "en";

CStdStr& currentLanguage() {
    static CStdStr language;
    return language;
}

CStdStringList& availableLanguages() {
    static CStdStringList languages(SORTED_UNIQUE);
    return languages;
}

// A leading decimal integer as C's sscanf "%d" reads it (white space and a
// sign first, anything after the digits ignored); out-of-range numbers are
// clamped instead of being undefined.
bool parseLeadingInt(const CStdStr& text, int& number) {
    size_t at = 0;
    while (at < text.size() && isCSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (value <= INT_MAX)
            value = value * 10 + (text[at] - '0');
    }
    if (negative)
        value = -value;
    number = value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : int(value));
    return true;
}

// The language to use for a request: LangConv.ini's conversion, else the
// locale name of a LANGID number, else the request itself.
CStdStr convertRequest(PathObject folder, const CStdStr& requested) {
    folder.setName(kConversionFile);
    CStdStr converted;
    // The conversion file is optional: a missing one is not worth a message.
    if (platform::pathExists(folder.getFullPath()) &&
        QuickReadIniString(folder.getFullPath(), kConversionSection, requested, converted)) {
        KENDRY_LOG(kSource, "NlsFile::InitializeFromFiles", LOG_INFO,
                   "- Passed in language: %s, using language %s", requested.c_str(),
                   converted.c_str());
        return converted;
    }
    int langId = 0;
    if (parseLeadingInt(requested, langId))
        return LangIdToLocaleName(langId);
    return requested;
}

void findLanguageFiles(PathObject folder) {
    CStdStringList& available = availableLanguages();
    available.clear();
    folder.setName(CStdStr("*") + kLanguageExtension);
    for (FileFind find(folder); find.hasEntry(); find.next()) {
        const CStdStr name = find.name();
        if (name.EqualsNoCase(kCommonFile) || name.EqualsNoCase(kOemFile))
            continue;
        const size_t dot = name.find('.');
        if (dot != std::string::npos && dot >= 1)
            available.add(name.Left(int(dot)));
    }
}

// Lists built for each call, sorted ignoring case like the available list.
CStdStringList equivalenceGroup(std::initializer_list<const char*> names) {
    CStdStringList group(SORTED_UNIQUE);
    for (const char* name : names)
        group.add(name);
    return group;
}

// The first available member of the first group holding name; empty when
// no group holds it or none of that group's members is available.
CStdStr equivalentLanguage(const CStdStringList& available, const CStdStr& name) {
    const CStdStringList groups[] = {
        equivalenceGroup({"zh_TW", "zh_HK"}),
        equivalenceGroup({"no", "nb", "nn"}),
        equivalenceGroup({"he", "iw"}),
    };
    for (const CStdStringList& group : groups) {
        if (!group.contains(name))
            continue;
        for (const CStdStr& member : group) {
            if (available.contains(member))
                return member;
        }
        return CStdStr();
    }
    return CStdStr();
}

} // namespace

namespace NlsFile {

bool InitializeFromFiles(PathObject folder, CStdStr requested) {
    if (requested.empty())
        requested = GetSystemLocaleName();
    const CStdStr language = convertRequest(folder, requested);
    findLanguageFiles(folder);
    const CStdStr chosen = ChooseLanguageOrDefault(availableLanguages(), language);
    if (chosen.empty()) {
        KENDRY_LOG(kSource, "NlsFile::InitializeFromFiles", LOG_ERROR, "cannot load language %s",
                   language.c_str());
        return false;
    }
    folder.setName(chosen + kLanguageExtension);
    LoadFile(folder.getFullPath(), chosen);
    folder.setName(kCommonFile);
    LoadFile(folder.getFullPath(), CStdStr());
    folder.setName(kOemFile);
    LoadFile(folder.getFullPath(), CStdStr());
    return true;
}

bool LoadFile(const CStdStr& path, const CStdStr& language) {
    if (language.empty())
        return theTextStore.Read(path, true);
    theTextStore.Clear();
    theTextStore.SetFileName(path);
    currentLanguage() = language;
    return theTextStore.Read(path, false);
}

CStdStr GetText(const CStdStr& key) {
    const size_t dot = key.find('.');
    const bool hasSection = dot != std::string::npos && dot >= 1;
    const CStdStr section = hasSection ? key.Left(int(dot)) : CStdStr(kGlobalSection);
    const CStdStr name = hasSection ? key.Mid(int(dot) + 1) : key;
    CStdStr value;
    if (const IniSection* found = theTextStore.FindSection(section))
        found->GetValue(name, value);
    value.Replace("\\n", "\n");
    if (value.empty())
        return value;
    TextExpansionGuard expanding(key);
    return ExpandTextVariables(value);
}

bool IsTextDefined(const CStdStr& text) {
    return !(text.size() >= 2 && text.front() == '#' && text.back() == '#');
}

CStdStr GetCurrentLanguage() {
    return currentLanguage();
}

const CStdStringList& GetAvailableLanguages() {
    return availableLanguages();
}

} // namespace NlsFile

CStdStr GetSystemLocaleName() {
    const int langId = platform::userDefaultLangId();
    CStdStr country;
    if (!platform::localeIsoName(langId, platform::LOCALE_ISO3166_COUNTRY_NAME, country))
        return GetUserLocaleName();
    CStdStr language;
    platform::localeIsoName(langId, platform::LOCALE_ISO639_LANGUAGE_NAME, language);
    return CStdStr::Formatted("%s_%s", language.MakeLower().c_str(), country.MakeUpper().c_str());
}

CStdStr GetUserLocaleName() {
    return LangIdToLocaleName(platform::userDefaultLangId());
}

int GetUserLanguageNumber() {
    return LangIdToLanguageNumber(platform::userDefaultLangId());
}

CStdStr ChooseLanguage(const CStdStringList& available, CStdStr wanted) {
    CStdStr result = wanted.empty() ? GetSystemLocaleName() : wanted;
    while (!result.empty()) {
        if (available.contains(result))
            return result;
        const CStdStr equivalent = equivalentLanguage(available, result);
        if (!equivalent.empty())
            return equivalent;
        result = (result.size() > 2 && result[2] == '_') ? result.Left(2) : CStdStr();
    }
    return result;
}

CStdStr ChooseLanguageOrDefault(const CStdStringList& available, CStdStr wanted) {
    const CStdStr chosen = ChooseLanguage(available, wanted);
    if (!chosen.empty())
        return chosen;
    if (!available.contains(kDefaultLanguage) && !available.empty())
        return available.front();
    return kDefaultLanguage;
}
