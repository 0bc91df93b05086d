#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "net/FTPList.h"
#include "net/NetLimits.h"

using namespace net;

namespace {

const std::string kGoodLine = "-rw-r--r--   1 user group 1234 Jan 15 10:30 good.txt";

std::set<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace

// Broken and malicious LIST lines: each is left unparsed (never a record with a made-up
// field), and the good line after it is still read.
TEST(FTPListHostile, BrokenLinesStayUnparsed) {
  const struct {
    const char* what;
    std::string line;
  } cases[] = {
      {"a size past 64 bits",
       "-rw-r--r--   1 user group 99999999999999999999999999 Jan 15 10:30 big"},
      {"a size just past 63 bits",
       "-rw-r--r--   1 user group 9223372036854775808 Jan 15 10:30 big"},
      {"year 99999", "-rw-r--r--   1 user group 1 Jan 15 99999 f"},
      {"year 2101", "-rw-r--r--   1 user group 1 Jan 15  2101 f"},
      {"a time of 25 hours", "-rw-r--r--   1 user group 1 Jan 15 25:00 f"},
      {"a time of 60 minutes", "-rw-r--r--   1 user group 1 Jan 15 10:60 f"},
      {"day 0", "-rw-r--r--   1 user group 1 Jan  0 10:30 f"},
      {"day 32", "-rw-r--r--   1 user group 1 Jan 32 10:30 f"},
      {"no month name", "-rw-r--r--   1 user group 1 Xyz 15 10:30 f"},
      {"no name", "-rw-r--r--   1 user group 1 Jan 15 10:30"},
      {"MS-DOS month 13", "13-15-24  10:30AM                 1234 f"},
      {"MS-DOS day 0", "01-00-24  10:30AM                 1234 f"},
      {"MS-DOS hour modifier X", "01-15-24  10:30XM                 1234 f"},
      {"a line of blanks", "      \t   "},
      {"an empty line", ""},
      {"only a plus", "+ x"},
      {"a line of a megabyte", std::string(1024 * 1024, 'A')},
      {"a long line with a real entry in front",
       kGoodLine + std::string(kMaxFtpListLineBytes, 'x')},
  };
  for (const auto& c : cases) {
    TFTPList list;
    list.Lines() = {c.line, kGoodLine};
    list.ParseLines();
    ASSERT_EQ(list.Count(), 1) << c.what << ": " << list.Items(0)->FileName();
    EXPECT_EQ(list.Items(0)->FileName(), "good.txt") << c.what;
    ASSERT_EQ(list.UnparsedLines().size(), 1u) << c.what;
    EXPECT_EQ(list.UnparsedLines()[0], c.line) << c.what;  // kept whole, as the server sent it
  }
}

// A size past 64 bits in a MS-DOS line: the folder layout takes the line, which leaves the
// size out, so the record says 0 rather than a wrapped or clipped number.
TEST(FTPListHostile, MsDosSizePast64BitsIsRefused) {
  TFTPList list;
  list.Lines() = {"01-15-24  10:30AM  123456789012345678901234567890 f"};
  list.ParseLines();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->FileName(), "f");
  EXPECT_FALSE(list.Items(0)->Directory());
  EXPECT_EQ(list.Items(0)->FileSize(), 0);
}

// A name is data: whatever it says, it is kept as the server sent it and nothing is opened or
// created for it.
TEST(FTPListHostile, NamesAreKeptAsDataAndNeverTouchTheDisk) {
  const std::vector<std::string> names = {
      "../../etc/passwd",
      "C:\\x",
      "..\\..\\windows\\win.ini",
      "/etc/shadow",
      "a\x01"
      "b",
      "nul.txt",
      std::string("nul\0byte", 8),
  };
  const auto folder = std::filesystem::current_path();
  const auto before = FolderEntries(folder);
  for (const std::string& name : names) {
    TFTPList list;
    list.Lines() = {"-rw-r--r--   1 user group 1 Jan 15 10:30 " + name, "+s1,r,\t" + name,
                    "01-15-24  10:30AM                    1 " + name};
    list.ParseLines();
    ASSERT_EQ(list.Count(), 3) << name;
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(list.Items(i)->FileName(), name);

    TFTPList mlsd;
    mlsd.Lines() = {"type=file;size=1; " + name};
    mlsd.ParseMLSDLines();
    ASSERT_EQ(mlsd.Count(), 1);
    EXPECT_EQ(mlsd.Items(0)->FileName(), name);
  }
  EXPECT_EQ(FolderEntries(folder), before);
}

