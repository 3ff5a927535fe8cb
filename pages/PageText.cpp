#include "PageText.h"

#include <map>
#include <memory>

#include <wx/fontmap.h>
#include <wx/strconv.h>

#include "DebugLog.h"
#include "PageMarkup.h"

namespace {

// The code pages are single- or double-byte: a character is one or two bytes.
const size_t kLongestCharacter = 2;

bool DecodeOne(const wxMBConv& conv, const char* bytes, size_t length, wxString& out) {
    wchar_t chars[4];
    const size_t count = conv.ToWChar(chars, WXSIZEOF(chars), bytes, length);
    if (count == wxCONV_FAILED || count == 0)
        return false;
    out.append(chars, count);
    return true;
}

// Character by character, so one bad byte costs one character and not the whole text.
wxString DecodeLeniently(const wxMBConv& conv, const CStdStr& text, size_t& replaced) {
    wxString out;
    size_t at = 0;
    while (at < text.size()) {
        size_t used = 0;
        for (size_t length = 1; length <= kLongestCharacter && at + length <= text.size();
             ++length) {
            if (DecodeOne(conv, text.data() + at, length, out)) {
                used = length;
                break;
            }
        }
        if (used == 0) {
            out += wxUniChar(0xFFFD);
            ++replaced;
            used = 1;
        }
        at += used;
    }
    return out;
}

CStdStr EncodeLeniently(const wxMBConv& conv, const wxString& text, size_t& replaced) {
    CStdStr out;
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it) {
        // Named: the converted bytes live in the string and go with it.
        const wxString character(*it);
        const wxScopedCharBuffer bytes = character.mb_str(conv);
        if (bytes.length() == 0) {
            out += '?';
            ++replaced;
        } else {
            out.append(bytes.data(), bytes.length());
        }
    }
    return out;
}

void LogReplaced(const char* method, size_t replaced, const CStdStr& language,
                 wxFontEncoding codePage) {
    theDebugLog << "PageText::" << method << ": " << replaced << " character(s) not valid in "
                << wxFontMapper::GetEncodingName(codePage).utf8_str().data() << " (language \""
                << language << "\") were replaced." << std::endl;
}

// Making a converter costs more than most conversions, and every file of a copy is named on
// the page: one converter per code page serves the whole run.
const wxCSConv& ConverterFor(wxFontEncoding codePage) {
    static std::map<wxFontEncoding, std::unique_ptr<wxCSConv>> converters;
    std::unique_ptr<wxCSConv>& converter = converters[codePage];
    if (!converter)
        converter = std::make_unique<wxCSConv>(codePage);
    return *converter;
}

} // namespace

namespace PageText {

wxString Decode(const CStdStr& language, const CStdStr& text) {
    if (text.empty())
        return wxString();
    const wxFontEncoding codePage = CodePageForLanguage(language);
    const wxCSConv& conv = ConverterFor(codePage);
    const wxString whole(text.data(), conv, text.size());
    if (!whole.empty())
        return whole;
    size_t replaced = 0;
    const wxString lenient = DecodeLeniently(conv, text, replaced);
    if (replaced > 0)
        LogReplaced("Decode", replaced, language, codePage);
    return lenient;
}

CStdStr Encode(const CStdStr& language, const wxString& text) {
    if (text.empty())
        return CStdStr();
    const wxFontEncoding codePage = CodePageForLanguage(language);
    const wxCSConv& conv = ConverterFor(codePage);
    const wxScopedCharBuffer whole = text.mb_str(conv);
    if (whole.length() > 0)
        return CStdStr(whole.data(), whole.length());
    size_t replaced = 0;
    const CStdStr lenient = EncodeLeniently(conv, text, replaced);
    if (replaced > 0)
        LogReplaced("Encode", replaced, language, codePage);
    return lenient;
}

} // namespace PageText
