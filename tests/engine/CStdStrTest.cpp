#include "CStdStr.h"

#include <gtest/gtest.h>

TEST(CStdStrTest, FormatHasNoLengthLimit) {
    const std::string big(100000, 'x');
    CStdStr text;
    text.Format("[%s|%d]", big.c_str(), 42);
    EXPECT_EQ(text, "[" + big + "|42]");
}

TEST(CStdStrTest, CompareNoCaseLowersInTheCLocaleAndComparesSignedBytes) {
    EXPECT_EQ(CStdStr("Alpha").CompareNoCase("aLPHA"), 0);
    EXPECT_LT(CStdStr("alpha").CompareNoCase("Beta"), 0);
    EXPECT_GT(CStdStr("abc").CompareNoCase("ab"), 0);
    // 0xE4 is negative as a signed byte, so it sorts before plain ASCII.
    EXPECT_LT(CStdStr("\xE4").CompareNoCase("a"), 0);
    // No locale folding beyond ASCII.
    EXPECT_NE(CStdStr("\xC4").CompareNoCase("\xE4"), 0);
}

TEST(CStdStrTest, TrimRemovesTheSixCLocaleSpaces) {
    CStdStr text(" \t\n\v\f\rvalue \r\n");
    EXPECT_EQ(text.Trim(), "value");
    CStdStr keep("\xA0x\xA0");
    EXPECT_EQ(keep.Trim(), "\xA0x\xA0");
}

TEST(CStdStrTest, SubstringsClampToTheText) {
    const CStdStr text("abcdef");
    EXPECT_EQ(text.Left(2), "ab");
    EXPECT_EQ(text.Left(99), "abcdef");
    EXPECT_EQ(text.Right(2), "ef");
    EXPECT_EQ(text.Mid(4), "ef");
    EXPECT_EQ(text.Mid(1, 2), "bc");
    EXPECT_EQ(text.Mid(10, 2), "");
    EXPECT_EQ(text.Left(-1), "");
}

TEST(CStdStrTest, FindAndReplace) {
    CStdStr text("a%b%c");
    EXPECT_EQ(text.Find('%'), 1);
    EXPECT_EQ(text.Find('%', 2), 3);
    EXPECT_EQ(text.Find('z'), -1);
    EXPECT_EQ(text.Find('%', 99), -1);
    EXPECT_EQ(text.ReverseFind('%'), 3);
    EXPECT_EQ(text.Replace("%", "%%"), 2);
    EXPECT_EQ(text, "a%%b%%c");
    CStdStr path("a/b/c");
    EXPECT_EQ(path.Replace('/', '\\'), 2);
    EXPECT_EQ(path, "a\\b\\c");
}
