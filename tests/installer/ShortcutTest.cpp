// The window's desktop shortcut, read back by lnkinfo (liblnk-utils), an independent reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/InstallerErrors.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "tests/installer/FormFixture.h"
#include "tests/installer/SharedInstallPlace.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace installer {
namespace {

using varelo::test::TTempPrefix;
using Access = TfrmPrincipalTestAccess;

std::string ShellFolder(const std::string& name) {
  platform::TRegistry registry;
  if (!registry.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        false))
    return "";
  return registry.ReadString(name);
}

// The path of a UTF-8 text: the Windows runtime reads narrow paths in the ANSI code page.
std::filesystem::path Utf8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Every .lnk file under the folder, as host paths in UTF-8 with "/" between the names.
std::vector<std::string> Shortcuts(const std::string& hostFolder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(Utf8Path(hostFolder), ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().extension() != ".lnk")
      continue;
    const std::u8string path = it->path().generic_u8string();
    found.emplace_back(path.begin(), path.end());
  }
  return found;
}

class CriarAtalho : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!varelo::test::HaveProgram("lnkinfo"))
      VARELO_PEER_MISSING("lnkinfo (liblnk-utils) missing");
    desktop = ShellFolder("Desktop");
    ASSERT_FALSE(desktop.empty());
    // Wine makes the user's desktop folder when it starts; the installer finds it there.
    ASSERT_TRUE(platform::ForceDirectories(desktop));
    ASSERT_TRUE(platform::ForceDirectories("C:\\Varelo"));
    varelo::test::WriteFileBytes(place.DriveC() + "Varelo/Ondrel.exe", "MZ");
  }
  void Tornel(uint8_t index, const std::string& subfolder = "", const std::string& args = "") {
    Access::CriarAtalho(h.form, "C:\\Varelo\\Ondrel.exe", args, "C:\\Varelo\\", "Tornel", subfolder,
                        index);
  }
  static std::string LnkInfo(const std::string& hostPath) {
    std::string out;
    EXPECT_EQ(varelo::test::RunCommand({"lnkinfo", varelo::test::HostSide(hostPath)}, &out), 0)
        << out;
    return out;
  }
  std::string DesktopLink() const { return platform::HostPath(desktop + "\\Tornel.lnk"); }

  TTempPrefix prefix;
  TSharedInstallPlace place{prefix};
  TFormHarness h;
  std::string desktop;
};

TEST_F(CriarAtalho, UpdaterShortcutOnTheDesktopReadsBackWithTargetAndFolder) {
  Tornel(1);
  ASSERT_TRUE(platform::FileExists(desktop + "\\Tornel.lnk"));
  const std::string info = LnkInfo(DesktopLink());
  EXPECT_NE(info.find("Local path\t\t\t: C:\\Varelo\\Ondrel.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory\t\t: C:\\Varelo\\"), std::string::npos) << info;
  EXPECT_EQ(info.find("Command line arguments"), std::string::npos) << info;
  EXPECT_TRUE(h.service.boxes.empty());
}

TEST_F(CriarAtalho, IndexesZeroOneAndPastNineteenAllMeanTheDesktop) {
  for (uint8_t index : {0, 1, 20, 200, 255}) {
    SCOPED_TRACE(static_cast<int>(index));
    Tornel(index, "Indice" + std::to_string(index));
    EXPECT_TRUE(
        platform::FileExists(desktop + "\\Indice" + std::to_string(index) + "\\Tornel.lnk"));
  }
  EXPECT_EQ(Shortcuts(prefix.Path()).size(), 5u);
}

TEST_F(CriarAtalho, IndexNineteenUsesAdministrativeTools) {
  const std::string tools = ShellFolder("Administrative Tools");
  ASSERT_FALSE(tools.empty());
  // Only the last level is created: its parent, the Programs menu, is there.
  const std::string programs = tools.substr(0, tools.rfind('\\'));
  ASSERT_TRUE(platform::ForceDirectories(programs));
  Tornel(19);
  EXPECT_TRUE(platform::FileExists(tools + "\\Tornel.lnk"));
  EXPECT_FALSE(platform::FileExists(desktop + "\\Tornel.lnk"));
}