TEST(FTPListHostile, EplfFactsOutOfRangeAreIgnored) {
  const struct {
    const char* line;
    bool parsed;
    int64_t size;
    double time;
  } cases[] = {
      {"+s99999999999999999999999,r,\tbig", true, 0, 0},
      {"+s-5,\tnegative", true, 0, 0},
      {"+m99999999999999,\tfar", true, 0, 0},  // past year 9999
      {"+m253402300799,\tlast", true, 0, 2958465.0 + 86399.0 / 86400},
      {"+,,,,\tcommas", true, 0, 0},
      {"+s5 x", false, 0, 0},      // no tab: no EPLF line (and no other family)
      {"+s5, y,\t", false, 0, 0},  // a tab but no name
  };
  for (const auto& c : cases) {
    TFTPList list;
    list.Lines() = {c.line};
    list.ParseLines();
    if (!c.parsed) {
      EXPECT_EQ(list.Count(), 0) << c.line;
      EXPECT_EQ(list.UnparsedLines().size(), 1u) << c.line;
      continue;
    }
    ASSERT_EQ(list.Count(), 1) << c.line;
    EXPECT_EQ(list.Items(0)->Mask(), "EPLF");
    EXPECT_EQ(list.Items(0)->FileSize(), c.size) << c.line;
    EXPECT_NEAR(list.Items(0)->FileTime(), c.time, 1e-6) << c.line;
  }
}

TEST(FTPListHostile, MlsdLinesOutOfBoundsAreRefused) {
  TFTPList list;
  const std::string huge = "type=file;size=1; " + std::string(kMaxFtpListLineBytes, 'n');
  list.Lines() = {huge, "type=file;size=2; fine"};
  list.ParseMLSDLines();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->FileName(), "fine");
  EXPECT_EQ(list.UnparsedLines(), std::vector<std::string>{huge});
}

// Masks set by a caller may be malformed too; they match nothing rather than misbehave.
TEST(FTPListHostile, MalformedCallerMasksMatchNothing) {
  const char* masks[] = {"=",  "d=",     "S=",   "T=abc n*", "*",    "**",
                         "\\", "\\\\n*", "n*\\", "$$$!!!",   "\xC2", "\xA7"};
  for (const char* mask : masks) {
    TFTPList list;
    list.Masks() = {mask};
    list.Lines() = {"some line", "another line", ""};
    list.ParseLines();  // must simply finish
    EXPECT_LE(list.Count() + static_cast<int>(list.UnparsedLines().size()), 3) << mask;
  }
}

// A two-line entry cut off at the end of the listing does not read past it.
TEST(FTPListHostile, TwoLineEntryAtTheEndReadsNoFurther) {
  TFTPList list;
  list.Masks() = {"n*\\n*"};
  list.Lines() = {"first"};
  list.ParseLines();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.UnparsedLines(), std::vector<std::string>{"first"});
}

// A long listing is read line by line: every line ends up either as a record or unparsed.
TEST(FTPListHostile, LongListingIsReadWhole) {
  constexpr int kLines = 200000;
  TFTPList list;
  list.Lines().reserve(kLines);
  for (int i = 0; i < kLines; ++i) {
    list.Lines().push_back(i % 2 ? "-rw-r--r--   1 user group " + std::to_string(i) +
                                       " Jan 15 10:30 f" + std::to_string(i)
                                 : "junk " + std::to_string(i));
  }
  list.ParseLines();
  ASSERT_EQ(list.Count(), kLines / 2);
  EXPECT_EQ(list.UnparsedLines().size(), static_cast<size_t>(kLines / 2));
  EXPECT_EQ(list.Items(kLines / 2 - 1)->FileSize(), kLines - 1);
}
