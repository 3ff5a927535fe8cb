#include "platform/SetupApi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <malloc.h>
#include <set>

#include "CompressFixtures.h"
#include "TestSupport.h"
#include "platform/ExpandFaults.h"
#include "platform/WinError.h"

namespace fs = std::filesystem;
using namespace platform;
using compress_fixtures::fixture;
using compress_fixtures::original;
using testing_support::engineForm;
using testing_support::entriesOf;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct FaultGuard {
    ~FaultGuard() { setExpandFaults({}); }
};

} // namespace

TEST(SetupApiTest, OffersItsThreeEntryPointsByName) {
    FaultGuard guard;
    EXPECT_TRUE(loadSetupApi());
    EXPECT_TRUE(setupApiHasEntryPoint("SetupGetFileCompressionInfoExA"));
    EXPECT_TRUE(setupApiHasEntryPoint("SetupGetFileCompressionInfoA"));
    EXPECT_TRUE(setupApiHasEntryPoint("SetupDecompressOrCopyFileA"));
    EXPECT_FALSE(setupApiHasEntryPoint("SetupIterateCabinetA"));
    EXPECT_FALSE(setupApiHasEntryPoint("setupdecompressorcopyfilea"));

    ExpandFaults faults;
    faults.missingEntryPoints = {SETUP_GET_FILE_COMPRESSION_INFO_EX};
    setExpandFaults(faults);
    EXPECT_FALSE(setupApiHasEntryPoint(SETUP_GET_FILE_COMPRESSION_INFO_EX));
    EXPECT_TRUE(setupApiHasEntryPoint(SETUP_GET_FILE_COMPRESSION_INFO));

    faults.setupApiMissing = true;
    setExpandFaults(faults);
    EXPECT_FALSE(loadSetupApi());
    EXPECT_FALSE(setupApiHasEntryPoint(SETUP_DECOMPRESS_OR_COPY_FILE));
}

