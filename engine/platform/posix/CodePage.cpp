#include "../CodePage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>

namespace platform {
namespace {

struct LanguageCodePage {
    const char* language; // locale prefix, longest first where prefixes overlap
    int codePage;
};

const LanguageCodePage kCodePages[] = {
    {"ja", 932},  {"zh_CN", 936}, {"zh_SG", 936}, {"zh", 950},  {"ko", 949},  {"th", 874},
    {"ru", 1251}, {"uk", 1251},   {"bg", 1251},   {"be", 1251}, {"mk", 1251}, {"kk", 1251},
    {"sr", 1251}, {"pl", 1250},   {"cs", 1250},   {"sk", 1250}, {"hu", 1250}, {"hr", 1250},
    {"ro", 1250}, {"sl", 1250},   {"sq", 1250},   {"bs", 1250}, {"el", 1253}, {"tr", 1254},
    {"az", 1254}, {"he", 1255},   {"iw", 1255},   {"ar", 1256}, {"fa", 1256}, {"ur", 1256},
    {"et", 1257}, {"lv", 1257},   {"lt", 1257},   {"vi", 1258},
};

const char* localeName() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

const char* iconvName(int codePage) {
    switch (codePage) {
    case 932:
        return "CP932";
    case 936:
        return "GBK";
    case 949:
        return "CP949";
    case 950:
        return "BIG5";
    case 874:
        return "CP874";
    case 65001:
        return "UTF-8";
    default:
        return nullptr;
    }
}

// The descriptors are closed at exit: a leak checker then finds none left open.
struct ConverterCache : std::map<std::pair<int, bool>, iconv_t> {
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (const auto& entry : *this) {
            if (entry.second != reinterpret_cast<iconv_t>(-1))
                ::iconv_close(entry.second);
        }
    }
};

// One descriptor per direction and code page, opened on first use.
iconv_t converter(int codePage, bool toWide) {
    static ConverterCache cache;
    const auto key = std::make_pair(codePage, toWide);
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    std::string name;
    if (const char* special = iconvName(codePage))
        name = special;
    else
        name = "CP" + std::to_string(codePage);
    iconv_t cd =
        toWide ? ::iconv_open("UTF-16LE", name.c_str()) : ::iconv_open(name.c_str(), "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = toWide ? ::iconv_open("UTF-16LE", "CP1252") : ::iconv_open("CP1252", "UTF-16LE");
    cache.emplace(key, cd);
    return cd;
}

// Runs iconv over the input, replacing what cannot be converted and skipping
// one input step (a byte, or a UTF-16 unit) each time.
std::string convert(iconv_t cd, const char* input, size_t inputSize, size_t skip,
                    const std::string& replacement) {
    std::string output;
    if (cd == reinterpret_cast<iconv_t>(-1))
        return output;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input);
    size_t inLeft = inputSize;
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof(buffer);
        const size_t result = ::iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<size_t>(out - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a sequence cut off at the end): replace and step over.
        const size_t step = inLeft < skip ? inLeft : skip;
        in += step;
        inLeft -= step;
        output += replacement;
    }
    char* out = buffer;
    size_t outLeft = sizeof(buffer);
    ::iconv(cd, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, static_cast<size_t>(out - buffer));
    return output;
}

} // namespace

int ansiCodePage() {
    const char* locale = localeName();
    for (const LanguageCodePage& entry : kCodePages) {
        if (std::strncmp(locale, entry.language, std::strlen(entry.language)) == 0)
            return entry.codePage;
    }
    return 1252;
}

CStdStr wideToCodePage(const std::u16string& units, int codePage) {
    return CStdStr(convert(converter(codePage, false), reinterpret_cast<const char*>(units.data()),
                           units.size() * 2, 2, "?"));
}

std::u16string codePageToWide(const CStdStr& text, int codePage) {
    const std::string bytes =
        convert(converter(codePage, true), text.data(), text.size(), 1, std::string("\xFD\xFF", 2));
    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(&units[0], bytes.data(), units.size() * 2);
    return units;
}

CStdStr wideToAnsi(const std::u16string& units) {
    return wideToCodePage(units, ansiCodePage());
}

std::u16string ansiToWide(const CStdStr& text) {
    return codePageToWide(text, ansiCodePage());
}

} // namespace platform
