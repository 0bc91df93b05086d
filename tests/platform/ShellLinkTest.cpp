// The shell link object as the desktop shortcut uses it, in every build: shortcuts saved by
// our writer (Linux) or by the system's object (Windows) are read back by lnkinfo
// (liblnk-utils), an independent reader of the format running on the host.
#include <gtest/gtest.h>

#include <string>

#include "platform/ComApartment.h"
#include "platform/File.h"
#include "platform/FolderList.h"
#include "platform/ShellLink.h"
#include "tests/platform/WindowsFolder.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"

namespace {

using varelo::test::ReadFileBytes;
using varelo::test::TWindowsFolder;

// lnkinfo's report on a shortcut file given by its host path.
std::string LnkInfo(const std::string& hostPath, bool verbose = false) {
  std::vector<std::string> argv = {"lnkinfo"};
  if (verbose)
    argv.push_back("-v");
  argv.push_back(hostPath);
  std::string out;
  EXPECT_EQ(varelo::test::RunCommand(argv, &out), 0) << out;
  return out;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
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
  EXPECT_EQ(hr, 0) << platform::SysErrorMessage(hr);
  if (l.object) {
    l.link = l.object->QueryShellLink();
    l.file = l.object->QueryPersistFile();
    // Each interface is handed out once and kept by the object.
    EXPECT_EQ(l.link, l.object->QueryShellLink());
    EXPECT_EQ(l.file, l.object->QueryPersistFile());
  }
  return l;
}

TEST(ShellLink, ShortcutReadsBackInAnIndependentReader) {
  if (!varelo::test::HaveProgram("lnkinfo"))
    VARELO_PEER_MISSING("lnkinfo (liblnk-utils) missing");
  platform::TComApartment apartment;
  ASSERT_TRUE(apartment.Ready());
  TWindowsFolder folder;
  ASSERT_TRUE(platform::ForceDirectories(folder.Windows("Varelo")));
  ASSERT_TRUE(platform::SaveWholeFile(folder.Windows("Varelo\\Ondrel.exe"), "MZ"));
  const std::string target = folder.Windows("Varelo\\Ondrel.exe");
  const std::string workDir = folder.Windows("Varelo\\");
  TLink l = NewLink();
  ASSERT_TRUE(l.link && l.file);
  l.link->SetArguments("");
  l.link->SetPath(target);
  l.link->SetWorkingDirectory(workDir);
  // The installer names the shortcut after the desktop's path and a backslash of its own.
  ASSERT_EQ(l.file->Save(folder.Windows("\\Tornel.lnk"), false), 0);
  const std::string info = LnkInfo(folder.Host("Tornel.lnk"));
  EXPECT_TRUE(Has(info, "Local path\t\t\t: " + target + "\n")) << info;
  EXPECT_TRUE(Has(info, "Working directory\t\t: " + workDir + "\n")) << info;
  EXPECT_TRUE(Has(info, "Drive type\t\t\t: Fixed")) << info;
  EXPECT_FALSE(Has(info, "Command line arguments")) << info;

  // Saved again with arguments: the one file is replaced.
  l.link->SetArguments("/silencioso ação");
  ASSERT_EQ(l.file->Save(folder.Windows("Tornel.lnk"), false), 0);
  EXPECT_TRUE(
      Has(LnkInfo(folder.Host("Tornel.lnk")), "Command line arguments\t\t: /silencioso ação"));
  EXPECT_EQ(platform::ListFolderTree(folder.HostRoot()),
            (std::vector<std::string>{"Tornel.lnk", "Varelo/", "Varelo/Ondrel.exe"}));
}

// The system's object keeps the target's path in the ANSI code page (characters beyond it are
// lost there); the working folder is kept in Unicode whole.
TEST(ShellLink, AccentedTargetAndUnicodeWorkingFolderReadBackExactly) {
  if (!varelo::test::HaveProgram("lnkinfo"))
    VARELO_PEER_MISSING("lnkinfo (liblnk-utils) missing");
  platform::TComApartment apartment;
  TWindowsFolder folder;
  const std::string name = "Ação Ünïcode";
  const std::string dir = folder.Windows("Varelo\\" + name);
  const std::string target = dir + "\\" + name + ".exe";
  const std::string workDir = dir + "\\日本 Ελληνικά\\";
  ASSERT_TRUE(platform::ForceDirectories(workDir));
  ASSERT_TRUE(platform::SaveWholeFile(target, "MZ"));
  TLink l = NewLink();
  ASSERT_TRUE(l.link && l.file);
  l.link->SetPath(target);
  l.link->SetWorkingDirectory(workDir);
  ASSERT_EQ(l.file->Save(folder.Windows("Atalho.lnk"), false), 0);
  const std::string out = LnkInfo(folder.Host("Atalho.lnk"), true);
  EXPECT_TRUE(Has(out, "Local path\t\t\t: " + target + "\n")) << out;
  EXPECT_TRUE(Has(out, "Working directory\t\t: " + workDir + "\n")) << out;
  // The folders of the ID list and the file carry their names.
  for (const std::string& part : {name, name + ".exe"})
    EXPECT_TRUE(Has(out, "\t: " + part + "\n")) << part << "\n" << out;
}

TEST(ShellLink, UnknownClassAndMissingFolderFail) {
  platform::TComApartment apartment;
  TWindowsFolder folder;
  platform::THResult hr = 0;
  EXPECT_FALSE(platform::CreateComObject("{00000000-0000-0000-0000-000000000001}", &hr));
  EXPECT_EQ(platform::SysErrorMessage(hr), "Class not registered");
  TLink l = NewLink();
  ASSERT_TRUE(l.link && l.file);
  l.link->SetPath(folder.Windows("x.exe"));
  // Saving into a folder that is missing fails and creates nothing.
  EXPECT_NE(l.file->Save(folder.Windows("a\\b\\Tornel.lnk"), false), 0);
  EXPECT_TRUE(platform::ListFolderTree(folder.HostRoot()).empty());
}

TEST(ShellLink, HostileClassIdsAndNamesAreRefused) {
  platform::TComApartment apartment;
  TWindowsFolder folder;
  for (const std::string& id :
       {std::string(), std::string("ShellLink"), std::string("{00021401-0000-0000-C000"),
        std::string("{00021401-0000-0000-C000-000000000046}\0x", 40), std::string(4096, '{')}) {
    SCOPED_TRACE(id.size());
    platform::THResult hr = 0;
    EXPECT_FALSE(platform::CreateComObject(id, &hr));
    EXPECT_NE(hr, 0);
    EXPECT_FALSE(platform::SysErrorMessage(hr).empty());
  }
  TLink l = NewLink();
  ASSERT_TRUE(l.link && l.file);
  l.link->SetPath(folder.Windows("x.exe"));
  // A name with a NUL inside would be saved under its first part.
  EXPECT_NE(l.file->Save(folder.Windows(std::string("a.lnk\0b.lnk", 11)), false), 0);
  EXPECT_TRUE(platform::ListFolderTree(folder.HostRoot()).empty());
}

}  // namespace
