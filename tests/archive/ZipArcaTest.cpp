#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ZipArca19.h"
#include "platform/File.h"
#include "platform/FolderList.h"
#include "platform/Paths.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/ScriptedDialog.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

namespace varelo::test {
namespace {

using archive::TZipArca19;

// A Wine prefix with the engine in c:\Varelo\ as the installer leaves it, and a component
// configured as the installer's window configures it.
class ZipArca : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::ForceDirectories(InPrefix("c:\\Varelo\\Pkg")));
    WriteFileBytes(prefix.Drive('c') + "/Varelo/ArcaZip190.dll", ReadFileBytes(ARCAZIP_DLL_PATH));
    auto presenter = std::make_unique<TScriptedDialog>();
    dialog = presenter.get();
    zip = std::make_unique<TZipArca19>(nullptr, std::move(presenter));
    zip->DLLDirectory = InPrefix("c:\\Varelo\\");
    zip->ApplicationTitle = "VareloSoft - Instalador";
    zip->Events.OnMessage = [this](TZipArca19*, int code, const std::string& text) {
      messages.emplace_back(code, text);
    };
  }
  void TearDown() override {
    zip->SetDLL_Load(false);
    unsetenv("FAKE_AZ_RESULT");
  }
  // A package as the distribution server has it: files at the top and in folders.
  std::string MakePackage(const std::string& windowsPath) {
    const std::string tree = work / "pkg";
    RunCommand({"mkdir", "-p", tree + "/dados/sub"});
    WriteFileBytes(tree + "/Ondrel.exe", std::string(5000, 'e'));
    WriteFileBytes(tree + "/dados/tabela.dat", std::string(70000, 't'));
    WriteFileBytes(tree + "/dados/sub/leia.txt", "leia-me\r\n");
    const std::string host = HostSide(platform::HostPath(windowsPath));
    EXPECT_EQ(RunCommand({"sh", "-c", "cd '" + tree + "' && zip -qr '" + host + "' ."}), 0);
    return windowsPath;
  }
  // The unpack of one package, in the installer's order of calls.
  int Unpack(const std::string& archive, const std::string& folder) {
    zip->SetZipFileName(archive);
    zip->SetDLL_Load(true);
    zip->FSpecArgs.push_back("*.*");
    zip->ExtrBaseDir = folder;
    zip->ExtrOptions.Include(archive::ExtrOverWrite);
    const int result = zip->Extract();
    // Every operation starts with a clear error state, so the outcome is read before the
    // engine is released.
    lastMessage = zip->ErrMessage();
    lastSuccess = zip->SuccessCnt();
    zip->SetDLL_Load(false);
    return result;
  }
  void UseEngine(const std::string& variant) {
    zip->DLLDirectory = std::string(FAKE_ENGINES_DIR) + "/" + variant + "/";
  }

  TTempPrefix prefix;
  TTempDir work;
  TScriptedDialog* dialog = nullptr;
  std::unique_ptr<TZipArca19> zip;
  std::vector<std::pair<int, std::string>> messages;
  std::string lastMessage;
  int lastSuccess = -1;
};

TEST_F(ZipArca, InstallerSequenceExtractsAPackageFlatIntoItsFolder) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  const std::string archive = MakePackage(InPrefix("c:\\Varelo\\Pkg\\\\pacote.zip"));
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 0);
  EXPECT_EQ(lastMessage, "");
  EXPECT_EQ(lastSuccess, 3);
  EXPECT_TRUE(zip->FSpecArgs.empty());
  EXPECT_FALSE(zip->DLL_Load());
  EXPECT_TRUE(dialog->shown.empty());
  const std::string folder = prefix.Drive('c') + "/Varelo/Pkg";
  EXPECT_EQ(platform::ListFolderTree(folder),
            (std::vector<std::string>{"Ondrel.exe", "leia.txt", "pacote.zip", "tabela.dat"}));
  EXPECT_EQ(ReadFileBytes(folder + "/tabela.dat"), std::string(70000, 't'));
  // The engine beside it is untouched, and the archive can be deleted: no handle is held.
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/Varelo/ArcaZip190.dll"),
            ReadFileBytes(ARCAZIP_DLL_PATH));
  EXPECT_TRUE(platform::DeleteFile(archive));
  // The next package starts with exactly the one pattern the installer adds.
  const std::string second = MakePackage(InPrefix("c:\\Varelo\\Pkg\\segundo.zip"));
  zip->SetZipFileName(second);
  zip->FSpecArgs.push_back("*.*");
  EXPECT_EQ(zip->FSpecArgs.size(), 1u);
  EXPECT_EQ(zip->Extract(), 0);  // works with DLL_Load false too: loaded for the operation
  EXPECT_FALSE(zip->DLL_Load());
}

