// Crafted archives, one per defect the engine once had, each named after it (fixtures/). The
// installer's own mode (0x424: extract, overwrite, no folder names) is the default here.
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "engine/EngineLimits.h"
#include "engine/FolderNames.h"
#include "engine/TempFile.h"
#include "engine/ZipCrypto.h"
#include "platform/DirHandle.h"
#include "platform/Paths.h"
#include "platform/ProcessInfo.h"
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

bool AnyMessageContains(const TEngineCaller& caller, const std::string& part) {
  for (const TEngineEvent& e : caller.EventsOf(zacMessage)) {
    if (e.text.find(part) != std::string::npos)
      return true;
  }
  return false;
}

class EngineDefects : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    caller.options = kInstallerMode;
  }
  void RemoveTree() {
    ASSERT_EQ(RunCommand({"rm", "-rf", work / "dest"}), 0);
    ASSERT_TRUE(platform::ForceDirectories(work / "dest"));
  }
  // No file of the engine's temporary pattern anywhere under the destination.
  bool NoTemporaryLeft() const {
    for (const std::string& path : DestTree()) {
      if (path.find(".~az") != std::string::npos)
        return false;
    }
    return true;
  }
};

// Item 1: the raw name is a file, the trusted Unicode path a folder.
TEST_F(EngineDefects, UnicodePathNamingAFolderIsOneFolderEntryEverywhere) {
  UseFixture("unicode-path-names-folder.zip",
             BuildZip({{.name = "a.txt",
                        .content = "",
                        .method = 0,
                        .centralExtra = UnicodePathExtra("a.txt", "dir/")},
                       {.name = "b.txt", .content = "beside it"}}));
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(DestTree(), (Strings{"b.txt"}));
  caller.options |= kAZOptDirNames;
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(DestTree(), (Strings{"b.txt", "dir/"}));
}

// Item 2: Zip64 end record and locator before a classic end record that holds real values.
TEST_F(EngineDefects, Zip64RecordsWithoutPlaceholdersAreNotAPrefix) {
  UseFixture("zip64-records-without-placeholders.zip",
             BuildZip({{.name = "one.txt", .content = "first"},
                       {.name = "two.txt", .content = "second", .method = 0}},
                      {.zip64End = true, .placeholders = false}));
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_EQ(DestTree(), (Strings{"one.txt", "two.txt"}));
  EXPECT_EQ(ReadFileBytes(Dest("two.txt")), "second");
}

TEST_F(EngineDefects, Zip64RecordsWithoutPlaceholdersBehindAStub) {
  UseFixture("zip64-records-without-placeholders-stub.zip",
             BuildZip({{.name = "one.txt", .content = "first"}},
                      {.prefix = std::string(1000, 'S'), .zip64End = true, .placeholders = false}));
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(ReadFileBytes(Dest("one.txt")), "first");
}

TEST_F(EngineDefects, ArchiveInTheCommentDoesNotHideTheOuterOne) {
  const std::string inner = BuildZip({{.name = "inner.txt", .content = "from the comment"}});
  UseFixture("archive-in-comment.zip",
             BuildZip({{.name = "outer.txt", .content = "the archive's own"}}, {.comment = inner}));
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(DestTree(), (Strings{"outer.txt"}));
}

