#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::TTempPrefix;

TEST(File, ExclusiveOpenDeniesASecondOpenerAndDoesNotTruncateIt) {
  TTempPrefix prefix;
  platform::TFile first;
  ASSERT_TRUE(first.Open(varelo::test::InPrefix("c:\\a.part"), platform::TFileAccess::ReadWrite,
                         platform::TFileCreate::OpenAlways, true));
  ASSERT_EQ(first.Write("data", 4), 4);
  platform::TFile second;
  EXPECT_FALSE(second.Open(varelo::test::InPrefix("C:\\A.PART"), platform::TFileAccess::ReadWrite,
                           platform::TFileCreate::CreateAlways, true));
  EXPECT_EQ(first.Size(), 4);
  first.Close();
  EXPECT_TRUE(second.Open(varelo::test::InPrefix("C:\\A.PART"), platform::TFileAccess::ReadWrite,
                          platform::TFileCreate::OpenExisting, true));
}

TEST(File, RenameRefusesAnExistingTargetAndReplaceDoesNot) {
  TTempPrefix prefix;
  varelo::test::WriteFileBytes(prefix.Drive('c') + "/a", "A");
  varelo::test::WriteFileBytes(prefix.Drive('c') + "/b", "B");
  EXPECT_FALSE(
      platform::RenameFile(varelo::test::InPrefix("c:\\a"), varelo::test::InPrefix("c:\\b")));
  EXPECT_EQ(varelo::test::ReadFileBytes(prefix.Drive('c') + "/b"), "B");
  EXPECT_TRUE(
      platform::ReplaceFile(varelo::test::InPrefix("c:\\a"), varelo::test::InPrefix("c:\\b")));
  EXPECT_EQ(varelo::test::ReadFileBytes(prefix.Drive('c') + "/b"), "A");
  EXPECT_FALSE(platform::FileExists(varelo::test::InPrefix("c:\\a")));
}

TEST(File, CreateDirNeedsItsParentAndForceDirectoriesDoesNot) {
  TTempPrefix prefix;
  EXPECT_FALSE(platform::CreateDir(varelo::test::InPrefix("c:\\x\\y")));
  EXPECT_TRUE(platform::ForceDirectories(varelo::test::InPrefix("c:\\x\\y")));
  EXPECT_FALSE(platform::CreateDir(varelo::test::InPrefix("c:\\x\\y")));
  EXPECT_TRUE(platform::DirectoryExists(varelo::test::InPrefix("c:\\X\\Y")));
}

// The room on a folder's drive: a folder not made yet is asked of the nearest one that is.
TEST(File, FreeDiskSpaceOfAMissingFolderIsThatOfItsNearestParent) {
  TTempPrefix prefix;
  ASSERT_TRUE(platform::ForceDirectories(varelo::test::InPrefix("c:\\Varelo")));
  const int64_t room = platform::FreeDiskSpace(varelo::test::InPrefix("c:\\Varelo"));
  EXPECT_GT(room, 0);
  const int64_t missing = platform::FreeDiskSpace(varelo::test::InPrefix("c:\\Varelo\\Banco\\x\\"));
  EXPECT_GT(missing, 0);
  // Other programs write to the same disk meanwhile: the same drive, not the same byte.
  EXPECT_LT(std::llabs(missing - room), 64LL * 1024 * 1024);
}

TEST(File, DriveOfNamesTheDriveOrTheShare) {
  EXPECT_EQ(platform::DriveOf("c:\\Varelo\\Banco\\"), "C:");
  EXPECT_EQ(platform::DriveOf("D:"), "D:");
  EXPECT_EQ(platform::DriveOf("\\\\srv\\dados\\Varelo"), "\\\\srv\\dados");
  EXPECT_EQ(platform::DriveOf("\\\\srv"), "\\\\srv");
  EXPECT_EQ(platform::DriveOf("Varelo"), "Varelo");
}

TEST(CodePage, AnsiIsWindows1252AndOemIs850) {
  EXPECT_EQ(platform::Utf8ToAnsi("Instalação"), "Instala\xE7\xE3o");
  EXPECT_EQ(platform::AnsiToUtf8("Instala\xE7\xE3o"), "Instalação");
  EXPECT_EQ(platform::Utf8ToAnsi("€"), "\x80");
  EXPECT_EQ(platform::OemToUtf8("\x87"), "ç");
  EXPECT_EQ(platform::Utf8ToAnsi("a\xE2\x82z"), "a??z");  // each stray byte
  EXPECT_EQ(platform::Utf8ToAnsi("日本"), "??");
}

TEST(CodePage, Utf16RoundTripKeepsSurrogatePairs) {
  const std::string text = "ação 😀";
  const std::u16string wide = platform::Utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 7u);
  EXPECT_EQ(platform::Utf16ToUtf8(wide), text);
}

}  // namespace
