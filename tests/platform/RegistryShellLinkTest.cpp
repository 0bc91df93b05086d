#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/ShellLink.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
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

// lnkinfo, an independent reader of shortcut files, must read back what we wrote.
std::string LnkInfo(const std::string& hostPath) {
  std::string out;
  EXPECT_EQ(varelo::test::RunCommand({"lnkinfo", hostPath}, &out), 0) << out;
  return out;
}

TEST(ShellLink, ShortcutReadsBackInAnIndependentReader) {
  if (!varelo::test::HaveProgram("lnkinfo"))
    VARELO_PEER_MISSING("lnkinfo (liblnk-utils) missing");
  TTempPrefix prefix;
  ASSERT_TRUE(platform::ForceDirectories("c:\\Varelo"));
  varelo::test::WriteFileBytes(prefix.Drive('c') + "/Varelo/Ondrel.exe", "MZ");
  platform::THResult hr = 1;
  auto object = platform::CreateComObject(platform::CLSID_ShellLink, &hr);
  ASSERT_TRUE(object);
  EXPECT_EQ(hr, 0);
  auto* link = object->QueryShellLink();
  auto* file = object->QueryPersistFile();
  ASSERT_TRUE(link && file);
  link->SetArguments("");
  link->SetPath("C:\\Varelo\\Ondrel.exe");
  link->SetWorkingDirectory("C:\\Varelo\\");
  ASSERT_EQ(file->Save("c:\\Tornel.lnk", false), 0);
  const std::string info = LnkInfo(prefix.Drive('c') + "/Tornel.lnk");
  EXPECT_NE(info.find("Local path\t\t\t: C:\\Varelo\\Ondrel.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory\t\t: C:\\Varelo\\"), std::string::npos) << info;
  EXPECT_NE(info.find("Drive type\t\t\t: Fixed"), std::string::npos) << info;
  EXPECT_EQ(info.find("Command line arguments"), std::string::npos) << info;
  EXPECT_NE(info.find("File size\t\t\t: 2 bytes"), std::string::npos) << info;

  link->SetArguments("/silencioso ação");
  ASSERT_EQ(file->Save("c:\\Tornel.lnk", false), 0);
  EXPECT_NE(LnkInfo(prefix.Drive('c') + "/Tornel.lnk")
                .find("Command line arguments\t\t: /silencioso ação"),
            std::string::npos);
}

TEST(ShellLink, UnknownClassAndUnusablePathsFail) {
  TTempPrefix prefix;
  platform::THResult hr = 0;
  EXPECT_FALSE(platform::CreateComObject("{00000000-0000-0000-0000-000000000001}", &hr));
  EXPECT_EQ(platform::SysErrorMessage(hr), "Class not registered");
  auto object = platform::CreateComObject(platform::CLSID_ShellLink, &hr);
  object->QueryShellLink()->SetPath("C:\\x.exe");
  // A folder that is missing, and the empty-folder path "\\Tornel.lnk" (a network path
  // without a server), both fail and create nothing.
  EXPECT_NE(object->QueryPersistFile()->Save("c:\\a\\b\\Tornel.lnk", false), 0);
  EXPECT_NE(object->QueryPersistFile()->Save("\\\\Tornel.lnk", false), 0);
  EXPECT_FALSE(varelo::test::PathExists("/Tornel.lnk"));
}

}  // namespace
