#include <gtest/gtest.h>

#include <filesystem>

#include "platform/File.h"
#include "platform/Paths.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::TTempPrefix;

TEST(Paths, DriveLetterMapsIntoThePrefix) {
  TTempPrefix prefix;
  EXPECT_EQ(platform::HostPath("c:\\"), prefix.Drive('c'));
  EXPECT_EQ(platform::HostPath("C:\\Varelo\\Ondrel.exe"), prefix.Drive('c') + "/Varelo/Ondrel.exe");
}

TEST(Paths, ExistingComponentsMatchWithoutCaseAndTrailingSeparatorIsDropped) {
  TTempPrefix prefix;
  ASSERT_TRUE(platform::ForceDirectories("c:\\Varelo"));
  EXPECT_EQ(platform::HostPath("c:\\varelo"), prefix.Drive('c') + "/Varelo");
  EXPECT_EQ(platform::HostPath("c:\\Varelo\\"), prefix.Drive('c') + "/Varelo");
  EXPECT_TRUE(platform::SamePath("c:\\varelo", "c:\\Varelo\\"));
  EXPECT_TRUE(platform::DirectoryExists("C:/VARELO/"));
}

TEST(Paths, MissingComponentIsCreatedWithTheCaseGiven) {
  TTempPrefix prefix;
  ASSERT_TRUE(platform::ForceDirectories("c:\\varelo\\Sub"));
  ASSERT_TRUE(platform::ForceDirectories("c:\\VARELO\\sub\\Novo"));
  EXPECT_TRUE(varelo::test::PathExists(prefix.Drive('c') + "/varelo/Sub/Novo"));
  EXPECT_FALSE(varelo::test::PathExists(prefix.Drive('c') + "/VARELO"));
}

TEST(Paths, DotDotIsResolvedWithinTheDrive) {
  TTempPrefix prefix;
  EXPECT_EQ(platform::HostPath("c:\\a\\..\\..\\b"), prefix.Drive('c') + "/b");
}

TEST(Paths, DosDevicesLinkIsFollowed) {
  TTempPrefix prefix;
  varelo::test::TTempDir elsewhere;
  std::filesystem::create_directories(prefix.Path() + "/dosdevices");
  std::filesystem::create_directory_symlink(elsewhere.Path(), prefix.Path() + "/dosdevices/d:");
  EXPECT_EQ(platform::HostPath("D:\\x"), elsewhere.Path() + "/x");
}

TEST(Paths, AccentedNamesFoldCase) {
  EXPECT_EQ(platform::FoldCase("INSTALAÇÃO"), "instalação");
  EXPECT_EQ(platform::FileNameOf("c:\\Varelo\\pkg.zip"), "pkg.zip");
}

}  // namespace