TEST(SetupApiTest, QueryReportsTypeAndSizes) {
    struct Case {
        const char* file;
        int error;
        int type;
        std::uint64_t targetSize; // 0: the size of the original named below
        const char* original;
    };
    const std::uint64_t twoFiles = original("readme.txt").size() + original("setup.exe").size();
    const Case cases[] = {
        {"setup.ex_", 0, FILE_COMPRESSION_WINLZA, 0, "setup.exe"},
        {"readme.tx_", 0, FILE_COMPRESSION_WINLZA, 0, "readme.txt"},
        {"driver.cab", 0, FILE_COMPRESSION_MSZIP, 0, "driver.inf"},
        {"no-nul-name.cab", 0, FILE_COMPRESSION_MSZIP, 0, "driver.inf"},
        {"stored.cab", 0, FILE_COMPRESSION_NTCAB, 0, "readme.txt"},
        {"two-files.cab", 0, FILE_COMPRESSION_NTCAB, twoFiles, nullptr},
        {"originals/setup.exe", 0, FILE_COMPRESSION_NONE, 0, "setup.exe"},
        // What the header claims is reported, never acted on.
        {"huge-length.ex_", 0, FILE_COMPRESSION_WINLZA, 0xFFFFFFFFu, nullptr},
        {"bad-magic.ex_", winerr::INVALID_DATA, 0, 0, nullptr},
        {"truncated-header.ex_", winerr::INVALID_DATA, 0, 0, nullptr},
        {"unknown-method.ex_", winerr::INVALID_DATA, 0, 0, nullptr},
        {"empty.cab", winerr::INVALID_DATA, 0, 0, nullptr},
        {"missing.ex_", winerr::FILE_NOT_FOUND, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        const CStdStr source = engineForm(fixture(c.file));
        std::uint64_t sourceSize = 0, targetSize = 0;
        int type = -1;
        EXPECT_EQ(getFileCompressionInfoEx(source, sourceSize, targetSize, type), c.error == 0)
            << c.file;
        EXPECT_EQ(setupApiLastError(), c.error) << c.file;
        CStdStr actual;
        std::uint64_t plainSourceSize = 0, plainTargetSize = 0;
        int plainType = -1;
        EXPECT_EQ(
            getFileCompressionInfo(source, actual, plainSourceSize, plainTargetSize, plainType),
            c.error)
            << c.file;
        if (c.error != 0)
            continue;
        const std::uint64_t expectedTarget =
            c.original ? original(c.original).size() : c.targetSize;
        EXPECT_EQ(type, c.type) << c.file;
        EXPECT_EQ(sourceSize, fs::file_size(fixture(c.file))) << c.file;
        EXPECT_EQ(targetSize, expectedTarget) << c.file;
        EXPECT_EQ(actual, source) << c.file;
        EXPECT_EQ(plainType, type) << c.file;
        EXPECT_EQ(plainSourceSize, sourceSize) << c.file;
        EXPECT_EQ(plainTargetSize, targetSize) << c.file;
    }
}

TEST(SetupApiTest, QueryFindsTheCompressedFormOfAMissingName) {
    TempDir dir;
    writeFile(dir.file("setup.ex_"), readFile(fixture("setup.ex_")));
    std::uint64_t sourceSize = 0, targetSize = 0;
    int type = -1;
    CStdStr actual;
    ASSERT_TRUE(getFileCompressionInfoEx(dir.enginePath("setup.exe"), sourceSize, targetSize, type,
                                         &actual));
    EXPECT_EQ(type, FILE_COMPRESSION_WINLZA);
    EXPECT_EQ(actual, dir.enginePath("setup.ex_"));

    int copyType = -1;
    ASSERT_EQ(decompressOrCopyFile(dir.enginePath("setup.exe"), dir.enginePath("out"), copyType),
              0);
    EXPECT_EQ(readFile(dir.file("out")), original("setup.exe"));
}

TEST(SetupApiTest, ExpandsGoodFilesToTheirOriginals) {
    struct Case {
        const char* file;
        int type; // as given; what the file holds comes back
        int detected;
        const char* original; // nullptr: the file's own bytes
    };
    const Case cases[] = {
        {"setup.ex_", -1, FILE_COMPRESSION_WINLZA, "setup.exe"},
        {"readme.tx_", FILE_COMPRESSION_MSZIP, FILE_COMPRESSION_WINLZA, "readme.txt"},
        {"LongName.sy_", -1, FILE_COMPRESSION_WINLZA, "LongName.sys"},
        {"driver.cab", FILE_COMPRESSION_MSZIP, FILE_COMPRESSION_MSZIP, "driver.inf"},
        {"no-nul-name.cab", -1, FILE_COMPRESSION_MSZIP, "driver.inf"},
        {"stored.cab", -1, FILE_COMPRESSION_NTCAB, "readme.txt"},
        {"originals/mixed.exe", -1, FILE_COMPRESSION_NONE, "mixed.exe"},
        // Told there is no compression, it copies even a compressed file.
        {"setup.ex_", FILE_COMPRESSION_NONE, FILE_COMPRESSION_NONE, nullptr},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("target"), "old content");
        int type = c.type;
        EXPECT_EQ(decompressOrCopyFile(engineForm(fixture(c.file)), dir.enginePath("target"), type),
                  0)
            << c.file;
        EXPECT_EQ(type, c.detected) << c.file;
        const std::string expected = c.original ? original(c.original) : readFile(fixture(c.file));
        EXPECT_EQ(readFile(dir.file("target")), expected) << c.file;
        EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"target"}) << c.file;
    }
}

// The cabinet decoders allocate through a copy of the system they were given; what
// they take must still come back, however many files are expanded.
TEST(SetupApiTest, RepeatedExpansionGivesItsMemoryBack) {
    TempDir dir;
    for (const char* file : {"stored.cab", "driver.cab", "setup.ex_"}) {
        int type = -1;
        ASSERT_EQ(decompressOrCopyFile(engineForm(fixture(file)), dir.enginePath("target"), type),
                  0);
        const size_t before = mallinfo2().uordblks;
        for (int round = 0; round < 200; ++round) {
            type = -1;
            decompressOrCopyFile(engineForm(fixture(file)), dir.enginePath("target"), type);
        }
        EXPECT_LT(mallinfo2().uordblks, before + 64 * 1024) << file;
    }
}

