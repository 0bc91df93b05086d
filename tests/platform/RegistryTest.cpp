#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;

constexpr const char* kExplorer = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";

TEST(Registry, NewPrefixIsSeededWithShellFoldersThatExist) {
  TTempPrefix prefix;
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kExplorer, true));
  ASSERT_TRUE(reg.OpenSubKey("Shell Folders"));
  const std::string desktop = reg.ReadString("Desktop");
  EXPECT_EQ(desktop.rfind("C:\\users\\", 0), 0u) << desktop;
  EXPECT_TRUE(platform::DirectoryExists(desktop));
  EXPECT_NE(reg.ReadString("Administrative Tools"), "");
  EXPECT_EQ(reg.ReadString("NoSuchValue"), "");
  const std::string file = ReadFileBytes(prefix.Path() + "/user.reg");
  EXPECT_EQ(file.rfind("WINE REGISTRY Version 2\n", 0), 0u);
  EXPECT_NE(file.find("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell "
                      "Folders] "),
            std::string::npos);
  EXPECT_NE(file.find("\"Desktop\"=\"C:\\\\users\\\\"), std::string::npos);
}

TEST(Registry, ExistingFileIsReadAndMissingKeyIsAddedWithoutLosingOthers) {
  TTempPrefix prefix;
  const std::string original =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1\n\n#arch=win64\n\n"
      "[Control Panel\\\\Desktop] 1700000000\n#time=1d\n\"Wallpaper\"=\"\"\n\n"
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1\n"
      "\"Desktop\"=\"D:\\\\Mesa \\\"x\\\"\"\n\"Personal\"=str(2):\"%USERPROFILE%\\\\Docs\"\n\n";
  varelo::test::WriteFileBytes(prefix.Path() + "/user.reg", original);
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kExplorer, true));
  ASSERT_TRUE(reg.OpenSubKey("shell folders"));
  EXPECT_EQ(reg.ReadString("desktop"), "D:\\Mesa \"x\"");
  EXPECT_EQ(reg.ReadString("Personal"), "%USERPROFILE%\\Docs");
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("Software\\Varelo", true));
  ASSERT_TRUE(reg.WriteString("Pasta", "C:\\Varelo\\"));
  EXPECT_EQ(reg.ReadString("Pasta"), "C:\\Varelo\\");
  const std::string after = ReadFileBytes(prefix.Path() + "/user.reg");
  EXPECT_EQ(after.substr(0, original.size()), original);
  EXPECT_FALSE(reg.OpenSubKey("Missing"));
}

}  // namespace