TEST_F(CriarAtalho, SubfolderIsCreatedOneLevelDeepOnly) {
  Tornel(0, "VareloSoft", "/atualizar");
  ASSERT_TRUE(platform::FileExists(desktop + "\\VareloSoft\\Tornel.lnk"));
  EXPECT_NE(LnkInfo(platform::HostPath(desktop + "\\VareloSoft\\Tornel.lnk"))
                .find("Command line arguments\t\t: /atualizar"),
            std::string::npos);
  // Two levels whose first is missing: nothing is created, saved or reported.
  Tornel(0, "Nivel1\\Nivel2");
  EXPECT_FALSE(platform::PathExists(desktop + "\\Nivel1"));
  EXPECT_EQ(Shortcuts(prefix.Path()).size(), 1u);
  EXPECT_TRUE(h.service.boxes.empty());
}

TEST_F(CriarAtalho, RunningTwiceLeavesOneShortcutFromTheSecondRun) {
  Tornel(1, "", "/primeira");
  Tornel(1);
  EXPECT_EQ(Shortcuts(prefix.Path()).size(), 1u);
  EXPECT_EQ(LnkInfo(DesktopLink()).find("Command line arguments"), std::string::npos);
}

TEST(CriarAtalhoAccentedUser, ShortcutLandsOnTheDesktopWineNamedWithAnEscape) {
  if (!varelo::test::HaveProgram("lnkinfo"))
    VARELO_PEER_MISSING("lnkinfo (liblnk-utils) missing");
  TTempPrefix prefix;
  TSharedInstallPlace place{prefix};
  TFormHarness h;
#ifdef _WIN32
  // The system's registry holds the name as it is.
  place.SetShellFolder("Desktop", prefix.Win("C:\\users\\João\\Desktop"));
#else
  // Wine writes a user name outside ASCII as \x escapes of its UTF-16 code units.
  varelo::test::WriteFileBytes(
      prefix.Path() + "/user.reg",
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] "
      "1700000000\n#time=1da0\n\"Desktop\"=\"C:\\\\users\\\\Jo\\xe3o\\\\Desktop\"\n\n");
#endif
  const std::string desktop = prefix.Drive('c') + "/users/João/Desktop";
  std::filesystem::create_directories(Utf8Path(desktop));
  ASSERT_TRUE(platform::ForceDirectories("C:\\Varelo"));
  varelo::test::WriteFileBytes(place.DriveC() + "Varelo/Ondrel.exe", "MZ");
  Access::CriarAtalho(h.form, "C:\\Varelo\\Ondrel.exe", "", "C:\\Varelo\\", "Tornel", "", 1);
  EXPECT_EQ(Shortcuts(prefix.Path()), std::vector<std::string>{desktop + "/Tornel.lnk"});
  std::string out;
  EXPECT_EQ(varelo::test::RunCommand({"lnkinfo", desktop + "/Tornel.lnk"}, &out), 0) << out;
  EXPECT_NE(out.find("Local path\t\t\t: C:\\Varelo\\Ondrel.exe"), std::string::npos) << out;
}

TEST(CriarAtalhoWithoutShellFolders, MissingValueSavesNothingAndReportsNothing) {
  TTempPrefix prefix;
  TSharedInstallPlace place{prefix};
  TFormHarness h;
  // A registry that names no desktop folder at all.
#ifdef _WIN32
  place.SetShellFolder("Desktop", "");
#else
  varelo::test::WriteFileBytes(prefix.Path() + "/user.reg", "WINE REGISTRY Version 2\n\n");
#endif
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(prefix.Drive('c'));
  EXPECT_NO_THROW(
      Access::CriarAtalho(h.form, "C:\\Varelo\\Ondrel.exe", "", "C:\\Varelo\\", "Tornel", "", 1));
  std::filesystem::current_path(cwd);
  EXPECT_TRUE(Shortcuts(prefix.Path()).empty());
  EXPECT_FALSE(varelo::test::PathExists("/Tornel.lnk"));
  EXPECT_TRUE(h.service.boxes.empty());
}

}  // namespace
}  // namespace installer
