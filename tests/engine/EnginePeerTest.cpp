// Archives made by real makers (the zip command, python's zipfile): what the engine extracts
// must equal what unzip extracts, byte for byte, with folders and flat.
#include <random>

#include "tests/engine/EngineTestSupport.h"
#include "tests/support/Process.h"

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
      GTEST_SKIP() << "zip/unzip missing";
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

  void Unzip(const Strings& flags) {
    Strings argv{"unzip", "-q", "-o"};
    argv.insert(argv.end(), flags.begin(), flags.end());
    argv.push_back(caller.archive);
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

}  // namespace
}  // namespace varelo::test
