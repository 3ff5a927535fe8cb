#include "platform/LzExpand.h"

#include <gtest/gtest.h>

#include <filesystem>
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

// Opens source and target, copies, closes both; the copy's result, or the
// failed open's.
std::int64_t copyFile(const CStdStr& source, const CStdStr& target) {
    OFSTRUCT info;
    const int in = lzOpenFile(source, info, OF_READ);
    if (in < 0)
        return in;
    const int out = lzOpenFile(target, info, OF_CREATE);
    if (out < 0) {
        lzClose(in);
        return out;
    }
    const std::int64_t result = lzCopy(in, out);
    lzClose(in);
    lzClose(out);
    return result;
}

} // namespace

TEST(LzExpandTest, ExpandedNameComesFromTheHeader) {
    TempDir dir;
    writeFile(dir.file("readme._"), readFile(fixture("readme.tx_")));
    writeFile(dir.file("_"), readFile(fixture("readme.tx_")));
    const std::pair<std::string, std::string> cases[] = {
        {fixture("setup.ex_"), fixture("setup.exe")},
        {fixture("mixed.ex_"), fixture("mixed.exE")},
        {fixture("LongName.sy_"), fixture("LongName.syS")},
        // No character stored: the underscore goes, and a period left at the end.
        {fixture("readme.tx_"), fixture("readme.tx")},
        {dir.file("readme._"), dir.file("readme")},
        {dir.file("_"), dir.file("_")},
        // Not SZDD: the name stays, whatever it ends with.
        {fixture("driver.cab"), fixture("driver.cab")},
        {fixture("originals/setup.exe"), fixture("originals/setup.exe")},
    };
    for (const auto& [path, expected] : cases) {
        CStdStr expanded;
        EXPECT_EQ(getExpandedName(engineForm(path), expanded), 1) << path;
        EXPECT_EQ(expanded, engineForm(expected)) << path;
    }
}

TEST(LzExpandTest, ExpandedNameOfABadFileIsAnError) {
    const std::pair<const char*, int> cases[] = {
        {"bad-missing-char.ex_", LZERROR_BADVALUE}, // a stored backslash would make a path
        {"bad-magic.ex_", LZERROR_READ},
        {"unknown-method.ex_", LZERROR_UNKNOWNALG},
        {"missing.ex_", LZERROR_BADINHANDLE},
    };
    for (const auto& [file, error] : cases) {
        CStdStr expanded = "untouched";
        EXPECT_EQ(getExpandedName(engineForm(fixture(file)), expanded), error) << file;
        EXPECT_EQ(expanded, "untouched") << file;
    }
}

TEST(LzExpandTest, CopyExpandsSzddAndCopiesEverythingElse) {
    const std::pair<const char*, std::string> cases[] = {
        {"setup.ex_", original("setup.exe")},
        {"readme.tx_", original("readme.txt")},
        {"LongName.sy_", original("LongName.sys")},
        // The LZ library knows no cabinets: to it they are plain files.
        {"driver.cab", readFile(fixture("driver.cab"))},
        {"originals/driver.inf", original("driver.inf")},
    };
    for (const auto& [file, expected] : cases) {
        TempDir dir;
        EXPECT_EQ(copyFile(engineForm(fixture(file)), dir.enginePath("out")),
                  static_cast<std::int64_t>(expected.size()))
            << file;
        EXPECT_EQ(readFile(dir.file("out")), expected) << file;
        EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"out"}) << file;
    }
}

TEST(LzExpandTest, BadFilesFailWithoutLeavingATarget) {
    const std::pair<const char*, int> cases[] = {
        {"truncated.ex_", LZERROR_READ},
        {"huge-length.ex_", LZERROR_READ},
        {"bad-magic.ex_", LZERROR_READ},
        {"truncated-header.ex_", LZERROR_READ},
        {"unknown-method.ex_", LZERROR_UNKNOWNALG},
        {"missing.ex_", LZERROR_BADINHANDLE},
    };
    for (const auto& [file, error] : cases) {
        TempDir dir;
        writeFile(dir.file("out"), "old content");
        EXPECT_EQ(copyFile(engineForm(fixture(file)), dir.enginePath("out")), error) << file;
        EXPECT_EQ(readFile(dir.file("out")), "old content") << file;
        EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"out"}) << file;
    }
}

