// Whole runs of the built program with one fault planted in each: the run must end as usual,
// log what went wrong and lose nothing. Every destination file keeps its old content or gets
// the new one, and nothing outside the destination changes: the package and a folder beside
// it are compared entry by entry before and after.
#include <spawn.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ProgramTestSupport.h"
#include "Registry.h"

namespace {

using namespace program_test;

const auto kEarlier = fs::file_time_type::clock::now() - std::chrono::hours(1);

// What a tree holds, entry by entry: kind, permissions, last-write time and the bytes (or a
// link's target). Folders show no time: removing a file from one changes it. Top-level names
// in leaveOut are not looked at.
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const std::string& root, const std::set<std::string>& leaveOut = {}) {
    Snapshot entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (it.depth() == 0 && leaveOut.count(relative)) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::file_status status = it->symlink_status();
        const std::string mode = std::to_string(static_cast<unsigned>(status.permissions()));
        if (fs::is_symlink(status))
            entries[relative] = "link to " + fs::read_symlink(it->path()).string();
        else if (fs::is_directory(status))
            entries[relative] = "folder " + mode;
        else
            entries[relative] = "file " + mode + " " +
                                std::to_string(it->last_write_time().time_since_epoch().count()) +
                                " " +
                                std::to_string(std::hash<std::string>()(readFile(it->path())));
    }
    return entries;
}

// The files below a folder with their contents; a link shows where it points instead.
std::map<std::string, std::string> contents(const std::string& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_symlink())
            files[relative] = "-> " + fs::read_symlink(entry.path()).string();
        else if (!entry.is_directory())
            files[relative] = readFile(entry.path());
    }
    return files;
}

void replaceAll(std::string& text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

// A package that hides its licence and whose set-up program is let go at once, and beside it
// a folder, Outside, that no run may change.
class FaultPackage : public Package {
public:
    FaultPackage() : Package("%ExtrPath%\\setup-program.sh", "Payload", "HideEULA=true\n") {
        writeSetupProgram("setup-program.sh");
        letProgramGo();
        writeFile(file("Outside/victim.txt"), "outside the destination");
        fs::last_write_time(file("Outside/victim.txt"), kEarlier);
    }
    ~FaultPackage() {
        if (m_running > 0) {
            ::kill(m_running, SIGKILL);
            ::waitpid(m_running, nullptr, 0);
        }
    }

    // Everything but the destination and what the run itself writes.
    Snapshot untouched() const {
        return snapshot(file(""), {"Target Folder", "tmp", "marks", "home", "Xauthority"});
    }
    // A file installed by an earlier run: older than the package's, so a replacement goes on.
    void installed(const std::string& relative, const std::string& content) const {
        writeFile(target(relative), content);
        fs::last_write_time(target(relative), kEarlier);
    }
    // A log line with $P standing for the package folder as the log writes it.
    std::string logLine(std::string pattern) const {
        replaceAll(pattern, "$P", enginePath(""));
        return pattern;
    }
    void startInstalledProgram(const std::string& relative) {
        const std::string program = target(relative);
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("60"), nullptr};
        ASSERT_EQ(::posix_spawn(&m_running, program.c_str(), nullptr, nullptr, argv, environ), 0);
    }
    bool installedProgramRuns() const {
        return m_running > 0 && ::waitpid(m_running, nullptr, WNOHANG) == 0;
    }

private:
    pid_t m_running = -1;
};

void unwritable(const std::string& folder) {
    if (Installer::dropsPrivileges()) {
        ASSERT_EQ(::chown(folder.c_str(), 0, 0), 0);
    }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
}

// The destination folder made beforehand, writable by the account the run uses.
void destinationForUnprivileged(const FaultPackage& package) {
    fs::create_directories(package.target());
    if (Installer::dropsPrivileges()) {
        ASSERT_EQ(::chown(package.target().c_str(), kUnprivileged, kUnprivileged), 0);
    }
}

using Files = std::map<std::string, std::string>;

struct Row {
    const char* name;
    Files payload;
    // Files at the destination before the run.
    Files installed;
    // Plants the fault once the package is complete.
    std::function<void(FaultPackage&, RunOptions&)> plant;
    // The destination after the run.
    Files expected;
    // Lines the log must hold ($P for the package folder); none when no log may be written.
    std::vector<std::string> log;
    // The run may write no log at all.
    bool noLog = false;
    bool programStarts = true;
    // Done while the first overwrite question holds the copy.
    std::function<void(FaultPackage&)> duringQuestion = nullptr;
    // Package entries the row itself removes.
    std::set<std::string> removed = {};
    std::function<void(FaultPackage&)> check = nullptr;
};

