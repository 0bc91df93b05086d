// Shortcut files, read back by lnkinfo (liblnk-utils), an independent reader of the format.
#include <gtest/gtest.h>

#include <string>

#include "platform/File.h"
#include "platform/FolderList.h"
#include "platform/Paths.h"
#include "platform/ShellLink.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;

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

struct TLink {
  std::unique_ptr<platform::TComObject> object;
  platform::IShellLinkW* link = nullptr;
  platform::IPersistFile* file = nullptr;
};

TLink NewLink() {
  platform::THResult hr = 1;
  TLink l;
  l.object = platform::CreateComObject(platform::CLSID_ShellLink, &hr);
  if (l.object) {
    l.link = l.object->QueryShellLink();
    l.file = l.object->QueryPersistFile();
  }
  return l;
}

TEST(ShellLink, UnicodeTargetAndFolderReadBackExactly) {
  if (!varelo::test::HaveProgram("lnkinfo"))
    VARELO_PEER_MISSING("lnkinfo (liblnk-utils) missing");
  TTempPrefix prefix;
  const std::string folder = "C:\\Varelo\\Ação Ünïcode 日本";
  const std::string target = folder + "\\Ação Ünïcode 日本.exe";
  ASSERT_TRUE(platform::ForceDirectories(folder));
  varelo::test::WriteFileBytes(platform::HostPath(target), "MZ");
  TLink l = NewLink();
  ASSERT_TRUE(l.link && l.file);
  l.link->SetPath(target);
  l.link->SetWorkingDirectory(folder + "\\");
  ASSERT_EQ(l.file->Save("c:\\Atalho.lnk", false), 0);
  std::string out;
  ASSERT_EQ(varelo::test::RunCommand({"lnkinfo", "-v", prefix.Drive('c') + "/Atalho.lnk"}, &out), 0)
      << out;
  EXPECT_NE(out.find("Local path\t\t\t: " + target + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Working directory\t\t: " + folder + "\\\n"), std::string::npos) << out;
  // Each folder of the ID list and the file carry their Unicode names.
  for (const char* name : {"Varelo", "Ação Ünïcode 日本", "Ação Ünïcode 日本.exe"})
    EXPECT_NE(out.find(std::string("Long name\t\t: ") + name + "\n"), std::string::npos)
        << name << "\n"
        << out;
}

TEST(ShellLink, RelativeOrMissingTargetMakesSaveFailAndWritesNothing) {
  TTempPrefix prefix;
  for (const char* target : {"", "Ondrel.exe", "Varelo\\Ondrel.exe", "\\Varelo\\Ondrel.exe",
                             "C:Ondrel.exe", "\\\\servidor\\c\\Ondrel.exe"}) {
    SCOPED_TRACE(target);
    TLink l = NewLink();
    l.link->SetPath(target);
    EXPECT_NE(l.file->Save("c:\\Tornel.lnk", false), 0);
  }
  EXPECT_TRUE(platform::ListFolderTree(prefix.Drive('c')).empty());
}

TEST(ShellLink, SaveThatFailsLeavesTheOldShortcutWhole) {
  TTempPrefix prefix;
  const std::string path = prefix.Drive('c') + "/Tornel.lnk";
  const std::string old(2048, 'L');
  varelo::test::WriteFileBytes(path, old);
  TLink l = NewLink();
  l.link->SetPath("C:\\Varelo\\Ondrel.exe");
  l.link->SetWorkingDirectory("C:\\Varelo\\");
  {
    // The disk fills up after 100 bytes of the new shortcut.
    varelo::test::TFileSizeLimit limit(100);
    EXPECT_NE(l.file->Save("c:\\Tornel.lnk", false), 0);
  }
  EXPECT_EQ(ReadFileBytes(path), old);
  // A folder can't stand in for the shortcut either.
  ASSERT_TRUE(platform::ForceDirectories("c:\\Pasta.lnk"));
  EXPECT_NE(l.file->Save("c:\\Pasta.lnk", false), 0);
  EXPECT_EQ(platform::ListFolderTree(prefix.Drive('c')),
            (std::vector<std::string>{"Pasta.lnk/", "Tornel.lnk"}));
  EXPECT_EQ(l.file->Save("c:\\Tornel.lnk", false), 0);
  EXPECT_NE(ReadFileBytes(path), old);
}

}  // namespace
