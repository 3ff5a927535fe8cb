#include "IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "TextFile.h"

using testing_support::LogCapture;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs distinctEntries(IniSection& section) {
    Pairs pairs;
    CStdStr name;
    CStdStr value;
    for (section.Rewind(); section.GetCurrentValue(name, value); section.Next())
        pairs.emplace_back(name, value);
    return pairs;
}

// Walks the assignments without Next's effect on the plain cursor mattering.
Pairs allAssignments(IniSection& section) {
    Pairs pairs;
    CStdStr name;
    CStdStr value;
    while (section.GetCurrentValueWithDups(name, value)) {
        pairs.emplace_back(name, value);
        section.Next();
    }
    return pairs;
}

std::string utf16(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char ch : ascii) {
        bytes += ch;
        bytes += '\0';
    }
    return bytes;
}

const char* const kSetup = "[ Setup ]\n"
                           "; comment\n"
                           "# comment\n"
                           "\n"
                           "   App_Title = Printer driver ; not a comment  \n"
                           "Quoted=\"  two blanks  \"\n"
                           "ThreeQuotes=\"a\"b\"\n"
                           "Lone=\"\n"
                           "Half=\"open\n"
                           "Empty=\n"
                           "Bare\n"
                           "Path=C:\\a=b\n"
                           "[Sec] ; note\n"
                           "spaced name = v\n"
                           "[unclosed=x\n"
                           "[setup]\n"
                           "Later=yes\n"
                           "[Other]\r\n"
                           "App_Title=other\r\n";

} // namespace

TEST(IniFileTest, SyntaxOfLinesAndHeaders) {
    TempDir dir;
    writeFile(dir.file("Setup.ini"), kSetup);
    LogCapture capture;
    IniFile ini(dir.enginePath("Setup.ini"));
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(ini.GetFileName(), dir.enginePath("Setup.ini"));
    ASSERT_EQ(ini.GetSectionCount(), 2);
    EXPECT_EQ(ini.GetSection(0)->GetName(), "Setup");
    EXPECT_EQ(ini.FindSection("SETUP"), ini.GetSection(0));
    EXPECT_EQ(ini.FindSection("Sec"), nullptr);
    const std::pair<const char*, const char*> values[] = {
        {"app_title", "Printer driver ; not a comment"},
        {"Quoted", "  two blanks  "},
        {"ThreeQuotes", "a\"b"},
        {"Lone", "\""},
        {"Half", "\"open"},
        {"Empty", ""},
        {"Bare", ""},
        {"Path", "C:\\a=b"},
        {"[Sec] ; note", ""},
        {"spaced name", "v"},
        {"[unclosed", "x"},
        {"Later", "yes"},
        {"Missing", ""},
    };
    for (const auto& [name, value] : values)
        EXPECT_EQ(ini.GetValue("setup", name), value) << name;
    EXPECT_EQ(ini.GetValue("other", "APP_TITLE"), "other");
    EXPECT_EQ(ini.GetValue("nowhere", "App_Title"), "");

    CStdStr value = "untouched";
    EXPECT_TRUE(ini.FindSection("Setup")->GetValue("bare", value));
    EXPECT_EQ(value, "");
    value = "untouched";
    EXPECT_FALSE(ini.FindSection("Setup")->GetValue("missing", value));
    EXPECT_EQ(value, "untouched");
}

TEST(IniFileTest, MalformedLinesAreReportedWithTheirNumbersAndSkipped) {
    TempDir dir;
    writeFile(dir.file("bad.ini"), "orphan=1\n"     // 1
                                   "[Sec] ; note\n" // 2
                                   "\n"             // 3
                                   "[A]\n"          // 4
                                   "a=1\n"          // 5
                                   "[]\n"           // 6
                                   "[   ]\n"        // 7
                                   "b=2\n"          // 8
                                   "=3\n"           // 9
                                   "  = 4\n");      // 10
    const CStdStr path = dir.enginePath("bad.ini");
    LogCapture capture;
    IniFile ini(false);
    EXPECT_TRUE(ini.Read(path, false));
    const std::string messages[] = {
        "IniFile.cpp:IniFile::Read(",
        "IniFile::Read " + path + " [line 1]: Data found that does not belong to any section\n",
        "IniFile::Read " + path + " [line 2]: Data found that does not belong to any section\n",
        "IniFile::Read " + path + " [line 6]: Empty section\n",
        "IniFile::Read " + path + " [line 7]: Empty section\n",
        "IniFile::Read " + path + " [line 9]: Could not parse name=value line\n",
        "IniFile::Read " + path + " [line 10]: Could not parse name=value line\n",
    };
    for (const std::string& message : messages)
        EXPECT_TRUE(capture.contains(message)) << message << "\n" << capture.text();
    ASSERT_EQ(ini.GetSectionCount(), 1);
    EXPECT_EQ(distinctEntries(*ini.FindSection("A")), (Pairs{{"a", "1"}, {"b", "2"}}));
}