// Item 3: each inconsistency of the directory named for what it is.
TEST_F(EngineDefects, DirectoryInconsistenciesAreNamed) {
  const std::vector<TZipItem> two{{.name = "a.txt", .content = "a"},
                                  {.name = "b.txt", .content = "b"}};
  struct TCase {
    std::string fixture;
    TZipLayout layout;
    int32_t result;
    std::string message;
  };
  const std::vector<TCase> cases{
      {"entry-counts-disagree.zip",
       {.diskEntries = 1},
       -azeZipStructure,
       "entry counts of the end record disagree"},
      {"central-records-short-of-declared-size.zip",
       {.centralTail = std::string(30, '\0')},
       -azeZipStructure,
       "records do not fill its declared size"},
      {"entry-count-lower-than-records.zip",
       {.entryCount = 1},
       -azeZipStructure,
       "entry count is lower than the records"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    UseFixture(c.fixture, BuildZip(two, c.layout));
    EXPECT_EQ(caller.Run(), c.result);
    EXPECT_TRUE(AnyMessageContains(caller, c.message));
    EXPECT_FALSE(AnyMessageContains(caller, "spans several disks"));
    EXPECT_TRUE(DestTree().empty());
  }
}

// Item 4: declared sizes that add up past what the size field carries.
TEST_F(EngineDefects, DeclaredSizesSaturateInsteadOfOverflowing) {
  std::vector<TZipItem> items;
  for (int i = 0; i < 5; ++i) {
    items.push_back({.name = "huge" + std::to_string(i),
                     .content = "x",
                     .declaredSize = UINT64_MAX,
                     .zip64 = true});
  }
  UseFixture("declared-sizes-past-int64.zip", BuildZip(items));
  EXPECT_EQ(caller.Run(), 0);
  ASSERT_EQ(caller.EventsOf(zacSize).size(), 1u);
  EXPECT_EQ(caller.EventsOf(zacSize)[0].size, INT64_MAX);
  ASSERT_EQ(caller.EventsOf(zacItem).size(), 5u);
  for (const TEngineEvent& e : caller.EventsOf(zacItem))
    EXPECT_EQ(e.size, INT64_MAX) << e.text;
  EXPECT_TRUE(DestTree().empty());
  EXPECT_TRUE(NoTemporaryLeft());
}

// Item 5: the temporary file goes with its object, whatever ends the entry.
TEST_F(EngineDefects, CallbackThatThrowsLeavesNoTemporaryFile) {
  UseFixture("callback-throws-mid-entry.zip",
             BuildZip({{.name = "big.bin", .content = std::string(3 << 20, 'b')}}));
  caller.hook = [](const TEngineEvent& e) -> int {
    if (e.action == zacProgress)
      throw std::runtime_error("the component failed");
    return 0;
  };
  EXPECT_EQ(caller.Run(), -azeFatal);
  EXPECT_TRUE(DestTree().empty());
}

TEST_F(EngineDefects, TemporaryFilesOfKilledWritersAreRemovedAtTheStart) {
  // Process ids past the system's largest belong to no process; 1 always runs on Linux, and
  // on Windows this very process stands for a living writer.
  const std::string dead = ".~az3ffffff0-00000001.tmp";
#ifdef _WIN32
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(platform::CurrentProcessId()));
  const std::string living = ".~az" + std::string(hex) + "-00000002.tmp";
#else
  const std::string living = ".~az00000001-00000002.tmp";
#endif
  const std::string lookalike = ".~azNOTHEX00-00000003.tmp";
  caller.options |= kAZOptDirNames;
  ASSERT_TRUE(platform::ForceDirectories(Dest("sub")));
  for (const std::string& name : {dead, living, lookalike, "sub/" + dead})
    WriteFileBytes(Dest(name), "half written");
  WriteArchive({{.name = "sub/new.txt", .content = "n"}});
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(DestTree(), (Strings{living, lookalike, "sub/", "sub/new.txt"}));
}

TEST(EngineTempFile, NamesCarryTheWritersProcess) {
  TTempDir dir;
  platform::TDirHandle folder;
  ASSERT_TRUE(folder.Open(dir.Path()));
  std::string name;
  {
    arcazip::TTempFile temp;
    ASSERT_TRUE(temp.Create(folder));
    name = platform::ListFolderTree(dir.Path()).at(0);
    uint32_t owner = 0;
    EXPECT_TRUE(arcazip::IsEngineTempName(name, owner));
    EXPECT_EQ(owner, platform::CurrentProcessId());
    EXPECT_FALSE(arcazip::RemoveIfStaleTemp(folder, name)) << "our own file was taken";
  }
  EXPECT_TRUE(platform::ListFolderTree(dir.Path()).empty());
}

// Item 6: names Windows would turn into something else.
TEST_F(EngineDefects, NamesUnsafeOnWindowsAreSkippedInBothModes) {
  const Strings unsafe{"C:evil.txt", "file.txt:stream", "CON",       "nul.txt", "Com1.log",
                       "lpt9",       "aux.tar.gz",      "trailing.", "blank ",  "dir/PRN/x.txt",
                       "dir./y.txt"};
  std::vector<TZipItem> items;
  for (const std::string& name : unsafe)
    items.push_back({.name = name, .content = "x"});
  items.push_back({.name = "COM10.txt", .content = "fine"});
  items.push_back({.name = "console.txt", .content = "fine"});
  UseFixture("windows-unsafe-names.zip", BuildZip(items));
  for (const uint32_t mode : {kInstallerMode, kInstallerMode | kAZOptDirNames}) {
    SCOPED_TRACE(mode);
    caller.options = mode;
    // Flat mode keeps "x.txt" and "y.txt" of the two names whose folders are unsafe.
    const bool flat = (mode & kAZOptDirNames) == 0;
    const Strings kept = flat ? Strings{"COM10.txt", "console.txt", "x.txt", "y.txt"}
                              : Strings{"COM10.txt", "console.txt"};
    EXPECT_EQ(caller.Run(), static_cast<int32_t>(kept.size()));
    EXPECT_EQ(DestTree(), kept);
    EXPECT_EQ(SkipTypes(caller), std::vector<int>(unsafe.size() - (flat ? 2 : 0), stBadName));
    // Nothing went beside the destination, nor to the drive a "C:" name would reach on Windows
    // (Wine's drive C: of the build's prefix).
    EXPECT_EQ(OutsideTree(), Strings{});
#ifdef _WIN32
    EXPECT_FALSE(platform::FileExists("C:\\evil.txt"));
    EXPECT_FALSE(platform::FileExists("C:evil.txt"));
#endif
    RemoveTree();
  }
}

