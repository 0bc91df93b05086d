#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>

#include "archive/CenDir.h"
#include "archive/MessageIds.h"
#include "archive/ZipFile.h"
#include "platform/File.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace varelo::test {
namespace {

using archive::TZAZipFile;

class ZipReader : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = work / name;
    WriteFileBytes(path, bytes);
    return path;
  }
  // A small tree for the real makers: a folder, a text, a random binary, a nested file.
  void MakeTree() {
    RunCommand({"mkdir", "-p", work / "tree/sub/deeper"});
    WriteFileBytes(work / "tree/readme.txt", std::string(3000, 'r') + "end");
    std::string noise;
    for (int i = 0; i < 20000; ++i)
      noise.push_back(static_cast<char>((i * 7919) ^ (i >> 3)));
    WriteFileBytes(work / "tree/sub/data.bin", noise);
    WriteFileBytes(work / "tree/sub/deeper/x.ini", "[a]\r\nb=c\r\n");
  }
  int Zip(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"sh", "-c"};
    std::string command = "cd '" + work.Path() + "' && zip -q";
    for (const std::string& a : args)
      command += " '" + a + "'";
    argv.push_back(command);
    return RunCommand(argv);
  }
  void ExpectAsZipInfo(const TZAZipFile& zip, const std::string& path) {
    std::vector<TZipInfoEntry> info;
    ASSERT_TRUE(ZipInfo(path, info)) << path;
    ASSERT_EQ(zip.Entries.size(), info.size()) << path;
    for (size_t i = 0; i < info.size(); ++i) {
      const archive::TZAIRec& rec = *zip.Entries[i];
      std::string name = info[i].name;
      std::replace(name.begin(), name.end(), '/', '\\');
      EXPECT_EQ(rec.FileName(), name) << path << " #" << i;
      EXPECT_EQ(rec.RelOffLocalHdr(), info[i].offset) << name;
      EXPECT_EQ(rec.CompressedSize(), info[i].compressed) << name;
      EXPECT_EQ(rec.UncompressedSize(), info[i].uncompressed) << name;
      EXPECT_EQ(rec.CRC32(), info[i].crc) << name;
    }
  }
  TTempDir work;
  TRecordingHost host;
};

TEST_F(ZipReader, ArchivesFromRealMakersMatchZipInfo) {
  if (!HaveProgram("zip") || !HaveProgram("zipinfo"))
    VARELO_PEER_MISSING("zip and zipinfo");
  MakeTree();
  ASSERT_EQ(Zip({"-r", "plain.zip", "tree"}), 0);
  ASSERT_EQ(Zip({"-r", "-0", "stored.zip", "tree"}), 0);
  ASSERT_EQ(Zip({"-r", "-fz", "zip64.zip", "tree"}), 0);
  ASSERT_EQ(
      RunCommand({"sh", "-c",
                  "cd '" + work.Path() +
                      "' && /usr/bin/python3 -c \"import zipfile as z; f=z.ZipFile('py.zip','w');"
                      "f.writestr('a.txt','x'*999,z.ZIP_DEFLATED);"
                      "f.writestr('dir/',b'');f.writestr('ação/ü.txt','y');"
                      "f.comment=b'the comment';f.close()\""}),
      0);
  struct TCase {
    const char* file;
    size_t entries;
    bool zip64;
  };
  for (const TCase& c : std::vector<TCase>{{"plain.zip", 6, false},
                                           {"stored.zip", 6, false},
                                           {"zip64.zip", 6, true},
                                           {"py.zip", 3, false}}) {
    TZAZipFile zip(&host);
    EXPECT_EQ(OpenArchive(zip, work / c.file), 0) << c.file;
    EXPECT_EQ(zip.Entries.size(), c.entries) << c.file;
    EXPECT_EQ(zip.Z64, c.zip64) << c.file;
    EXPECT_EQ(zip.SFXOfs, 0u) << c.file;
    ExpectAsZipInfo(zip, work / c.file);
  }
  EXPECT_TRUE(host.warnings.empty());
  TZAZipFile py(&host);
  ASSERT_EQ(OpenArchive(py, work / "py.zip"), 0);
  EXPECT_EQ(py.ZipComment, "the comment");
  EXPECT_EQ(py.Entries[2]->FileName(), "ação\\ü.txt");  // UTF-8 flag
  EXPECT_EQ(py.Entries[2]->Encoded(), archive::zeoUTF8);
  EXPECT_TRUE(py.Entries[1]->IsDirOnly());
  EXPECT_EQ(py.HashList.Find("ação\\ü.txt"), 2);
  EXPECT_EQ(py.HashList.Find("a.txt"), 0);
}

