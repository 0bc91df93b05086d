// Archives made by real makers (the zip command, python's zipfile): what the engine extracts
// must equal what unzip extracts, byte for byte, with folders and flat.
#include <zlib.h>

#include <random>

#include "platform/File.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "zipformat/ZipRecords.h"

namespace varelo::test {
namespace {

using Strings = std::vector<std::string>;

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string out(n, '\0');
  for (char& c : out)
    c = static_cast<char>(rng());
  return out;
}

std::string Text(size_t n, uint32_t seed) {
  static const char* kWords[] = {"venda ", "cupom ", "fiscal ", "estoque ", "cliente\n", "nota "};
  std::mt19937 rng(seed);
  std::string out;
  while (out.size() < n)
    out += kWords[rng() % 6];
  out.resize(n);
  return out;
}

class EnginePeer : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    if (!HaveProgram("zip") || !HaveProgram("unzip"))
      VARELO_PEER_MISSING("zip/unzip missing");
  }

  // A tree of mixed files: text, random binaries, an empty file, nested folders, the same
  // file name in two folders, and one text large enough to be inflated in blocks.
  void MakeTree(bool withLarge) {
    const std::string src = work / "src";
    ASSERT_TRUE(platform::ForceDirectories(src + "/docs/deep/er"));
    ASSERT_TRUE(platform::ForceDirectories(src + "/bin"));
    ASSERT_TRUE(platform::ForceDirectories(src + "/empty-folder"));
    WriteFileBytes(src + "/readme.txt", Text(10000, 1));
    WriteFileBytes(src + "/empty.txt", "");
    WriteFileBytes(src + "/docs/manual.txt", Text(3 << 20, 2));
    WriteFileBytes(src + "/docs/deep/er/readme.txt", Text(777, 3));
    WriteFileBytes(src + "/bin/tool.bin", RandomBytes(300000, 4));
    WriteFileBytes(src + "/bin/data.dat", RandomBytes(5000, 5) + Text(50000, 6));
    if (withLarge)
      WriteFileBytes(src + "/docs/large.log", Text(66u << 20, 7));
  }

  void Zip(const Strings& extra) {
    Strings argv{"sh", "-c", ""};
    std::string cmd = "cd '" + work / "src" + "' && zip -q -r -n .bin";
    for (const std::string& e : extra)
      cmd += " " + e;
    argv[2] = cmd + " '" + caller.archive + "' .";
    ASSERT_EQ(RunCommand(argv, nullptr, 300000), 0);
  }

  void Unzip(const Strings& flags, const Strings& members = {}) {
    Strings argv{"unzip", "-q", "-o"};
    argv.insert(argv.end(), flags.begin(), flags.end());
    argv.push_back(caller.archive);
    argv.insert(argv.end(), members.begin(), members.end());
    argv.push_back("-d");
    argv.push_back(work / "ref");
    std::string out;
    ASSERT_EQ(RunCommand(argv, &out, 300000), 0) << out;
  }

  void ExpectSameAsUnzip() {
    const Strings ours = DestTree();
    const Strings theirs = platform::ListFolderTree(work / "ref");
    ASSERT_EQ(ours, theirs);
    for (const std::string& p : ours) {
      if (p.back() == '/')
        continue;
      ASSERT_EQ(ReadFileBytes(Dest(p)), ReadFileBytes(work / ("ref/" + p))) << p;
    }
  }
};

TEST_F(EnginePeer, ZipMadeTreeMatchesUnzipWithFolders) {
  MakeTree(true);
  Zip({});
  caller.options |= kAZOptDirNames;
  const int32_t result = caller.Run();
  Unzip({});
  ExpectSameAsUnzip();
  EXPECT_EQ(result, 7);
  EXPECT_TRUE(caller.EventsOf(zacMessage).empty());
}

TEST_F(EnginePeer, ZipMadeTreeMatchesUnzipFlat) {
  MakeTree(false);
  Zip({});
  caller.Run();
  Unzip({"-j"});
  ExpectSameAsUnzip();
}

TEST_F(EnginePeer, PasswordProtectedEntriesMatchUnzip) {
  MakeTree(false);
  Zip({"-P", "s3cr3t"});
  caller.options |= kAZOptDirNames;
  caller.password = "s3cr3t";
  EXPECT_EQ(caller.Run(), 6);
  EXPECT_TRUE(caller.EventsOf(zacPassword).empty());
  Unzip({"-P", "s3cr3t"});
  ExpectSameAsUnzip();
}

