// Entries the engine does not write: names no Windows file can hold, and the stop on a
// duplicate name. Each is reported as a skip, and the end of the batch says how many files
// were written and how many entries skipped, also when the batch stopped part-way.
#include <algorithm>
#include <utility>

#include "tests/engine/EngineTestSupport.h"
#include "tests/support/Process.h"

namespace varelo::test {
namespace {

using Strings = std::vector<std::string>;

constexpr uint32_t kInstallerMode = 0x424;

std::vector<int> SkipTypes(const TEngineCaller& caller) {
  std::vector<int> types;
  for (const TEngineEvent& e : caller.EventsOf(zacSkipped))
    types.push_back(static_cast<int>(e.arg2) - 1);
  return types;
}

Strings SkipNames(const TEngineCaller& caller) {
  Strings names;
  for (const TEngineEvent& e : caller.EventsOf(zacSkipped))
    names.push_back(e.text);
  return names;
}

// The written and skipped counts of the end-of-batch report.
std::pair<uint32_t, uint32_t> BatchCounts(const TEngineCaller& caller) {
  const std::vector<TEngineEvent> ends = caller.EventsOf(zacEndOfBatch);
  EXPECT_EQ(ends.size(), 1u);
  return ends.empty() ? std::pair<uint32_t, uint32_t>{~0u, ~0u}
                      : std::pair<uint32_t, uint32_t>{ends[0].arg1, ends[0].arg2};
}

class EngineSkipReports : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    caller.options = kInstallerMode;
  }
  void EmptyDestination() {
    ASSERT_EQ(RunCommand({"rm", "-rf", work / "dest"}), 0);
    ASSERT_TRUE(platform::ForceDirectories(work / "dest"));
  }
};

// A name and the file it gives in each mode ("" when it is skipped).
struct TNameRow {
  const char* what;
  std::string name;
  std::string flat;
  std::string withFolders;
};

TEST_F(EngineSkipReports, NamesWindowsCannotHoldAreSkippedNeverRewritten) {
  const std::vector<TNameRow> rows{
      {"double quote", "a\"b.txt", "", ""},
      {"asterisk", "a*b.txt", "", ""},
      {"colon", "a:b.txt", "", ""},
      {"less than", "a<b.txt", "", ""},
      {"greater than", "a>b.txt", "", ""},
      {"question mark", "a?b.txt", "", ""},
      {"bar", "a|b.txt", "", ""},
      {"TAB", "a\tb.txt", "", ""},
      {"CR", "a\rb.txt", "", ""},
      {"LF", "a\nb.txt", "", ""},
      {"0x01",
       "a\x01"
       "b.txt",
       "", ""},
      {"0x1F",
       "a\x1F"
       "b.txt",
       "", ""},
      {"DEL",
       "a\x7F"
       "b.txt",
       "", ""},
      {"CR at the end", "readme.txt\r", "", ""},
      {"DEL at the start",
       "\x7F"
       "readme.txt",
       "", ""},
      {"reserved after accented letters", "ação?.txt", "", ""},
      {"accented letters only", "ação.txt", "ação.txt", "ação.txt"},
      // Flattening drops the folders, so a folder Windows cannot hold never gets created;
      // with folder names the whole entry is skipped.
      {"TAB in a folder", "dir\t/x.txt", "x.txt", ""},
      {"bar in a folder", "di|r/x.txt", "x.txt", ""},
      // A drive and its folders are flattened away; a drive-relative name keeps its colon in
      // the only component it has, and is skipped rather than written as "x.txt".
      {"drive and folder", "C:\\dir\\x.txt", "x.txt", ""},
      {"drive-relative", "C:x.txt", "", ""},
  };
  for (const TNameRow& row : rows) {
    for (const uint32_t mode : {kInstallerMode, kInstallerMode | kAZOptDirNames}) {
      SCOPED_TRACE(std::string(row.what) + ((mode & kAZOptDirNames) ? ", folder names" : ""));
      const std::string& kept = (mode & kAZOptDirNames) ? row.withFolders : row.flat;
      WriteArchive({{.name = row.name, .content = "row", .flags = 0x0800},
                    {.name = "good.txt", .content = "good", .flags = 0x0800}});
      caller.options = mode;
      const uint32_t written = kept.empty() ? 1 : 2;
      EXPECT_EQ(caller.Run(), static_cast<int32_t>(written));
      Strings expected{"good.txt"};
      if (!kept.empty())
        expected.push_back(kept);
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(DestTree(), expected);
      EXPECT_EQ(ReadFileBytes(Dest("good.txt")), "good");
      EXPECT_EQ(OutsideTree(), Strings{});
      if (kept.empty()) {
        EXPECT_EQ(SkipTypes(caller), std::vector<int>{stBadName});
        EXPECT_EQ(SkipNames(caller), Strings{row.name});
      } else {
        EXPECT_EQ(SkipTypes(caller), std::vector<int>{});
      }
      EXPECT_EQ(BatchCounts(caller), std::make_pair(written, kept.empty() ? 1u : 0u));
      EmptyDestination();
    }
  }
}