// A writer that streams adds the Zip64 records with every value real (no placeholder): the
// directory ends at the Zip64 end record, and the archive has no prefix.
TEST_F(ZipReader, Zip64RecordsWithoutPlaceholdersAreRecognised) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  ASSERT_EQ(RunCommand({"sh", "-c", "cd '" + work.Path() + "' && printf data | zip -q s.zip -"}),
            0);
  TZAZipFile zip(&host);
  EXPECT_EQ(OpenArchive(zip, work / "s.zip"), 0);
  ASSERT_EQ(zip.Entries.size(), 1u);
  EXPECT_EQ(zip.Entries[0]->FileName(), "-");
  EXPECT_TRUE(zip.Z64);
  EXPECT_EQ(zip.SFXOfs, 0u);
  EXPECT_EQ(zip.OffsetDelta, 0);
  EXPECT_TRUE(host.warnings.empty());
  ExpectAsZipInfo(zip, work / "s.zip");
}

TEST_F(ZipReader, StubPrefixedArchives) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  MakeTree();
  ASSERT_EQ(Zip({"-r", "plain.zip", "tree"}), 0);
  const std::string stub = "MZ" + std::string(998, 's');
  const std::string plain = ReadFileBytes(work / "plain.zip");
  Write("raw.zip", stub + plain);
  Write("sfx.zip", stub + plain);
  ASSERT_EQ(RunCommand({"zip", "-q", "-A", work / "sfx.zip"}), 0);

  TZAZipFile adjusted(&host);
  EXPECT_EQ(OpenArchive(adjusted, work / "sfx.zip"), 0);
  EXPECT_EQ(adjusted.SFXOfs, 1000u);
  EXPECT_EQ(adjusted.Sig, archive::TZipFileSigs::zfsDOS);
  EXPECT_TRUE(host.warnings.empty());
  ExpectAsZipInfo(adjusted, work / "sfx.zip");

  TZAZipFile raw(&host);
  EXPECT_EQ(OpenArchive(raw, work / "raw.zip"), 2);
  EXPECT_EQ(raw.Entries.size(), 6u);
  EXPECT_EQ(raw.SFXOfs, 0u);  // the lowest stored offset
  EXPECT_EQ(raw.OffsetDelta, 1000);
  EXPECT_NE(std::find(host.warnings.begin(), host.warnings.end(), archive::msg::kStructureWarning),
            host.warnings.end());
}

