#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

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

// Runs the test's body from another current folder and comes back.
class TCurrentFolder {
 public:
  explicit TCurrentFolder(const std::string& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~TCurrentFolder() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST(Paths, RootedPathWithoutDriveStaysOnTheCurrentDriveNeverTheHostRoot) {
  TTempPrefix prefix;
  varelo::test::TTempDir elsewhere;
  std::filesystem::create_directories(prefix.Path() + "/dosdevices");
  std::filesystem::create_directory_symlink(elsewhere.Path(), prefix.Path() + "/dosdevices/d:");
  ASSERT_TRUE(platform::ForceDirectories("c:\\Varelo"));
  const struct {
    std::string cwd;
    std::string root;
  } cases[] = {
      {prefix.Drive('c') + "/Varelo", prefix.Drive('c')},
      {prefix.Drive('c'), prefix.Drive('c')},
      {elsewhere.Path(), elsewhere.Path()},
      {"/", prefix.Drive('c')},  // the host's root is drive Z:, never taken as current
      {prefix.Path(), prefix.Drive('c')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cwd);
    TCurrentFolder cwd(c.cwd);
    EXPECT_EQ(platform::HostPath("\\etc\\passwd"), c.root + "/etc/passwd");
    EXPECT_EQ(platform::HostPath("\\..\\..\\etc"), c.root + "/etc");
  }
}

TEST(Paths, TrailingDotsAndBlanksOfAComponentAreDropped) {
  TTempPrefix prefix;
  ASSERT_TRUE(platform::ForceDirectories("c:\\Varelo\\Sub"));
  for (const char* path : {"c:\\Varelo.\\Sub", "c:\\Varelo \\Sub", "c:\\VARELO. .\\sub..",
                           "c:\\Varelo\\Sub\\.", "c:\\Varelo\\...\\Sub"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(platform::HostPath(path), prefix.Drive('c') + "/Varelo/Sub");
  }
  EXPECT_TRUE(platform::ForceDirectories("c:\\Novo. "));
  EXPECT_TRUE(varelo::test::PathExists(prefix.Drive('c') + "/Novo"));
  EXPECT_EQ(platform::FileNameOf("c:\\Varelo\\x. "), "x. ");  // names themselves stay as given
}

TEST(Paths, NamesDifferingOnlyInCaseResolveTheSameWhateverTheListingOrder) {
  const std::vector<std::string> twins = {"varelo", "VARELO", "Varelo2", "vAReLo", "VaReLo"};
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed);
    TTempPrefix prefix;
    std::vector<std::string> order = twins;
    if (reversed)
      std::reverse(order.begin(), order.end());
    for (const std::string& name : order)
      std::filesystem::create_directories(prefix.Drive('c') + "/" + name);
    EXPECT_EQ(platform::HostPath("c:\\Varelo"), prefix.Drive('c') + "/VARELO");
    EXPECT_EQ(platform::HostPath("c:\\varelo"), prefix.Drive('c') + "/varelo");  // exact wins
  }
}

TEST(Paths, AccentedNamesFoldCase) {
  EXPECT_EQ(platform::FoldCase("INSTALAÇÃO"), "instalação");
  EXPECT_EQ(platform::FileNameOf("c:\\Varelo\\pkg.zip"), "pkg.zip");
}

}  // namespace
