// Whole runs of the built program from a package folder, driven on the X display as a person
// drives them: keys, clicks and the close box. Each run has a temporary folder of its own,
// where its log goes.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "ProgramTestSupport.h"

namespace {

using namespace program_test;

TEST(EndToEndTest, AcceptAndInstallCopyThePayloadAndWaitForTheProgramInThePackageFolder) {
    Package package("%ExtrPath%\\setup-program.sh");
    package.writeSetupProgram("setup-program.sh");
    writeFile(package.file("Payload/readme.txt"), "read me");
    writeFile(package.file("Payload/Drivers/x86/printer.inf"), "driver");
    fs::create_directories(package.file("Payload/Empty"));

    Installer run(package);
    run.keys(run.window("Licence page"), "Return");
    run.keys(run.window("Folder page"), "Return");
    ASSERT_TRUE(waitUntil([&] { return package.programStarted(); }));
    // The installer waits for the program.
    EXPECT_EQ(run.exitStatus(300), -1);
    package.letProgramGo();
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_TRUE(package.programDone());
    EXPECT_EQ(package.programFolder(), package.file(""));

    EXPECT_EQ(readFile(package.target("readme.txt")), "read me");
    EXPECT_EQ(readFile(package.target("Drivers/x86/printer.inf")), "driver");
    EXPECT_FALSE(fileExists(package.target("Payload")));
    EXPECT_FALSE(fileExists(package.target("Empty")));
    const std::string log = package.log();
    EXPECT_NE(log.find("| Kendry: to Launch Application.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Target Folder\\Drivers\\x86\\printer.inf\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Target Folder\\readme.txt\n"), std::string::npos) << log;
}

TEST(EndToEndTest, OverwriteQuestionsAreAnsweredAndTheProgramInTheDestinationIsNotWaitedFor) {
    Package package("%DestPath%\\Tools\\setup.sh", "Payload", "HideEULA=true\n");
    package.writeSetupProgram("Payload/Tools/setup.sh");
    const auto earlier = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string name : {"a", "b", "c", "d", "e", "f"}) {
        writeFile(package.file("Payload/" + name + ".txt"), "new " + name);
        if (name != "f") {
            writeFile(package.target(name + ".txt"), "old " + name);
            fs::last_write_time(package.target(name + ".txt"), earlier);
        }
    }

    Installer run(package);
    run.keys(run.window("Folder page"), "Return");
    clickFirstButton(run.window("Replace file"));          // a: yes
    run.keys(run.window("Replace file"), "Tab Tab space"); // b: no
    clickCloseBox(run.window("Replace file"));             // c: the decision so far, no
    run.keys(run.window("Replace file"), "Tab space");     // d: yes to all, e without asking
    // Out before the program it started has ended.
    EXPECT_EQ(run.exitStatus(), 0);
    ASSERT_TRUE(waitUntil([&] { return package.programStarted(); }));
    EXPECT_FALSE(package.programEnded());
    package.letProgramGo();
    EXPECT_TRUE(package.programDone());
    EXPECT_EQ(package.programFolder(), package.target("Tools"));

    const struct {
        const char* name;
        const char* content;
    } expected[] = {{"a.txt", "new a"}, {"b.txt", "old b"}, {"c.txt", "old c"},
                    {"d.txt", "new d"}, {"e.txt", "new e"}, {"f.txt", "new f"}};
    for (const auto& file : expected)
        EXPECT_EQ(readFile(package.target(file.name)), file.content) << file.name;
}

TEST(EndToEndTest, DecliningCancellingAndTheCloseBoxEndWith0AndStartNothing) {
    const struct {
        const char* name;
        const char* copydir;
        std::function<void(Installer&)> drive;
    } ways[] = {
        {"decline", "Payload", [](Installer& run) { clickLastButton(run.window("Licence page")); }},
        {"licence close box", "Payload",
         [](Installer& run) { clickCloseBox(run.window("Licence page")); }},
        {"cancel", "Payload",
         [](Installer& run) {
             run.keys(run.window("Licence page"), "Return");
             clickLastButton(run.window("Folder page"));
         }},
        {"folder close box", "Payload",
         [](Installer& run) {
             run.keys(run.window("Licence page"), "Return");
             clickCloseBox(run.window("Folder page"));
         }},
        {"install from a missing payload", "Missing",
         [](Installer& run) {
             run.keys(run.window("Licence page"), "Return");
             run.keys(run.window("Folder page"), "Return");
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Package package("%ExtrPath%\\setup-program.sh", way.copydir);
        package.writeSetupProgram("setup-program.sh");
        package.letProgramGo();
        writeFile(package.file("Payload/readme.txt"), "read me");
        Installer run(package);
        way.drive(run);
        EXPECT_EQ(run.exitStatus(), 0);
        // The program would have been waited for: it never ran.
        EXPECT_FALSE(package.programStarted());
        EXPECT_FALSE(fileExists(package.target()));
        if (std::string(way.copydir) == "Missing") {
            const std::string log = package.log();
            EXPECT_NE(log.find("FileAction::GetDirFiles: Source path is invalid: "),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find("FileAction::recursivelyCopyAllFiles: Source path is invalid: "),
                      std::string::npos)
                << log;
        }
    }
}

} // namespace
