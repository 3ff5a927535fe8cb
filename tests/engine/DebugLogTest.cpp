#include "DebugLog.h"

#include <gtest/gtest.h>

#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// Writes one message through a logger with the given mask, located as FileOp would be.
void logAt(DebugLogger& logger, int kind, const char* message) {
    logger.setLocation(428, ".\\FileOp.cpp", "FileOp::GetTempFileNameA");
    logger.write(kind, "%s", message);
}

const char* const kStamp = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)";

} // namespace

TEST(DebugLogTest, TextBeforeTheFileIsNamedIsDiscardedAtItsNewline) {
    TempDir dir;
    DebugLog log;
    log << "early line" << std::endl;
    log.setFileName(dir.enginePath("a.log"));
    log << "late line" << std::endl;
    EXPECT_EQ(readFile(dir.file("a.log")), "late line\n");
}

TEST(DebugLogTest, PendingTextWaitsForNewlineFlushOrDestruction) {
    TempDir dir;
    {
        DebugLog log;
        log.setFileName(dir.enginePath("a.log"));
        log << "part";
        EXPECT_EQ(readFile(dir.file("a.log")), "");
        log << " one\npart two";
        EXPECT_EQ(readFile(dir.file("a.log")), "part one\n");
        log << " more";
        log.flush();
        EXPECT_EQ(readFile(dir.file("a.log")), "part one\npart two more");
        log << "\nlast";
    }
    EXPECT_EQ(readFile(dir.file("a.log")), "part one\npart two more\nlast");
}

TEST(DebugLogTest, RunsAppendAndEachBannerStartsWithAStar) {
    TempDir dir;
    for (int run = 0; run < 2; ++run) {
        DebugLog log;
        log.setFileName(dir.enginePath("RuZidiv.log"));
        log.writeHeader("Setup.exe", "", "", "Kendry: to Launch Application.");
    }
    const std::string text = readFile(dir.file("RuZidiv.log"));
    const std::string rule(71, '-');
    const std::regex banner("\\*\n/" + rule +
                            "\\\\\n\\| \\w+, \\w+ \\d\\d, \\d{4} [0-9:]+\n"
                            "\\| Setup.exe\n\\| Version: \n\\| \n"
                            "\\| Kendry: to Launch Application.\n\\\\" +
                            rule + "/\n");
    std::smatch match;
    std::string rest = text;
    int banners = 0;
    while (std::regex_search(rest, match, banner)) {
        EXPECT_EQ(match.position(0), 0);
        rest = match.suffix();
        ++banners;
    }
    EXPECT_EQ(banners, 2);
    EXPECT_EQ(rest, "");
}

TEST(DebugLogTest, KindsChooseTheirLayoutAndGate) {
    struct Case {
        std::uint32_t mask;
        int kind;
        std::string pattern; // empty: nothing written
    };
    const std::string full =
        std::string(kStamp) + ": FileOp.cpp:FileOp::GetTempFileNameA\\(428\\): msg\n";
    const std::string located = "FileOp::GetTempFileNameA\\(428\\): msg\n";
    const Case cases[] = {
        {0, LOG_ERROR, full},
        {0, LOG_INFO, ""},
        {1, LOG_INFO, full},
        {0, LOG_PLAIN, "msg\n"},
        {0, 2, ""},
        {2, 2, "<cgf>" + std::string(kStamp) + ": msg\n"},
        {4, 4, located},
        {8, 8, located},
        {0, 8, ""},
        {16, 16, "msg\n"},
        {128, 128, "msg\n"},
        {0, 128, ""},
        {0, 32, full},
        {0, 64, full},
        {0, 5, full},
        {0x80000000u, LOG_ERROR, ""},
        {0x80000000u, LOG_PLAIN, ""},
        {0xFFFFFFFFu, LOG_INFO, ""},
    };
    for (const Case& c : cases) {
        LogCapture capture;
        DebugLogger logger(c.mask);
        logAt(logger, c.kind, "msg");
        const std::string text = capture.text();
        if (c.pattern.empty())
            EXPECT_EQ(text, "") << "mask " << c.mask << " kind " << c.kind;
        else
            EXPECT_TRUE(std::regex_match(text, std::regex(c.pattern)))
                << "mask " << c.mask << " kind " << c.kind << ": " << text;
    }
}

TEST(DebugLogTest, MaskWithBit31StillLetsTheStreamWrite) {
    LogCapture capture;
    DebugLogger logger(0x80000000u);
    logAt(logger, LOG_ERROR, "hidden");
    theDebugLog << "Kendry::OnInit: shown" << std::endl;
    EXPECT_EQ(capture.text(), "Kendry::OnInit: shown\n");
}

TEST(DebugLogTest, SourcePathIsReducedToItsFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {" .\\FileOp.cpp ", "FileOp.cpp"},
        {"src/engine/Registry.cpp", "Registry.cpp"},
        {"C:Drive.cpp", "Drive.cpp"},
        {"", ""},
    };
    for (const auto& [source, shown] : cases) {
        LogCapture capture;
        DebugLogger logger(0);
        logger.setLocation(7, source, "F");
        logger.write(LOG_ERROR, "m");
        EXPECT_NE(capture.text().find(std::string(": ") + shown + ":F(7): m\n"), std::string::npos)
            << capture.text();
    }
}

TEST(DebugLogTest, MessagesLongerThanAnyBufferAreWrittenWhole) {
    LogCapture capture;
    DebugLogger logger(0);
    const std::string big(1 << 20, 'q');
    logger.setLocation(1, "x.cpp", "f");
    logger.write(LOG_PLAIN, "%s|%s", big.c_str(), "end");
    EXPECT_EQ(capture.text(), big + "|end\n");
}

TEST(DebugLogTest, PlantedSymbolicLinkAtTheLogPathIsNotFollowed) {
    TempDir dir;
    testing_support::writeFile(dir.file("victim"), "precious\n");
    ASSERT_EQ(::symlink(dir.file("victim").c_str(), dir.file("RuZidiv.log").c_str()), 0);
    DebugLog log;
    log.setFileName(dir.enginePath("RuZidiv.log"));
    log << "attack" << std::endl;
    EXPECT_EQ(readFile(dir.file("victim")), "precious\n");
}

TEST(DebugLogTest, UnwritableLogLosesLinesSilently) {
    TempDir dir;
    DebugLog log;
    log.setFileName(dir.enginePath("missing-folder\\a.log"));
    log << "lost" << std::endl;
    EXPECT_TRUE(log.good());
    ASSERT_EQ(::mkfifo(dir.file("fifo.log").c_str(), 0600), 0);
    log.setFileName(dir.enginePath("fifo.log"));
    log << "not into a fifo" << std::endl; // must not block
    EXPECT_TRUE(log.good());
}
