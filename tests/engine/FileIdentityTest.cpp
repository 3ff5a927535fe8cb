#include "platform/FileIdentity.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/WinError.h"

namespace {

namespace fs = std::filesystem;
using platform::FileIdentity;
using platform::getFileIdentity;
using testing_support::TempDir;

TEST(FileIdentityTest, PathsToOneFolderShareItsIdentityHoweverTheyGetThere) {
    TempDir dir;
    fs::create_directories(dir.file("Pkg/Sub"));
    fs::create_directories(dir.file("Other"));
    fs::create_directory_symlink(dir.file("Pkg"), dir.file("link"));

    FileIdentity folder, spelledOtherwise, throughLink, withSeparator, other;
    ASSERT_EQ(getFileIdentity(dir.enginePath("Pkg"), folder), 0);
    ASSERT_EQ(getFileIdentity(dir.enginePath("pkg\\SUB\\.."), spelledOtherwise), 0);
    ASSERT_EQ(getFileIdentity(dir.enginePath("link"), throughLink), 0);
    ASSERT_EQ(getFileIdentity(dir.enginePath("Pkg\\"), withSeparator), 0);
    ASSERT_EQ(getFileIdentity(dir.enginePath("Other"), other), 0);
    EXPECT_EQ(spelledOtherwise, folder);
    EXPECT_EQ(throughLink, folder);
    EXPECT_EQ(withSeparator, folder);
    EXPECT_NE(other, folder);
}

TEST(FileIdentityTest, NothingThereIsAnErrorAndLeavesTheIdentityAlone) {
    TempDir dir;
    testing_support::writeFile(dir.file("file"), "x");
    FileIdentity identity{7, 9};
    EXPECT_EQ(getFileIdentity(dir.enginePath("missing"), identity), winerr::FILE_NOT_FOUND);
    EXPECT_EQ(getFileIdentity(dir.enginePath("file\\below"), identity), winerr::PATH_NOT_FOUND);
    EXPECT_EQ(getFileIdentity("", identity), winerr::PATH_NOT_FOUND);
    EXPECT_EQ(identity, (FileIdentity{7, 9}));
}

} // namespace