TEST_F(EnginePeer, StoredEncryptedEntriesMatchUnzip) {
  MakeTree(false);
  Zip({"-0", "-P", "pw"});
  caller.options |= kAZOptDirNames;
  caller.password = "pw";
  EXPECT_EQ(caller.Run(), 6);
  Unzip({"-P", "pw"});
  ExpectSameAsUnzip();
}

TEST_F(EnginePeer, DataDescriptorsPlainAndEncryptedMatchUnzip) {
  // With descriptors the local sizes are zero and the password check byte comes from the time.
  MakeTree(false);
  Zip({"-fd", "-P", "dd"});
  caller.options |= kAZOptDirNames;
  caller.password = "dd";
  EXPECT_EQ(caller.Run(), 6);
  EXPECT_TRUE(caller.EventsOf(zacMessage).empty());
  Unzip({"-P", "dd"});
  ExpectSameAsUnzip();
}

TEST_F(EnginePeer, WrongPasswordThenTheRightOne) {
  MakeTree(false);
  Zip({"-P", "right"});
  caller.passwordRequests = 2;
  caller.passwordAnswers = {{1, "wrong"}, {1, "right"}};
  caller.options |= kAZOptDirNames;
  EXPECT_EQ(caller.Run(), 6);
  // Asked twice for the first encrypted entry; the right password then serves the rest.
  EXPECT_EQ(caller.EventsOf(zacPassword).size(), 2u);
  Unzip({"-P", "right"});
  ExpectSameAsUnzip();
}

TEST_F(EnginePeer, WrongPasswordOnlyIsASkipAndWritesNothing) {
  MakeTree(false);
  Zip({"-P", "right"});
  caller.passwordAnswers = {{1, "wrong"}, {1, "wrong"}, {1, "wrong"}};
  const int32_t result = caller.Run();
  // Only an entry without encrypted data (zip leaves empty files unencrypted) can come out.
  EXPECT_EQ(result, static_cast<int32_t>(DestTree().size()));
  EXPECT_FALSE(caller.EventsOf(zacSkipped).empty());
  for (const TEngineEvent& e : caller.EventsOf(zacSkipped))
    EXPECT_EQ(e.arg2, stBadPassword + 1u);
  for (const std::string& p : DestTree())
    EXPECT_EQ(p, "empty.txt");
}

TEST_F(EnginePeer, CancelledPasswordSkipsEntry) {
  MakeTree(false);
  Zip({"-P", "right"});
  caller.passwordAnswers = {{3, ""}};  // "cancel all": no more questions
  caller.Run();
  EXPECT_EQ(caller.EventsOf(zacPassword).size(), 1u);
  for (const std::string& p : DestTree())
    EXPECT_EQ(p, "empty.txt");
}

TEST_F(EnginePeer, PythonUtf8NamesAndZip64RecordsMatchUnzip) {
  const std::string script = R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for name, data in [('ação/relatório.txt', 'não é ASCII\n' * 500),
                       ('日本/ファイル.txt', 'unicode\n' * 50),
                       ('plain.txt', 'x' * 10000)]:
        with z.open(name, 'w', force_zip64=True) as f:
            f.write(data.encode())
    z.writestr(zipfile.ZipInfo('stored.bin'), bytes(range(256)) * 40, zipfile.ZIP_STORED)
)PY";
  WriteFileBytes(work / "make.py", script);
  std::string out;
  ASSERT_EQ(RunCommand({"/usr/bin/python3", work / "make.py", caller.archive}, &out), 0) << out;
  caller.options |= kAZOptDirNames;
  EXPECT_EQ(caller.Run(), 4);
  EXPECT_TRUE(caller.EventsOf(zacMessage).empty());
  Unzip({});
  ExpectSameAsUnzip();
  EXPECT_EQ(caller.EventsOf(zacItem)[0].text, "ação/relatório.txt");
}

TEST_F(EnginePeer, BuiltZip64ArchiveMatchesUnzip) {
  WriteArchive({{.name = "a/one.txt", .content = Text(20000, 8), .zip64 = true},
                {.name = "two.bin", .content = RandomBytes(1000, 9), .method = 0, .zip64 = true}});
  caller.options |= kAZOptDirNames;
  EXPECT_EQ(caller.Run(), 2);
  Unzip({});
  ExpectSameAsUnzip();
}