// Split sets as `zip -s` writes them (name.z01, name.z02, ..., name.zip): one whose directory
// lies in its last part, one whose directory starts in an earlier part and runs through the
// rest. `Split` returns the number of parts and writes the set joined into one file beside.
class MultiPart : public ZipReader {
 protected:
  void SetUp() override {
    if (!HaveProgram("zip") || !HaveProgram("zipinfo"))
      VARELO_PEER_MISSING("zip and zipinfo");
    RunCommand({"mkdir", "-p", work / "noise", work / "names"});
    std::string bytes;
    for (int i = 0; i < 260; ++i) {
      bytes.clear();
      for (int k = 0; k < 500; ++k)
        bytes.push_back(static_cast<char>((i * 131 + k * 7919) ^ (k >> 2)));
      WriteFileBytes(work / ("noise/file" + std::to_string(i) + ".bin"), bytes);
    }
    // Long names and tiny stored contents: the directory outgrows a part.
    for (int i = 0; i < 1500; ++i)
      WriteFileBytes(work / ("names/a-rather-long-name-that-grows-the-directory-" +
                             std::to_string(i) + ".txt"),
                     "x" + std::to_string(i));
  }
  int Split(const std::string& set, const std::string& tree) {
    if (Zip({"-r", "-s", "64k", set + ".zip", tree}) != 0)
      return 0;
    if (Zip({"-s", "0", set + ".zip", "--out", set + "-joined.zip"}) != 0)
      return 0;
    int parts = 1;
    while (platform::FileExists(work / (set + ".z" + TwoDigits(parts))))
      ++parts;
    return parts;
  }
  // Renames a split set to the numbered parts set001.zip ... setNNN.zip, all with one time
  // stamp as the parts of one set carry.
  void Number(const std::string& set, int parts, const std::string& as) {
    for (int n = 1; n <= parts; ++n) {
      const std::string from = n == parts ? set + ".zip" : set + ".z" + TwoDigits(n);
      const std::string to = work / (as + ThreeDigits(n) + ".zip");
      ASSERT_TRUE(platform::RenameFile(work / from, to));
      StampPart(to, kSetTime);
    }
  }
  static void StampPart(const std::string& path, int64_t unixSeconds) {
    platform::TFile file;
    ASSERT_TRUE(file.Open(path, platform::TFileAccess::Write, platform::TFileCreate::OpenExisting));
    ASSERT_TRUE(file.SetModifiedTime(unixSeconds));
  }
  static constexpr int64_t kSetTime = 1700000000;
  // Names, sizes and CRCs as zipinfo reads them from the joined set; each local header
  // offset points at a local header in the part the entry starts on.
  void ExpectSameAsJoined(const TZAZipFile& zip, const std::string& joined) {
    std::vector<TZipInfoEntry> info;
    ASSERT_TRUE(ZipInfo(work / joined, info));
    ASSERT_EQ(zip.Entries.size(), info.size());
    for (size_t i = 0; i < info.size(); ++i) {
      const archive::TZAIRec& rec = *zip.Entries[i];
      std::string name = info[i].name;
      std::replace(name.begin(), name.end(), '/', '\\');
      EXPECT_EQ(rec.FileName(), name) << i;
      EXPECT_EQ(rec.CompressedSize(), info[i].compressed) << name;
      EXPECT_EQ(rec.UncompressedSize(), info[i].uncompressed) << name;
      EXPECT_EQ(rec.CRC32(), info[i].crc) << name;
      const std::string part = ReadFileBytes(zip.PartName(rec.StartOnDisk()));
      ASSERT_LE(rec.RelOffLocalHdr() + 4, static_cast<int64_t>(part.size())) << name;
      EXPECT_EQ(part.substr(static_cast<size_t>(rec.RelOffLocalHdr()), 4), "PK\x03\x04") << name;
    }
  }
  static std::string TwoDigits(int n) { return ThreeDigits(n).substr(1); }
  static std::string ThreeDigits(int n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", n);
    return digits;
  }
};

TEST_F(MultiPart, NumberedSetsLoadFromTheirLastPart) {
  const int noiseParts = Split("noise", "noise"), nameParts = Split("names", "names");
  ASSERT_GE(noiseParts, 3);
  ASSERT_GE(nameParts, 4);
  Number("noise", noiseParts, "noise");
  Number("names", nameParts, "names");
  struct TCase {
    const char* set;
    int parts;
    bool directoryInLastPart;
  };
  for (const TCase& c : {TCase{"noise", noiseParts, true}, TCase{"names", nameParts, false}}) {
    TZAZipFile zip(&host);
    EXPECT_EQ(OpenArchive(zip, work / (std::string(c.set) + ".zip")), 0) << c.set;
    EXPECT_EQ(zip.Numbering, archive::TZipNumberScheme::znsName) << c.set;
    EXPECT_EQ(zip.FileName, work / (c.set + ThreeDigits(c.parts) + ".zip"));
    EXPECT_EQ(zip.TotalDisks, static_cast<uint32_t>(c.parts)) << c.set;
    EXPECT_EQ(zip.DiskNr, static_cast<uint32_t>(c.parts - 1)) << c.set;
    EXPECT_EQ(zip.CentralDiskNo == zip.DiskNr, c.directoryInLastPart) << c.set;
    EXPECT_TRUE(zip.MultiDisk) << c.set;
    ExpectSameAsJoined(zip, std::string(c.set) + "-joined.zip");
    // Opened again, the set is looked up by its name again.
    EXPECT_EQ(zip.Open(false, false, 2), 0) << c.set;
    EXPECT_EQ(zip.Entries.size(), zip.TotalEntries) << c.set;
  }
  EXPECT_TRUE(host.warnings.empty());
  // Told to open only the named file, the reader does not look for parts.
  TZAZipFile exact(&host);
  exact.SpanOptions.Include(archive::spExactName);
  EXPECT_EQ(OpenArchive(exact, work / "names.zip"), -11001);
}

