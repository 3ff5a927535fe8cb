#pragma once
// The 8-bit "ANSI code page" of the user's locale and conversions between it
// and UTF-16, with the Windows conversions' habits: characters the code page
// cannot hold become '?', bytes that are no character become U+FFFD.

#include <string>

#include "../CStdStr.h"

namespace platform {

// The Windows code page number of the current locale (1252 for en_US, 932 for ja_JP...).
int ansiCodePage();

CStdStr wideToAnsi(const std::u16string& units);
std::u16string ansiToWide(const CStdStr& text);

// The same conversions for a code page named by number.
CStdStr wideToCodePage(const std::u16string& units, int codePage);
std::u16string codePageToWide(const CStdStr& text, int codePage);

} // namespace platform
