// The user's locale comes from the environment (LC_ALL, LC_MESSAGES, LANG, the
// first that is set), read as language_COUNTRY; C, POSIX and anything not of
// that form mean en_US. The language identifier is that of the locale name in
// the engine's LANGID map.
#include "../Locale.h"

#include <cstdlib>

#include "../../LanguageTable.h"

namespace platform {
namespace {

struct Alias {
    const char* posixName;
    const char* mapName;
};

// POSIX spellings the LANGID map writes differently.
const Alias kAliases[] = {
    {"en_GB", "en_UK"}, {"ca_ES", "ca_AD"}, {"nb_NO", "no_NO"}, {"nb", "no"},
    {"id_ID", "in"},    {"id", "in"},       {"iw_IL", "he_IL"}, {"iw", "he"},
};

// Nynorsk has a number of its own, but the map names it no_NO like Bokmal.
constexpr int kNynorskLangId = 2068;

bool isLetters(const CStdStr& text, size_t length) {
    if (text.size() != length)
        return false;
    for (const char ch : text) {
        if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z')))
            return false;
    }
    return true;
}

struct EnvironmentLocale {
    CStdStr language; // lower case, two letters
    CStdStr country;  // upper case, two letters, or empty
};

// The locale variable that decides the language of messages.
CStdStr localeVariable() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return CStdStr();
}

EnvironmentLocale environmentLocale() {
    CStdStr name = localeVariable();
    const size_t end = name.find_first_of(".@");
    if (end != std::string::npos)
        name.erase(end);
    EnvironmentLocale locale;
    const size_t underscore = name.find('_');
    locale.language =
        name.Left(underscore == std::string::npos ? name.GetLength() : int(underscore));
    if (underscore != std::string::npos)
        locale.country = name.Mid(int(underscore) + 1);
    const bool wellFormed = isLetters(locale.language, 2) &&
                            (underscore == std::string::npos || isLetters(locale.country, 2));
    if (!wellFormed) {
        locale.language = "en";
        locale.country = "US";
    }
    locale.language.MakeLower();
    locale.country.MakeUpper();
    return locale;
}

int langIdOf(const EnvironmentLocale& locale) {
    CStdStr name = locale.language;
    if (!locale.country.empty())
        name += "_" + locale.country;
    if (locale.language == "nn")
        return kNynorskLangId;
    for (const Alias& alias : kAliases) {
        if (name.EqualsNoCase(alias.posixName))
            name = alias.mapName;
    }
    const int langId = LocaleNameToLangId(name);
    return langId != 0 ? langId : LocaleNameToLangId("en_US");
}

} // namespace

int userDefaultLangId() {
    return langIdOf(environmentLocale());
}

bool localeIsoName(int langId, int infoType, CStdStr& value) {
    EnvironmentLocale locale = environmentLocale();
    if (langIdOf(locale) != langId) {
        // Another language: its name in the map, when the map lists it.
        const CStdStr name = LangIdToLocaleName(langId);
        if (LocaleNameToLangId(name) != langId)
            return false;
        const size_t underscore = name.find('_');
        locale.language =
            name.Left(underscore == std::string::npos ? name.GetLength() : int(underscore));
        locale.country =
            underscore == std::string::npos ? CStdStr() : name.Mid(int(underscore) + 1);
    }
    if (infoType == LOCALE_ISO639_LANGUAGE_NAME)
        value = locale.language;
    else if (infoType == LOCALE_ISO3166_COUNTRY_NAME)
        value = locale.country;
    else
        return false;
    return !value.empty();
}

} // namespace platform
