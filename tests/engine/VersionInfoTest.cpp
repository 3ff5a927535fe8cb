#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestSupport.h"
#include "platform/Files.h"

using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::ScopedEnvironment;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

std::string fixturePath(const std::string& name) {
    return std::string(KENDRY_FIXTURES) + "/pe/" + name;
}

CStdStr fixture(const std::string& name) {
    return platform::enginePath(fixturePath(name).c_str());
}

std::vector<unsigned char> versionBlock(const CStdStr& path) {
    std::vector<unsigned char> block;
    platform::fileVersionInfo(path, block);
    return block;
}

// What a caller does with the block: the FileVersion of the first translation.
CStdStr firstFileVersion(const std::vector<unsigned char>& block) {
    std::vector<uint32_t> translations;
    CStdStr version;
    if (!platform::queryVersionValue(block, "\\VarFileInfo\\Translation", translations))
        return "<no translation>";
    const uint32_t languageFirst = translations[0] << 16 | translations[0] >> 16;
    const CStdStr key = CStdStr::Formatted("\\StringFileInfo\\%08lx\\FileVersion",
                                           static_cast<unsigned long>(languageFirst));
    if (!platform::queryVersionValue(block, key, version))
        return "<no FileVersion>";
    return version;
}

} // namespace

TEST(VersionInfoTest, GoodFilesGiveTheirTranslationsAndTexts) {
    struct Query {
        const char* subBlock;
        const char* text;
    };
    struct Case {
        const char* file;
        std::vector<uint32_t> translations;
        uint32_t fileVersionHigh, fileVersionLow; // of the fixed part
        const char* firstFileVersion;
        std::vector<Query> queries;
    };
    const Case cases[] = {
        {"us-english-x64.exe",
         {0x04B00409},
         0x00010002,
         0x00030004,
         "1.2.3.4",
         {{"\\StringFileInfo\\040904B0\\CompanyName", "Example Works"},
          {"\\stringfileinfo\\040904b0\\comments", ""},
          {"StringFileInfo\\\\040904b0\\FileVersion\\", "1.2.3.4"}}},
        {"german-two-languages-x86.exe",
         {0x04E40407, 0x04B00409},
         0x00050006,
         0x00070008,
         "5, 6, 7, 8",
         {{"\\StringFileInfo\\040904b0\\FileVersion", "9.9.9.9"},
          {"\\StringFileInfo\\040704E4\\CompanyName", "Beispiel GmbH"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const unsigned size = platform::fileVersionInfoSize(fixture(c.file));
        const std::vector<unsigned char> block = versionBlock(fixture(c.file));
        ASSERT_GT(size, 0u);
        EXPECT_EQ(block.size(), size);
        EXPECT_LT(size, readFile(fixturePath(c.file)).size());

        std::vector<uint32_t> translations;
        EXPECT_TRUE(platform::queryVersionValue(block, "\\VarFileInfo\\Translation", translations));
        EXPECT_EQ(translations, c.translations);
        EXPECT_EQ(firstFileVersion(block), c.firstFileVersion);

        std::vector<uint32_t> fixed;
        ASSERT_TRUE(platform::queryVersionValue(block, "\\", fixed));
        ASSERT_EQ(fixed.size(), 13u);
        EXPECT_EQ(fixed[0], 0xFEEF04BDu);
        EXPECT_EQ(fixed[2], c.fileVersionHigh);
        EXPECT_EQ(fixed[3], c.fileVersionLow);

        for (const Query& q : c.queries) {
            CStdStr text = "stale";
            EXPECT_TRUE(platform::queryVersionValue(block, q.subBlock, text)) << q.subBlock;
            EXPECT_EQ(text, q.text) << q.subBlock;
        }
    }
}

TEST(VersionInfoTest, QueriesForWhatIsNotThereAnswerFalse) {
    const std::vector<unsigned char> block = versionBlock(fixture("us-english-x64.exe"));
    const char* missing[] = {
        "\\StringFileInfo\\040704e4\\FileVersion",         "\\StringFileInfo\\040904b0\\NoSuchKey",
        "\\StringFileInfo\\040904b0\\FileVersion\\Deeper", "\\VarFileInfo\\Translations",
        "\\StringFileInfo\\040904b\\FileVersion",
    };
    for (const char* subBlock : missing) {
        CStdStr text = "stale";
        std::vector<uint32_t> entries{1};
        EXPECT_FALSE(platform::queryVersionValue(block, subBlock, text)) << subBlock;
        EXPECT_EQ(text, "") << subBlock;
        EXPECT_FALSE(platform::queryVersionValue(block, subBlock, entries)) << subBlock;
        EXPECT_TRUE(entries.empty()) << subBlock;
    }
    std::vector<uint32_t> entries;
    EXPECT_FALSE(platform::queryVersionValue(block, "\\StringFileInfo", entries)) << "no value";
    CStdStr text;
    EXPECT_FALSE(platform::queryVersionValue({}, "\\", text));
    EXPECT_FALSE(platform::queryVersionValue({0x06, 0x00}, "\\", entries));
}

TEST(VersionInfoTest, TextsAreConvertedToTheAnsiCodePage) {
    const std::vector<unsigned char> block = versionBlock(fixture("us-english-x64.exe"));
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE", "Gr\xFC\xDF"
                  "e"},
        {"ru_RU", "Gr??e"},
    };
    for (const auto& [locale, expected] : cases) {
        ScopedEnvironment localeSetting("LC_ALL", locale);
        CStdStr text;
        EXPECT_TRUE(
            platform::queryVersionValue(block, "\\StringFileInfo\\040904b0\\ProductName", text));
        EXPECT_EQ(text, expected) << locale;
    }
}

TEST(VersionInfoTest, FilesWithoutAVersionGiveNothingQuietly) {
    TempDir dir;
    writeFile(dir.file("empty.dll"), "");
    writeFile(dir.file("mz-only.dll"), "MZ");
    ASSERT_EQ(::mkfifo(dir.file("pipe.dll").c_str(), 0600), 0);
    const CStdStr paths[] = {
        fixture("no-version-resource.exe"),
        fixture("no-resources.exe"),
        fixture("not-a-program.txt"),
        fixture("no-pe-signature.exe"),
        fixture("lfanew-beyond-end.exe"),
        fixture("missing.exe"),
        fixture(""),
        dir.enginePath("empty.dll"),
        dir.enginePath("mz-only.dll"),
        dir.enginePath("pipe.dll"),
        "",
    };
    LogCapture log;
    for (const CStdStr& path : paths) {
        std::vector<unsigned char> block{1, 2, 3};
        EXPECT_EQ(platform::fileVersionInfoSize(path), 0u) << path;
        EXPECT_FALSE(platform::fileVersionInfo(path, block)) << path;
        EXPECT_TRUE(block.empty()) << path;
    }
    EXPECT_EQ(log.text(), "");
}

TEST(VersionInfoTest, DamagedFilesGiveNothingAndAreLogged) {
    const char* damaged[] = {
        "truncated.exe",
        "section-table-beyond-end.exe",
        "unknown-optional-header.exe",
        "resource-rva-outside-sections.exe",
        "resource-loop.exe",
        "resource-self-loop.exe",
        "resource-entry-count-lie.exe",
        "lying-size.exe",
        "data-outside-sections.exe",
        "lying-version-length.exe",
    };
    for (const char* file : damaged) {
        LogCapture log;
        std::vector<unsigned char> block{1, 2, 3};
        EXPECT_EQ(platform::fileVersionInfoSize(fixture(file)), 0u) << file;
        EXPECT_FALSE(platform::fileVersionInfo(fixture(file), block)) << file;
        EXPECT_TRUE(block.empty()) << file;
        EXPECT_TRUE(log.contains(file)) << log.text();
        EXPECT_TRUE(log.contains("is a damaged program file")) << log.text();
    }
}

TEST(VersionInfoTest, AStringTableLongerThanItsParentHidesItsTexts) {
    const std::vector<unsigned char> block = versionBlock(fixture("lying-string-table-length.exe"));
    ASSERT_FALSE(block.empty()) << "the version block itself is sound";
    CStdStr text;
    EXPECT_FALSE(
        platform::queryVersionValue(block, "\\StringFileInfo\\040904b0\\FileVersion", text));
    std::vector<uint32_t> translations;
    EXPECT_TRUE(platform::queryVersionValue(block, "\\VarFileInfo\\Translation", translations))
        << "the sound sibling is still read";
}

TEST(VersionInfoTest, EveryTruncationGivesNothingOrTheWholeBlock) {
    const std::string good = readFile(fixturePath("us-english-x64.exe"));
    const std::vector<unsigned char> whole = versionBlock(fixture("us-english-x64.exe"));
    TempDir dir;
    LogCapture log;
    size_t shortestGood = good.size();
    for (size_t length = good.size(); length-- > 0;) {
        writeFile(dir.file("cut.exe"), good.substr(0, length));
        const std::vector<unsigned char> block = versionBlock(dir.enginePath("cut.exe"));
        if (!block.empty()) {
            ASSERT_EQ(block, whole) << "cut at " << length;
            shortestGood = length;
        }
    }
    // Only the zero padding after the resource may go.
    EXPECT_GT(shortestGood, good.size() - 512);
    EXPECT_EQ(good.find_first_not_of('\0', shortestGood), std::string::npos);
}

TEST(VersionInfoTest, CorruptedBytesNeverReachPastTheFile) {
    const std::string good = readFile(fixturePath("german-two-languages-x86.exe"));
    TempDir dir;
    LogCapture log;
    for (size_t at = 0; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0xFF);
        writeFile(dir.file("bad.exe"), bad);
        const unsigned size = platform::fileVersionInfoSize(dir.enginePath("bad.exe"));
        const std::vector<unsigned char> block = versionBlock(dir.enginePath("bad.exe"));
        ASSERT_EQ(block.size(), size) << "byte " << at;
        ASSERT_LT(size, good.size()) << "byte " << at;
        firstFileVersion(block);
    }
}
