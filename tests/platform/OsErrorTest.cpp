// What crosses the platform layer's seam: Windows error codes, never errno; OS handles of an
// opaque type, never a descriptor in a public header.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <type_traits>

#include "platform/DirHandle.h"
#include "platform/File.h"
#include "platform/MappedFile.h"
#include "platform/OsError.h"
#include "platform/OsHandle.h"
#include "tests/support/TempDir.h"

namespace {

using varelo::test::TTempPrefix;

static_assert(std::is_same_v<decltype(std::declval<platform::TFile>().NativeHandle()),
                             const platform::TOsHandle&>);
static_assert(!std::is_convertible_v<platform::TOsHandle, int>);
static_assert(!std::is_convertible_v<platform::TOsHandle, intptr_t>);

TEST(OsError, FailuresCarryWindowsCodesWithTheHostsText) {
  TTempPrefix prefix;
  platform::TDirHandle folder;
  ASSERT_TRUE(folder.Open(varelo::test::InPrefix("c:\\")));
  ASSERT_TRUE(folder.CreateNewFile("a.tmp").IsOpen());
  EXPECT_FALSE(folder.CreateNewFile("a.tmp").IsOpen());
  EXPECT_EQ(folder.Error(), platform::kErrorAlreadyExists);
  ASSERT_TRUE(folder.CreateNewFile("b.tmp").IsOpen());
  EXPECT_FALSE(folder.Rename("a.tmp", "b.tmp", false));
  EXPECT_EQ(folder.Error(), platform::kErrorAlreadyExists);
  EXPECT_FALSE(folder.OpenChild("missing", false).IsOpen());
  EXPECT_EQ(folder.Error(), platform::kErrorFileNotFound);

  platform::TFile file;
  EXPECT_FALSE(file.Open(varelo::test::InPrefix("c:\\missing.txt"), platform::TFileAccess::Read,
                         platform::TFileCreate::OpenExisting));
  EXPECT_EQ(platform::LastOsError(), platform::kErrorFileNotFound);
#ifdef _WIN32
  // The system's own words for the code, not a made-up stand-in.
  const std::string text = platform::OsErrorText(platform::LastOsError());
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find("System error"), std::string::npos) << text;
#else
  EXPECT_EQ(platform::OsErrorText(platform::LastOsError()), std::strerror(ENOENT));
#endif
  EXPECT_FALSE(platform::CreateDir(varelo::test::InPrefix("c:\\")));
  EXPECT_EQ(platform::LastOsError(), platform::kErrorAlreadyExists);
  ASSERT_TRUE(file.Open(varelo::test::InPrefix("c:\\x.part"), platform::TFileAccess::ReadWrite,
                        platform::TFileCreate::OpenAlways, true));
  platform::TFile second;
  EXPECT_FALSE(second.Open(varelo::test::InPrefix("c:\\x.part"), platform::TFileAccess::ReadWrite,
                           platform::TFileCreate::OpenAlways, true));
  EXPECT_EQ(platform::LastOsError(), platform::kErrorSharingViolation);

  platform::TMappedFile mapped;
  EXPECT_FALSE(mapped.Open(varelo::test::InPrefix("c:\\")));
  EXPECT_EQ(mapped.Error(), platform::kErrorAccessDenied);
#ifndef _WIN32
  // A failure without a Windows counterpart keeps the host's number under the host bit (the
  // Windows build's codes are all the system's own).
  EXPECT_EQ(platform::OsErrorText(platform::kErrorHostBit | EPIPE), std::strerror(EPIPE));
#endif
}

// No public header of the platform layer keeps a descriptor: only the layer's own Posix*.h
// helpers see one.
TEST(OsError, PublicHeadersHoldNoDescriptor) {
  const std::string source = VARELO_SOURCE_ROOT;
  const std::regex descriptor(R"(\bint\s+(fd|fd_|descriptor)\b|\bfd_\b)");
  int checked = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(source + "/platform")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".h" || name.rfind("Posix", 0) == 0)
      continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_FALSE(std::regex_search(text.str(), descriptor)) << entry.path();
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

}  // namespace