// Names that climb out of the destination or name a place of their own (a host path, a drive,
// a long-path prefix) write nothing outside it. Under Wine drive Z: is the host's root, so each
// name points at a real host folder: the work folder, its parent and the root are checked.
TEST_F(EngineDefects, NamesThatClimbOutOrAreAbsoluteStayInTheDestination) {
  const std::string host = work.Path();  // "/tmp/varelo-ab12cd"
  const std::string tag = platform::FileNameOf(host);
  std::string backslashed = host;
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  const Strings names{"../" + tag + "-up.txt",
                      "..\\..\\" + tag + "-back.txt",
                      "a/../../" + tag + "-mid.txt",
                      "../../../../../../../../../../" + tag + "-root.txt",
                      host + "/" + tag + "-abs.txt",
                      backslashed + "\\" + tag + "-absback.txt",
                      "Z:" + host + "/" + tag + "-drive.txt",
                      "\\\\?\\Z:" + backslashed + "\\" + tag + "-long.txt",
                      "Z:" + tag + "-driverel.txt"};
  std::vector<TZipItem> items;
  for (const std::string& name : names)
    items.push_back({.name = name, .content = "out"});
  WriteArchive(items);
  for (const uint32_t mode : {kInstallerMode, kInstallerMode | kAZOptDirNames}) {
    SCOPED_TRACE(mode);
    caller.options = mode;
    // Flat mode keeps the last component of each, inside the destination; "Z:x" is one unsafe
    // component. With folder names every one of them is refused.
    const bool flat = (mode & kAZOptDirNames) == 0;
    const size_t kept = flat ? names.size() - 1 : 0;
    EXPECT_EQ(caller.Run(), static_cast<int32_t>(kept));
    EXPECT_EQ(DestTree().size(), kept);
    for (const std::string& path : DestTree())
      EXPECT_EQ(path.rfind(tag + "-", 0), 0u) << path;
    EXPECT_EQ(SkipTypes(caller), std::vector<int>(names.size() - kept, stBadName));
    EXPECT_EQ(OutsideTree(), Strings{});
    const std::filesystem::path parent = std::filesystem::path(host).parent_path();
    for (const std::filesystem::path& folder : {parent, std::filesystem::path("/")}) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name.rfind(tag + "-", 0), 0u) << folder << " holds " << name;
      }
    }
    RemoveTree();
  }
}

// Item 7: failures of single entries come with the skip type the component acts on.
TEST_F(EngineDefects, FailedEntriesAreReportedWithTheirSkipType) {
  ASSERT_TRUE(platform::ForceDirectories(Dest("blocked.txt")));
  UseFixture(
      "failed-entries-skip-types.zip",
      BuildZip({{.name = "mismatch.txt", .content = "m", .localName = "other.txt"},
                {.name = "crc.txt", .content = "c", .crc = 99},
                {.name = "damaged.bin", .content = "d", .data = std::string(4, '\xff')},
                {.name = "larger.txt", .content = std::string(5000, 'l'), .declaredSize = 10},
                {.name = "blocked.txt", .content = "b"},
                {.name = "good.txt", .content = "g"},
                {.name = "good.txt", .content = "g", .sameDataAs = 5}}));
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(SkipTypes(caller),
            (std::vector<int>{stReadError, stGeneralExtractError, stGeneralExtractError,
                              stGeneralExtractError, stNoAccess, stReadError}));
  const std::vector<TEngineEvent> skips = caller.EventsOf(zacSkipped);
  EXPECT_EQ(skips[0].text, "mismatch.txt");
  EXPECT_EQ(skips[0].arg1, static_cast<uint32_t>(azeZipStructure));
  EXPECT_EQ(skips[4].arg1, static_cast<uint32_t>(azeCreate));
  EXPECT_TRUE(AnyMessageContains(caller, "CRC error : crc.txt"));
  EXPECT_EQ(DestTree(), (Strings{"blocked.txt/", "good.txt"}));

  // A component whose NoSkipping set holds the type answers 1, and the operation stops there.
  caller.skipAnswer = 1;
  EXPECT_EQ(caller.Run(), -azeZipStructure);
  EXPECT_EQ(caller.EventsOf(zacSkipped).size(), 1u);
  EXPECT_EQ(caller.Actions().back(), zacEndOfBatch);
}