TEST(SetupApiTest, BadFilesFailAndLeaveTheTargetAsItWas) {
    const std::pair<const char*, int> cases[] = {
        {"truncated.ex_", winerr::INVALID_DATA},
        {"huge-length.ex_", winerr::INVALID_DATA},
        {"bad-magic.ex_", winerr::INVALID_DATA},
        {"unknown-method.ex_", winerr::INVALID_DATA},
        {"truncated-header.ex_", winerr::INVALID_DATA},
        {"truncated.cab", winerr::INVALID_DATA},
        {"corrupt-data.cab", winerr::INVALID_DATA},
        {"huge-length.cab", winerr::INVALID_DATA},
        {"empty.cab", winerr::INVALID_DATA},
        {"two-files.cab", winerr::NOT_SUPPORTED},
        {"missing.cab", winerr::FILE_NOT_FOUND},
    };
    for (const auto& [file, error] : cases) {
        TempDir dir;
        writeFile(dir.file("target"), "old content");
        int type = -1;
        EXPECT_EQ(decompressOrCopyFile(engineForm(fixture(file)), dir.enginePath("target"), type),
                  error)
            << file;
        EXPECT_EQ(readFile(dir.file("target")), "old content") << file;
        EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"target"}) << file;
    }
}

TEST(SetupApiTest, TargetsThatCannotBeWrittenThereFail) {
    TempDir dir;
    writeFile(dir.file("elsewhere"), "keep me");
    fs::create_symlink(dir.file("elsewhere"), dir.file("link"));
    fs::create_directory(dir.file("folder"));
    const CStdStr source = engineForm(fixture("setup.ex_"));
    int type = -1;

    EXPECT_EQ(decompressOrCopyFile(source, dir.enginePath("no-such-folder\\setup.exe"), type),
              winerr::PATH_NOT_FOUND);
    EXPECT_EQ(decompressOrCopyFile(source, dir.enginePath("folder"), type), winerr::ACCESS_DENIED);
    EXPECT_TRUE(fs::is_empty(dir.file("folder")));

    // A link at the target is replaced, never written through.
    ASSERT_EQ(decompressOrCopyFile(source, dir.enginePath("link"), type), 0);
    EXPECT_FALSE(fs::is_symlink(dir.file("link")));
    EXPECT_EQ(readFile(dir.file("link")), original("setup.exe"));
    EXPECT_EQ(readFile(dir.file("elsewhere")), "keep me");
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"elsewhere", "folder", "link"}));
}

TEST(SetupApiTest, AFailingFileCallNeverLeavesAPartialTarget) {
    FaultGuard guard;
    const std::pair<const char*, const char*> cases[] = {
        {"setup.ex_", "setup.exe"},
        {"driver.cab", "driver.inf"},
        {"originals/readme.txt", "readme.txt"},
    };
    for (const auto& [file, expected] : cases) {
        for (long call = 1;; ++call) {
            TempDir dir;
            writeFile(dir.file("target"), "old content");
            ExpandFaults faults;
            faults.failFileCall = call;
            faults.failError = winerr::DISK_FULL;
            setExpandFaults(faults);
            int type = -1;
            const int result =
                decompressOrCopyFile(engineForm(fixture(file)), dir.enginePath("target"), type);
            const bool faultHit = expandFileCalls() >= call;
            EXPECT_EQ(result, faultHit ? winerr::DISK_FULL : 0) << file << " call " << call;
            EXPECT_EQ(readFile(dir.file("target")), faultHit ? "old content" : original(expected))
                << file << " call " << call;
            EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"target"}) << file;
            if (!faultHit)
                break;
        }
    }
}
