#include "PageMarkup.h"

#include <array>

namespace {

struct LanguageRow {
    std::array<const char*, 5> codes; // unused slots are null
    bool wholeCode;                   // compare the whole code, not its two-letter prefix
    const char* charset;
    wxFontEncoding fontEncoding;
    wxFontEncoding codePage;
};

// First match wins, so zh_TW and zh_HK come before the other Chinese codes.
const LanguageRow kLanguageRows[] = {
    {{"ja"}, false, "Shift-JIS", wxFONTENCODING_CP932, wxFONTENCODING_CP932},
    {{"zh_TW", "zh_HK"}, true, "Windows-950", wxFONTENCODING_CP950, wxFONTENCODING_CP950},
    {{"zh"}, false, "Windows-936", wxFONTENCODING_CP936, wxFONTENCODING_CP936},
    {{"ko"}, false, "Windows-949", wxFONTENCODING_CP949, wxFONTENCODING_CP949},
    {{"th"}, false, "Windows-874", wxFONTENCODING_CP874, wxFONTENCODING_CP874},
    {{"ru", "bg", "uk"}, false, "Windows-1251", wxFONTENCODING_CP1251, wxFONTENCODING_CP1251},
    {{"pl", "cs", "hu", "ro", "sl"},
     false,
     "Windows-1250",
     wxFONTENCODING_CP1250,
     wxFONTENCODING_CP1250},
    {{"el"}, false, "Windows-1253", wxFONTENCODING_CP1253, wxFONTENCODING_CP1253},
    {{"he"}, false, "Windows-1255", wxFONTENCODING_CP1255, wxFONTENCODING_CP1255},
    {{"ar"}, false, "windows-1256", wxFONTENCODING_CP1256, wxFONTENCODING_CP1256},
    {{"tr"}, false, "windows-1254", wxFONTENCODING_CP1254, wxFONTENCODING_CP1254},
};

// Unlisted languages: the page says Windows-1252, but the font is left to the toolkit.
const LanguageRow kDefaultRow = {
    {}, false, "Windows-1252", wxFONTENCODING_DEFAULT, wxFONTENCODING_CP1252};

bool RowMatches(const LanguageRow& row, const CStdStr& language) {
    const CStdStr key = row.wholeCode ? language : language.Left(2);
    for (const char* code : row.codes) {
        if (code && key.EqualsNoCase(code))
            return true;
    }
    return false;
}

const LanguageRow& RowForLanguage(const CStdStr& language) {
    for (const LanguageRow& row : kLanguageRows) {
        if (RowMatches(row, language))
            return row;
    }
    return kDefaultRow;
}

} // namespace

CStdStr HexByte(int value) {
    if (static_cast<unsigned>(value) > 255)
        return CStdStr();
    return CStdStr::Formatted("%x%x", value / 16, value % 16);
}

CStdStr HtmlColour(const wxColour& colour) {
    return CStdStr::Formatted("\"#%s%s%s\"", HexByte(colour.Red()).c_str(),
                              HexByte(colour.Green()).c_str(), HexByte(colour.Blue()).c_str());
}

CStdStr CharsetForLanguage(const CStdStr& language) {
    return RowForLanguage(language).charset;
}

wxFontEncoding EncodingForLanguage(const CStdStr& language) {
    return RowForLanguage(language).fontEncoding;
}

wxFontEncoding CodePageForLanguage(const CStdStr& language) {
    return RowForLanguage(language).codePage;
}

CStdStr MakeHtmlPage(const CStdStr& language, const wxColour& textColour,
                     const wxColour& backgroundColour, const CStdStr& body) {
    return CStdStr::Formatted("<html><meta http-equiv=\"Content-Type\" content=\"text/html; "
                              "charset=%s\"><body leftmargin=\"0\" topmargin=\"0\" text=%s "
                              "bgcolor=%s>%s</body></html>",
                              CharsetForLanguage(language).c_str(), HtmlColour(textColour).c_str(),
                              HtmlColour(backgroundColour).c_str(), body.c_str());
}
