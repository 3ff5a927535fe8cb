#include "PathObject.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* path;
    const char* drive;
    const char* folder;
    const char* baseName;
    const char* extension;
};

TEST(PathObjectTest, SplitWindowsPathLikeTheCRuntime) {
    const SplitCase cases[] = {
        {"C:\\dir\\sub\\file.tar.gz", "C:", "\\dir\\sub\\", "file.tar", ".gz"},
        {"a/b\\c.txt", "", "a/b\\", "c", ".txt"},
        // A period in a folder is not an extension.
        {"dir.x\\file", "", "dir.x\\", "file", ""},
        {".profile", "", "", "", ".profile"},
        {"name.", "", "", "name", "."},
        {"C:", "C:", "", "", ""},
        {"C:file.txt", "C:", "", "file", ".txt"},
        {"\\\\srv\\share\\f.txt", "", "\\\\srv\\share\\", "f", ".txt"},
        {"", "", "", "", ""},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.path);
        const WindowsPathParts parts = splitWindowsPath(c.path);
        EXPECT_EQ(parts.drive, c.drive);
        EXPECT_EQ(parts.folder, c.folder);
        EXPECT_EQ(parts.baseName, c.baseName);
        EXPECT_EQ(parts.extension, c.extension);
    }
}

struct SetPathCase {
    const char* text;
    const char* directory;
    const char* name;
    const char* fullPath;
};

TEST(PathObjectTest, SetPathSplitsIntoFolderAndName) {
    const SetPathCase cases[] = {
        {"C:\\Temp\\file.txt", "C:\\Temp", "file.txt", "C:\\Temp\\file.txt"},
        {" \t C:/Temp/Sub/ \r\n", "C:\\Temp\\Sub", "", "C:\\Temp\\Sub"},
        {"C:\\", "C:", "", "C:"},
        {"C:", "C:", "", "C:"},
        {"C:\\Temp\\", "C:\\Temp", "", "C:\\Temp"},
        // A bare name has no folder; its full path is rooted.
        {"file.txt", "", "file.txt", "\\file.txt"},
        {"\\\\srv\\share\\dir\\f.txt", "\\\\srv\\share\\dir", "f.txt",
         "\\\\srv\\share\\dir\\f.txt"},
        {".\\License\\en\\license.htm", ".\\License\\en", "license.htm",
         ".\\License\\en\\license.htm"},
        {"C:\\Pro gram\\a b.txt", "C:\\Pro gram", "a b.txt", "C:\\Pro gram\\a b.txt"},
    };
    for (const SetPathCase& c : cases) {
        SCOPED_TRACE(c.text);
        PathObject path;
        ASSERT_TRUE(path.setPath(c.text));
        EXPECT_EQ(path.getDirectory(), c.directory);
        EXPECT_EQ(path.getName(), c.name);
        EXPECT_EQ(path.getFullPath(), c.fullPath);
        EXPECT_EQ(path.hasDirectory(), *c.directory != '\0');
        EXPECT_EQ(path.hasName(), *c.name != '\0');
        EXPECT_EQ(PathObject(c.text).getFullPath(), c.fullPath);
    }
}

TEST(PathObjectTest, BlankTextLeavesThePathUnchanged) {
    PathObject path("C:\\Temp\\file.txt");
    EXPECT_FALSE(path.setPath(" \t\r\n\v\f"));
    EXPECT_FALSE(path.setPath(""));
    EXPECT_EQ(path.getFullPath(), "C:\\Temp\\file.txt");

    const PathObject blank("   ");
    EXPECT_FALSE(blank.hasDirectory());
    EXPECT_FALSE(blank.hasName());
}

TEST(PathObjectTest, SetDirectoryNormalisesAndSetNameDoesNot) {
    PathObject path;
    path.setDirectory("D:/Drivers/x86/");
    path.setName(" *.inf/ ");
    EXPECT_EQ(path.getDirectory(), "D:\\Drivers\\x86");
    EXPECT_EQ(path.getName(), " *.inf/ ");
    path.setDirectory("C:\\");
    EXPECT_EQ(path.getDirectory(), "C:");
}

