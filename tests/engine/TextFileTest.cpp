#include "TextFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// Conversions follow the locale's code page; pin it to Western European.
class WesternLocale {
public:
    WesternLocale() {
        if (const char* old = std::getenv("LC_ALL"))
            m_old = old;
        ::setenv("LC_ALL", "en_US.UTF-8", 1);
    }
    ~WesternLocale() {
        if (m_old.empty())
            ::unsetenv("LC_ALL");
        else
            ::setenv("LC_ALL", m_old.c_str(), 1);
    }

private:
    std::string m_old;
};

std::vector<std::string> readLines(const CStdStr& path, int encoding = ENCODING_DETECT) {
    std::vector<std::string> lines;
    TextFile file;
    if (!file.Open(path, MODE_READ, encoding))
        return {"<open failed>"};
    CStdStr line;
    while (file.ReadString(line))
        lines.push_back(line);
    // The end stays the end.
    if (file.ReadString(line))
        lines.push_back("<read after end>");
    return lines;
}

std::string utf16(const std::u16string& text, bool mark = true) {
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

#ifdef __SANITIZE_ADDRESS__
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

long peakMemoryKiB() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(TextFileTest, DetectEncodingLooksOnlyAtTheFirstTwoBytes) {
    TempDir dir;
    const std::pair<std::string, int> cases[] = {
        {"", ENCODING_ANSI},
        {"\xFF", ENCODING_ANSI},
        {"\xFE\xFF", ENCODING_ANSI},
        {"\xFF\xFE", ENCODING_UTF16LE},
        {"\xFF\xFEx", ENCODING_UTF16LE},
        {"ab", ENCODING_ANSI},
    };
    for (const auto& [bytes, encoding] : cases) {
        writeFile(dir.file("t.txt"), bytes);
        EXPECT_EQ(detectEncoding(dir.enginePath("t.txt")), encoding) << bytes;
    }
    EXPECT_EQ(detectEncoding(dir.enginePath("missing.txt")), 0);
}

TEST(TextFileTest, ReadsLinesOfBothEncodings) {
    WesternLocale locale;
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"LF at the end", "a\nb\n", {"a", "b"}},
        {"blank line inside", "a\n\nb\n", {"a", "", "b"}},
        {"one CR removed", "a\r\nb\r\r\n", {"a", "b\r"}},
        {"no line end", "only", {"only"}},
        {"empty file", "", {}},
        {"single LF", "\n", {""}},
        {"lone CR at the end", "a\n\r", {"a"}},
        {"NUL ends the line", std::string("ab\0cd\nef", 8), {"ab", "ef"}},
        {"NUL first at the end", std::string("x\n\0y", 4), {"x"}},
        {"8-bit bytes kept", "\x81\xFF\xFE\n", {"\x81\xFF\xFE"}},
        {"UTF-16 CR LF, no final end", utf16(u"A\r\nB"), {"A", "B"}},
        {"UTF-16 mark only", utf16(u""), {}},
        {"UTF-16 to code page",
         utf16(u"Gr\u00FC\u00DFe\n\u20AC"),
         {"Gr\xFC\xDF"
          "e",
          "\x80"}},
        {"UTF-16 unmappable", utf16(u"a\u65E5b"), {"a?b"}},
        {"UTF-16 lone surrogate", utf16(std::u16string(u"x") + char16_t(0xD800)), {"x?"}},
        {"UTF-16 odd last byte", utf16(u"A\n") + "B", {"A"}},
        {"UTF-16 odd byte after text", utf16(u"A\nBC") + "D", {"A", "BC"}},
        {"UTF-16 NUL unit", utf16(std::u16string(u"a\0b\nc", 5)), {"a", "c"}},
        {"UTF-16 0x0A00 is no LF", utf16(u"\u0A00x"), {"?x"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        writeFile(dir.file("t.txt"), c.bytes);
        EXPECT_EQ(readLines(dir.enginePath("t.txt")), c.lines) << c.what;
    }
}

TEST(TextFileTest, ExplicitUtf16DropsTwoBytesWithoutCheckingThem) {
    TempDir dir;
    writeFile(dir.file("t.txt"), std::string("xxA\0\n\0B\0", 8));
    EXPECT_EQ(readLines(dir.enginePath("t.txt"), ENCODING_UTF16LE),
              (std::vector<std::string>{"A", "B"}));
    // The same bytes read as ANSI stop at the first NUL of every line; the
    // last line is empty from its start and so is no line.
    EXPECT_EQ(readLines(dir.enginePath("t.txt"), ENCODING_ANSI), (std::vector<std::string>{"xxA"}));
}

TEST(TextFileTest, HugeLinesReadWholeWithMemoryBoundedByTheFile) {
    TempDir dir;
    const size_t size = 10 * 1024 * 1024;
    for (const bool wide : {false, true}) {
        // Written in pieces, so that the peak below is the reader's.
        {
            std::ofstream out(dir.file("big.txt"), std::ios::binary);
            const std::string piece =
                wide ? utf16(std::u16string(32768, u'y'), false) : std::string(65536, 'x');
            if (wide)
                out << "\xFF\xFE";
            for (size_t written = 0; written < size; written += piece.size())
                out << piece;
        }
        const long before = peakMemoryKiB();
        TextFile file;
        ASSERT_TRUE(file.Open(dir.enginePath("big.txt"), MODE_READ, ENCODING_DETECT));
        CStdStr line;
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ(line.size(), wide ? size / 2 : size);
        EXPECT_EQ(line.find_first_not_of(wide ? 'y' : 'x'), std::string::npos);
        EXPECT_FALSE(file.ReadString(line));
        // The line, its growth and for UTF-16 its units: a small multiple of the file.
        // AddressSanitizer holds freed blocks back and pads live ones, so there the peak
        // says nothing about the reader.
        if (!kAddressSanitizer) {
            EXPECT_LT(peakMemoryKiB() - before, static_cast<long>(4 * size / 1024)) << wide;
        }
    }
}

TEST(TextFileTest, OpenFailuresAndTheirMessages) {
    TempDir dir;
    writeFile(dir.file("there.txt"), "x\n");
    const CStdStr missing = dir.enginePath("missing.txt");
    const CStdStr there = dir.enginePath("there.txt");
    struct Case {
        CStdStr path;
        int mode;
        int encoding;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"", MODE_READ, ENCODING_ANSI, {}},
        {missing, MODE_READ, ENCODING_DETECT, {}},
        {missing, MODE_APPEND, ENCODING_DETECT, {}},
        {missing,
         MODE_READ,
         ENCODING_ANSI,
         {"TextFile::Open(", "): TextFile::Open: open of " + missing + " failed."}},
        {dir.enginePath("no\\such\\folder\\f.txt"),
         MODE_WRITE,
         ENCODING_ANSI,
         {"open of " + dir.enginePath("no\\such\\folder\\f.txt") + " failed."}},
        {there,
         7,
         ENCODING_DETECT,
         {"): " + there + " : attempted to open with an unknown mode: \n", "): 7\n"}},
    };
    for (const Case& c : cases) {
        LogCapture capture;
        TextFile file;
        EXPECT_FALSE(file.Open(c.path, c.mode, c.encoding)) << c.path;
        for (const std::string& message : c.messages)
            EXPECT_TRUE(capture.contains(message)) << capture.text();
        if (c.messages.empty()) {
            EXPECT_EQ(capture.text(), "") << c.path;
        }
    }
}

