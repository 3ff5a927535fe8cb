#pragma once
// The HTML skeleton every page text is wrapped in, and the language tests that pick its
// charset, the UI font's encoding and the code page the texts are written in.

#include <wx/colour.h>
#include <wx/fontenc.h>

#include "CStdStr.h"

// Two lower-case hex digits; empty for anything outside 0..255.
CStdStr HexByte(int value);
// "#rrggbb" with the double quotes around it, ready for an HTML attribute.
CStdStr HtmlColour(const wxColour& colour);

CStdStr CharsetForLanguage(const CStdStr& language);
wxFontEncoding EncodingForLanguage(const CStdStr& language);
// The Windows code page the language's texts are written in (Windows-1252 when unlisted).
wxFontEncoding CodePageForLanguage(const CStdStr& language);

// The body goes in as it is: texts are HTML fragments already.
CStdStr MakeHtmlPage(const CStdStr& language, const wxColour& textColour,
                     const wxColour& backgroundColour, const CStdStr& body);
