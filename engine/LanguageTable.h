#pragma once
// Tables that translate between Windows language identifiers (LANGIDs),
// locale names such as en_US, ISO language codes and ANSI code pages.

#include "CStdStr.h"

// Columns of the language table, for GetLanguageInfo.
constexpr unsigned LANGUAGE_COLUMN_NAME = 0;
constexpr unsigned LANGUAGE_COLUMN_ISO_CODE = 1;
constexpr unsigned LANGUAGE_COLUMN_WIN_CODE = 2;
constexpr unsigned LANGUAGE_COLUMN_MAC_CODE = 3;
constexpr unsigned LANGUAGE_COLUMN_CODEPAGE = 4;

constexpr int LANGUAGE_TABLE_ROWS = 115; // row 0 holds the column titles
constexpr int LANGUAGE_TABLE_COLUMNS = 5;

// The cell as stored (row 0 are the titles); null outside the table.
const char* languageTableCell(int row, unsigned column);

// The entry in column of the first row whose ISO code is code (case ignored),
// retried with the first two characters of a longer code; empty when no row
// matches or the column is above 4.
CStdStr GetLanguageInfo(const CStdStr& code, unsigned column);

// The locale name of a LANGID; "en_US" for identifiers the map does not list.
CStdStr LangIdToLocaleName(int langId);

// The map of LangIdToLocaleName read backwards: the first LANGID whose name
// is localeName (case ignored), else the first one of the same language (the
// part before "_"); en_US and English without a listed country give 1033.
// 0 when the language is not in the map.
int LocaleNameToLangId(const CStdStr& localeName);

// The product's own numbering of languages; 0 for English and every LANGID
// it does not number.
int LangIdToLanguageNumber(int langId);
