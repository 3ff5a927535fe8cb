#include "Uncompress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "CompressFixtures.h"
#include "FileOp.h"
#include "OSInfo.h"
#include "TestSupport.h"
#include "platform/ExpandFaults.h"
#include "platform/FaultInjection.h"
#include "platform/SetupApi.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using compress_fixtures::fixture;
using compress_fixtures::original;
using platform::FileOperation;
using testing_support::readFile;
using testing_support::writeFile;
using Contents = std::map<std::string, std::string>;

const char* const kNtStore =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
    "\"CurrentVersion\"=\"5.1\"\n";
const char* const k98Store = "REGEDIT4\n\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
                             "\"VersionNumber\"=\"4.10.1998\"\n";

std::string program(const std::string& name) {
    return readFile(std::string(KENDRY_FIXTURES) + "/pe/" + name);
}

// How the debug log places an error of UncompressFile.
const char* const kUncompressFileError = "FileOp.cpp:Uncompress::UncompressFile(";

class UncompressTest : public ::testing::Test {
protected:
    UncompressTest() : m_tempFolder("TMPDIR", m_dir.file("temp").c_str()) {
        for (const char* folder : {"temp", "source", "installed"})
            fs::create_directories(m_dir.file(folder));
        m_registry.writeAnsi(kNtStore);
    }
    ~UncompressTest() override { platform::setExpandFaults({}); }

    std::string file(const std::string& relative) const { return m_dir.file(relative); }
    CStdStr engine(const std::string& relative) const { return m_dir.enginePath(relative); }

    // The fixture, copied into the source folder under name (its own when empty).
    PathObject source(const std::string& fixtureName, std::string name = "") const {
        if (name.empty())
            name = fs::path(fixtureName).filename().string();
        writeFile(file("source/" + name), readFile(fixture(fixtureName)));
        return PathObject(engine("source\\" + name));
    }

    // The names in a folder, each with its content.
    Contents contentOf(const std::string& relative) const {
        Contents entries;
        for (const auto& entry : fs::directory_iterator(file(relative)))
            entries[entry.path().filename().string()] = readFile(entry.path().string());
        return entries;
    }

    void setInstalled(const Contents& files) {
        fs::remove_all(file("installed"));
        fs::create_directories(file("installed"));
        for (const auto& [name, content] : files)
            writeFile(file("installed/" + name), content);
    }

    // Expands source over installed\<any name>; destination shows the name used.
    bool uncompress(const PathObject& from, bool checkVersion = false) {
        m_destination = PathObject(engine("installed\\placeholder.bin"));
        m_installed = "untouched";
        return Uncompress::UncompressFile(from, m_destination, m_installed, checkVersion);
    }

    const fs::file_time_type m_now = fs::file_time_type::clock::now();
    testing_support::TempDir m_dir;
    testing_support::TempRegistry m_registry;
    testing_support::LogCapture m_log;
    // The temporary folder the engine sees, where each expansion goes first.
    testing_support::ScopedEnvironment m_tempFolder;
    platform::FaultScope m_faults;
    PathObject m_destination;
    CStdStr m_installed;
};

TEST_F(UncompressTest, CompressedNamesEndInAnUnderscoreAfterSomething) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\disk\\setup.ex_", true},  {"a_", true},        {"_", false},
        {"C:\\disk\\setup.exe", false}, {"C:\\a_\\", false},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(Uncompress::isCompressedName(PathObject(path)), expected) << path;
}