// A 6 GiB stored entry of zeros costs nothing on disk when its data is a hole in a sparse
// file; a small entry placed after it has its local header beyond 4 GiB, so sizes, offsets and
// the directory position all need their Zip64 forms.
TEST_F(EnginePeer, SparseZip64ArchiveBeyondFourGiB) {
  constexpr uint64_t kBig = 6ull << 30;
  const std::string small = "placed beyond four gibibytes\n";
  std::vector<char> zeros(1 << 20, 0);
  uLong bigCrc = crc32(0, nullptr, 0);
  const uLong blockCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), zeros.size());
  for (uint64_t done = 0; done < kBig; done += zeros.size())
    bigCrc = crc32_combine(bigCrc, blockCrc, static_cast<z_off_t>(zeros.size()));
  const uint32_t smallCrc = Crc32(small);

  // Each entry's local header, and its central record made of the same fields.
  const uint32_t placeholder = zipformat::kPlaceholder32;
  const auto smallSize = static_cast<uint32_t>(small.size());
  const zipformat::TLocalHeader bigHeader{.versionNeeded = 45,
                                          .dosDateTime = 0x5A210000,
                                          .crc32 = static_cast<uint32_t>(bigCrc),
                                          .compressedSize = placeholder,
                                          .uncompressedSize = placeholder,
                                          .nameLength = 7,
                                          .extraLength = 20};
  const zipformat::TLocalHeader smallHeader{.versionNeeded = 20,
                                            .dosDateTime = 0x5A210000,
                                            .crc32 = smallCrc,
                                            .compressedSize = smallSize,
                                            .uncompressedSize = smallSize,
                                            .nameLength = 9};
  auto centralOf = [](const zipformat::TLocalHeader& h, uint16_t extraLength, uint32_t offset) {
    return zipformat::TCentralHeader{.versionMadeBy = 0x031E,
                                     .versionNeeded = 45,
                                     .dosDateTime = h.dosDateTime,
                                     .crc32 = h.crc32,
                                     .compressedSize = h.compressedSize,
                                     .uncompressedSize = h.uncompressedSize,
                                     .nameLength = h.nameLength,
                                     .extraLength = extraLength,
                                     .localOffset = offset};
  };
  std::string bigLocal;
  zipformat::Write(bigLocal, bigHeader);
  bigLocal += "big.bin" + Zip64Extra({kBig, kBig});
  const uint64_t smallOffset = bigLocal.size() + kBig;
  std::string tail;
  zipformat::Write(tail, smallHeader);
  tail += "small.txt" + small;
  const uint64_t centralOffset = smallOffset + tail.size();
  std::string central;
  zipformat::Write(central, centralOf(bigHeader, 20, 0));
  central += "big.bin" + Zip64Extra({kBig, kBig});
  zipformat::Write(central, centralOf(smallHeader, 12, placeholder));
  central += "small.txt" + Zip64Extra({smallOffset});
  const uint64_t zip64End = centralOffset + central.size();
  const std::string end = Zip64EndBytes(2, central.size(), centralOffset) +
                          Zip64LocatorBytes(zip64End) +
                          EndRecordBytes(zipformat::kPlaceholder16, placeholder, placeholder);

  platform::TFile file;
  ASSERT_TRUE(
      file.Open(caller.archive, platform::TFileAccess::Write, platform::TFileCreate::CreateAlways));
  ASSERT_EQ(file.Write(bigLocal.data(), bigLocal.size()), static_cast<int64_t>(bigLocal.size()));
  ASSERT_EQ(file.Seek(static_cast<int64_t>(smallOffset), platform::TSeekOrigin::Begin),
            static_cast<int64_t>(smallOffset));
  const std::string rest = tail + central + end;
  ASSERT_EQ(file.Write(rest.data(), rest.size()), static_cast<int64_t>(rest.size()));
  file.Close();

  // Testing reads all 6 GiB through the streaming path and checks the CRC, writing nothing.
  caller.options = kAZOptAlways | kAZOptTest;
  EXPECT_EQ(caller.Run(), 2);
  EXPECT_TRUE(caller.EventsOf(zacMessage).empty());
  EXPECT_EQ(caller.EventsOf(zacSize)[0].size, static_cast<int64_t>(kBig + small.size()));
  int64_t advanced = 0;
  for (const TEngineEvent& e : caller.EventsOf(zacProgress))
    advanced += e.size;
  EXPECT_EQ(advanced, static_cast<int64_t>(kBig + small.size()));

  caller.options = kAZOptAlways | kAZOptExtract | kAZOptOverwrite;
  caller.specs = {"small.txt"};
  EXPECT_EQ(caller.Run(), 1);
  Unzip({}, {"small.txt"});
  ExpectSameAsUnzip();
  EXPECT_EQ(ReadFileBytes(Dest("small.txt")), small);
}

}  // namespace
}  // namespace varelo::test