// The ".z01" parts beside the ".zip" are read too; zipinfo reads such a set itself when its
// directory lies in the last part.
TEST_F(MultiPart, SplitSetsBesideTheirZipPart) {
  const int noiseParts = Split("noise", "noise"), nameParts = Split("names", "names");
  ASSERT_GE(noiseParts, 3);
  ASSERT_GE(nameParts, 4);
  TZAZipFile noise(&host);
  EXPECT_EQ(OpenArchive(noise, work / "noise.zip"), 0);
  EXPECT_EQ(noise.Numbering, archive::TZipNumberScheme::znsExt);
  ExpectAsZipInfo(noise, work / "noise.zip");
  TZAZipFile names(&host);
  EXPECT_EQ(OpenArchive(names, work / "names.zip"), 0);
  EXPECT_LT(names.CentralDiskNo, names.DiskNr);
  ExpectSameAsJoined(names, "names-joined.zip");
  EXPECT_TRUE(host.warnings.empty());
}

// Broken numbered sets: the clear error, no directory, nothing reserved from the claims.
TEST_F(MultiPart, HostileSetsTable) {
  const int parts = Split("names", "names");
  ASSERT_GE(parts, 4);
  const std::string last = ThreeDigits(parts);
  struct TCase {
    const char* defect;
    std::function<void(const std::string& set)> spoil;
    int result;
  };
  // Rewrites bytes of the end record in the last part.
  auto patchEnd = [&](size_t at, const std::string& bytes) {
    return [=, this](const std::string& set) {
      const std::string path = work / (set + last + ".zip");
      std::string data = ReadFileBytes(path);
      const size_t end = data.rfind("PK\x05\x06");
      ASSERT_NE(end, std::string::npos);
      data.replace(end + at, bytes.size(), bytes);
      WriteFileBytes(path, data);
    };
  };
  auto remove = [&](int part) {
    return [=, this](const std::string& set) {
      ASSERT_TRUE(platform::DeleteFile(work / (set + ThreeDigits(part) + ".zip")));
    };
  };
  const std::vector<TCase> cases = {
      {"first part missing", remove(1), -11001},
      {"a middle part missing", remove(2), -11002},
      {"last part missing", remove(parts), -11002},
      {"end record claims more parts", patchEnd(4, Le16(static_cast<uint16_t>(parts + 3))), -11002},
      {"directory starts in a part after the last", patchEnd(6, Le16(static_cast<uint16_t>(parts))),
       -11011},
      {"directory offset past its part", patchEnd(16, Le32(0x7FFFFFF0)), -10201},
      {"more entries than the parts hold", patchEnd(8, Le16(0xFFFE) + Le16(0xFFFE)), -11013},
      {"a directory part cut short",
       [&](const std::string& set) {
         const std::string path = work / (set + ThreeDigits(parts - 1) + ".zip");
         WriteFileBytes(path, ReadFileBytes(path).substr(0, 30000));
       },
       -11015},
  };
  int n = 0;
  for (const TCase& c : cases) {
    const std::string set = "hostile" + std::to_string(n++);
    for (int p = 1; p <= parts; ++p) {
      const std::string from = p == parts ? "names.zip" : "names.z" + TwoDigits(p);
      WriteFileBytes(work / (set + ThreeDigits(p) + ".zip"), ReadFileBytes(work / from));
    }
    c.spoil(set);
    for (int p = 1; p <= parts; ++p) {
      if (platform::FileExists(work / (set + ThreeDigits(p) + ".zip")))
        StampPart(work / (set + ThreeDigits(p) + ".zip"), kSetTime);
    }
    TZAZipFile zip(&host);
    EXPECT_EQ(OpenArchive(zip, work / (set + ".zip")), c.result) << c.defect;
    EXPECT_TRUE(zip.Entries.empty()) << c.defect;
    EXPECT_LT(zip.Entries.capacity(), 4096u) << c.defect;
    EXPECT_FALSE(zip.IsOpen()) << c.defect;
  }
  // A part with another time stamp belongs to another set: the search ends there, unless the
  // caller takes parts of any time.
  for (int p = 1; p <= parts; ++p) {
    const std::string from = p == parts ? "names.zip" : "names.z" + TwoDigits(p);
    WriteFileBytes(work / ("stamped" + ThreeDigits(p) + ".zip"), ReadFileBytes(work / from));
    StampPart(work / ("stamped" + ThreeDigits(p) + ".zip"), kSetTime + (p == 2 ? 3600 : 0));
  }
  TZAZipFile foreign(&host);
  EXPECT_EQ(OpenArchive(foreign, work / "stamped.zip"), -11002);
  EXPECT_TRUE(foreign.Entries.empty());
  TZAZipFile anyTime(&host);
  anyTime.SpanOptions.Include(archive::spAnyTime);
  EXPECT_EQ(OpenArchive(anyTime, work / "stamped.zip"), 0);
  EXPECT_EQ(anyTime.Entries.size(), anyTime.TotalEntries);
  EXPECT_EQ(anyTime.EOCFileTime, archive::FileDosTime(work / ("stamped" + last + ".zip")));
  EXPECT_NE(anyTime.EOCFileTime, 0);

  // A split set with a part gone cannot give its directory.
  ASSERT_TRUE(platform::DeleteFile(work / "names.z03"));
  TZAZipFile split(&host);
  EXPECT_EQ(OpenArchive(split, work / "names.zip"), -11002);
  EXPECT_TRUE(split.Entries.empty());
}

