// The conversation between the engine and its caller: the order of callbacks, the questions
// and answers, the exports, aborting.
#include <algorithm>

#include "engine/EntryName.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/Process.h"

namespace varelo::test {
namespace {

using Strings = std::vector<std::string>;

class EngineCallbacks : public EngineFixture {};

TEST_F(EngineCallbacks, TwoEntryExtractMakesTheRecordedSequence) {
  WriteArchive({{.name = "one.txt", .content = "first"},
                {.name = "two.txt", .content = std::string(3 << 20, 't')}});
  caller.specs = {"*.*"};
  EXPECT_EQ(caller.Run(), 2);
  // The order that matters: key, arguments, count and size, then each item followed by its
  // progress, and the end of the batch last. How many progress calls an item takes depends
  // on the write block size, so only their sum per item is checked.
  std::vector<int> actions = caller.Actions();
  actions.erase(std::unique(actions.begin(), actions.end()), actions.end());
  const std::vector<int> expected{zacKey,      zacArg,  zacCount,    zacSize,      zacItem,
                                  zacProgress, zacItem, zacProgress, zacEndOfBatch};
  EXPECT_EQ(actions, expected);
  std::vector<int64_t> perItem;
  for (const TEngineEvent& e : caller.Events()) {
    if (e.action == zacItem)
      perItem.push_back(0);
    if (e.action == zacProgress && !perItem.empty())
      perItem.back() += e.size;
  }
  EXPECT_EQ(perItem, (std::vector<int64_t>{5, 3 << 20}));
  const auto args = caller.EventsOf(zacArg);
  std::vector<uint32_t> which;
  for (const auto& e : args)
    which.push_back(e.arg1);
  EXPECT_EQ(which, (std::vector<uint32_t>{zaaArchivePath, zaaPassword, zaaExtrBaseDir, zaaFSpecArgs,
                                          zaaFSpecArgsExcl}));
  EXPECT_EQ(caller.EventsOf(zacCount)[0].arg1, 2u);
  EXPECT_EQ(caller.EventsOf(zacSize)[0].size, 5 + (3 << 20));
  const auto items = caller.EventsOf(zacItem);
  EXPECT_EQ(items[0].text, "one.txt");
  EXPECT_EQ(items[0].size, 5);
  EXPECT_EQ(items[1].text, "two.txt");
  int64_t advanced = 0;
  for (const auto& e : caller.EventsOf(zacProgress))
    advanced += e.size;
  EXPECT_EQ(advanced, 5 + (3 << 20));
  EXPECT_NE(caller.EventsOf(zacKey)[0].arg1, 0u);
}

TEST_F(EngineCallbacks, ExistingFileIsAskedAboutWithoutOverwrite) {
  caller.options = kAZOptAlways | kAZOptExtract;
  WriteFileBytes(Dest("a.txt"), "old");
  WriteArchive({{.name = "a.txt", .content = "new"}});
  caller.overwriteAnswer = 2;
  EXPECT_EQ(caller.Run(), 0);
  EXPECT_EQ(ReadFileBytes(Dest("a.txt")), "old");
  ASSERT_EQ(caller.EventsOf(zacOverwrite).size(), 1u);
  EXPECT_EQ(caller.EventsOf(zacOverwrite)[0].text, "a.txt");
  EXPECT_EQ(caller.EventsOf(zacSkipped)[0].arg2, stFileExists + 1u);

  caller.overwriteAnswer = 0;  // no answer: the option bits decide, and they say keep
  EXPECT_EQ(caller.Run(), 0);
  EXPECT_EQ(ReadFileBytes(Dest("a.txt")), "old");

  caller.overwriteAnswer = 1;
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(ReadFileBytes(Dest("a.txt")), "new");
  EXPECT_EQ(DestTree(), (Strings{"a.txt"}));
}

TEST_F(EngineCallbacks, ExistingNamesMatchWithoutRegardToCase) {
  // As on Windows: a later package's "sub/readme.txt" replaces the installed "Sub/ReadMe.TXT".
  caller.options |= kAZOptDirNames;
  ASSERT_TRUE(platform::ForceDirectories(Dest("Sub")));
  WriteFileBytes(Dest("Sub/ReadMe.TXT"), "version 1");
  WriteArchive({{.name = "sub/readme.txt", .content = "version 2"},
                {.name = "SUB/new.txt", .content = "added"},
                {.name = "Top.txt", .content = "first"},
                {.name = "TOP.TXT", .content = "second"}});
  EXPECT_EQ(caller.Run(), 4);
  EXPECT_EQ(DestTree(), (Strings{"Sub/", "Sub/ReadMe.TXT", "Sub/new.txt", "Top.txt"}));
  EXPECT_EQ(ReadFileBytes(Dest("Sub/ReadMe.TXT")), "version 2");
  EXPECT_EQ(ReadFileBytes(Dest("Top.txt")), "second");
}

TEST_F(EngineCallbacks, FreshenOnlyReplacesOlderExistingFiles) {
  caller.options = kAZOptAlways | kAZOptExtract | kAZOptFreshen;
  WriteFileBytes(Dest("old.txt"), "stale");
  ASSERT_EQ(RunCommand({"touch", "-d", "2001-01-01", Dest("old.txt")}), 0);
  WriteFileBytes(Dest("newer.txt"), "recent");
  WriteArchive({{.name = "old.txt", .content = "fresh"},
                {.name = "newer.txt", .content = "from archive"},
                {.name = "absent.txt", .content = "not wanted"}});
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(ReadFileBytes(Dest("old.txt")), "fresh");
  EXPECT_EQ(ReadFileBytes(Dest("newer.txt")), "recent");
  EXPECT_FALSE(PathExists(Dest("absent.txt")));
}

TEST_F(EngineCallbacks, PatternsSelectAndExclude) {
  caller.options |= kAZOptDirNames;
  WriteArchive({{.name = "doc/readme.txt", .content = "r"},
                {.name = "doc/skip.txt", .content = "s"},
                {.name = "bin/tool.exe", .content = "t"},
                {.name = "top.txt", .content = "x"}});
  caller.specs = {"*.txt"};
  caller.excludes = {"doc/skip*"};
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_EQ(DestTree(), (Strings{"doc/", "doc/readme.txt", "top.txt"}));
  EXPECT_EQ(caller.EventsOf(zacCount)[0].arg1, 2u);
}

TEST_F(EngineCallbacks, TestOnlyChecksEverythingAndWritesNothing) {
  caller.options = kAZOptAlways | kAZOptTest;
  WriteArchive(
      {{.name = "a.txt", .content = "aaa"}, {.name = "b.txt", .content = "bbb", .crc = 3}});
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_TRUE(DestTree().empty());
  EXPECT_EQ(caller.EventsOf(zacCRCError).size(), 1u);
}

TEST_F(EngineCallbacks, AbortAnswerStopsAtOnceAndLeavesNoPartialFile) {
  WriteArchive({{.name = "a.txt", .content = "aaa"},
                {.name = "big.bin", .content = std::string(8 << 20, 'b'), .method = 0},
                {.name = "c.txt", .content = "ccc"}});
  int progress = 0;
  caller.hook = [&](const TEngineEvent& e) {
    return e.action == zacProgress && ++progress == 3 ? kAZReplyAbort : 0;
  };
  EXPECT_EQ(caller.Run(), -azeAborted);
  EXPECT_EQ(DestTree(), (Strings{"a.txt"}));
  EXPECT_EQ(caller.Actions().back(), zacEndOfBatch);
}

TEST_F(EngineCallbacks, AbortExportStopsTheRunningOperation) {
  WriteArchive({{.name = "big.bin", .content = std::string(8 << 20, 'b')},
                {.name = "after.txt", .content = "x"}});
  caller.hook = [&](const TEngineEvent& e) {
    if (e.action == zacProgress)
      caller.AbortRunning();
    return 0;
  };
  EXPECT_EQ(caller.Run(), -azeAborted);
  EXPECT_TRUE(DestTree().empty());
  EXPECT_EQ(caller.EventsOf(zacProgress).size(), 1u);
}

TEST_F(EngineCallbacks, SkipAnswerOfOneStopsTheOperation) {
  caller.options |= kAZOptDirNames;
  WriteArchive({{.name = "../bad", .content = "x"}, {.name = "good", .content = "y"}});
  caller.skipAnswer = 1;
  EXPECT_LT(caller.Run(), 0);
  EXPECT_TRUE(DestTree().empty());
}

TEST(EngineExports, IdentifyTheLibrary) {
  platform::TDynamicLibrary library;
  ASSERT_TRUE(library.Load(EngineLibraryPath())) << library.ErrorText();
  EXPECT_EQ(library.Function<TAZVersionFunc>("AZ_Version")(), 190);
  EXPECT_GE(library.Function<TAZVersionFunc>("AZ_PrivVersion")(), kAZMinBuild);
  char16_t name[kAZNameBufferChars];
  const int n = library.Function<TAZNameFunc>("AZ_Name")(name, kAZNameBufferChars, 1);
  const std::u16string path(name, static_cast<size_t>(n));
  // The library's full path as the system names it.
#ifdef _WIN32
  ASSERT_GT(path.size(), 15u);
  EXPECT_EQ(path.substr(1, 2), u":\\");
  EXPECT_EQ(path.substr(path.size() - 15), u"\\ArcaZip190.dll");
#else
  EXPECT_EQ(path.substr(0, 1), u"/");
  EXPECT_EQ(path.substr(path.size() - 15), u"/ArcaZip190.dll");
#endif
  EXPECT_NE(std::string(library.Function<TAZBannerFunc>("AZ_Banner")()), "");
  EXPECT_NE(library.Symbol("AZ_Path"), nullptr);
  EXPECT_NE(library.Symbol("AZ_Abort"), nullptr);
  EXPECT_EQ(library.Symbol("_ZN7arcazip10TExtractor3RunEv"), nullptr) << "internals leak out";
  EXPECT_EQ(library.Function<TAZAbortFunc>("AZ_Abort")(12345), 0);
}

TEST(EngineExports, CommandBlockWithoutItsCheckIsRefused) {
  platform::TDynamicLibrary library;
  ASSERT_TRUE(library.Load(EngineLibraryPath()));
  TDLLCommands commands{};
  commands.fVersion = kAZVersion;
  EXPECT_EQ(library.Function<TAZExecFunc>("AZ_Exec")(&commands), -azeBadOptions);
  EXPECT_EQ(library.Function<TAZExecFunc>("AZ_Exec")(nullptr), -azeBadOptions);
}

TEST(EngineEntryName, FolderNamesKeptOrRefused) {
  struct TCase {
    std::string name;
    bool keep;
    bool ok;
    Strings parts;
  };
  const std::vector<TCase> cases{
      {"a/b/c.txt", true, true, {"a", "b", "c.txt"}},
      {"a\\b\\c.txt", true, true, {"a", "b", "c.txt"}},
      {"./a//b", true, true, {"a", "b"}},
      {"dir/", true, true, {"dir"}},
      {"a/../b", true, false, {}},
      {"..", true, false, {}},
      {"/etc/passwd", true, false, {}},
      {"\\\\server\\share", true, false, {}},
      {"d:x", true, false, {}},
      {std::string("a\0b", 3), true, false, {}},
      {"", true, false, {}},
      {"a/b/c.txt", false, true, {"c.txt"}},
      {"../../x", false, true, {"x"}},
      {"dir/", false, true, {}},
      {"a/..", false, false, {}},
      {"a/.", false, false, {}},
  };
  for (const TCase& c : cases) {
    Strings parts;
    const bool folder = !c.name.empty() && c.name.back() == '/';
    EXPECT_EQ(arcazip::SplitEntryPath(c.name, c.keep, folder, parts), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(parts, c.parts) << c.name;
    }
  }
}

TEST(EngineEntryName, PatternsMatchAsTheInstallerExpects) {
  EXPECT_TRUE(arcazip::MatchesPattern("*.*", "no_dot"));
  EXPECT_TRUE(arcazip::MatchesPattern("*", "deep/folder/file.txt"));
  EXPECT_TRUE(arcazip::MatchesPattern("*.TXT", "deep/file.txt"));
  EXPECT_TRUE(arcazip::MatchesPattern("doc\\r?adme.txt", "doc/readme.txt"));
  EXPECT_FALSE(arcazip::MatchesPattern("doc/*.exe", "doc/readme.txt"));
  EXPECT_FALSE(arcazip::MatchesPattern("a*b*c*d*e*f*g", std::string(5000, 'a')));
}

}  // namespace
}  // namespace varelo::test

namespace varelo::test {
namespace {

TEST(EngineWindowsPaths, ArchiveAndFolderGivenAsWindowsPathsResolveInThePrefix) {
  TTempPrefix prefix;
  TEngineCaller caller;
  ASSERT_TRUE(caller.Loaded());
  ASSERT_TRUE(platform::ForceDirectories(prefix.Drive('c') + "/Varelo"));
  WriteFileBytes(prefix.Drive('c') + "/Varelo/Pacote.zip",
                 BuildZip({{.name = "sub/Ondrel.exe", .content = "MZ program"}}));
  caller.archive = InPrefix("c:\\Varelo\\Pacote.zip");
  caller.baseDir = InPrefix("c:\\Varelo\\");
  caller.options = 0x424;  // what the installer sends: extract, overwrite, no folder names
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/Varelo/Ondrel.exe"), "MZ program");
}

}  // namespace
}  // namespace varelo::test