TEST_F(ZipArca, MissingArchiveIsRecordedWithoutDialogAndKeepsThePatterns) {
  EXPECT_EQ(Unpack(InPrefix("c:\\Varelo\\Pkg\\\\nada.zip"), InPrefix("c:\\Varelo\\Pkg\\")), 11001);
  EXPECT_EQ(lastMessage, "Input file does not exist");
  EXPECT_TRUE(dialog->shown.empty());
  EXPECT_EQ(zip->FSpecArgs, std::vector<std::string>{"*.*"});
  zip->FSpecArgs.push_back("*.*");
  EXPECT_EQ(zip->Extract(), 11001);
  EXPECT_EQ(zip->FSpecArgs.size(), 2u);
}

// A numbered set loads by its name; a set without its last part is shown as one that could
// not be opened, while a set without any part is only a missing file.
TEST_F(ZipArca, NumberedSetsAndTheirMissingParts) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  const std::string folder = platform::HostPath(InPrefix("c:\\Varelo\\Pkg")) + "/";
  RunCommand({"mkdir", "-p", work / "tree"});
  for (int i = 0; i < 1200; ++i)
    WriteFileBytes(work / ("tree/a-long-name-for-the-directory-to-span-" + std::to_string(i)),
                   std::to_string(i));
  ASSERT_EQ(RunCommand({"sh", "-c", "cd '" + work.Path() + "' && zip -qr -s 64k set.zip tree"}), 0);
  int parts = 0;
  for (const char* from : {"set.z01", "set.z02", "set.z03", "set.z04", "set.zip"}) {
    const std::string part = work / from;
    if (!platform::FileExists(part))
      continue;
    ++parts;
    const std::string numbered = folder + "conj00" + std::to_string(parts) + ".zip";
    WriteFileBytes(numbered, ReadFileBytes(part));
    // The parts of one set carry one time stamp.
    platform::TFile file;
    ASSERT_TRUE(
        file.Open(numbered, platform::TFileAccess::Write, platform::TFileCreate::OpenExisting));
    ASSERT_TRUE(file.SetModifiedTime(1700000000));
  }
  ASSERT_GE(parts, 3);
  zip->SetZipFileName(InPrefix("c:\\Varelo\\Pkg\\conj.zip"));
  EXPECT_EQ(zip->ErrCode(), 0);
  EXPECT_EQ(zip->Count(), 1200);  // the folder entry is hidden
  EXPECT_TRUE(zip->IsSpanned());
  EXPECT_TRUE(dialog->shown.empty());

  ASSERT_TRUE(platform::DeleteFile(folder + "conj00" + std::to_string(parts) + ".zip"));
  zip->SetZipFileName(InPrefix("c:\\Varelo\\Pkg\\conj.ZIP"));
  EXPECT_EQ(zip->ErrCode(), 11002);
  EXPECT_EQ(zip->Count(), 0);
  ASSERT_EQ(dialog->shown.size(), 1u);
  EXPECT_EQ(dialog->shown[0].text, "Zip file could not be opened");

  ASSERT_TRUE(platform::DeleteFile(folder + "conj001.zip"));
  zip->SetZipFileName(InPrefix("c:\\Varelo\\Pkg\\conj.zip"));
  EXPECT_EQ(zip->ErrCode(), 11001);
  EXPECT_EQ(dialog->shown.size(), 1u);
}