TEST_F(ZipReader, EmptyArchiveAndTrailingBytes) {
  TZAZipFile empty(&host);
  EXPECT_EQ(OpenArchive(empty, Write("empty.zip", EndRecordBytes(0, 0, 0))), 0);
  EXPECT_TRUE(empty.Entries.empty());
  EXPECT_EQ(empty.SFXOfs, 0u);

  const std::string good = BuildCentral("", {{.name = "a.txt"}}, {.comment = "hello"});
  TZAZipFile junk(&host);
  EXPECT_EQ(OpenArchive(junk, Write("junk.zip", good + std::string(100, 'J'))), 1);
  EXPECT_EQ(junk.Entries.size(), 1u);
  EXPECT_EQ(junk.File_Size, static_cast<int64_t>(good.size()));
  EXPECT_EQ(junk.RealFileSize, static_cast<int64_t>(good.size() + 100));
  EXPECT_EQ(junk.ZipComment, "hello");
  EXPECT_EQ(host.warnings, std::vector<int>{archive::msg::kReadComment});
}

// Broken and malicious directories: the clear error, no directory left, and no reservation
// sized from the lie (the claimed counts would need gigabytes).
TEST_F(ZipReader, HostileInputTable) {
  const TCentralRecord one{.name = "a.txt"};
  const std::string central = CentralRecordBytes(one);
  const std::string z64Huge = central + Zip64EndBytes(1ull << 63, central.size(), 0) +
                              Zip64LocatorBytes(central.size()) +
                              EndRecordBytes(0xFFFF, central.size(), 0);
  const std::string z64FarOffset = central + Zip64EndBytes(1, central.size(), 1ull << 63) +
                                   Zip64LocatorBytes(central.size()) +
                                   EndRecordBytes(1, central.size(), 0xFFFFFFFF);
  const std::string z64Version = central + Zip64EndBytes(1, central.size(), 0, 46) +
                                 Zip64LocatorBytes(central.size()) +
                                 EndRecordBytes(0xFFFF, central.size(), 0);
  const std::string z64Disks = central + Zip64EndBytes(1, central.size(), 0) +
                               Zip64LocatorBytes(central.size(), 3, 0) +
                               EndRecordBytes(0xFFFF, central.size(), 0);
  std::string badSig = BuildCentral("", {one});
  badSig[0] = 'X';
  TCentralRecord shortZip64{.name = "z",
                            .extra = Le16(1) + Le16(4) + Le32(7),
                            .versionNeeded = 45,
                            .compressedSize = 0xFFFFFFFF};
  TCentralRecord longName{.name = "abc", .nameLength = 60000};
  TCentralRecord longExtra{.name = "abc", .extra = "", .comment = ""};
  std::string extraPast = BuildCentral("", {longExtra});
  extraPast[30] = '\x40';  // extra length 64 runs into the end record and past the file
  std::string commentPast = BuildCentral("", {longExtra});
  commentPast[32] = '\x30';
  struct TCase {
    const char* defect;
    std::string bytes;
    int result;
  };
  const std::vector<TCase> cases = {
      {"empty file", "", -11036},
      {"shorter than an end record", "PK\x05\x06 short", -11036},
      {"no end record", std::string(70000, 'x'), -11036},
      {"65535 entries in 100 bytes", std::string(78, 'p') + EndRecordBytes(0xFFFE, 50, 0), -11013},
      {"Zip64 claims 2^63 entries", z64Huge, -11011},
      {"Zip64 directory at 2^63", z64FarOffset, -11011},
      {"Zip64 version 4.6", z64Version, -11053},
      {"Zip64 locator disk count", z64Disks, -11011},
      {"central signature wrong", badSig, -11015},
      {"name runs past the file", BuildCentral("", {longName}), -11017},
      {"extra runs past the file", extraPast, -10201},
      {"comment runs past the file", commentPast, -11022},
      {"Zip64 extra too short", BuildCentral("", {shortZip64}), -11052},
      {"directory larger than the file", BuildCentral("", {one}, {.centralSize = 0x7FFFFFFF}),
       -10201},
  };
  for (const TCase& c : cases) {
    TZAZipFile zip(&host);
    EXPECT_EQ(OpenArchive(zip, Write("hostile.zip", c.bytes)), c.result) << c.defect;
    EXPECT_TRUE(zip.Entries.empty()) << c.defect;
    EXPECT_LT(zip.Entries.capacity(), 4096u) << c.defect;
    EXPECT_FALSE(zip.IsOpen()) << c.defect;
  }
  TZAZipFile missing(&host);
  EXPECT_EQ(OpenArchive(missing, work / "nothing-here.zip"), -11001);
}