TEST_F(EngineDefects, EntriesLandingOnOneFileGiveADuplicateReport) {
  UseFixture("same-file-twice.zip", BuildZip({{.name = "one/readme.txt", .content = "first"},
                                              {.name = "two/README.TXT", .content = "second"},
                                              {.name = "other.txt", .content = "o"}}));
  EXPECT_EQ(caller.Run(), 3);
  EXPECT_EQ(DestTree(), (Strings{"other.txt", "readme.txt"}));
  EXPECT_EQ(ReadFileBytes(Dest("readme.txt")), "second");
  ASSERT_EQ(SkipTypes(caller), (std::vector<int>{stDupName}));
  EXPECT_EQ(caller.EventsOf(zacSkipped)[0].text, "two/README.TXT");

  // Without overwrite the later one is not written; a file that was there before is no
  // duplicate, only what this archive wrote counts.
  RemoveTree();
  caller.options = kAZOptAlways | kAZOptExtract;
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_EQ(ReadFileBytes(Dest("readme.txt")), "first");
  EXPECT_EQ(SkipTypes(caller), (std::vector<int>{stDupName}));
  EXPECT_TRUE(caller.EventsOf(zacOverwrite).empty());
  caller.options |= kAZOptDirNames;
  caller.overwriteAnswer = 1;
  EXPECT_EQ(caller.Run(), 3);
  EXPECT_TRUE(SkipTypes(caller).empty());
}

TEST_F(EngineDefects, EndOfBatchFollowsTheSizeEvenWhenAborted) {
  WriteArchive({{.name = "a.txt", .content = "a"}});
  for (const bool throughExport : {false, true}) {
    SCOPED_TRACE(throughExport);
    caller.hook = [&](const TEngineEvent& e) {
      if (e.action != zacSize)
        return 0;
      if (!throughExport)
        return kAZReplyAbort;
      caller.AbortRunning();
      return 0;
    };
    EXPECT_EQ(caller.Run(), -azeAborted);
    const std::vector<int> actions = caller.Actions();
    ASSERT_GE(actions.size(), 2u);
    EXPECT_EQ(actions[actions.size() - 2], zacSize);
    EXPECT_EQ(actions.back(), zacEndOfBatch);
    EXPECT_TRUE(DestTree().empty());
  }
}

// Item 8: each folder is listed once per operation, however the entries alternate.
TEST(EngineFolderNames, EachFolderIsListedOnce) {
  TTempDir dir;
  ASSERT_TRUE(platform::ForceDirectories(dir / "A"));
  ASSERT_TRUE(platform::ForceDirectories(dir / "B"));
  WriteFileBytes(dir / "A/Existing.TXT", "x");
  platform::TDirHandle a, b;
  ASSERT_TRUE(a.Open(dir / "A"));
  ASSERT_TRUE(b.Open(dir / "B"));
  int listings = 0;
  arcazip::TFolderNames names([&](platform::TDirHandle&, const std::string&) {
    ++listings;
    return true;
  });
  for (int i = 0; i < 200; ++i) {
    const std::string name = "new" + std::to_string(i);
    EXPECT_EQ(names.Match(i % 2 ? a : b, i % 2 ? "/a" : "/b", name), name);
    names.Added(i % 2 ? "/a" : "/b", name);
  }
#ifdef _WIN32
  // The system finds a name whatever its case, so the name asked for is good as it is.
  EXPECT_EQ(names.Match(a, "/a", "existing.txt"), "existing.txt");
#else
  EXPECT_EQ(names.Match(a, "/a", "existing.txt"), "Existing.TXT");
#endif
  EXPECT_EQ(names.Match(b, "/b", "NEW10"), "new10");
  EXPECT_EQ(listings, 1) << "only A held a name when it was listed";
}