TEST(TextFileTest, UnsupportedEncodingIsRefused) {
    TempDir dir;
    writeFile(dir.file("t.txt"), "x\n");
    LogCapture capture;
    TextFile never;
    CStdStr line = "old";
    EXPECT_FALSE(never.ReadString(line));
    EXPECT_TRUE(capture.contains("TextFile::ReadString("));
    EXPECT_TRUE(capture.contains("unsupported encoding type!"));

    TextFile odd;
    ASSERT_TRUE(odd.Open(dir.enginePath("t.txt"), MODE_APPEND, 5));
    capture.clear();
    EXPECT_FALSE(odd.WriteString("y\n"));
    EXPECT_TRUE(capture.contains("TextFile::WriteString("));
    odd.Close();
    EXPECT_EQ(readFile(dir.file("t.txt")), "x\n");
}

TEST(TextFileTest, WritesLineEndsAndMarks) {
    WesternLocale locale;
    struct Case {
        const char* what;
        std::string existing; // "-" for no file
        int mode;
        int encoding;
        CStdStr text;
        bool written;
        std::string bytes;
    };
    const Case cases[] = {
        {"LF becomes CR LF", "-", MODE_WRITE, ENCODING_ANSI, "x\n", true, "x\r\n"},
        {"CR LF becomes CR CR LF", "-", MODE_WRITE, ENCODING_ANSI, "a\r\nb", true, "a\r\r\nb"},
        {"empty text", "-", MODE_WRITE, ENCODING_ANSI, "", false, ""},
        {"write truncates", "old", MODE_WRITE, ENCODING_ANSI, "n", true, "n"},
        {"UTF-16 gets its mark", "-", MODE_WRITE, ENCODING_UTF16LE, "A\xFC\n", true,
         utf16(u"A\u00FC\r\n")},
        {"append to a missing file marks it", "-", MODE_APPEND, ENCODING_UTF16LE, "A", true,
         utf16(u"A")},
        {"append to a file adds no mark", utf16(u"A"), MODE_APPEND, ENCODING_UTF16LE, "B", true,
         utf16(u"AB")},
        {"append detects the file's encoding", utf16(u"A"), MODE_APPEND, ENCODING_DETECT, "B\n",
         true, utf16(u"AB\r\n")},
        {"append in ANSI", "a\r\n", MODE_APPEND, ENCODING_ANSI, "b\n", true, "a\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (c.existing != "-")
            writeFile(dir.file("t.txt"), c.existing);
        TextFile file;
        ASSERT_TRUE(file.Open(dir.enginePath("t.txt"), c.mode, c.encoding)) << c.what;
        EXPECT_EQ(file.WriteString(c.text), c.written) << c.what;
        EXPECT_EQ(file.Close(), 0);
        EXPECT_EQ(readFile(dir.file("t.txt")), c.bytes) << c.what;
    }
}

TEST(TextFileTest, WrittenUtf16ReadsBack) {
    WesternLocale locale;
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.Open(dir.enginePath("t.txt"), MODE_WRITE, ENCODING_UTF16LE));
    EXPECT_TRUE(file.WriteString("first \xE9\nsecond\n"));
    EXPECT_TRUE(file.Open(dir.enginePath("t.txt"), MODE_READ, ENCODING_DETECT));
    EXPECT_EQ(file.GetEncoding(), ENCODING_UTF16LE);
    CStdStr line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "first \xE9");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "second");
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Close(), 0);
}
