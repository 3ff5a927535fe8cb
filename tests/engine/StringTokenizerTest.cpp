#include "StringTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<CStdStr> split(const char* text, char delimiter, int flags) {
    StringTokenizer tokenizer(text, delimiter, flags);
    std::vector<CStdStr> tokens{"stale"};
    tokenizer.SplitAll(tokens);
    return tokens;
}

} // namespace

TEST(StringTokenizerTest, SplitsAsTheCallersNeed) {
    struct Case {
        const char* text;
        char delimiter;
        int flags;
        std::vector<CStdStr> tokens;
    };
    const Case cases[] = {
        {"6.1.7601.17514", '.', 0, {"6", "1", "7601", "17514"}},
        {"a;;b", ';', 0, {"a", "", "b"}},
        {"a;", ';', 0, {"a"}},
        {"", ';', 0, {}},
        {" a ; b ", ';', TOKEN_TRIM_LEADING, {"a", "b "}},
        {" a ; b ", ';', 0, {" a", "b "}},
        {"   ", ';', TOKEN_TRIM_LEADING, {}},
        {"   ", ';', 0, {"   "}},
        {"\"C:\\Program Files\\x.exe\" -p", ' ', TOKEN_QUOTES, {"C:\\Program Files\\x.exe", "-p"}},
        {"\"C:\\Program Files\\x.exe\" -p", ' ', 0, {"\"C:\\Program", "Files\\x.exe\"", "-p"}},
        {"prog  -a   -b", ' ', 0, {"prog", "-a", "-b"}},
        {"'a b' c", ' ', TOKEN_QUOTES, {"a b", "c"}},
        {"\"a;b\";c", ';', TOKEN_QUOTES, {"a;b", "c"}},
        {"\"unclosed a", ' ', TOKEN_QUOTES, {"\"unclosed", "a"}},
        {"\"a\"b;c", ';', TOKEN_QUOTES, {"\"a\"b", "c"}},
        {"'mixed\" x", ' ', TOKEN_QUOTES, {"'mixed\"", "x"}},
        {"\"\" x", ' ', TOKEN_QUOTES, {"", "x"}},
        {"\"", ' ', TOKEN_QUOTES, {"\""}},
        {"\"last one\"", ' ', TOKEN_QUOTES, {"last one"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split(c.text, c.delimiter, c.flags), c.tokens) << c.text;
}

TEST(StringTokenizerTest, NextReportsTheEndAndClearsTheToken) {
    StringTokenizer tokenizer(CStdStr("x;y"), ';', 0);
    CStdStr token;
    EXPECT_TRUE(tokenizer.HasMore());
    EXPECT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(token, "x");
    EXPECT_TRUE(tokenizer.Next(token));
    EXPECT_EQ(token, "y");
    EXPECT_FALSE(tokenizer.HasMore());
    EXPECT_FALSE(tokenizer.Next(token));
    EXPECT_EQ(token, "");
}