// Item 10: names past the system's path limit or nesting too deep.
TEST_F(EngineDefects, NamesWithoutBoundsAreRefused) {
  caller.options |= kAZOptDirNames;
  std::string deep;
  for (size_t i = 0; i <= arcazip::kMaxFolderDepth; ++i)
    deep += "d/";
  std::string longName;
  while (longName.size() <= platform::MaxPathLength())
    longName += std::string(60, 'n') + "/";
  std::string fits;
#ifdef _WIN32
  // Windows paths end at MAX_PATH long before the folder depth limit: a shorter name fits there.
  for (size_t i = 0; i < 16; ++i)
    fits += "f/";
  WriteArchive({{.name = deep + "deep.txt", .content = "x"},
                {.name = longName + "long.txt", .content = "x"},
                {.name = fits + "fits.txt", .content = "x"}});
#else
  for (size_t i = 0; i < arcazip::kMaxFolderDepth; ++i)
    fits += "f/";
  UseFixture("names-without-bounds.zip", BuildZip({{.name = deep + "deep.txt", .content = "x"},
                                                   {.name = longName + "long.txt", .content = "x"},
                                                   {.name = fits + "fits.txt", .content = "x"}}));
#endif
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(SkipTypes(caller), (std::vector<int>{stBadName, stBadName}));
  EXPECT_EQ(ReadFileBytes(Dest(fits + "fits.txt")), "x");
  EXPECT_FALSE(PathExists(Dest("d")));
  EXPECT_FALSE(PathExists(Dest(std::string(60, 'n'))));
}

// Item 11: MS-DOS makers mark a folder by its attribute alone.
TEST_F(EngineDefects, FolderMarkedOnlyByItsAttributeIsAFolder) {
  constexpr uint16_t kMadeOnFat = 0x0014;
  UseFixture("dos-folder-attribute.zip", BuildZip({{.name = "EMPTY",
                                                    .content = "",
                                                    .method = 0,
                                                    .versionMadeBy = kMadeOnFat,
                                                    .externalAttributes = 0x10},
                                                   {.name = "DOCS",
                                                    .content = "",
                                                    .method = 0,
                                                    .versionMadeBy = kMadeOnFat,
                                                    .externalAttributes = 0x10},
                                                   {.name = "DOCS/README.TXT",
                                                    .content = "r",
                                                    .versionMadeBy = kMadeOnFat,
                                                    .externalAttributes = 0x20},
                                                   {.name = "HASDATA",
                                                    .content = "kept as a file",
                                                    .method = 0,
                                                    .versionMadeBy = kMadeOnFat,
                                                    .externalAttributes = 0x10}}));
  caller.options |= kAZOptDirNames;
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_EQ(DestTree(), (Strings{"DOCS/", "DOCS/README.TXT", "EMPTY/", "HASDATA"}));
  RemoveTree();
  caller.options = kInstallerMode;
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_EQ(DestTree(), (Strings{"HASDATA", "README.TXT"}));
}

// Item 12: a streamed entry whose wrong password passes the one-byte header check.
TEST_F(EngineDefects, WrongPasswordOnAStreamedEntryIsAskedAgain) {
  const std::string content(arcazip::kInMemoryLimit + (6u << 20), 'p');
  UseFixture("streamed-wrong-password.zip",
             BuildZip({{.name = "large.bin", .content = content, .password = "right"}}));
  // Find a wrong password that the header check lets through, as one in 256 do.
  const std::string archive = ReadFileBytes(caller.archive);
  const auto* header = reinterpret_cast<const uint8_t*>(archive.data()) + 30 + 9;
  const uint8_t check = static_cast<uint8_t>(Crc32(content) >> 24);
  std::string wrong;
  for (int i = 0; i < 100000 && wrong.empty(); ++i) {
    arcazip::TZipCrypto crypto;
    const std::string candidate = "wrong" + std::to_string(i);
    crypto.Init(candidate);
    uint8_t copy[arcazip::kCryptHeaderSize];
    std::copy(header, header + arcazip::kCryptHeaderSize, copy);
    if (crypto.CheckHeader(copy, check))
      wrong = candidate;
  }
  ASSERT_FALSE(wrong.empty());
  caller.passwordRequests = 3;
  caller.passwordAnswers = {{1, wrong}, {1, "right"}};
  EXPECT_EQ(caller.Run(), 1);
  EXPECT_EQ(caller.EventsOf(zacPassword).size(), 2u);
  EXPECT_TRUE(caller.EventsOf(zacCRCError).empty());
  EXPECT_EQ(platform::FileSize(Dest("large.bin")), static_cast<int64_t>(content.size()));
  EXPECT_EQ(ReadFileBytes(Dest("large.bin")) == content, true);
  EXPECT_TRUE(NoTemporaryLeft());
}

}  // namespace
}  // namespace varelo::test
