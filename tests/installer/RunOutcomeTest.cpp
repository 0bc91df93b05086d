// The run's outcome record and its rollback, on a temporary prefix.
#include <gtest/gtest.h>

#include "installer/Rollback.h"
#include "installer/RunOutcome.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "tests/support/TempDir.h"

namespace installer {
namespace {

using varelo::test::InPrefix;
using varelo::test::PathExists;
using varelo::test::ReadFileBytes;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

TStep Ok(TStepKind kind, const std::string& subject) {
  return {kind, subject, TStepCause::None, 0, ""};
}

TEST(RunOutcome, OnlyARunWhoseEveryStepSucceededSucceeds) {
  TRunOutcome outcome;
  EXPECT_FALSE(outcome.Succeeded());  // a run with no step did nothing
  outcome.Record(Ok(TStepKind::Folder, "c:\\Varelo\\"));
  outcome.Record(Ok(TStepKind::Fetch, "banco.zip"));
  EXPECT_TRUE(outcome.Succeeded());
  outcome.Record({TStepKind::Unpack, "banco.zip", TStepCause::FilesNotWritten, 2, "c:\\x"});
  outcome.Record({TStepKind::Settings, "c:\\a.ini", TStepCause::SettingsNotWritten, 0, ""});
  outcome.Record(Ok(TStepKind::Shortcut, "Tornel.lnk"));
  EXPECT_FALSE(outcome.Succeeded());
  EXPECT_FALSE(outcome.Cancelled());
  ASSERT_NE(outcome.FirstFailure(), nullptr);
  EXPECT_EQ(outcome.FirstFailure()->kind, TStepKind::Unpack);
  outcome.Clear();
  outcome.Record({TStepKind::Fetch, "banco.zip", TStepCause::Cancelled, 0, ""});
  EXPECT_TRUE(outcome.Cancelled());
}

TEST(RunOutcome, EachCauseIsToldInTheUsersWords) {
  struct TCase {
    TStep step;
    const char* told;
  };
  const TCase cases[] = {
      {{TStepKind::Fetch, "banco.zip", TStepCause::ServerNotReached, 0, ""},
       "Não foi possível baixar o pacote banco.zip: o servidor de distribuição não respondeu. "
       "Verifique a conexão com a Internet."},
      {{TStepKind::Fetch, "banco.zip", TStepCause::AnswerCode, 503, ""},
       "Não foi possível baixar o pacote banco.zip: o servidor respondeu com o código 503."},
      {{TStepKind::Fetch, "banco.zip", TStepCause::CutShort, 100, ""},
       "O pacote banco.zip não chegou inteiro: a transferência foi interrompida."},
      {{TStepKind::Unpack, "GDS32.zip", TStepCause::Damaged, 0, "not valid"},
       "O pacote GDS32.zip está danificado e não pôde ser aberto."},
      {{TStepKind::Unpack, "GDS32.zip", TStepCause::FilesNotWritten, 1, "c:\\VareloPaf"},
       "1 arquivo do pacote GDS32.zip não pôde ser gravado em c:\\VareloPaf."},
      {{TStepKind::Unpack, "GDS32.zip", TStepCause::FilesNotWritten, 3, "c:\\Varelo"},
       "3 arquivos do pacote GDS32.zip não puderam ser gravados em c:\\Varelo."},
      {{TStepKind::Unpack, "s.zip", TStepCause::PasswordRefused, 2, ""},
       "O pacote s.zip é protegido por senha e 2 arquivos não puderam ser abertos sem a senha "
       "certa."},
      {{TStepKind::Settings, "c:\\Varelo\\Ondrel.ini", TStepCause::SettingsNotWritten, 0, ""},
       "Não foi possível gravar o arquivo de configuração c:\\Varelo\\Ondrel.ini."},
      {{TStepKind::Shortcut, "Tornel.lnk", TStepCause::ShortcutNotSaved, 0, ""},
       "Não foi possível criar o atalho TORNEL na Área de Trabalho."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TRunOutcome::CauseText(c.step), c.told);
    TRunOutcome outcome;
    outcome.Record(c.step);
    const std::string message = outcome.FailureMessage({}, "C:\\t\\VareloSoft-Instalacao.log");
    EXPECT_EQ(message.find(c.told), 0u) << message;
    EXPECT_NE(message.find("foi removido"), std::string::npos) << message;
    EXPECT_NE(message.find("Detalhes em C:\\t\\VareloSoft-Instalacao.log"), std::string::npos);
    EXPECT_NE(TRunOutcome::Describe(c.step).find("FALHOU"), std::string::npos);
  }
}

TEST(RunOutcome, WhatCouldNotBeRemovedIsNamed) {
  TRunOutcome outcome;
  outcome.Record({TStepKind::Fetch, "banco.zip", TStepCause::CutShort, 0, ""});
  const std::string message = outcome.FailureMessage({"c:\\Varelo\\aberto.dll", "c:\\Varelo"}, "");
  EXPECT_NE(message.find("Não foi possível remover:\rc:\\Varelo\\aberto.dll\rc:\\Varelo"),
            std::string::npos)
      << message;
  EXPECT_EQ(message.find("foi removido"), std::string::npos);
}

TEST(RunOutcome, TooLittleRoomNamesTheDriveAndBothSizes) {
  EXPECT_EQ(TRunOutcome::SizeText(0), "0 KB");
  EXPECT_EQ(TRunOutcome::SizeText(1), "1 KB");
  EXPECT_EQ(TRunOutcome::SizeText(512 * 1024), "512 KB");
  EXPECT_EQ(TRunOutcome::SizeText(1024 * 1024), "1,0 MB");
  EXPECT_EQ(TRunOutcome::SizeText(3 * 1024 * 1024 + 200 * 1024), "3,1 MB");
  EXPECT_EQ(TRunOutcome::SizeText(1000000000000000LL), "931322,5 GB");
  TStep unpack{TStepKind::Unpack, "banco.zip", TStepCause::NoRoom, 3 * 1024 * 1024, "C:"};
  unpack.room = 1024 * 1024;
  EXPECT_EQ(TRunOutcome::CauseText(unpack),
            "Espaço insuficiente em disco para descompactar o pacote banco.zip: são necessários "
            "3,0 MB na unidade C: e há 1,0 MB livres.");
  TStep fetch = unpack;
  fetch.kind = TStepKind::Fetch;
  EXPECT_EQ(TRunOutcome::CauseText(fetch).find("Espaço insuficiente em disco para baixar o pacote "
                                               "banco.zip:"),
            0u);
}

class RollbackTest : public ::testing::Test {
 protected:
  std::string Host(const std::string& windowsPath) { return platform::HostPath(windowsPath); }
  TTempPrefix prefix;
  const std::string base = InPrefix("c:\\roll");
};

TEST_F(RollbackTest, WhatTheRunMadeGoesLatestFirstAndWhatWasThereStays) {
  ASSERT_TRUE(platform::ForceDirectories(base + "\\old"));
  WriteFileBytes(Host(base + "\\old\\keep.txt"), "before");
  WriteFileBytes(Host(base + "\\kept.ini"), "before");
  TRollback rollback;
  // New folders with files in them, a new file beside an old one, a file that existed (not
  // recorded) and what appears in a folder that existed.
  ASSERT_TRUE(rollback.ForceFolder(base + "\\new\\deep\\"));
  WriteFileBytes(Host(base + "\\new\\deep\\a.txt"), "run");
  rollback.WillCreate(base + "\\made.ini");
  WriteFileBytes(Host(base + "\\made.ini"), "run");
  rollback.WillCreate(base + "\\kept.ini");
  WriteFileBytes(Host(base + "\\kept.ini"), "changed");
  rollback.Watch(base + "\\old");
  ASSERT_TRUE(platform::ForceDirectories(base + "\\old\\sub"));
  WriteFileBytes(Host(base + "\\old\\sub\\b.txt"), "run");
  WriteFileBytes(Host(base + "\\old\\c.txt"), "run");
  ASSERT_EQ(rollback.Entries().size(), 4u);  // new, new\deep, made.ini, the watched folder
  EXPECT_EQ(rollback.Entries()[0].path, base + "\\new");
  EXPECT_EQ(rollback.Entries()[1].path, base + "\\new\\deep");

  EXPECT_TRUE(rollback.Undo().empty());
  EXPECT_TRUE(rollback.Empty());
  EXPECT_FALSE(PathExists(Host(base + "\\new")));
  EXPECT_FALSE(PathExists(Host(base + "\\made.ini")));
  EXPECT_FALSE(PathExists(Host(base + "\\old\\sub")));
  EXPECT_FALSE(PathExists(Host(base + "\\old\\c.txt")));
  EXPECT_EQ(ReadFileBytes(Host(base + "\\old\\keep.txt")), "before");
  // A file that existed before the run is never removed (the run's change to it stays).
  EXPECT_EQ(ReadFileBytes(Host(base + "\\kept.ini")), "changed");
}

// Files that were there and that the run replaces (an unpack: moved aside) or changes in place
// (a settings file: copied aside) are put back as they were; a missing one is a created file.
TEST_F(RollbackTest, FilesTheRunReplacedOrChangedArePutBack) {
  ASSERT_TRUE(platform::ForceDirectories(base + "\\paf\\sub"));
  WriteFileBytes(Host(base + "\\paf\\gds32.dll"), "old library");
  WriteFileBytes(Host(base + "\\paf\\sub\\gds32.dll"), "old library, other folder");
  WriteFileBytes(Host(base + "\\paf\\Ondrel.ini"), "[A]\r\nB=1\r\n");
  TRollback rollback;
  rollback.SetAsideFolder(base + "\\cache\\anterior");
  rollback.Watch(base + "\\paf");
  ASSERT_TRUE(rollback.WillChange(base + "\\paf\\gds32.dll", TRollback::TAside::Move));
  ASSERT_TRUE(rollback.WillChange(base + "\\paf\\sub\\gds32.dll", TRollback::TAside::Move));
  ASSERT_TRUE(rollback.WillChange(base + "\\paf\\Ondrel.ini", TRollback::TAside::Copy));
  ASSERT_TRUE(rollback.WillChange(base + "\\paf\\novo.txt", TRollback::TAside::Move));
  // Moved away, copied: the settings file is still there to be changed in place.
  EXPECT_FALSE(PathExists(Host(base + "\\paf\\gds32.dll")));
  EXPECT_EQ(ReadFileBytes(Host(base + "\\paf\\Ondrel.ini")), "[A]\r\nB=1\r\n");
  WriteFileBytes(Host(base + "\\paf\\gds32.dll"), "new library");
  WriteFileBytes(Host(base + "\\paf\\sub\\gds32.dll"), "new library");
  WriteFileBytes(Host(base + "\\paf\\Ondrel.ini"), "[A]\r\nB=2\r\n");
  WriteFileBytes(Host(base + "\\paf\\novo.txt"), "run");

  EXPECT_TRUE(rollback.Undo().empty());
  EXPECT_EQ(ReadFileBytes(Host(base + "\\paf\\gds32.dll")), "old library");
  EXPECT_EQ(ReadFileBytes(Host(base + "\\paf\\sub\\gds32.dll")), "old library, other folder");
  EXPECT_EQ(ReadFileBytes(Host(base + "\\paf\\Ondrel.ini")), "[A]\r\nB=1\r\n");
  EXPECT_FALSE(PathExists(Host(base + "\\paf\\novo.txt")));
  EXPECT_FALSE(PathExists(Host(base + "\\cache\\anterior")));
}

// After a run that succeeded the replaced files are not wanted: their copies go.
TEST_F(RollbackTest, KeptFilesGoWhenTheRunSucceeded) {
  ASSERT_TRUE(platform::ForceDirectories(base));
  WriteFileBytes(Host(base + "\\a.dll"), "old");
  TRollback rollback;
  rollback.SetAsideFolder(base + "\\anterior");
  ASSERT_TRUE(rollback.WillChange(base + "\\a.dll", TRollback::TAside::Move));
  WriteFileBytes(Host(base + "\\a.dll"), "new");
  rollback.Forget();
  EXPECT_EQ(ReadFileBytes(Host(base + "\\a.dll")), "new");
  EXPECT_FALSE(PathExists(Host(base + "\\anterior")));
}

// Without a place to keep it, an existing file is refused rather than changed unkept.
TEST_F(RollbackTest, AFileThatCannotBeKeptAsideIsRefused) {
  ASSERT_TRUE(platform::ForceDirectories(base));
  WriteFileBytes(Host(base + "\\a.dll"), "old");
  WriteFileBytes(Host(base + "\\blocked"), "a file where the folder should go");
  TRollback rollback;
  rollback.SetAsideFolder(base + "\\blocked\\anterior");
  EXPECT_FALSE(rollback.WillChange(base + "\\a.dll", TRollback::TAside::Move));
  EXPECT_EQ(ReadFileBytes(Host(base + "\\a.dll")), "old");
  EXPECT_TRUE(rollback.Empty());
}

TEST_F(RollbackTest, ForgottenAfterSuccessNothingIsRemoved) {
  TRollback rollback;
  ASSERT_TRUE(rollback.ForceFolder(base + "\\done"));
  rollback.Forget();
  EXPECT_TRUE(rollback.Undo().empty());
  EXPECT_TRUE(PathExists(Host(base + "\\done")));
}

TEST_F(RollbackTest, AFolderThatCannotBeMadeIsReported) {
  ASSERT_TRUE(platform::ForceDirectories(base));
  WriteFileBytes(Host(base + "\\file"), "a file where a folder should go");
  TRollback rollback;
  EXPECT_FALSE(rollback.ForceFolder(base + "\\file\\sub"));
  EXPECT_TRUE(rollback.Undo().empty());
  EXPECT_EQ(ReadFileBytes(Host(base + "\\file")), "a file where a folder should go");
}

}  // namespace
}  // namespace installer
