#include "PageMarkup.h"

#include <gtest/gtest.h>

TEST(PageMarkupTest, HexByteGivesTwoLowerCaseDigitsOrNothing) {
    const struct {
        int value;
        const char* hex;
    } cases[] = {{0, "00"}, {10, "0a"}, {171, "ab"}, {255, "ff"}, {256, ""}, {-1, ""}, {-256, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(HexByte(c.value), c.hex) << c.value;
}

TEST(PageMarkupTest, HtmlColourIsQuotedRedGreenBlue) {
    EXPECT_EQ(HtmlColour(wxColour(236, 233, 216)), "\"#ece9d8\"");
    EXPECT_EQ(HtmlColour(wxColour(255, 255, 255)), "\"#ffffff\"");
    EXPECT_EQ(HtmlColour(wxColour(1, 2, 3)), "\"#010203\"");
}

TEST(PageMarkupTest, LanguageTestsPickCharsetAndFontEncoding) {
    const struct {
        const char* language;
        const char* charset;
        wxFontEncoding encoding;
    } cases[] = {
        {"ja", "Shift-JIS", wxFONTENCODING_CP932},
        {"JA", "Shift-JIS", wxFONTENCODING_CP932},
        {"ja_JP", "Shift-JIS", wxFONTENCODING_CP932},
        {"zh_TW", "Windows-950", wxFONTENCODING_CP950},
        {"zh_tw", "Windows-950", wxFONTENCODING_CP950},
        {"ZH_HK", "Windows-950", wxFONTENCODING_CP950},
        {"zh_TW_x", "Windows-936", wxFONTENCODING_CP936}, // the whole code must match
        {"zh_CN", "Windows-936", wxFONTENCODING_CP936},
        {"zh_SG", "Windows-936", wxFONTENCODING_CP936},
        {"zh", "Windows-936", wxFONTENCODING_CP936},
        {"ko", "Windows-949", wxFONTENCODING_CP949},
        {"th", "Windows-874", wxFONTENCODING_CP874},
        {"th_TH", "Windows-874", wxFONTENCODING_CP874},
        {"ru", "Windows-1251", wxFONTENCODING_CP1251},
        {"bg", "Windows-1251", wxFONTENCODING_CP1251},
        {"uk", "Windows-1251", wxFONTENCODING_CP1251},
        {"pl", "Windows-1250", wxFONTENCODING_CP1250},
        {"cs", "Windows-1250", wxFONTENCODING_CP1250},
        {"hu", "Windows-1250", wxFONTENCODING_CP1250},
        {"ro", "Windows-1250", wxFONTENCODING_CP1250},
        {"SL", "Windows-1250", wxFONTENCODING_CP1250},
        {"el", "Windows-1253", wxFONTENCODING_CP1253},
        {"he", "Windows-1255", wxFONTENCODING_CP1255},
        {"ar", "windows-1256", wxFONTENCODING_CP1256},
        {"tr", "windows-1254", wxFONTENCODING_CP1254},
        {"en", "Windows-1252", wxFONTENCODING_DEFAULT},
        {"de", "Windows-1252", wxFONTENCODING_DEFAULT},
        {"pt_BR", "Windows-1252", wxFONTENCODING_DEFAULT},
        {"", "Windows-1252", wxFONTENCODING_DEFAULT},
        {"x", "Windows-1252", wxFONTENCODING_DEFAULT},
        {"j", "Windows-1252", wxFONTENCODING_DEFAULT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CharsetForLanguage(c.language), c.charset) << c.language;
        EXPECT_EQ(EncodingForLanguage(c.language), c.encoding) << c.language;
    }
}

TEST(PageMarkupTest, UnlistedLanguagesAreWrittenInWindows1252) {
    EXPECT_EQ(CodePageForLanguage("de"), wxFONTENCODING_CP1252);
    EXPECT_EQ(CodePageForLanguage(""), wxFONTENCODING_CP1252);
    EXPECT_EQ(CodePageForLanguage("ja_JP"), wxFONTENCODING_CP932);
    EXPECT_EQ(CodePageForLanguage("zh_HK"), wxFONTENCODING_CP950);
}

TEST(PageMarkupTest, PageWrapsTheBodyInTheFixedSkeleton) {
    EXPECT_EQ(MakeHtmlPage("de", wxColour(0, 0, 0), wxColour(236, 233, 216), "Hallo"),
              "<html><meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=Windows-1252\"><body leftmargin=\"0\" topmargin=\"0\" text=\"#000000\" "
              "bgcolor=\"#ece9d8\">Hallo</body></html>");
    EXPECT_EQ(MakeHtmlPage("ar", wxColour(255, 255, 255), wxColour(0, 0, 0), ""),
              "<html><meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=windows-1256\"><body leftmargin=\"0\" topmargin=\"0\" text=\"#ffffff\" "
              "bgcolor=\"#000000\"></body></html>");
}

TEST(PageMarkupTest, BodyGoesInUnchanged) {
    const CStdStr body = "100% <b>sure</b> %s %d &amp; \x93\xfa";
    const CStdStr page = MakeHtmlPage("ja", wxColour(0, 0, 0), wxColour(255, 255, 255), body);
    EXPECT_NE(page.Find("charset=Shift-JIS"), -1);
    EXPECT_NE(page.Find((">" + body + "</body></html>").c_str()), -1);
}