TEST(IniFileTest, DuplicateNamesKeepTheFirstSpellingAndTheLastValue) {
    TempDir dir;
    writeFile(dir.file("a.ini"), "[S]\nName=1\nOther=x\nNAME=2\n");
    IniFile ini(dir.enginePath("a.ini"));
    IniSection& section = *ini.FindSection("s");
    EXPECT_EQ(ini.GetValue("S", "name"), "2");
    EXPECT_EQ(distinctEntries(section), (Pairs{{"Name", "2"}, {"Other", "x"}}));
    IniSection fresh("fresh");
    fresh.SetValue("Name", "1");
    fresh.SetValue("Other", "x");
    fresh.SetValue("NAME", "2");
    EXPECT_EQ(allAssignments(fresh), (Pairs{{"Name", "1"}, {"Other", "x"}, {"NAME", "2"}}));
    EXPECT_TRUE(fresh.Rewind());
    EXPECT_FALSE(IniSection("empty").Rewind());
}

TEST(IniFileTest, LaterFilesOverrideAndAppend) {
    TempDir dir;
    writeFile(dir.file("lang.nls"), "[Texts]\nA=lang\nB=lang\n");
    writeFile(dir.file("Common.nls"), "[texts]\nb=common\nC=common\n[New]\nx=1\n");
    IniFile ini(false);
    ASSERT_TRUE(ini.Read(dir.enginePath("lang.nls"), false));
    ASSERT_TRUE(ini.Read(dir.enginePath("Common.nls"), true));
    EXPECT_EQ(ini.GetSectionCount(), 2);
    EXPECT_EQ(distinctEntries(*ini.FindSection("Texts")),
              (Pairs{{"A", "lang"}, {"B", "common"}, {"C", "common"}}));

    LogCapture capture;
    const CStdStr missing = dir.enginePath("OEM.nls");
    EXPECT_FALSE(ini.Read(missing, true));
    EXPECT_TRUE(capture.contains(missing + " could not be opened for read.\n"));
    EXPECT_EQ(ini.GetSectionCount(), 2);
    EXPECT_EQ(ini.GetValue("Texts", "B"), "common");

    ini.Clear();
    EXPECT_EQ(ini.GetSectionCount(), 0);
    EXPECT_EQ(ini.FindSection("Texts"), nullptr);
}

TEST(IniFileTest, MissingFileGivesAnEmptyModelAndAMessage) {
    TempDir dir;
    LogCapture capture;
    IniFile ini(dir.enginePath("Setup.ini"));
    EXPECT_EQ(ini.GetSectionCount(), 0);
    EXPECT_TRUE(capture.contains("IniFile::Read("));
    EXPECT_TRUE(capture.contains(dir.enginePath("Setup.ini") + " could not be opened for read."));

    // A folder is no file, whatever the C library would let fopen do with it.
    std::filesystem::create_directory(dir.file("Folder.ini"));
    IniFile folder(false);
    EXPECT_FALSE(folder.Read(dir.enginePath("Folder.ini"), false));
    EXPECT_TRUE(capture.contains(dir.enginePath("Folder.ini") + " could not be opened for read."));
}

TEST(IniFileTest, Utf16ReadsLikeAnsi) {
    TempDir dir;
    const std::string text = "[Setup]\r\nKey = \"quoted\"\r\n[Setup]\r\nMore=1";
    writeFile(dir.file("ansi.ini"), text);
    writeFile(dir.file("wide.ini"), utf16(text));
    IniFile ansi(dir.enginePath("ansi.ini"));
    IniFile wide(dir.enginePath("wide.ini"));
    EXPECT_EQ(ansi.GetEncoding(), ENCODING_ANSI);
    EXPECT_EQ(wide.GetEncoding(), ENCODING_UTF16LE);
    EXPECT_EQ(distinctEntries(*wide.FindSection("Setup")),
              distinctEntries(*ansi.FindSection("Setup")));
    EXPECT_EQ(wide.GetValue("setup", "key"), "quoted");
    EXPECT_EQ(wide.GetValue("setup", "more"), "1");
}