TEST_F(ZipArca, DamagedArchiveShowsItsErrorUnlessUnattended) {
  const std::string path = InPrefix("c:\\Varelo\\Pkg\\ruim.zip");
  WriteFileBytes(platform::HostPath(path), std::string(3000, 'x'));
  zip->SetZipFileName(path);
  EXPECT_EQ(zip->ErrCode(), 11036);
  ASSERT_EQ(dialog->shown.size(), 1u);
  EXPECT_EQ(dialog->shown[0].text, "This archive is not a valid Zip archive");
  EXPECT_EQ(dialog->shown[0].caption, "VareloSoft - Instalador");
  ASSERT_EQ(dialog->shown[0].buttons.size(), 1u);
  EXPECT_EQ(dialog->shown[0].buttons[0].caption, "&OK");
  // Extract reloads it, reports the load error again, and never calls the engine.
  zip->FSpecArgs = {"*.*"};
  EXPECT_EQ(zip->Extract(), 11036);
  EXPECT_EQ(dialog->shown.size(), 2u);
  EXPECT_EQ(zip->FSpecArgs.size(), 1u);

  TZipArca19 quiet;
  quiet.Unattended = true;
  quiet.SetZipFileName(path);
  EXPECT_EQ(quiet.ErrCode(), 11036);
  EXPECT_EQ(dialog->shown.size(), 2u);
}

TEST_F(ZipArca, MissingEngineFailsToLoad) {
  zip->DLLDirectory = InPrefix("c:\\Varelo\\Pkg\\");
  zip->SetDLL_Load(true);
  EXPECT_FALSE(zip->DLL_Load());
  EXPECT_EQ(zip->ErrCode(), 10650);
  EXPECT_EQ(zip->ErrMessage(), "Failed to load " + InPrefix("c:\\Varelo\\Pkg\\ArcaZip190.dll"));
  ASSERT_EQ(dialog->shown.size(), 1u);
  // The parent folder is missing: the bare name, which the system does not find either.
  zip->DLLDirectory = InPrefix("c:\\nada\\mais\\");
  zip->SetDLL_Load(true);
  EXPECT_EQ(zip->ErrMessage(), "Failed to load ArcaZip190.dll");
}

TEST_F(ZipArca, OldOrCorruptEnginesAreRefusedAndFreed) {
  for (const char* variant : {"old", "build"}) {
    UseEngine(variant);
    zip->SetDLL_Load(true);
    EXPECT_FALSE(zip->DLL_Load()) << variant;
    EXPECT_EQ(zip->ErrCode(), 10651) << variant;
    EXPECT_NE(zip->ErrMessage().find("It is old or corrupt"), std::string::npos);
    EXPECT_EQ(zip->DLL_Version(), 0) << variant;  // the module was freed
  }
}

// An engine that arrived short is refused before it is loaded (loading it would kill the
// program at its first touch of a missing page): the load fails as any failed load does, and
// the verbose report gives the loader's reason.
TEST_F(ZipArca, EngineCutShortFailsToLoadWithTheLoadersReason) {
  const std::string engine = prefix.Drive('c') + "/Varelo/ArcaZip190.dll";
  const std::string whole = ReadFileBytes(engine);
  WriteFileBytes(engine, whole.substr(0, whole.size() / 2));
  zip->Verbose = true;
  zip->SetDLL_Load(true);
  EXPECT_FALSE(zip->DLL_Load());
  EXPECT_EQ(zip->ErrCode(), 10650);
  EXPECT_EQ(zip->ErrMessage(), "Failed to load " + InPrefix("c:\\Varelo\\ArcaZip190.dll"));
  ASSERT_EQ(dialog->shown.size(), 1u);
  const std::string loadError = "Error [" + std::to_string(platform::kErrorBadExeFormat) + " ";
  const auto reported = std::find_if(messages.begin(), messages.end(), [&](const auto& m) {
    return m.second.rfind(loadError, 0) == 0 && m.second.find("past") != std::string::npos;
  });
  EXPECT_NE(reported, messages.end()) << (messages.empty() ? "" : messages.back().second);
  // Extract fails the same way and never reaches an engine.
  const std::string archive = InPrefix("c:\\Varelo\\Pkg\\p.zip");
  WriteFileBytes(platform::HostPath(archive), BuildZip({{.name = "a.txt", .content = "a"}}));
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 10650);
  EXPECT_EQ(lastSuccess, 0);
  EXPECT_FALSE(platform::FileExists(InPrefix("c:\\Varelo\\Pkg\\a.txt")));
  // The whole engine, put back, loads.
  WriteFileBytes(engine, whole);
  zip->SetDLL_Load(true);
  EXPECT_TRUE(zip->DLL_Load());
}