TEST_F(ZipReader, NameDecodingTable) {
  const std::string raw = "caf\x82.txt";  // é in the OEM code page 850
  const std::string upath = UnicodePathExtra("old.txt", "novo-ç.txt");
  const std::string staleUpath =
      ExtraField(0x7075, std::string(1, '\x01') + Le32(1234) + "stale.txt");
  struct TCase {
    TCentralRecord rec;
    const char* name;
    archive::TZAEncodingOpts encoding;
  };
  const std::vector<TCase> cases = {
      {{.name = raw, .versionMadeBy = 0x0014}, "café.txt", archive::zeoOEM},
      {{.name = raw, .versionMadeBy = 0x0B32}, "café.txt", archive::zeoOEM},
      {{.name = "caf\xE9.txt", .versionMadeBy = 0x0A14}, "café.txt", archive::zeoNone},
      {{.name = "caf\xC3\xA9.txt", .flags = 0x0800}, "café.txt", archive::zeoUTF8},
      {{.name = "old.txt", .extra = upath}, "novo-ç.txt", archive::zeoUPath},
      {{.name = "old.txt", .extra = staleUpath, .versionMadeBy = 0x0014},
       "old.txt",
       archive::zeoOEM},
      {{.name = "dir/plain name.txt", .versionMadeBy = 0x0014},
       "dir\\plain name.txt",
       archive::zeoOEM},
  };
  std::vector<TCentralRecord> records;
  for (const TCase& c : cases)
    records.push_back(c.rec);
  TZAZipFile zip(&host);
  ASSERT_EQ(OpenArchive(zip, Write("names.zip", BuildCentral("", records))), 0);
  ASSERT_EQ(zip.Entries.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(zip.Entries[i]->FileName(), cases[i].name) << i;
    EXPECT_EQ(zip.Entries[i]->Encoded(), cases[i].encoding) << i;
  }
}