TEST(IniFileTest, KeylessLinesGetGeneratedNames) {
    TempDir dir;
    writeFile(dir.file("first.ini"), "[List]\na\nb=\nc\n[Other]\nz\n[list]\nlater\n");
    writeFile(dir.file("second.ini"), "[List]\nB\nd\n");
    IniFile ini(true);
    ASSERT_TRUE(ini.Read(dir.enginePath("first.ini"), false));
    // The counter starts again at every header, but a header that continues a
    // section must not overwrite the names generated there before.
    EXPECT_EQ(distinctEntries(*ini.FindSection("List")),
              (Pairs{{"KEY#001", "a"}, {"KEY#002", "b"}, {"KEY#003", "c"}, {"KEY#004", "later"}}));
    EXPECT_EQ(ini.GetValue("Other", "KEY#001"), "z");

    ASSERT_TRUE(ini.Read(dir.enginePath("second.ini"), true));
    IniSection& list = *ini.FindSection("List");
    EXPECT_EQ(distinctEntries(list), (Pairs{{"KEY#001", "a"},
                                            {"KEY#002", "B"},
                                            {"KEY#003", "c"},
                                            {"KEY#004", "later"},
                                            {"KEY#005", "d"}}));

    IniFile off(dir.enginePath("first.ini"), false);
    EXPECT_EQ(off.GetValue("List", "a"), "");
    EXPECT_EQ(distinctEntries(*off.FindSection("List")).size(), 4u);

    // A fresh section, then an append read that repeats one of its values.
    IniFile plain(true);
    writeFile(dir.file("abc.ini"), "[S]\na\nb\nc\n");
    writeFile(dir.file("bd.ini"), "[S]\nb\nd\n");
    ASSERT_TRUE(plain.Read(dir.enginePath("abc.ini"), false));
    ASSERT_TRUE(plain.Read(dir.enginePath("bd.ini"), true));
    EXPECT_EQ(distinctEntries(*plain.FindSection("S")),
              (Pairs{{"KEY#001", "a"}, {"KEY#002", "b"}, {"KEY#003", "c"}, {"KEY#004", "d"}}));
}