// The installer's component stops on a duplicate name (stDupName is in NoSkipping): the
// extract fails, yet SuccessCnt gives the files written before the stop and SkippedCnt the
// entries left out, with their reports.
TEST_F(ZipArca, StoppedExtractCountsWhatItWroteAndSkipped) {
  const std::string archive = InPrefix("c:\\Varelo\\Pkg\\dup.zip");
  WriteFileBytes(platform::HostPath(archive), BuildZip({{.name = "one.txt", .content = "1"},
                                                        {.name = "a?b.txt", .content = "bad"},
                                                        {.name = "two.txt", .content = "2"},
                                                        {.name = "dados/three.txt", .content = "3"},
                                                        {.name = "ONE.TXT", .content = "again"},
                                                        {.name = "four.txt", .content = "4"}}));
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 11683);
  EXPECT_EQ(lastSuccess, 3);
  EXPECT_EQ(zip->SkippedCnt(), 2);
  ASSERT_EQ(zip->SkippedFiles().size(), 2u);
  EXPECT_EQ(zip->SkippedFiles()[0].file, "a?b.txt");
  EXPECT_EQ(zip->SkippedFiles()[0].type, stBadName);
  EXPECT_EQ(zip->SkippedFiles()[1].file, "ONE.TXT");
  EXPECT_EQ(zip->SkippedFiles()[1].type, stDupName);
  EXPECT_LT(zip->SkippedFiles()[1].error, 0);  // the skip that stopped the extract
  const std::string folder = prefix.Drive('c') + "/Varelo/Pkg";
  EXPECT_EQ(platform::ListFolderTree(folder),
            (std::vector<std::string>{"dup.zip", "one.txt", "three.txt", "two.txt"}));
  EXPECT_EQ(ReadFileBytes(folder + "/one.txt"), "1");

  // Without the stop every entry but the two is written; the next extract starts its counts
  // afresh.
  zip->NoSkipping = {};
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 0);
  EXPECT_EQ(lastSuccess, 5);
  EXPECT_EQ(zip->SkippedCnt(), 1);
  ASSERT_EQ(zip->SkippedFiles().size(), 2u);  // the duplicate is reported, and written
}

TEST_F(ZipArca, SkipReportsKeptAreBounded) {
  std::vector<TZipItem> items;
  const size_t bad = archive::kMaxSkipRecords + 5;
  for (size_t i = 0; i < bad; ++i)
    items.push_back({.name = "x" + std::to_string(i) + "|.txt", .content = "x", .method = 0});
  items.push_back({.name = "good.txt", .content = "g"});
  const std::string archive = InPrefix("c:\\Varelo\\Pkg\\many.zip");
  WriteFileBytes(platform::HostPath(archive), BuildZip(items));
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 0);
  EXPECT_EQ(lastSuccess, 1);
  EXPECT_EQ(zip->SkippedCnt(), static_cast<int>(bad));
  ASSERT_EQ(zip->SkippedFiles().size(), archive::kMaxSkipRecords);
  EXPECT_EQ(zip->SkippedFiles().back().file,
            "x" + std::to_string(archive::kMaxSkipRecords - 1) + "|.txt");
}

TEST_F(ZipArca, EngineResultsTranslate) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  const std::string archive = MakePackage(InPrefix("c:\\Varelo\\Pkg\\p.zip"));
  UseEngine("script");
  struct TCase {
    const char* result;
    int code;
    const char* text;
    size_t dialogs;
  };
  const std::vector<TCase> cases = {{"0", 0, "", 0},
                                    {"5", 0, "", 0},
                                    {"-1", 11007, "User canceled operation", 0},
                                    {"-37", 10124, "critical DLL Error 37", 1},
                                    {"-6", 11654, "Fatal error", 1},
                                    {"-3", 11651, "Callback exception", 1}};
  for (const TCase& c : cases) {
    setenv("FAKE_AZ_RESULT", c.result, 1);
    dialog->shown.clear();
    messages.clear();
    EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), c.code) << c.result;
    EXPECT_EQ(lastMessage, c.text) << c.result;
    EXPECT_EQ(lastSuccess, c.code == 0 ? std::atoi(c.result) : 0) << c.result;
    EXPECT_EQ(dialog->shown.size(), c.dialogs) << c.result;
    EXPECT_TRUE(zip->FSpecArgs.empty()) << c.result;
    // The engine was handed the installer's options: extract and overwrite, no folder names.
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].second, "options=424 requests=1 verbosity=0") << c.result;
  }
}