void runRow(const Row& row) {
    SCOPED_TRACE(row.name);
    FaultPackage package;
    for (const auto& [relative, content] : row.payload)
        writeFile(package.file("Payload/" + relative), content);
    for (const auto& [relative, content] : row.installed)
        package.installed(relative, content);
    RunOptions options;
    if (row.plant)
        row.plant(package, options);
    if (options.unprivileged && !Installer::dropsPrivileges())
        std::printf("[ NOTE     ] %s: not root, so the run keeps this account, whose permissions "
                    "already apply\n",
                    row.name);
    Snapshot before = package.untouched();
    for (const std::string& entry : row.removed)
        before.erase(entry);

    // A file already at the destination raises the overwrite question; the first is answered
    // with yes to all.
    bool asks = false;
    for (const auto& file : row.payload)
        asks = asks || fs::exists(package.target(file.first));

    Installer run(package, options);
    run.keys(run.window("Folder page"), "Return");
    if (asks) {
        const std::string question = run.window("Replace file");
        ASSERT_FALSE(question.empty());
        if (row.duringQuestion)
            row.duringQuestion(package);
        run.keys(question, "Tab space");
    }
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_EQ(package.programStarted(), row.programStarts);
    EXPECT_EQ(contents(package.target()), row.expected);
    EXPECT_EQ(package.untouched(), before);
    const std::string log = package.log();
    const bool logged = log.find("| Kendry: to Launch Application.\n") != std::string::npos;
    EXPECT_EQ(logged, !row.noLog) << log;
    for (const std::string& line : row.log)
        EXPECT_NE(log.find(package.logLine(line)), std::string::npos)
            << package.logLine(line) << " not in\n"
            << log;
    if (row.check)
        row.check(package);
}

const std::string kBig(2 << 20, 'n');

TEST(FaultMatrixTest, CopyFaultsSkipTheFileKeepItsOldContentAndEndWith0) {
    const std::string sleepProgram = readFile("/bin/sleep");
    const Row rows[] = {
        {"disk full",
         {{"small.txt", "new small"}, {"big.bin", kBig}, {"new.bin", kBig}},
         {{"big.bin", "old big"}},
         [](FaultPackage&, RunOptions& options) { options.fileSizeLimit = 1 << 20; },
         {{"small.txt", "new small"}, {"big.bin", "old big"}},
         {"CopyFile failed with code 112\n",
          "FileAction::simpleCopy: could not copy file $P\\Payload\\big.bin.\n",
          "FileAction::simpleCopy: could not copy file $P\\Payload\\new.bin.\n",
          "$P\\Target Folder\\small.txt\n"}},
        {"destination folder cannot be written",
         {{"readme.txt", "new readme"}, {"Sub/new.txt", "new"}},
         {{"readme.txt", "old readme"}},
         [](FaultPackage& package, RunOptions& options) {
             options.unprivileged = true;
             Installer::shareWithUnprivileged(package);
             unwritable(package.target());
         },
         {{"readme.txt", "old readme"}},
         {"CopyFile failed with code 5\n",
          "FileAction::simpleCopy: could not copy file $P\\Payload\\readme.txt.\n",
          "FileAction::createPath: failed to create path $P\\Target Folder\\Sub.\n"}},
        {"unreadable source file",
         {{"readme.txt", "new readme"}, {"secret.txt", "new secret"}, {"Locked/x.txt", "x"}},
         {{"secret.txt", "old secret"}},
         [](FaultPackage& package, RunOptions& options) {
             options.unprivileged = true;
             Installer::shareWithUnprivileged(package);
             destinationForUnprivileged(package);
             fs::permissions(package.file("Payload/secret.txt"), fs::perms::none);
             fs::permissions(package.file("Payload/Locked"), fs::perms::none);
         },
         {{"readme.txt", "new readme"}, {"secret.txt", "old secret"}},
         {"CopyFile failed with code 5\n",
          "FileAction::simpleCopy: could not copy file $P\\Payload\\secret.txt.\n",
          "FileAction::GetDirFiles: Source path is invalid: $P\\Payload\\Locked\\*\n",
          "FileAction::recursivelyCopyAllFiles: Source path is invalid: $P\\Payload\\Locked\\*\n",
          "$P\\Target Folder\\readme.txt\n"}},
        {"source file removed during the copy",
         {{"a.txt", "new a"}, {"b.txt", "new b"}},
         {{"a.txt", "old a"}},
         nullptr,
         {{"a.txt", "old a"}, {"b.txt", "new b"}},
         {"CopyFile failed with code 2\n",
          "FileAction::simpleCopy: could not copy file $P\\Payload\\a.txt.\n",
          "$P\\Target Folder\\b.txt\n"},
         false,
         true,
         [](FaultPackage& package) { fs::remove(package.file("Payload/a.txt")); },
         {"Payload/a.txt"}},
        {"destination file is a running program",
         {{"Tools/prog", "#!/bin/sh\necho new\n"}},
         {{"Tools/prog", sleepProgram}},
         [](FaultPackage& package, RunOptions&) {
             fs::permissions(package.target("Tools/prog"), fs::perms::owner_all);
             package.startInstalledProgram("Tools/prog");
         },
         {{"Tools/prog", "#!/bin/sh\necho new\n"}},
         {"$P\\Target Folder\\Tools\\prog\n"},
         false,
         true,
         nullptr,
         {},
         // The program goes on from the file it was started from.
         [](FaultPackage& package) { EXPECT_TRUE(package.installedProgramRuns()); }},
        {"destination file is a link to a file outside",
         {{"link.txt", "new link"}},
         {},
         [](FaultPackage& package, RunOptions&) {
             fs::create_directories(package.target());
             fs::create_symlink(package.file("Outside/victim.txt"), package.target("link.txt"));
         },
         {{"link.txt", "new link"}},
         {"$P\\Target Folder\\link.txt\n"}},
    };
    for (const Row& row : rows)
        runRow(row);
}