struct AppendCase {
    const char* directory;
    const char* appended;
    const char* result;
};

TEST(PathObjectTest, AppendDirectoryAddsFoldersWithOneSeparator) {
    const AppendCase cases[] = {
        {"C:\\Temp", "sub/dir/", "C:\\Temp\\sub\\dir"},
        {"C:\\Temp", "\\sub", "C:\\Temp\\sub"},
        {"C:\\Temp", "", "C:\\Temp"},
        {"C:", "Windows", "C:\\Windows"},
        {"", "Install", "\\Install"},
        {"C:\\Temp", "\\", "C:\\Temp"},
    };
    for (const AppendCase& c : cases) {
        SCOPED_TRACE(std::string(c.directory) + " + " + c.appended);
        PathObject path;
        path.setDirectory(c.directory);
        path.setName("Setup.ini");
        path.appendDirectory(c.appended);
        EXPECT_EQ(path.getDirectory(), c.result);
        EXPECT_EQ(path.getName(), "Setup.ini");
    }
}

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(PathObjectTest, CompareIgnoresCaseAndLetsTheFolderDecideFirst) {
    const CompareCase cases[] = {
        {"C:\\Temp\\File.TXT", "c:\\TEMP\\file.txt", 0},
        {"C:\\A\\z.txt", "C:\\B\\a.txt", -1},
        {"C:\\B\\a.txt", "C:\\a\\z.txt", 1},
        {"C:\\A\\b.txt", "C:\\a\\A.txt", 1},
        // The shorter folder sorts first because its end counts as 0.
        {"C:\\A\\x", "C:\\AB\\x", -1},
        {"C:\\A\\", "C:\\A\\x", -1},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const PathObject a(c.a);
        const PathObject b(c.b);
        EXPECT_EQ(a.compare(b), c.expected);
        EXPECT_EQ(b.compare(a), -c.expected);
        EXPECT_EQ(a == b, c.expected == 0);
        EXPECT_EQ(a < b, c.expected < 0);
    }
}

struct RootCase {
    const char* path;
    const char* root;
    const char* rest;
};

TEST(PathObjectTest, SplitPathRootFindsDriveOrServerShare) {
    const RootCase cases[] = {
        {"\\\\srv\\share\\dir\\f.txt", "\\\\srv\\share", "\\dir\\f.txt"},
        {"C:\\dir", "C:", "\\dir"},
        {"dir\\f.txt", "", "dir\\f.txt"},
        {"a:b:c", "a:", "b:c"},
        // A colon first does not make a drive.
        {":dir", "", ":dir"},
        // A share needs a backslash after it, and a server a name.
        {"\\\\srv\\share", "", "\\\\srv\\share"},
        {"\\\\srv", "", "\\\\srv"},
        {"\\\\\\share\\x", "", "\\\\\\share\\x"},
        {"", "", ""},
    };
    for (const RootCase& c : cases) {
        SCOPED_TRACE(c.path);
        CStdStr root("stale");
        CStdStr rest("stale");
        splitPathRoot(c.path, root, rest);
        EXPECT_EQ(root, c.root);
        EXPECT_EQ(rest, c.rest);
    }
}

TEST(PathObjectTest, FolderPathOfGoesOneLevelUp) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\a\\b\\c.txt", "C:\\a\\b"},
        {"C:\\a\\b", "C:\\a"},
        {"C:\\a", "C:"},
        {"C:\\", "C:"},
        {"D:", "D:"},
        {"a/b/c", "a\\b"},
        {"file.txt", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const PathObject folder = folderPathOf(c.first);
        EXPECT_EQ(folder.getDirectory(), c.second);
        EXPECT_FALSE(folder.hasName());
    }
}

} // namespace
