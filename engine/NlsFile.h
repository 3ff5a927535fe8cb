#pragma once
// The language texts: one language file chosen for the user, with the
// language-neutral Common.nls and OEM.nls merged over it, and the locale
// helpers that choose it.

#include "CStdStr.h"
#include "IniFile.h"
#include "LanguageTable.h"
#include "PathObject.h"
#include "SortedList.h"

// Every text the installer shows, keyed by section and entry.
extern IniFile theTextStore;

// Key names the product reserves in the store.
extern const CStdStr NLS_KEY_MODEL;
extern const CStdStr NLS_KEY_MANUFACTURER;
extern const CStdStr NLS_KEY_REGISTRY_PATH;
extern const CStdStr NLS_KEY_DISK_SPACE;
extern const CStdStr NLS_KEY_SYSTEM_RAM;
extern const CStdStr NLS_KEY_PROCESSOR_SPEED;
extern const CStdStr NLS_KEY_PID;
extern const CStdStr NLS_KEY_VID;
extern const CStdStr NLS_KEY_DEVICE_ID;
extern const CStdStr NLS_LOCALE_TO_NAME;

namespace NlsFile {

// Chooses the language from requested (or the user's locale when it is
// empty), LangConv.ini and the .nls files of folder, and loads it with
// Common.nls and OEM.nls over it.
bool InitializeFromFiles(PathObject folder, CStdStr requested);
// With a language: replaces the store by the file. Without: merges it in.
bool LoadFile(const CStdStr& path, const CStdStr& language);
// The text of "Name" (section Global) or "Section.Name", with "\n" turned
// into line breaks and its references expanded; empty when it is missing.
CStdStr GetText(const CStdStr& key);
// False for a placeholder such as #DefaultFont#.
bool IsTextDefined(const CStdStr& text);
CStdStr GetCurrentLanguage();
// The languages whose files the last InitializeFromFiles found.
const CStdStringList& GetAvailableLanguages();

} // namespace NlsFile

// language_COUNTRY of the user's locale, such as de_DE.
CStdStr GetSystemLocaleName();
CStdStr GetUserLocaleName();
int GetUserLanguageNumber();

// The name in available that serves wanted best (wanted itself, an
// equivalent name, or its language without the country); empty when none.
CStdStr ChooseLanguage(const CStdStringList& available, CStdStr wanted);
// ChooseLanguage, else "en", else the first available language.
CStdStr ChooseLanguageOrDefault(const CStdStringList& available, CStdStr wanted);
