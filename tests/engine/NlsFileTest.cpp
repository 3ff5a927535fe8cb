#include "NlsFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "DebugLog.h"
#include "LanguageTable.h"
#include "TestSupport.h"
#include "platform/Locale.h"

using testing_support::LogCapture;
using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::utf16;
using testing_support::writeFile;

namespace {

// The user's locale as the three variables give it; null leaves one unset.
class Locale {
public:
    Locale(const char* all, const char* messages, const char* lang)
        : m_all("LC_ALL", all), m_messages("LC_MESSAGES", messages), m_lang("LANG", lang) {}
    explicit Locale(const char* lang) : Locale(nullptr, nullptr, lang) {}

private:
    ScopedEnvironment m_all;
    ScopedEnvironment m_messages;
    ScopedEnvironment m_lang;
};

class LoggerMask {
public:
    explicit LoggerMask(std::uint32_t mask) : m_saved(theDebugLogger) {
        theDebugLogger = DebugLogger(mask);
    }
    ~LoggerMask() { theDebugLogger = m_saved; }

private:
    DebugLogger m_saved;
};

// A literal with the NUL bytes inside it.
template <size_t N> std::string bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

CStdStringList listOf(std::initializer_list<const char*> names) {
    CStdStringList list(SORTED_UNIQUE);
    for (const char* name : names)
        list.add(name);
    return list;
}

std::string join(const CStdStringList& list) {
    std::string text;
    for (const CStdStr& name : list)
        text += (text.empty() ? "" : ",") + name;
    return text;
}

// A language folder built by the test: files by name and content.
class LanguageFolder {
public:
    void add(const std::string& name, const std::string& content) {
        writeFile(m_dir.file(name), content);
    }
    PathObject folder() const {
        PathObject path;
        path.setDirectory(m_dir.enginePath());
        return path;
    }
    bool initialize(const char* requested) {
        return NlsFile::InitializeFromFiles(folder(), requested);
    }

private:
    TempDir m_dir;
};

} // namespace

// --- locale tables ---