void replaceInFile(const std::string& path, const std::string& what, const std::string& with) {
    std::string text = readFile(path);
    replaceAll(text, what, with);
    writeFile(path, text);
}

TEST(FaultMatrixTest, FaultsAroundTheCopyLeaveTheRunGoingAndTheirFilesAsTheyWere) {
    const std::string garbage("\x00\xff\xfeWindows Registry\r\n[HKEY_LOCAL_MACHINE\x00\x01", 32);
    const Row rows[] = {
        {"temporary folder cannot be written",
         {{"readme.txt", "new readme"}},
         {},
         [](FaultPackage& package, RunOptions& options) {
             options.unprivileged = true;
             Installer::shareWithUnprivileged(package);
             destinationForUnprivileged(package);
             unwritable(package.file("tmp"));
         },
         {{"readme.txt", "new readme"}},
         {},
         true},
        {"log path is a planted link",
         {{"readme.txt", "new readme"}},
         {},
         [](FaultPackage& package, RunOptions&) {
             fs::create_symlink(package.file("Outside/victim.txt"),
                                package.file("tmp/RuZidiv.log"));
         },
         {{"readme.txt", "new readme"}},
         {},
         true,
         true,
         nullptr,
         {},
         [](FaultPackage& package) {
             EXPECT_EQ(fs::read_symlink(package.file("tmp/RuZidiv.log")),
                       package.file("Outside/victim.txt"));
         }},
        {"corrupt registry store",
         {{"readme.txt", "new readme"}},
         {},
         [&garbage](FaultPackage& package, RunOptions& options) {
             writeFile(package.file("Outside/store.reg"), garbage);
             options.environment.push_back("KENDRY_REGISTRY=" + package.file("Outside/store.reg"));
         },
         {{"readme.txt", "new readme"}},
         {"$P\\Target Folder\\readme.txt\n"}},
        {"set-up program does not exist",
         {{"readme.txt", "new readme"}},
         {},
         [](FaultPackage& package, RunOptions&) {
             replaceInFile(package.file("Setup.ini"), "setup-program.sh", "missing.sh");
         },
         {{"readme.txt", "new readme"}},
         {"$P\\Target Folder\\readme.txt\n",
          "DirDialog::OnFinish: The set-up program could not be started (error 2): "
          "$P\\missing.sh\n"},
         false,
         false},
    };
    for (const Row& row : rows)
        runRow(row);
}

// The run starts as with any other Setup.ini: what it cannot find reads as empty.
TEST(FaultMatrixTest, ASetupIniOfBinaryGarbageShowsAnEmptyLicencePageAndEndsWith0) {
    FaultPackage package;
    std::mt19937 random(11);
    std::string garbage(64 << 10, '\0');
    for (char& byte : garbage)
        byte = static_cast<char>(random() & 0xff);
    writeFile(package.file("Setup.ini"), garbage);
    const Snapshot before = package.untouched();

    Installer run(package);
    const std::string page = run.window("");
    ASSERT_FALSE(page.empty());
    clickCloseBox(page);
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_FALSE(package.programStarted());
    EXPECT_FALSE(fileExists(package.target()));
    EXPECT_EQ(package.untouched(), before);
    const std::string log = package.log();
    for (const std::string& line :
         {std::string("| Kendry: to Launch Application.\n"),
          package.logLine("IniFile::Read $P\\Setup.ini [line 1]: Data found that does not belong "
                          "to any section\n"),
          std::string("Kendry::Cannot launch an application: InstallPath does not have right "
                      "settings. \n"),
          package.logLine("LicenseDialog::LoadLicenceText: The licence file $P could not be "
                          "read. \n")})
        EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
}