TEST(LzExpandTest, OpenChecksStyleAndFolderButNotPathLength) {
    TempDir dir;
    // Beyond what the Windows library's record holds: no short form could
    // bring it within that here, so it opens as it is.
    const std::string longName(LZ_MAX_PATH + 40, 'a');
    const CStdStr longPath = dir.enginePath(longName);
    writeFile(dir.file(longName), "plain");
    OFSTRUCT info;

    const int handle = lzOpenFile(longPath, info, OF_READ);
    EXPECT_GE(handle, 0);
    EXPECT_EQ(info.pathName, longPath);
    lzClose(handle);
    const int created = lzOpenFile(longPath + "b", info, OF_CREATE);
    EXPECT_GE(created, 0);
    lzClose(created);

    EXPECT_EQ(lzOpenFile(dir.enginePath("missing"), info, OF_READ), LZERROR_BADINHANDLE);
    EXPECT_EQ(info.errorCode, winerr::FILE_NOT_FOUND);
    EXPECT_EQ(lzOpenFile(dir.enginePath("no-folder\\out"), info, OF_CREATE), LZERROR_BADOUTHANDLE);
    EXPECT_EQ(info.errorCode, winerr::PATH_NOT_FOUND);
    EXPECT_EQ(lzOpenFile(longPath, info, 2), LZERROR_BADVALUE);
}

TEST(LzExpandTest, HandlesAreCheckedAndATargetIsWrittenOnce) {
    TempDir dir;
    OFSTRUCT info;
    const int in = lzOpenFile(engineForm(fixture("setup.ex_")), info, OF_READ);
    const int out = lzOpenFile(dir.enginePath("out"), info, OF_CREATE);
    const int unused = lzOpenFile(dir.enginePath("unused"), info, OF_CREATE);
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    ASSERT_GE(unused, 0);
    // Until the copy completes, nothing is at the target's name.
    EXPECT_FALSE(testing_support::fileExists(dir.file("out")));

    EXPECT_EQ(lzCopy(out, in), LZERROR_BADINHANDLE);
    EXPECT_EQ(lzCopy(in, in), LZERROR_BADOUTHANDLE);
    EXPECT_EQ(lzCopy(in, out), static_cast<std::int64_t>(original("setup.exe").size()));
    EXPECT_EQ(lzCopy(in, out), LZERROR_BADOUTHANDLE);
    lzClose(in);
    lzClose(out);
    lzClose(unused);
    EXPECT_EQ(lzCopy(in, unused), LZERROR_BADINHANDLE);
    EXPECT_EQ(readFile(dir.file("out")), original("setup.exe"));
    EXPECT_EQ(entriesOf(dir.path()), std::set<std::string>{"out"});
}

TEST(LzExpandTest, AFailingFileCallNeverLeavesAPartialTarget) {
    for (long call = 1;; ++call) {
        TempDir dir;
        ExpandFaults faults;
        faults.failFileCall = call;
        faults.failError = winerr::DISK_FULL;
        setExpandFaults(faults);
        const std::int64_t result =
            copyFile(engineForm(fixture("setup.ex_")), dir.enginePath("out"));
        const bool faultHit = expandFileCalls() >= call;
        setExpandFaults({});
        if (!faultHit) {
            EXPECT_EQ(readFile(dir.file("out")), original("setup.exe"));
            break;
        }
        EXPECT_LT(result, 0) << "call " << call;
        EXPECT_TRUE(entriesOf(dir.path()).empty()) << "call " << call;
    }
}