// A system that dropped the character would put both entries of a pair on one file; the
// entry with the character is skipped, whichever comes first, and the other is written whole.
TEST_F(EngineSkipReports, NameDifferingOnlyByADroppedCharacterIsSkipped) {
  UseFixture("names-differing-by-a-dropped-character.zip",
             BuildZip({{.name = "report.txt", .content = "report"},
                       {.name = "report\r.txt", .content = "cr"},
                       {.name = "report.txt\x7F", .content = "del"},
                       {.name = "data\r.bin", .content = "cr first"},
                       {.name = "data.bin", .content = "data"}}));
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_EQ(DestTree(), (Strings{"data.bin", "report.txt"}));
  EXPECT_EQ(ReadFileBytes(Dest("report.txt")), "report");
  EXPECT_EQ(ReadFileBytes(Dest("data.bin")), "data");
  EXPECT_EQ(SkipTypes(caller), std::vector<int>(3, stBadName));
  EXPECT_EQ(SkipNames(caller), (Strings{"report\r.txt", "report.txt\x7F", "data\r.bin"}));
  EXPECT_EQ(BatchCounts(caller), std::make_pair(2u, 3u));
}

// The component stops on a duplicate (its NoSkipping set holds stDupName): the operation
// fails, and the end of the batch still says that three files were written before it.
TEST_F(EngineSkipReports, StopOnADuplicateReportsTheFilesItWrote) {
  WriteArchive({{.name = "one.txt", .content = "1"},
                {.name = "two.txt", .content = "2"},
                {.name = "sub/three.txt", .content = "3"},
                {.name = "ONE.TXT", .content = "again"},
                {.name = "four.txt", .content = "4"}});
  caller.hook = [](const TEngineEvent& e) {
    return e.action == zacSkipped && e.arg2 == stDupName + 1 ? 1 : 0;
  };
  EXPECT_EQ(caller.Run(), -azeDuplicate);
  EXPECT_EQ(DestTree(), (Strings{"one.txt", "three.txt", "two.txt"}));
  EXPECT_EQ(ReadFileBytes(Dest("one.txt")), "1");
  EXPECT_EQ(SkipNames(caller), Strings{"ONE.TXT"});
  EXPECT_EQ(caller.Actions().back(), zacEndOfBatch);
  EXPECT_EQ(BatchCounts(caller), std::make_pair(3u, 1u));

  // Left to go on, the duplicate is written over the first (overwrite is on) and counts as
  // written, not skipped; without overwrite it is skipped.
  EmptyDestination();
  caller.hook = nullptr;
  EXPECT_EQ(caller.Run(), 5);
  EXPECT_EQ(BatchCounts(caller), std::make_pair(5u, 0u));
  EmptyDestination();
  caller.options = kAZOptAlways | kAZOptExtract;
  EXPECT_EQ(caller.Run(), 4);
  EXPECT_EQ(BatchCounts(caller), std::make_pair(4u, 1u));
  EXPECT_EQ(ReadFileBytes(Dest("one.txt")), "1");
}

}  // namespace
}  // namespace varelo::test
