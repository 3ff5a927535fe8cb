#include "QuickIni.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const char* const kLangConv = "; language conversions\n"
                              "# another comment\n"
                              "en_US=wrong section\n"
                              "[Conversion]\n"
                              "en_US=en\n"
                              "  de_DE = \"de  \"  \r\n"
                              "=orphan\n"
                              "en_us=second\n"
                              "[ Spaced ]\n"
                              "k=spaced\n"
                              "[Other]\n"
                              "fr_FR=other\n"
                              "[conversion]\n"
                              "fr_FR=later\n"
                              "flag\n"
                              "[Last]";

} // namespace

TEST(QuickIniTest, FindsTheFirstMatchingEntry) {
    TempDir dir;
    writeFile(dir.file("LangConv.ini"), kLangConv);
    struct Case {
        const char* section;
        const char* name;
        bool found;
        const char* value;
    };
    const Case cases[] = {
        {"Conversion", "EN_us", true, "en"},
        {"CONVERSION", "de_DE", true, "de  "},
        {"Conversion", "fr_FR", true, "later"},
        {"Conversion", "flag", true, ""},
        {"Conversion", "missing", false, ""},
        {"Spaced", "k", false, ""},
        {" Spaced ", "k", true, "spaced"},
        {"Other", "fr_fr", true, "other"},
        {"Last", "x", false, ""},
    };
    for (const Case& c : cases) {
        CStdStr value = "stale";
        EXPECT_EQ(QuickReadIniString(dir.enginePath("LangConv.ini"), c.section, c.name, value),
                  c.found)
            << c.section << "/" << c.name;
        EXPECT_EQ(value, c.value) << c.section << "/" << c.name;
    }
}

TEST(QuickIniTest, ReadsUtf16Files) {
    TempDir dir;
    std::string bytes = "\xFF\xFE";
    for (const char ch : std::string("[Conversion]\r\nja_JP=ja\r\n")) {
        bytes += ch;
        bytes += '\0';
    }
    writeFile(dir.file("LangConv.ini"), bytes);
    CStdStr value;
    EXPECT_TRUE(QuickReadIniString(dir.enginePath("LangConv.ini"), "conversion", "JA_jp", value));
    EXPECT_EQ(value, "ja");
}

TEST(QuickIniTest, RefusesMissingArgumentsAndFiles) {
    TempDir dir;
    writeFile(dir.file("a.ini"), "[S]\nk=v\n");
    LogCapture capture;
    CStdStr value = "untouched";
    EXPECT_FALSE(QuickReadIniString("", "S", "k", value));
    EXPECT_FALSE(QuickReadIniString(dir.enginePath("a.ini"), "", "k", value));
    EXPECT_FALSE(QuickReadIniString(dir.enginePath("a.ini"), "S", "", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(capture.text(), "");

    const CStdStr missing = dir.enginePath("missing.ini");
    EXPECT_FALSE(QuickReadIniString(missing, "S", "k", value));
    EXPECT_TRUE(capture.contains("QuickIni.cpp:QuickReadIniString("));
    EXPECT_TRUE(capture.contains("): could not open file " + missing + " for writing.\n"));
}
