#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

using testing_support::ScopedEnvironment;

TEST(CodePageTest, LocaleChoosesTheWindowsCodePage) {
    const std::pair<const char*, int> cases[] = {
        {"C", 1252},          {"POSIX", 1252}, {"en_US.UTF-8", 1252}, {"de_DE", 1252},
        {"ja_JP.UTF-8", 932}, {"ru_RU", 1251}, {"pl_PL", 1250},       {"zh_CN", 936},
        {"zh_TW", 950},       {"ko_KR", 949},  {"el_GR", 1253},       {"tr_TR", 1254},
    };
    for (const auto& [locale, codePage] : cases) {
        ScopedEnvironment localeSetting("LC_ALL", locale);
        EXPECT_EQ(platform::ansiCodePage(), codePage) << locale;
    }
}

TEST(CodePageTest, RoundTripsThroughTheLocaleCodePage) {
    struct Case {
        const char* locale;
        std::u16string wide;
        std::string bytes;
    };
    const Case cases[] = {
        {"de_DE", u"Gr\u00FC\u00DFe \u20AC",
         "Gr\xFC\xDF"
         "e \x80"},
        {"ja_JP", u"\u65E5\u672C", "\x93\xFA\x96\x7B"},
        {"ru_RU", u"\u041C\u0438\u0440", "\xCC\xE8\xF0"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment localeSetting("LC_ALL", c.locale);
        EXPECT_EQ(platform::wideToAnsi(c.wide), c.bytes) << c.locale;
        EXPECT_EQ(platform::ansiToWide(c.bytes), c.wide) << c.locale;
    }
}

TEST(CodePageTest, UnmappableAndInvalidInputIsReplacedNotDropped) {
    ScopedEnvironment localeSetting("LC_ALL", "en_US");
    EXPECT_EQ(platform::wideToAnsi(u"a\u65E5b"), "a?b");
    // A lone surrogate is no character.
    EXPECT_EQ(platform::wideToAnsi(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x?y");
    EXPECT_EQ(platform::codePageToWide("\x81\x20", 932), u"\uFFFD ");
    EXPECT_EQ(platform::codePageToWide("ok\x82", 932), u"ok\uFFFD");
    EXPECT_EQ(platform::wideToAnsi(u""), "");
}