TEST_F(ZipArca, ExtractFromOnProgressIsRefusedAsReentry) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  const std::string archive = MakePackage(InPrefix("c:\\Varelo\\Pkg\\p.zip"));
  int inner = -1;
  zip->Events.OnProgress = [&](TZipArca19* sender, const archive::TZAProgressDetails&) {
    if (inner == -1)
      inner = sender->Extract();
  };
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 0x4000000);
  EXPECT_EQ(inner, 0x4000000);
  EXPECT_EQ(lastMessage, "Busy + ");
  EXPECT_EQ(lastSuccess, 3);
}

TEST_F(ZipArca, ExtractStopsEarlyWithItsErrors) {
  zip->FSpecArgs = {"*.*"};
  EXPECT_EQ(zip->Extract(), 10102);
  EXPECT_EQ(zip->ErrMessage(), "Error - no zip file specified!");
  EXPECT_EQ(zip->FSpecArgs.size(), 1u);
  // Only folders, or nothing at all: the directory stays empty.
  for (const std::string& bytes :
       {BuildCentral("", {{.name = "a/"}, {.name = "a/b/"}}), EndRecordBytes(0, 0, 0)}) {
    const std::string path = InPrefix("c:\\Varelo\\Pkg\\pastas.zip");
    WriteFileBytes(platform::HostPath(path), bytes);
    zip->SetZipFileName("");
    zip->SetZipFileName(path);
    EXPECT_EQ(zip->Count(), 0);
    EXPECT_EQ(zip->Extract(), 11002);
    EXPECT_EQ(zip->ErrMessage(), "Zip file could not be opened");
  }
  const std::string path = InPrefix("c:\\Varelo\\Pkg\\um.zip");
  WriteFileBytes(platform::HostPath(path), BuildCentral("", {{.name = "a.txt"}}));
  zip->SetZipFileName(path);
  zip->ExtrBaseDir = InPrefix("c:\\Varelo\\NaoExiste");
  EXPECT_EQ(zip->Extract(), 10504);
  EXPECT_EQ(zip->ErrMessage(),
            "Extract directory '" + InPrefix("c:\\Varelo\\NaoExiste\\") + "' must exist");
  EXPECT_EQ(zip->FSpecArgs.size(), 1u);
}

TEST_F(ZipArca, DirectoryOnlyEntriesAreListedOnRequest) {
  const std::string path = InPrefix("c:\\Varelo\\Pkg\\d.zip");
  WriteFileBytes(platform::HostPath(path),
                 BuildCentral("", {{.name = "a/"}, {.name = "a/b.txt"}}, {.comment = "nota"}));
  zip->SetZipFileName(path);
  EXPECT_EQ(zip->Count(), 1);
  EXPECT_EQ(zip->ZipComment(), "nota");
  zip->SetUseDirOnlyEntries(true);
  EXPECT_EQ(zip->Count(), 2);
  EXPECT_EQ(zip->DirEntry(0)->FileName(), "a\\");
}