TEST(IniFileTest, AppendModeNumbersAfterTheLastGeneratedNameWithoutOverwriting) {
    struct Case {
        const char* what;
        Pairs existing;
        const char* line;
        const char* name;
    };
    const Case cases[] = {
        {"last in list order, not the largest",
         {{"KEY#007", "x"}, {"plain", "p"}, {"myKEY#003", "y"}, {"key#050", "not generated"}},
         "new",
         "KEY#004"},
        {"value found ignoring case", {{"KEY#001", "x"}, {"myKEY#003", "y"}}, "Y", "myKEY#003"},
        {"next number taken", {{"KEY#004", "x"}, {"KEY#003", "y"}}, "new", "KEY#005"},
        {"from 1000 on only three digits count",
         {{"KEY#001", "x"}, {"KEY#1000", "y"}},
         "new",
         "KEY#002"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        IniFile ini(true);
        IniSection* section = ini.GetOrAddSection("S");
        for (const auto& [name, value] : c.existing)
            section->SetValue(name, value);
        writeFile(dir.file("more.ini"), std::string("[s]\n") + c.line + "\n");
        ASSERT_TRUE(ini.Read(dir.enginePath("more.ini"), true));
        EXPECT_EQ(ini.GetValue("S", c.name), c.line) << c.what;
        for (const auto& [name, value] : c.existing) {
            if (name != c.name) {
                EXPECT_EQ(ini.GetValue("S", name), value) << c.what;
            }
        }
    }
}

TEST(IniFileTest, MakeAutoKeyPadsToThreeDigits) {
    const std::pair<int, const char*> cases[] = {
        {1, "KEY#001"}, {42, "KEY#042"}, {100, "KEY#100"}, {1000, "KEY#1000"}};
    for (const auto& [number, name] : cases)
        EXPECT_EQ(IniFile::MakeAutoKey(number), name);
    EXPECT_EQ(AUTO_KEY_PREFIX, "KEY#");
}

TEST(IniFileTest, SectionsAddedByHandAreOwnedAndFoundFirstFirst) {
    LogCapture capture;
    IniFile ini(false);
    ini.AddSection(nullptr);
    EXPECT_TRUE(capture.contains("IniFile::AddSection("));
    EXPECT_TRUE(capture.contains("attempted to add a NULL section!"));
    EXPECT_EQ(ini.GetSectionCount(), 0);
    IniSection* first = new IniSection("Dup");
    ini.AddSection(first);
    ini.AddSection(new IniSection("DUP"));
    EXPECT_EQ(ini.GetSectionCount(), 2);
    EXPECT_EQ(ini.FindSection("dup"), first);
    EXPECT_EQ(ini.GetOrAddSection("dUp"), first);
}

namespace {

// Sees every header through the overridable lookup, as derived models do.
class RecordingIni : public IniFile {
public:
    RecordingIni() : IniFile(false) {}
    IniSection* GetOrAddSection(const CStdStr& name) override {
        headers.push_back(name);
        return IniFile::GetOrAddSection(name);
    }
    std::vector<std::string> headers;
};

} // namespace

TEST(IniFileTest, HeadersGoThroughTheOverridableLookup) {
    TempDir dir;
    writeFile(dir.file("a.inf"), "[Version]\n[ Strings ]\n[]\n[version]\n");
    RecordingIni ini;
    ini.Read(dir.enginePath("a.inf"), false);
    EXPECT_EQ(ini.headers, (std::vector<std::string>{"Version", "Strings", "version"}));
}

TEST(IniFileTest, BadBytesReadWithoutHarm) {
    struct Case {
        const char* what;
        std::string bytes;
        Pairs entries;
    };
    const std::string tenMegabytes(10 * 1024 * 1024, 'v');
    const Case cases[] = {
        {"NUL ends a line", std::string("[S]\nk=v\0junk\nz=1\n", 18), {{"k", "v"}, {"z", "1"}}},
        {"NUL inside the header", std::string("[S]\n[T\0]\nz=1", 12), {{"[T", ""}, {"z", "1"}}},
        {"odd byte after FF FE", utf16("[S]\nk=v") + "x", {{"k", "v"}}},
        {"only FF FE and one byte", "\xFF\xFE[", {}},
        {"8-bit bytes", "[S]\n\x81\xFF=\xFE\x80\n", {{"\x81\xFF", "\xFE\x80"}}},
        {"no line end", "[S]\nlast=line", {{"last", "line"}}},
        {"CR only line ends", "[S]\rk=v\rz=1", {}},
        {"10 MB line",
         "[S]\nbig=" + tenMegabytes + "\nafter=1",
         {{"big", tenMegabytes}, {"after", "1"}}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        writeFile(dir.file("bad.ini"), c.bytes);
        IniFile ini(dir.enginePath("bad.ini"));
        const IniSection* section = ini.FindSection("S");
        Pairs entries;
        if (section)
            entries = distinctEntries(*ini.FindSection("S"));
        EXPECT_TRUE(entries == c.entries) << c.what;
    }
}

TEST(IniFileTest, LongNamesMatchIgnoringCaseWhereverTheyDiffer) {
    IniSection section("Strings");
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name = "PrinterModelDescription" + std::to_string(i * 7919 % 1000);
        name.insert(static_cast<size_t>(i % 23), "_");
        names.push_back(name);
        section.SetValue(name, name);
    }
    for (const std::string& name : names) {
        CStdStr flipped(name);
        for (char& ch : flipped)
            ch = std::isupper(static_cast<unsigned char>(ch)) ? toCLower(ch) : toCUpper(ch);
        CStdStr value;
        EXPECT_TRUE(section.GetValue(flipped, value)) << flipped;
        EXPECT_EQ(value, name);
    }
    EXPECT_EQ(section.GetCount(), 300);
    CStdStr value;
    EXPECT_FALSE(section.GetValue("PrinterModelDescription", value));
    EXPECT_FALSE(section.GetValue("PrinterModelDescription1000_", value));
}
