#include "GuardedFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(GuardedFormatTest, FillsTheFirstStringAndShowsEveryOtherConversionAsWritten) {
    const struct {
        const char* format;
        const char* argument;
        const char* expected;
    } cases[] = {
        {"Copying %s", "setup.exe", "Copying setup.exe"},
        {"%s", "", ""},
        {"No name here", "setup.exe", "No name here"},
        {"", "setup.exe", ""},
        {"100%% of %s", "a.inf", "100% of a.inf"},
        {"%%s is not a conversion", "a.inf", "%s is not a conversion"},
        // Only one argument exists: later conversions must not read a second one.
        {"%s and %s", "a.inf", "a.inf and %s"},
        {"%d %x %p %n %s", "a.inf", "%d %x %p %n a.inf"},
        {"%5s|%-3s|%ls|%s", "a.inf", "%5s|%-3s|%ls|a.inf"},
        {"Copying %s%%", "a", "Copying a%"},
        {"trailing %", "a", "trailing %"},
        {"%", "a", "%"},
        // The argument is never read as a format.
        {"Copying %s", "100%s %n %%.txt", "Copying 100%s %n %%.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(GuardedFormat(c.format, c.argument), c.expected);
    }
}

TEST(GuardedFormatTest, EscapesTheCharactersHtmlReadsAsMarkup) {
    EXPECT_EQ(EscapeHtmlText("R&D <draft> \"v2\".txt"), "R&amp;D &lt;draft&gt; \"v2\".txt");
    EXPECT_EQ(EscapeHtmlText("plain.inf"), "plain.inf");
}

} // namespace