// The component lists an entry under exactly the name the engine writes it under, however its
// Unicode path field is bent: a field either reader would refuse is refused by both, and the
// name then comes from the raw bytes (an MS-DOS maker's, so the OEM code page).
TEST_F(ZipArca, UnicodePathFieldNamesTheSameFileInListAndExtract) {
  const std::string raw = "caf\x82.txt";  // é in the OEM code page 850
  const std::string head = std::string(1, '\x01') + Le32(Crc32(raw));
  struct TCase {
    const char* defect;
    std::string extra;
    std::string name;
  };
  const std::vector<TCase> cases = {
      {"valid field", UnicodePathExtra(raw, "unicodé.txt"), "unicodé.txt"},
      {"valid four-byte form", UnicodePathExtra(raw, "\xF0\x90\x8C\xB0.txt"),
       "\xF0\x90\x8C\xB0.txt"},
      {"header only, no name", ExtraField(0x7075, head), "café.txt"},
      {"shorter than its header", ExtraField(0x7075, head.substr(0, 4)), "café.txt"},
      {"size beyond the extra bytes", ExtraField(0x7075, head + "longo.txt").substr(0, 12),
       "café.txt"},
      {"wrong version", ExtraField(0x7075, "\x02" + head.substr(1) + "versao.txt"), "café.txt"},
      {"CRC of other bytes", UnicodePathExtra("cafe.txt", "outro.txt"), "café.txt"},
      {"invalid UTF-8", UnicodePathExtra(raw, "ruim\xFF.txt"), "café.txt"},
      {"cut multi-byte form", UnicodePathExtra(raw, "corte\xC3"), "café.txt"},
      {"overlong slash",
       UnicodePathExtra(raw,
                        "a\xC0\xAF"
                        "b.txt"),
       "café.txt"},
      {"surrogate", UnicodePathExtra(raw, "s\xED\xA0\x80.txt"), "café.txt"},
      {"beyond U+10FFFF", UnicodePathExtra(raw, "g\xF4\x90\x80\x80.txt"), "café.txt"},
      {"old five-byte form", UnicodePathExtra(raw, "c\xF8\x88\x80\x80\x80.txt"), "café.txt"},
      {"old six-byte form", UnicodePathExtra(raw, "s\xFC\x84\x80\x80\x80\x80.txt"), "café.txt"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const TCase& c = cases[i];
    const std::string archive = InPrefix("c:\\Varelo\\Pkg\\nome" + std::to_string(i) + ".zip");
    WriteFileBytes(platform::HostPath(archive), BuildZip({{.name = raw,
                                                           .content = "conteúdo",
                                                           .versionMadeBy = 0x0014,
                                                           .externalAttributes = 0x20,
                                                           .centralExtra = c.extra}}));
    zip->SetZipFileName(archive);
    ASSERT_EQ(zip->Count(), 1) << c.defect;
    const std::string listed = zip->DirEntry(0)->FileName();
    const std::string folder = "c:\\Varelo\\Pkg\\caso" + std::to_string(i);
    ASSERT_TRUE(platform::ForceDirectories(InPrefix(folder))) << c.defect;
    EXPECT_EQ(Unpack(archive, InPrefix(folder + "\\")), 0) << c.defect << ": " << lastMessage;
    EXPECT_EQ(listed, c.name) << c.defect;
    EXPECT_EQ(platform::ListFolderTree(platform::HostPath(InPrefix(folder))),
              std::vector<std::string>{listed})
        << c.defect;
  }
}

TEST_F(ZipArca, InactiveComponentDefersSettings) {
  const std::string path = InPrefix("c:\\Varelo\\Pkg\\d.zip");
  WriteFileBytes(platform::HostPath(path), BuildCentral("", {{.name = "b.txt"}}));
  std::vector<archive::TZAStates> states;
  zip->Events.OnStateChange = [&](TZipArca19*, archive::TZAStates s, bool&) {
    states.push_back(s);
  };
  zip->SetActive(false);
  EXPECT_EQ(zip->Extract(), 10109);
  EXPECT_EQ(zip->ErrCode(), 10109);
  EXPECT_EQ(zip->ErrMessage(), "not Active");
  zip->SetZipFileName(path);
  EXPECT_EQ(zip->Count(), 0);
  zip->SetActive(true);
  EXPECT_EQ(zip->Count(), 1);
  EXPECT_EQ(states, (std::vector<archive::TZAStates>{
                        archive::TZAStates::zsDisabled, archive::TZAStates::zsBusy,
                        archive::TZAStates::zsIdle, archive::TZAStates::zsIdle}));
}

TEST_F(ZipArca, AbortReachesTheRunningOperation) {
  if (!HaveProgram("zip"))
    VARELO_PEER_MISSING("zip");
  const std::string archive = MakePackage(InPrefix("c:\\Varelo\\Pkg\\p.zip"));
  zip->Events.OnProgress = [](TZipArca19* sender, const archive::TZAProgressDetails& d) {
    if (d.ProgType == archive::TZAProgressType::NewFile)
      sender->SetCancel(true);
  };
  EXPECT_EQ(Unpack(archive, InPrefix("c:\\Varelo\\Pkg\\")), 11007);
  EXPECT_TRUE(dialog->shown.empty());  // a user cancel is never shown
  EXPECT_LT(lastSuccess, 3);
}

}  // namespace
}  // namespace varelo::test