// Half of it is another section, half the title of the folder page: a title that long is
// more than the window system takes, and would end the run with an X error.
TEST(FaultMatrixTest, ASetupIniOf100MegabytesIsReadWholeAndItsLongValueIsCut) {
    FaultPackage package;
    writeFile(package.file("Payload/readme.txt"), "new readme");
    const size_t half = 50 << 20;
    {
        std::string keys = readFile(package.file("Setup.ini"));
        replaceAll(keys, "Nav_Title=Folder page", "Nav_Title=" + std::string(half, 'x'));
        std::ofstream out(package.file("Setup.ini"), std::ios::binary | std::ios::trunc);
        out << "[Filler]\n";
        const std::string value(88, 'f');
        for (size_t i = 0; i < half / 100; ++i)
            out << "Entry" << std::to_string(1000000 + i) << "=" << value << "\n";
        out << keys;
    }
    ASSERT_GE(fs::file_size(package.file("Setup.ini")), 100u << 20);
    const Snapshot before = package.untouched();

    const auto start = std::chrono::steady_clock::now();
    Installer run(package);
    run.keys(run.window("x*", 60000), "Return");
    EXPECT_EQ(run.exitStatus(60000), 0);
    std::printf("[ NOTE     ] the run with the 100 MB Setup.ini took %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count()));
    EXPECT_TRUE(package.programStarted());
    EXPECT_EQ(contents(package.target()), (Files{{"readme.txt", "new readme"}}));
    EXPECT_EQ(package.untouched(), before);
    const std::string log = package.log();
    for (const std::string& line :
         {std::string("SetupIni::Read: The value of Nav_Title is cut to its first 65536 of ") +
              std::to_string(half) + " bytes.\n",
          package.logLine("$P\\Target Folder\\readme.txt\n")})
        EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
}

// A run only reads the store (the logging mask); two other processes write it meanwhile
// through the engine. Neither the runs nor the writers may lose anything.
TEST(FaultMatrixTest, RunsGoOnWhileTwoProcessesWriteTheRegistryStore) {
    TempDir storeFolder;
    const std::string store = storeFolder.file("registry.reg");
    writeFile(store, "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Pellam]\r\n\"Log\"=dword:00000000\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Writers]\r\n");
    testing_support::ScopedEnvironment variable("KENDRY_REGISTRY", store.c_str());
    const std::string stop = storeFolder.file("stop");
    const int writers = 2;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Registry registry;
            int written = 0;
            for (; !fileExists(stop) || written < 20; ++written) {
                RegValue value;
                value.type = VALUE_STRING;
                value.text = std::to_string(written);
                if (!registry.WriteValue("HKLM", "Software\\Writers",
                                         CStdStr::Formatted("w%d_%d", w, written), value))
                    ::_exit(1);
            }
            writeFile(storeFolder.file("count" + std::to_string(w)), std::to_string(written));
            ::_exit(0);
        }
        children.push_back(child);
    }

    {
        FaultPackage first;
        FaultPackage second;
        for (const FaultPackage* package : {&first, &second})
            writeFile(package->file("Payload/readme.txt"), "new readme");
        Installer firstRun(first);
        Installer secondRun(second);
        firstRun.keys(firstRun.window("Folder page"), "Return");
        secondRun.keys(secondRun.window("Folder page"), "Return");
        EXPECT_EQ(firstRun.exitStatus(), 0);
        EXPECT_EQ(secondRun.exitStatus(), 0);
        for (const FaultPackage* package : {&first, &second}) {
            EXPECT_TRUE(package->programStarted());
            EXPECT_EQ(contents(package->target()), (Files{{"readme.txt", "new readme"}}));
        }
    }
    writeFile(stop, "");
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    Registry registry;
    EXPECT_EQ(registry.readValueText("HKLM", "Software\\Pellam", "Log"), "0");
    for (int w = 0; w < writers; ++w) {
        const int written =
            std::stoi("0" + readFile(storeFolder.file("count" + std::to_string(w))));
        EXPECT_GE(written, 20);
        for (int i = 0; i < written; ++i)
            EXPECT_EQ(registry.readValueText("HKLM", "Software\\Writers",
                                             CStdStr::Formatted("w%d_%d", w, i)),
                      std::to_string(i));
    }
}

} // namespace
