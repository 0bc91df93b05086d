// Our shortcut writer of the Linux build: what it refuses to write, how a failed save keeps the
// old shortcut, and Unicode names beyond the ANSI code page kept everywhere in the file. The
// behaviour every build shares is in ShellLinkTest.cpp.
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

TEST(ShellLinkWriter, NetworkPathWithoutAServerFails) {
  TTempPrefix prefix;
  TLink l = NewLink();
  l.link->SetPath("C:\\x.exe");
  // The empty-folder path "\\Tornel.lnk" is a network path without a server.
  EXPECT_NE(l.file->Save("\\\\Tornel.lnk", false), 0);
  EXPECT_FALSE(varelo::test::PathExists("/Tornel.lnk"));
}

TEST(ShellLinkWriter, RelativeOrMissingTargetMakesSaveFailAndWritesNothing) {
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

TEST(ShellLinkWriter, SaveThatFailsLeavesTheOldShortcutWhole) {
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

TEST(ShellLinkWriter, UnicodeTargetAndFolderReadBackExactly) {
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

}  // namespace
