#include "platform/SystemFolders.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/posix/UserFolders.h"

using testing_support::TempDir;

namespace {

TEST(SystemFoldersTest, UserDirsAreReadAsTheXdgToolsWriteThem) {
    struct Case {
        const char* text;
        const char* home;
        const char* folder;
    } const cases[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", "/home/ann", "/home/ann/Documents"},
        {"  XDG_DOCUMENTS_DIR = \"$HOME/Docs\"", "/home/ann", "/home/ann/Docs"},
        {"XDG_DOCUMENTS_DIR=\"/srv/shared docs//\"\n", "/home/ann", "/srv/shared docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "/home/ann", "/home/ann"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", "/home/ann", "/home/ann"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\" \\\\ x\"\n", "/home/ann",
         "/home/ann/My \"Docs\" \\ x"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", "/", "/Documents"},
        {"XDG_DOCUMENTS_DIR=\"/first\"\nXDG_DOCUMENTS_DIR=\"/second\"\n", "/h", "/second"},
        {"XDG_DOCUMENTS_DIR=\"/kept\"\nXDG_DOCUMENTS_DIR=relative\n", "/h", "/kept"},
        {"XDG_DESKTOP_DIR=\"/desk\"\nXDG_DOCUMENTSX_DIR=\"/x\"\n", "/h", ""},
        {"XDG_DOCUMENTS_DIRX=\"/x\"\n", "/h", ""},
        {"# XDG_DOCUMENTS_DIR=\"/commented\"\n", "/h", ""},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", "/h", ""},
        {"XDG_DOCUMENTS_DIR=\"relative/x\"\n", "/h", ""},
        {"XDG_DOCUMENTS_DIR=$HOME/unquoted\n", "/h", ""},
        {"XDG_DOCUMENTS_DIR=\"/unterminated\n", "/h", ""},
        {"XDG_DOCUMENTS_DIR=\"$HOME/x\"\n", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(posix::parseXdgUserFolder(c.text, "DOCUMENTS", c.home), c.folder) << c.text;
}

TEST(SystemFoldersTest, EveryDriveLetterNamesTheOneFileTree) {
    const int root = platform::driveType("\\");
    EXPECT_NE(root, platform::DRIVE_NO_ROOT_DIR);
    for (const char* drive : {"C:\\", "c:", "D:\\", "Z:"})
        EXPECT_EQ(platform::driveType(drive), root) << drive;
}

TEST(SystemFoldersTest, DriveTypeOfNothingIsNoRoot) {
    TempDir dir;
    EXPECT_EQ(platform::driveType(""), platform::DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(platform::driveType(dir.enginePath("missing")), platform::DRIVE_NO_ROOT_DIR);
    EXPECT_NE(platform::driveType(dir.enginePath()), platform::DRIVE_NO_ROOT_DIR);
}

} // namespace