TEST(LanguageTableTest, HoldsEveryLanguageWithItsCodePage) {
    // ISO code = code page of rows 1 to 114, in order.
    const char* const expected =
        "af=1252 sq=1250 am=-1 ar=1256 hy=0 as=-1 az=-1 az=-1 eu=1252 bn=-1 bg=1251 my=-1 "
        "be=1251 km=-1 ca=1252 zh=936 zh_HK=950 zh_TW=950 hr=1250 cs=1250 da=1252 nl=1252 "
        "en=1252 et=1257 fo=1252 fa=1256 fi=1252 fr=1252 fy=-1 gl=1252 gd=-1 gd=-1 ka=0 "
        "de=1252 el=1253 el=1253 gn=-1 gu=0 ha=-1 he=1255 iw=1255 hi=0 hu=1250 is=1252 "
        "id=1252 in=1252 iu=-1 ga=-1 ga=-1 it=1252 ja=932 kn=0 ks=-1 kk=1251 ky=1251 ko=949 "
        "lo=-1 la=-1 lv=1257 lt=1257 mk=-1 ms=1252 ms=1252 ml=-1 mt=-1 mr=0 mn=1251 mn=1251 "
        "ne=-1 no=1252 or=-1 om=-1 ps=-1 pl=1250 pt=1252 pt_BR=1252 pt_PT=1252 pa=0 rm=-1 "
        "ro=-1 ru=1251 sa=0 sr=-1 sr=1250 sr=1251 sd=-1 si=-1 sk=1250 sl=1250 so=-1 es=1252 "
        "sw=1252 sv=1252 tl=-1 tg=-1 ta=0 tt=1251 te=0 th=874 bo=-1 ti=-1 ts=431 tr=1254 "
        "tk=-1 uk=1251 ur=1256 uz=1254 vi=1258 cy=-1 xh=-1 yi=-1 ji=-1 yo=-1 zu=-1";
    std::string actual;
    for (int row = 1; row < LANGUAGE_TABLE_ROWS; ++row) {
        actual += std::string(row > 1 ? " " : "") + languageTableCell(row, 1) + "=" +
                  languageTableCell(row, 4);
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(languageTableCell(LANGUAGE_TABLE_ROWS, 0), nullptr);
    EXPECT_EQ(languageTableCell(0, 5), nullptr);

    struct Row {
        int row;
        std::vector<std::string> cells;
    };
    const Row rows[] = {
        {0, {"Language", "ISO Code", "Win Code", "Mac Code", "CodePage"}},
        {1, {"Afrikaans", "af", "0x36", "141", "1252"}},
        {5, {"Armenian", "hy", "0x2b", "51", "0"}},
        {17, {"Chinese (Traditional)", "zh_HK", "0x0404", "19", "950"}},
        {41, {"Hebrew", "iw", "0x0d", "10", "1255"}},
        {76, {"Portuguese (Brazil)", "pt_BR", "0x416", "8", "1252"}},
        {85, {"Serbian", "sr", "0x0c1a", "42", "1251"}},
        {102, {"Tsonga", "ts", "0x31", "-1", "431"}},
        {114, {"Zulu", "zu", "0x35 ", "-1", "-1"}},
    };
    for (const Row& row : rows) {
        for (unsigned column = 0; column < 5; ++column)
            EXPECT_EQ(languageTableCell(row.row, column), row.cells[column]) << row.row;
    }
}

TEST(LanguageTableTest, GetLanguageInfoMatchesCodesIgnoringCaseAndFallsBackToTheLanguage) {
    struct Case {
        const char* code;
        unsigned column;
        const char* expected;
    };
    const Case cases[] = {
        {"zh_TW", 4, "950"},   {"zh_CN", 4, "936"},    {"en_US", 4, "1252"},  {"sr", 4, "-1"},
        {"ZH_tw", 1, "zh_TW"}, {"de_DE", 0, "German"}, {"pt_BR", 2, "0x416"}, {"pt_AO", 2, "0x16"},
        {"zu", 2, "0x35 "},    {"en", 5, ""},          {"xx_YY", 4, ""},      {"e", 4, ""},
        {"", 4, ""},           {"iw_IL", 3, "10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetLanguageInfo(c.code, c.column), c.expected) << c.code << " " << c.column;
}

TEST(LanguageTableTest, TranslatesLanguageIdentifiers) {
    struct Case {
        int langId;
        const char* locale;
        int number;
    };
    const Case cases[] = {
        {1031, "de_DE", 2},  {1033, "en_US", 0},  {1025, "ar_SA", 0},  {1027, "ca_AD", 39},
        {2057, "en_UK", 0},  {1044, "no_NO", 6},  {2068, "no_NO", 45}, {2074, "sr_YU", 30},
        {3098, "sr_YU", 31}, {1057, "in", 35},    {3084, "fr_CA", 1},  {1046, "pt_BR", 21},
        {2070, "pt_PT", 10}, {4100, "zh_SG", 13}, {3076, "zh_HK", 14}, {20490, "es_PR", 28},
        {0, "en_US", 0},     {-1, "en_US", 0},    {65535, "en_US", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LangIdToLocaleName(c.langId), c.locale) << c.langId;
        EXPECT_EQ(LangIdToLanguageNumber(c.langId), c.number) << c.langId;
    }
}

TEST(LanguageTableTest, LocaleNamesMapBackToTheFirstIdentifier) {
    struct Case {
        const char* locale;
        int langId;
    };
    const Case cases[] = {
        {"de_DE", 1031}, {"DE_de", 1031}, {"en_US", 1033}, {"en_IN", 1033}, {"en", 1033},
        {"es_ES", 1034}, {"ko_KR", 1042}, {"no_NO", 1044}, {"sr_YU", 2074}, {"en_JM", 8201},
        {"de_BE", 1031}, {"zh_CN", 2052}, {"in", 1057},    {"xx_YY", 0},    {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocaleNameToLangId(c.locale), c.langId) << c.locale;
}

// --- the user's locale ---

TEST(UserLocaleTest, ComesFromTheEnvironment) {
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        const char* systemLocale;
        int langId;
        int number;
    };
    const Case cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", "de_DE", 1031, 2},
        {"C", nullptr, "de_DE.UTF-8", "en_US", 1033, 0},
        {"POSIX", nullptr, nullptr, "en_US", 1033, 0},
        {nullptr, nullptr, "C.UTF-8", "en_US", 1033, 0},
        {nullptr, nullptr, nullptr, "en_US", 1033, 0},
        {"", "fr_CA.UTF-8", "de_DE", "fr_CA", 3084, 1},
        {nullptr, nullptr, "pt_BR", "pt_BR", 1046, 21},
        {nullptr, nullptr, "de", "de_DE", 1031, 2},
        {nullptr, nullptr, "en_GB.UTF-8", "en_GB", 2057, 0},
        {nullptr, nullptr, "nn_NO.UTF-8", "nn_NO", 2068, 45},
        {nullptr, nullptr, "sr_RS@latin", "sr_RS", 2074, 30},
        {nullptr, nullptr, "ar_SA.UTF-8", "ar_SA", 1025, 0},
        {nullptr, nullptr, "zh_TW.Big5", "zh_TW", 1028, 14},
        {nullptr, nullptr, "ast_ES.UTF-8", "en_US", 1033, 0},
        {nullptr, nullptr, "garbage", "en_US", 1033, 0},
        {nullptr, nullptr, "xx_YY", "xx_YY", 1033, 0},
    };
    for (const Case& c : cases) {
        Locale locale(c.all, c.messages, c.lang);
        const std::string label = c.lang ? c.lang : "(unset)";
        EXPECT_EQ(GetSystemLocaleName(), c.systemLocale) << label;
        EXPECT_EQ(platform::userDefaultLangId(), c.langId) << label;
        EXPECT_EQ(GetUserLanguageNumber(), c.number) << label;
        EXPECT_EQ(GetUserLocaleName(), LangIdToLocaleName(c.langId)) << label;
    }
}

TEST(UserLocaleTest, IsoNamesOfOtherLanguagesComeFromTheMap) {
    Locale locale("C");
    CStdStr name;
    EXPECT_TRUE(platform::localeIsoName(3084, platform::LOCALE_ISO639_LANGUAGE_NAME, name));
    EXPECT_EQ(name, "fr");
    EXPECT_TRUE(platform::localeIsoName(3084, platform::LOCALE_ISO3166_COUNTRY_NAME, name));
    EXPECT_EQ(name, "CA");
    EXPECT_FALSE(platform::localeIsoName(1057, platform::LOCALE_ISO3166_COUNTRY_NAME, name));
    EXPECT_FALSE(platform::localeIsoName(4711, platform::LOCALE_ISO639_LANGUAGE_NAME, name));
    EXPECT_FALSE(platform::localeIsoName(1033, 0x1001, name));
}

// --- choosing a language ---

TEST(ChooseLanguageTest, PrefersTheNameThenItsEquivalentsThenItsLanguage) {
    Locale locale("de_DE.UTF-8");
    struct Case {
        std::initializer_list<const char*> available;
        const char* wanted;
        const char* chosen;
        const char* orDefault;
    };
    const Case cases[] = {
        {{"pt", "en"}, "pt_BR", "pt", "pt"},
        {{"zh_HK"}, "zh_TW", "zh_HK", "zh_HK"},
        {{"zh_TW", "zh"}, "zh_HK", "zh_TW", "zh_TW"},
        {{"zh"}, "zh_TW", "zh", "zh"},
        {{"no"}, "nb_NO", "no", "no"},
        {{"nn", "no"}, "nb", "nn", "nn"},
        {{"iw"}, "he_IL", "iw", "iw"},
        {{"de", "en"}, "DE_de", "DE", "DE"},
        {{"de", "en"}, "", "de", "de"},
        {{"de", "en"}, "pt_", "", "en"},
        {{"en"}, "fr", "", "en"},
        {{"x"}, "en", "", "x"},
        {{"b", "a"}, "fr_FR", "", "a"},
        {{}, "fr", "", "en"},
        {{"fr"}, "fr_CA_x", "fr", "fr"},
        {{"fr"}, "f_CA", "", "fr"},
    };
    for (const Case& c : cases) {
        const CStdStringList available = listOf(c.available);
        EXPECT_EQ(ChooseLanguage(available, c.wanted), c.chosen) << c.wanted;
        EXPECT_EQ(ChooseLanguageOrDefault(available, c.wanted), c.orDefault) << c.wanted;
    }
}

// --- loading the texts ---

TEST(NlsFileTest, LoadsTheUserLanguageWithCommonAndOemOverIt) {
    Locale locale("de_DE.UTF-8");
    LanguageFolder nls;
    nls.add("de.nls", "[Global]\nTitle=Einrichtung\nOnlyDe=ja\nShared=de\n[Dialog]\nTitle=Inst\n");
    nls.add("en.nls", "[Global]\nTitle=Setup\nShared=en\n");
    nls.add("Common.nls", "[Global]\nShared=common\nCommonOnly=c\n");
    nls.add("OEM.nls", "[global]\nshared=oem\n");
    ASSERT_TRUE(nls.initialize(""));
    EXPECT_EQ(NlsFile::GetCurrentLanguage(), "de");
    EXPECT_EQ(join(NlsFile::GetAvailableLanguages()), "de,en");
    EXPECT_EQ(NlsFile::GetText("Title"), "Einrichtung");
    EXPECT_EQ(NlsFile::GetText("Dialog.Title"), "Inst");
    EXPECT_EQ(NlsFile::GetText("Shared"), "oem");
    EXPECT_EQ(NlsFile::GetText("CommonOnly"), "c");
    EXPECT_EQ(theTextStore.GetFileName(), nls.folder().getDirectory() + "\\de.nls");

    // A second run starts the language's texts afresh.
    ASSERT_TRUE(nls.initialize("en"));
    EXPECT_EQ(NlsFile::GetCurrentLanguage(), "en");
    EXPECT_EQ(NlsFile::GetText("Title"), "Setup");
    EXPECT_EQ(NlsFile::GetText("OnlyDe"), "");
    EXPECT_EQ(NlsFile::GetText("Shared"), "oem");
}

TEST(NlsFileTest, ChoosesTheFileForTheRequest) {
    Locale locale("C");
    struct Case {
        std::vector<const char*> files;
        const char* langConv;
        const char* requested;
        const char* current;
        const char* available;
    };
    const Case cases[] = {
        {{"pt_BR.nls", "pt.nls"}, nullptr, "1046", "pt_BR", "pt,pt_BR"},
        {{"pt_BR.nls", "pt.nls"}, nullptr, " +1046 and more", "pt_BR", "pt,pt_BR"},
        {{"de.nls", "en.nls"}, nullptr, "-5", "en", "de,en"},
        {{"de.nls", "en.nls"}, nullptr, "99999999999999", "en", "de,en"},
        {{"fr.nls", "en.nls"}, "[Conversion]\nfr_CA=fr\n", "fr_CA", "fr", "en,fr"},
        {{"fr.nls", "de.nls"}, "[conversion]\nFR_ca = de\n", "fr_CA", "de", "de,fr"},
        // The conversion is used as it stands, even when it is a number.
        {{"de.nls", "en.nls"}, "[Conversion]\nde_DE=1031\n", "de_DE", "en", "de,en"},
        {{"de.nls", "en.nls"}, "[Other]\nde_DE=en\n", "de_DE", "de", "de,en"},
        {{"de.nls", "en.nls"},
         "\x01\x02garbage\n=\n[\n[Conversion\nde_DE=en",
         "de_DE",
         "de",
         "de,en"},
        {{"de.nls", "en.nls"}, "\xFF\xFE[Conversion]\nde_DE=en\n", "de_DE", "de", "de,en"},
        {{"Common.nls", "OEM.nls", "x.nls"}, nullptr, "en", "x", "x"},
        {{".nls", "common.NLS", "en.nls"}, nullptr, "fr", "en", "en"},
        {{"DE.nls", "de.old.nls", "en.nls"}, nullptr, "de_AT", "de", "DE,en"},
        {{"readme.txt"}, nullptr, "de", "en", ""},
    };
    for (const Case& c : cases) {
        LanguageFolder nls;
        for (const char* file : c.files)
            nls.add(file, std::string("[Global]\nFile=") + file + "\n");
        if (c.langConv)
            nls.add("LangConv.ini", c.langConv);
        ASSERT_TRUE(nls.initialize(c.requested)) << c.requested;
        EXPECT_EQ(NlsFile::GetCurrentLanguage(), c.current) << c.requested;
        EXPECT_EQ(join(NlsFile::GetAvailableLanguages()), c.available) << c.requested;
    }
}

TEST(NlsFileTest, ReportsConversionsAndMissingFilesOnly) {
    LoggerMask mask(1);
    LanguageFolder nls;
    nls.add("fr.nls", "[Global]\nTitle=Installation\n");
    nls.add("LangConv.ini", "[Conversion]\nfr_CA=fr\n");
    LogCapture log;
    ASSERT_TRUE(nls.initialize("fr_CA"));
    EXPECT_TRUE(log.contains("- Passed in language: fr_CA, using language fr")) << log.text();
    EXPECT_TRUE(log.contains("Common.nls could not be opened for read.")) << log.text();
    EXPECT_TRUE(log.contains("OEM.nls could not be opened for read.")) << log.text();
    EXPECT_FALSE(log.contains("fr.nls could not be opened")) << log.text();

    // Without LangConv.ini and without any language file: English, and a
    // message about the missing file only.
    LanguageFolder empty;
    log.clear();
    ASSERT_TRUE(empty.initialize("fr_CA"));
    EXPECT_EQ(NlsFile::GetCurrentLanguage(), "en");
    EXPECT_TRUE(log.contains("en.nls could not be opened for read.")) << log.text();
    EXPECT_FALSE(log.contains("LangConv.ini")) << log.text();
    EXPECT_FALSE(log.contains("Passed in language")) << log.text();
    EXPECT_EQ(NlsFile::GetText("Title"), "");
}

TEST(NlsFileTest, GetTextSplitsKeysAtTheFirstDot) {
    LanguageFolder nls;
    nls.add("en.nls", "[Global]\nTitle=Setup\n.Hidden=dotted\nLines=Line1\\nLine2\\n\\\\n\n"
                      "Empty=\n[Dialog]\nTitle=Install\n=orphan\n[a]\nb.c=nested\n"
                      "[.x]\ny=unreachable\n");
    ASSERT_TRUE(nls.initialize("en"));
    struct Case {
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"Title", "Setup"},
        {"Dialog.Title", "Install"},
        {"dialog.TITLE", "Install"},
        {"Global.Title", "Setup"},
        {".Hidden", "dotted"},
        {"a.b.c", "nested"},
        {"Dialog.", ""},
        {"Missing", ""},
        {"Nowhere.Title", ""},
        {".x.y", ""},
        {"Empty", ""},
        {"", ""},
        {"Lines", "Line1\nLine2\n\\\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NlsFile::GetText(c.key), c.text) << c.key;
}

TEST(NlsFileTest, IsTextDefinedRefusesPlaceholdersOnly) {
    struct Case {
        const char* text;
        bool defined;
    };
    const Case cases[] = {
        {"#DefaultFont#", false}, {"##", false},    {"#", true},      {"", true},
        {"Arial", true},          {"#Arial", true}, {"Arial#", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NlsFile::IsTextDefined(c.text), c.defined) << c.text;
}

TEST(NlsFileTest, ReadsOddlyEncodedAndDamagedFiles) {
    struct Case {
        const char* what;
        std::string content;
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"UTF-16LE",
         "\xFF\xFE" + utf16("[Global]\r\nTitle=Gr\xFC\xDF"
                            "e\r\n"),
         "Title",
         "Gr\xFC\xDF"
         "e"},
        {"UTF-16LE, odd length", "\xFF\xFE" + utf16("[Global]\nTitle=x\n") + "\x41", "Title", "x"},
        {"ANSI",
         "[Global]\nTitle=Gr\xFC\xDF"
         "e\n",
         "Title",
         "Gr\xFC\xDF"
         "e"},
        {"no line end", "[Global]\nTitle=last", "Title", "last"},
        {"CR LF", "[Global]\r\nTitle=crlf\r\n", "Title", "crlf"},
        {"NUL bytes", bytes("[Global]\nBad=a\0b\nTitle=after\n"), "Title", "after"},
        {"empty", "", "Title", ""},
        {"mark only", "\xFF\xFE", "Title", ""},
        {"binary", bytes("\x00\x01\x02\xFF\n\x7F["), "Title", ""},
    };
    for (const Case& c : cases) {
        Locale locale(nullptr, nullptr, "en_US.ISO-8859-1");
        LanguageFolder nls;
        nls.add("en.nls", c.content);
        ASSERT_TRUE(nls.initialize("en")) << c.what;
        EXPECT_EQ(NlsFile::GetText(c.key), c.text) << c.what;
    }
}

TEST(NlsFileTest, LoadsAHugeFileQuickly) {
    std::string content = "[Global]\n";
    for (int i = 0; i < 100000; ++i)
        content += "Key" + std::to_string(i) + "=Value number " + std::to_string(i) + "\n";
    content += "Long=" + std::string(1 << 20, 'x') + "\n";
    LanguageFolder nls;
    nls.add("en.nls", content);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(nls.initialize("en"));
    EXPECT_EQ(NlsFile::GetText("Key99999"), "Value number 99999");
    EXPECT_EQ(NlsFile::GetText("Long").size(), size_t(1) << 20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