TEST_F(ZipReader, NamesDifferingOnlyInCaseAreBothKept) {
  TZAZipFile zip(&host);
  ASSERT_EQ(OpenArchive(zip, Write("case.zip", BuildCentral("", {{.name = "Read.me"},
                                                                 {.name = "READ.ME"},
                                                                 {.name = "other"}}))),
            0);
  ASSERT_EQ(zip.Entries.size(), 3u);
  // Their hashes differ (case is kept in the hash), so the index holds both.
  EXPECT_EQ(zip.HashList.Find("Read.me"), 0);
  EXPECT_EQ(zip.HashList.Find("READ.ME"), 1);
  EXPECT_EQ(zip.HashList.Find("read.me"), -1);
  int index = -1;
  EXPECT_EQ(zip.FindName("other", index), zip.Entries[2]);
  EXPECT_EQ(index, 2);
  index = -1;
  EXPECT_EQ(zip.FindName("*.ME", index), zip.Entries[0]);
  EXPECT_EQ(zip.FindName("*.ME", index), zip.Entries[1]);
  EXPECT_EQ(zip.FindName("*.ME", index), nullptr);
  EXPECT_EQ(index, INT_MIN);
}

TEST_F(ZipReader, HashTableSizes) {
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0, 61},        {61, 61},       {62, 131},      {11999, 12289}, {12000, 10243},
      {12289, 10243}, {12290, 12289}, {65537, 40961}, {70000, 65537}, {1u << 31, 65537}};
  for (const auto& [n, size] : cases) {
    archive::TZADirHashList list;
    list.AutoSize(n);
    EXPECT_EQ(list.Size(), size) << n;
  }
  archive::TZADirHashList list;
  list.SetSize(5);
  EXPECT_EQ(list.Size(), 61u);
  list.SetSize(1000000);
  EXPECT_EQ(list.Size(), 65537u);
}

TEST_F(ZipReader, DirectoryOnlyEntriesAreHiddenUnlessWanted) {
  const std::string path = Write(
      "dirs.zip",
      BuildCentral("", {{.name = "folder/"}, {.name = "folder/a.txt"}, {.name = "folder/sub/"}}));
  for (bool ignore : {true, false}) {
    archive::TZACenDir dir;
    dir.IgnoreDirOnly = ignore;
    std::vector<int> names;
    int updates = 0;
    dir.OnNewName = [&](int i) { names.push_back(i); };
    dir.OnDirUpdate = [&] { ++updates; };
    TZAZipFile& zip = dir.Current(&host);
    ASSERT_EQ(OpenArchive(zip, path), 0);
    EXPECT_EQ(zip.Entries.size(), 3u);
    EXPECT_EQ(dir.Count(), ignore ? 1 : 3);
    EXPECT_EQ(dir.DirOnlyCount(), ignore ? 2 : 0);
    EXPECT_EQ(dir.Entry(0)->FileName(), ignore ? "folder\\a.txt" : "folder\\");
    EXPECT_EQ(names.size(), static_cast<size_t>(dir.Count()));
    EXPECT_EQ(updates, 1);
    const archive::TZACentralEntry view = dir[0];
    EXPECT_FALSE(view.Stale());
    // Another load makes the old views stale: they answer empty values.
    ASSERT_EQ(zip.Open(false, false, 2), 0);
    EXPECT_TRUE(view.Stale());
    dir.Drop();
    EXPECT_EQ(dir.Count(), 0);
  }
}

TEST_F(ZipReader, TraceLinesWhenTracing) {
  host.tracing = true;
  TZAZipFile zip(&host);
  ASSERT_EQ(OpenArchive(zip, Write("t.zip", BuildCentral("", {{.name = "a"}, {.name = "b"}}))), 0);
  EXPECT_EQ(host.traces, (std::vector<std::string>{"List - expecting 2 files", "List - [0] \"a\"",
                                                   "List - [1] \"b\"", "Open = 0"}));
  EXPECT_EQ(host.ticks, 2);
}

}  // namespace
}  // namespace varelo::test
