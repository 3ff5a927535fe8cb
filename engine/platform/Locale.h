#pragma once
// The user's locale with the meanings of GetUserDefaultLangID and
// GetLocaleInfoA.

#include "../CStdStr.h"

namespace platform {

// GetLocaleInfoA types of the two ISO names.
constexpr int LOCALE_ISO639_LANGUAGE_NAME = 0x59; // "de"
constexpr int LOCALE_ISO3166_COUNTRY_NAME = 0x5A; // "DE"

// The language identifier of the user's default locale (1031 for German).
int userDefaultLangId();

// The ISO language or country name of the locale of a language identifier;
// false when the locale has none.
bool localeIsoName(int langId, int infoType, CStdStr& value);

} // namespace platform