TEST_F(UncompressTest, InstallsUnderTheStoredNameThroughTheTempFolder) {
    struct Case {
        const char* fixture;
        const char* as; // the source's name, when not the fixture's
        const char* installedName;
        std::string content;
    };
    const Case cases[] = {
        {"setup.ex_", "", "setup.exe", original("setup.exe")},
        // The stored E follows a lower-case letter: lowered.
        {"mixed.ex_", "", "mixed.exe", original("mixed.exe")},
        {"mixed.ex_", "MIXED.EX_", "MIXED.EXE", original("mixed.exe")},
        {"LongName.sy_", "", "LongName.sys", original("LongName.sys")},
        // Nothing stored: the underscore goes.
        {"readme.tx_", "", "readme.tx", original("readme.txt")},
        {"driver.cab", "", "driver.inf", original("driver.inf")},
        {"driver.cab", "PrinterDriver.in_", "driver.inf", original("driver.inf")},
        {"short-name.cab", "LongName.sy_", "LONGNA~1.SYS", original("LongName.sys")},
        // A plain file is copied as it is.
        {"originals/readme.txt", "", "readme.txt", original("readme.txt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " as " + c.as);
        setInstalled({{c.installedName, "old content"}, {"other.txt", "other"}});
        const PathObject from = source(c.fixture, c.as);
        ASSERT_TRUE(uncompress(from));
        EXPECT_EQ(m_destination.getName(), c.installedName);
        EXPECT_EQ(m_installed, engine("installed\\" + std::string(c.installedName)));
        EXPECT_EQ(contentOf("installed"),
                  (Contents{{c.installedName, c.content}, {"other.txt", "other"}}));
        EXPECT_TRUE(contentOf("temp").empty());
        EXPECT_TRUE(FileOp::fileExists(from));
        fs::remove(file("source/" + from.getName()));
    }
}

TEST_F(UncompressTest, TheExpandedFileWaitsInTheTempFolderUnderItsInstallName) {
    // Kept from being deleted, it shows where the expansion went.
    const CStdStr temp = engine("temp\\setup.exe");
    platform::injectFault({FileOperation::DeleteFile, winerr::SHARING_VIOLATION, temp, 1, true});
    ASSERT_TRUE(uncompress(source("setup.ex_")));
    EXPECT_EQ(contentOf("temp"), (Contents{{"setup.exe", original("setup.exe")}}));
    EXPECT_EQ(contentOf("installed"), (Contents{{"setup.exe", original("setup.exe")}}));
    const CStdStringList& pending = FileOp::pendingRenames();
    EXPECT_NE(std::find(pending.begin(), pending.end(), "NUL=" + temp), pending.end());
}

TEST_F(UncompressTest, NineXFamilyTakesTheBaseNameFromTheSource) {
    m_registry.writeAnsi(k98Store);
    ASSERT_TRUE(OSInfo().is9xFamily());
    const std::pair<const char*, const char*> cases[][2] = {
        // {fixture, source name}, {installed name, original}
        {{"short-name.cab", "LongName.sy_"}, {"LongName.SYS", "LongName.sys"}},
        {{"LongName.sy_", "LongName.sy_"}, {"LongName.sys", "LongName.sys"}},
        {{"driver.cab", "PrinterDriver.in_"}, {"PrinterDriver.inf", "driver.inf"}},
        // No period in the source's name to split at: the stored name.
        {{"driver.cab", "DRIVER_"}, {"driver.inf", "driver.inf"}},
        {{"readme.tx_", "readme.tx_"}, {"readme.tx", "readme.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0].second);
        setInstalled({});
        ASSERT_TRUE(uncompress(source(c[0].first, c[0].second)));
        EXPECT_EQ(m_destination.getName(), c[1].first);
        EXPECT_EQ(contentOf("installed"), (Contents{{c[1].first, original(c[1].second)}}));
        EXPECT_TRUE(contentOf("temp").empty());
        fs::remove(file("source/" + std::string(c[0].second)));
    }
}

TEST_F(UncompressTest, AnUnknownNameIsReportedInTheFamilysWords) {
    const std::pair<const char*, const char*> cases[] = {
        {kNtStore, "Could not get two-files.cab uncompressed \n"},
        {k98Store, "Could not get two-files.cab uncompressed.\n"},
    };
    for (const auto& [store, message] : cases) {
        m_registry.writeAnsi(store);
        m_log.clear();
        EXPECT_FALSE(uncompress(source("two-files.cab")));
        EXPECT_TRUE(m_log.contains(kUncompressFileError));
        EXPECT_TRUE(m_log.contains(message)) << m_log.text();
    }
}

TEST_F(UncompressTest, VersionCheckKeepsANewerInstalledFile) {
    const std::string expanded = program("us-english-x64.exe"); // FileVersion 1.2.3.4
    struct Case {
        const char* what;
        std::string installed; // empty: nothing installed
        int installedAgeHours; // negative: written after the expansion
        bool checkVersion;
        bool replaced;
    };
    const Case cases[] = {
        {"higher version (5.6.7.8)", program("german-two-languages-x86.exe"), 1, true, false},
        {"same version, written later", expanded, -1, true, false},
        {"same version, written earlier", expanded, 1, true, true},
        {"no version", program("no-version-resource.exe"), -1, true, true},
        {"higher version, unchecked", program("german-two-languages-x86.exe"), -1, false, true},
        {"nothing installed", "", 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setInstalled({});
        if (!c.installed.empty()) {
            writeFile(file("installed/versioned.exe"), c.installed);
            fs::last_write_time(file("installed/versioned.exe"),
                                m_now - std::chrono::hours(c.installedAgeHours));
        }
        EXPECT_TRUE(uncompress(source("versioned.ex_"), c.checkVersion));
        const std::string now = readFile(file("installed/versioned.exe"));
        EXPECT_EQ(now, c.replaced ? expanded : c.installed);
        EXPECT_EQ(m_installed, c.replaced ? engine("installed\\versioned.exe") : "untouched");
        EXPECT_TRUE(contentOf("temp").empty());
    }
}

TEST_F(UncompressTest, BadInputFailsAndLeavesEverythingAsItWas) {
    struct Case {
        const char* file;
        const char* message; // besides "could not uncompress file"
    };
    const Case cases[] = {
        {"truncated.ex_", ""},
        {"huge-length.ex_", ""},
        {"truncated.cab", ""},
        {"corrupt-data.cab", ""},
        {"huge-length.cab", ""},
        {"bad-missing-char.ex_", "Function GetExpandedName returned error -7"},
        {"no-nul-name.cab", "No usable file name in the first 320 bytes of "},
        {"empty.cab", "SetupGetFileCompressionInfoEx failed with error code 13"},
        {"two-files.cab", "Could not get two-files.cab uncompressed "},
        {"stored.cab", "Could not get stored.cab uncompressed "},
    };
    const Contents before = {{"setup.exe", "old setup"}, {"driver.inf", "old driver"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        setInstalled(before);
        m_log.clear();
        const PathObject from = source(c.file);
        EXPECT_FALSE(uncompress(from));
        EXPECT_TRUE(m_log.contains(kUncompressFileError));
        EXPECT_TRUE(m_log.contains(c.message)) << m_log.text();
        EXPECT_TRUE(m_log.contains("could not uncompress file " + from.getFullPath() + ".\n"))
            << m_log.text();
        EXPECT_EQ(m_installed, "untouched");
        EXPECT_EQ(contentOf("installed"), before);
        EXPECT_TRUE(contentOf("temp").empty());
    }
}

TEST_F(UncompressTest, UnreadableSourcesAreNotOpened) {
    const char* const cases[] = {"bad-magic.ex_", "truncated-header.ex_", "unknown-method.ex_"};
    for (const char* name : cases) {
        SCOPED_TRACE(name);
        setInstalled({{"setup.exe", "old setup"}});
        m_log.clear();
        const PathObject from = source(name);
        EXPECT_FALSE(uncompress(from));
        EXPECT_TRUE(m_log.contains("Could not get " + std::string(name) + " uncompressed "));
        EXPECT_TRUE(m_log.contains("Could not open file " + from.getFullPath() + ".\n"))
            << m_log.text();
        EXPECT_EQ(contentOf("installed"), (Contents{{"setup.exe", "old setup"}}));
        EXPECT_TRUE(contentOf("temp").empty());
    }
    m_log.clear();
    EXPECT_FALSE(uncompress(PathObject(engine("source\\missing.ex_"))));
    EXPECT_TRUE(m_log.contains(kUncompressFileError));
    EXPECT_TRUE(m_log.contains("Could not open file " + engine("source\\missing.ex_") + ".\n"));
    EXPECT_TRUE(contentOf("temp").empty());
}

TEST_F(UncompressTest, AFailedMszipExpansionKeepsTheInstalledFile) {
    // The expansion used to begin by deleting the installed file.
    setInstalled({{"driver.inf", "installed driver"}});
    EXPECT_FALSE(uncompress(source("corrupt-data.cab", "driver.cab")));
    EXPECT_EQ(contentOf("installed"), (Contents{{"driver.inf", "installed driver"}}));
    EXPECT_TRUE(contentOf("temp").empty());
    ASSERT_TRUE(uncompress(source("driver.cab")));
    EXPECT_EQ(contentOf("installed"), (Contents{{"driver.inf", original("driver.inf")}}));
}

TEST_F(UncompressTest, AFailedExpansionTakesALeftoverOfItsNameAlong) {
    // As an interrupted earlier run leaves it.
    writeFile(file("temp/setup.exe"), "half expanded");
    fs::create_directories(file("temp/driver.inf"));
    EXPECT_FALSE(uncompress(source("truncated.ex_", "setup.ex_")));
    EXPECT_FALSE(uncompress(source("corrupt-data.cab", "driver.cab")));
    EXPECT_FALSE(fs::exists(file("temp/setup.exe")));
    // A folder of that name is not the expansion's.
    EXPECT_TRUE(fs::is_directory(file("temp/driver.inf")));
}

TEST_F(UncompressTest, AFailingFileCallLosesNothingAndLeavesNoTempFile) {
    const char* const cases[][2] = {
        // fixture, installed name (also the original's)
        {"setup.ex_", "setup.exe"},
        {"driver.cab", "driver.inf"},
        {"originals/readme.txt", "readme.txt"},
    };
    for (const auto& [fixtureName, name] : cases) {
        const PathObject from = source(fixtureName);
        const std::string expanded = original(name);
        for (long call = 1;; ++call) {
            SCOPED_TRACE(std::string(fixtureName) + " call " + std::to_string(call));
            setInstalled({{name, "installed"}});
            platform::ExpandFaults faults;
            faults.failFileCall = call;
            // What a temporary folder that went missing does to the expansion.
            faults.failError = winerr::PATH_NOT_FOUND;
            platform::setExpandFaults(faults);
            const bool result = uncompress(from);
            const bool faultHit = platform::expandFileCalls() >= call;
            platform::setExpandFaults({});
            EXPECT_EQ(result, !faultHit);
            EXPECT_EQ(contentOf("installed"),
                      (Contents{{name, faultHit ? "installed" : expanded}}));
            EXPECT_TRUE(contentOf("temp").empty());
            if (!faultHit)
                break;
        }
    }
}

TEST_F(UncompressTest, AFailedCopyRemovesTheTempFile) {
    setInstalled({{"setup.exe", "installed"}});
    platform::injectFault({FileOperation::CopyFile, winerr::ACCESS_DENIED, "", 1, true});
    const PathObject from = source("setup.ex_");
    EXPECT_FALSE(uncompress(from));
    EXPECT_TRUE(m_log.contains(kUncompressFileError));
    EXPECT_TRUE(m_log.contains("could not copy file " + from.getFullPath() + ".\n"));
    EXPECT_EQ(m_installed, "untouched");
    EXPECT_EQ(contentOf("installed"), (Contents{{"setup.exe", "installed"}}));
    EXPECT_TRUE(contentOf("temp").empty());
}

TEST_F(UncompressTest, LongPathsKeepTheirFolderAndStillExpand) {
    // Folder names here have no short form, so nothing can be shortened.
    const std::string deep = "source/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    fs::create_directories(file(deep));
    PathObject shortPath(engine("source\\setup.ex_"));
    EXPECT_TRUE(Uncompress::shortenLongPath(shortPath));
    EXPECT_EQ(shortPath.getFullPath(), engine("source\\setup.ex_"));
    const CStdStr longPaths[] = {
        engine(deep) + "\\setup.ex_",
        engine(deep) + "\\missing\\setup.ex_",
        CStdStr(130, 'n'),
    };
    for (const CStdStr& text : longPaths) {
        PathObject path(text);
        const CStdStr before = path.getFullPath();
        EXPECT_FALSE(Uncompress::shortenLongPath(path)) << text;
        EXPECT_EQ(path.getFullPath(), before);
    }

    writeFile(file(deep + "/setup.ex_"), readFile(fixture("setup.ex_")));
    const std::string deepTemp = "temp/" + std::string(70, 't') + "/" + std::string(60, 'u');
    fs::create_directories(file(deepTemp));
    testing_support::ScopedEnvironment tempFolder("TMPDIR", file(deepTemp).c_str());
    ASSERT_GE(engine(deep + "/setup.ex_").size(), platform::LZ_MAX_PATH);
    ASSERT_TRUE(uncompress(PathObject(engine(deep) + "\\setup.ex_")));
    EXPECT_EQ(contentOf("installed"), (Contents{{"setup.exe", original("setup.exe")}}));
    EXPECT_TRUE(contentOf(deepTemp).empty());
}

TEST_F(UncompressTest, AMissingTempFolderFallsBackToTheSystemOne) {
    // The name is this run's own, so that nothing else in /tmp can hold it.
    const std::string name = "kendry-uncompress-" + std::to_string(::getpid());
    testing_support::ScopedEnvironment tempFolder("TMPDIR", file("no-such-folder").c_str());
    ASSERT_TRUE(uncompress(source("setup.ex_", name + ".ex_")));
    EXPECT_EQ(contentOf("installed"), (Contents{{name + ".exe", original("setup.exe")}}));
    EXPECT_FALSE(fs::exists("/tmp/" + name + ".exe"));
    EXPECT_FALSE(fs::exists(file("no-such-folder")));
}

TEST_F(UncompressTest, UncompressedNamesOfEachKind) {
    writeFile(file("source/packed.in_"), readFile(fixture("driver.cab")));
    struct Case {
        const char* source;
        int result;
        const char* expanded; // nullptr: left as it was
        const char* message;
    };
    const Case cases[] = {
        {"setup.ex_", 1, "setup.exe", ""},
        {"mixed.ex_", 1, "mixed.exE", ""},
        {"driver.cab", 1, "driver.inf", ""},
        {"short-name.cab", 1, "LONGNA~1.SYS", ""},
        {"readme.txt", 1, "readme.txt", ""},
        {"two-files.cab", -7, nullptr, ""},
        {"bad-missing-char.ex_", -7, nullptr,
         "Function GetExpandedName returned error -7 while retrieving uncompressed filename from "
         "file.\n"},
        {"no-nul-name.cab", -7, nullptr, "No usable file name in the first 320 bytes of "},
        {"missing.ex_", -7, nullptr,
         "Function in SetupApi.dll SetupGetFileCompressionInfoEx failed with error code 2\n"},
        // The setup library finds packed.in_ for it, but the name itself cannot be read.
        {"packed.inf", -7, nullptr, "Cannot open file "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        if (std::string(c.source) != "packed.inf" && std::string(c.source) != "missing.ex_")
            source(std::string(c.source) == "readme.txt" ? "originals/readme.txt" : c.source);
        m_log.clear();
        CStdStr expanded = "untouched";
        const CStdStr path = engine("source\\" + std::string(c.source));
        EXPECT_EQ(Uncompress::GetUncompressedName(path, expanded), c.result);
        EXPECT_EQ(expanded,
                  c.expanded ? engine("source\\" + std::string(c.expanded)) : "untouched");
        EXPECT_TRUE(m_log.contains(c.message)) << m_log.text();
    }
    EXPECT_TRUE(m_log.contains("FileOp.cpp:Uncompress::GetUncompressedName("));
    EXPECT_TRUE(m_log.contains("Cannot open file " + engine("source\\packed.inf") +
                               " to retrieve file information.\n"));
}

TEST_F(UncompressTest, CompressionTypeFromWhicheverQueryTheLibraryOffers) {
    const CStdStr cabinet = source("driver.cab").getFullPath();
    const CStdStr missing = engine("source\\missing.cab");
    struct Case {
        std::vector<std::string> missingEntryPoints;
        int cabinetType;
        const char* message; // for the missing file
    };
    const Case cases[] = {
        {{},
         platform::FILE_COMPRESSION_MSZIP,
         "SetupGetFileCompressionInfoEx failed with error code 2\n"},
        {{platform::SETUP_GET_FILE_COMPRESSION_INFO_EX},
         platform::FILE_COMPRESSION_MSZIP,
         "SetupGetFileCompressionInfo failed with error code 2\n"},
        {{platform::SETUP_GET_FILE_COMPRESSION_INFO_EX, platform::SETUP_GET_FILE_COMPRESSION_INFO},
         -1,
         "Function in SetupApi.dll SetupGetFileCompressionInfoEx or SetupGetFileCompressionInfo "
         "failed to load. \n"},
    };
    for (const Case& c : cases) {
        platform::ExpandFaults faults;
        faults.missingEntryPoints = c.missingEntryPoints;
        platform::setExpandFaults(faults);
        m_log.clear();
        EXPECT_EQ(Uncompress::GetCompressionType(cabinet), c.cabinetType);
        EXPECT_EQ(Uncompress::GetCompressionType(missing), -1);
        EXPECT_TRUE(m_log.contains("FileOp.cpp:Uncompress::GetCompressionType("));
        EXPECT_TRUE(m_log.contains(c.message)) << m_log.text();
    }
    platform::setExpandFaults({});
    EXPECT_EQ(Uncompress::GetCompressionType(source("setup.ex_").getFullPath()),
              platform::FILE_COMPRESSION_WINLZA);
    EXPECT_EQ(Uncompress::GetCompressionType(source("stored.cab").getFullPath()),
              platform::FILE_COMPRESSION_NTCAB);
    EXPECT_EQ(Uncompress::GetCompressionType(source("originals/setup.exe").getFullPath()),
              platform::FILE_COMPRESSION_NONE);
}

TEST_F(UncompressTest, AnMszipCabinetNeedsTheDecompressEntryPoint) {
    setInstalled({{"driver.inf", "installed"}});
    platform::ExpandFaults faults;
    faults.missingEntryPoints = {platform::SETUP_DECOMPRESS_OR_COPY_FILE};
    platform::setExpandFaults(faults);
    EXPECT_FALSE(uncompress(source("driver.cab")));
    EXPECT_EQ(contentOf("installed"), (Contents{{"driver.inf", "installed"}}));
    // LZ files expand through the LZ library, without it.
    EXPECT_TRUE(uncompress(source("setup.ex_")));
    EXPECT_TRUE(contentOf("temp").empty());
}

// Whether the setup library was usable lasts for the process: the case runs
// in a fresh one.
class UncompressDeathTest : public UncompressTest {
protected:
    // 0 when everything failed as it should without the library.
    int expandWithoutTheSetupLibrary() {
        platform::ExpandFaults faults;
        faults.setupApiMissing = true;
        platform::setExpandFaults(faults);
        setInstalled({{"setup.exe", "installed"}});
        const bool failed =
            !uncompress(source("setup.ex_")) &&
            Uncompress::GetCompressionType(source("driver.cab").getFullPath()) == -1;
        const bool logged = m_log.contains("FileOp.cpp:Uncompress::LoadSetupApi(") &&
                            m_log.contains("): SetupAPI library was not loaded. Stop.\n");
        const bool kept = contentOf("installed") == Contents{{"setup.exe", "installed"}} &&
                          contentOf("temp").empty();
        // Once it was usable, it stays so.
        platform::setExpandFaults({});
        const bool loaded = Uncompress::LoadSetupApi();
        platform::setExpandFaults(faults);
        const bool stays = Uncompress::LoadSetupApi();
        return failed && logged && kept && loaded && stays ? 0 : 1;
    }
};

TEST_F(UncompressDeathTest, WithoutTheSetupLibraryNothingExpands) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(expandWithoutTheSetupLibrary()), ::testing::ExitedWithCode(0), "");
}

} // namespace
