#include "PageText.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

wxString Utf8(const char* text) {
    return wxString::FromUTF8(text);
}

} // namespace

TEST(PageTextTest, TextsDecodeInTheirLanguagesCodePage) {
    const struct {
        const char* language;
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"ja", "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67",
         "日本語のテキスト"},
        {"ru", "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0", "Привет, мир"},
        {"de",
         "Gr\xfc\xdf"
         "e \x80",
         "Grüße €"},
        {"zh_TW", "\xa4\xa4\xa4\xe5", "中文"},
        {"zh_CN", "\xd6\xd0\xce\xc4", "中文"},
        {"ko", "\xc7\xd1\xb1\xb9\xbe\xee", "한국어"},
        {"el", "\xc5\xeb\xeb\xe7\xed\xe9\xea\xdc", "Ελληνικά"},
        {"pl", "Za\xbf\xf3\xb3\xe6", "Zażółć"},
        {"tr",
         "T\xfcrk\xe7"
         "e \xfe",
         "Türkçe ş"},
    };
    testing_support::LogCapture log;
    for (const auto& c : cases)
        EXPECT_EQ(PageText::Decode(c.language, c.bytes), Utf8(c.utf8)) << c.language;
    EXPECT_EQ(log.text(), "");
}

TEST(PageTextTest, EncodeReturnsTheCodePagesBytes) {
    EXPECT_EQ(PageText::Encode("ja", Utf8("日本語")), "\x93\xfa\x96\x7b\x8c\xea");
    EXPECT_EQ(PageText::Encode("ru", Utf8("Мир")), "\xcc\xe8\xf0");
    EXPECT_EQ(PageText::Encode("de", Utf8("Grüße")), "Gr\xfc\xdf"
                                                     "e");
    EXPECT_EQ(PageText::Encode("de", ""), "");
}

TEST(PageTextTest, BadBytesCostOneCharacterEachAndAreLogged) {
    testing_support::LogCapture log;
    // 0x81 is no character in Windows-1252; 0x82 without a trail byte is none in Shift-JIS.
    EXPECT_EQ(PageText::Decode("de", "A\x81"
                                     "B"),
              Utf8("A\xef\xbf\xbd"
                   "B"));
    EXPECT_EQ(PageText::Decode("ja", "\x93\xfa\x82"), Utf8("日\xef\xbf\xbd"));
    EXPECT_TRUE(log.contains("PageText::Decode: 1 character(s) not valid in"));
    EXPECT_TRUE(log.contains("(language \"ja\")"));
}

TEST(PageTextTest, CharactersTheCodePageLacksBecomeQuestionMarks) {
    testing_support::LogCapture log;
    EXPECT_EQ(PageText::Encode("ru", Utf8("Мир 日本")), "\xcc\xe8\xf0 ??");
    EXPECT_TRUE(log.contains("PageText::Encode: 2 character(s) not valid in"));
}
