// The installer without anyone at the machine, end to end: the real program started with
// /SILENCIOSO and no display at all (DISPLAY unset), against the distribution server that
// tools/dist-server starts on a free port (named by /ORIGEM), in a Wine prefix of the test's
// own. Each case checks the exit code a deployment script reads, what the program said on
// standard error and in the installation log, and what it left on drive C:.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/DistServer.h"
#include "tests/e2e/Installation.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

namespace varelo::e2e {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr int kRunTimeoutMs = 120000;
const std::set<std::string> kPrefixOwn = {"users", "windows"};

struct TRun {
  int code = -1;
  std::string output;  // standard output and standard error
};

class InstallerUnattended : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"nginx", "zip", "unzip", "lnkinfo"}) {
      if (!test::HaveProgram(tool))
        VARELO_PEER_MISSING(tool << " missing");
    }
    ASSERT_TRUE(fs::is_directory(PackageFolder()));
    NewPrefix();
  }

  // A fresh prefix with its drive C:, as Wine makes one.
  void NewPrefix() {
    prefix_ = std::make_unique<test::TTempDir>();
    fs::create_directories(Drive());
  }

  std::string Drive() const { return prefix_->Path() + "/drive_c"; }
  std::string Shortcut() const { return Drive() + "/users/" + UserName() + "/Desktop/Tornel.lnk"; }
  std::string Log() const {
    return ReadFileBytes(TempFolder(Drive()) + "/VareloSoft-Instalacao.log");
  }

  // The program with these options, no display, a Brazilian user's locale.
  TRun Run(const std::vector<std::string>& options) const {
    std::vector<std::string> argv = {"env",
                                     "-u",
                                     "DISPLAY",
                                     "-u",
                                     "WAYLAND_DISPLAY",
                                     "WINEPREFIX=" + prefix_->Path(),
                                     "LANG=pt_BR.UTF-8",
                                     "LC_ALL=pt_BR.UTF-8",
                                     VARELO_INSTALADOR};
    argv.insert(argv.end(), options.begin(), options.end());
    TRun run;
    run.code = test::RunCommand(argv, &run.output, kRunTimeoutMs);
    return run;
  }
  TRun Silent(const TDistServer& server, std::vector<std::string> options = {}) const {
    options.insert(options.begin(), {"/SILENCIOSO", "/ORIGEM=" + server.BaseUrl()});
    return Run(options);
  }

  void ExpectInstalled(const TExpected& expected) const {
    e2e::ExpectInstalled({Drive(), kPrefixOwn, PackageFolder(), Shortcut()}, expected);
  }
  void ExpectNothingInstalled() const {
    e2e::ExpectNothingInstalled(Drive(), kPrefixOwn, Shortcut());
  }

  std::unique_ptr<test::TTempDir> prefix_;
};

const TExpected kComplete = {
    {{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""};

TEST_F(InstallerUnattended, SilentRunsInstallEveryKindWithoutADisplay) {
  struct TCase {
    const char* what;
    std::vector<std::string> options;
    TExpected expected;
  };
  const TCase cases[] = {
      {"complete", {}, kComplete},
      {"rede with PAF",
       {"/TIPO=REDE", "/SERVIDOR=srv01", "/CAMINHO=c:\\dados\\VARELO.FDB", "/PAF"},
       {{{"Varelo", "VareloSoftInstalacao.zip"},
         {"VareloPaf", "VareloPafInstalacao.zip"},
         {"Varelo", "GDS32.zip"},
         {"VareloPaf", "GDS32.zip"}},
        kOndrelIni,
        BrastelIni("Local", "srv01:c:\\dados\\VARELO.FDB")}},
      // The alias is taken in capitals, as the window's edit types it.
      {"nuvens with PAF, options in small letters",
       {"-tipo=nuvens", "-alias=acme", "-paf"},
       {{{"Varelo", "VareloSoftInstalacao.zip"},
         {"VareloPaf", "VareloPafInstalacao.zip"},
         {"Varelo", "GDS32.zip"},
         {"VareloPaf", "GDS32.zip"}},
        kOndrelIni,
        BrastelIni("&Local", "ACME")}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    NewPrefix();
    TDistServer server;
    ASSERT_TRUE(server.Started()) << server.Log();
    const TRun run = Silent(server, c.options);
    EXPECT_EQ(run.code, 0) << run.output;
    // The final message goes to standard error and the log, never to a box.
    EXPECT_NE(run.output.find(std::string("mensagem: ") + kDone), std::string::npos) << run.output;
    EXPECT_NE(Log().find(std::string("mensagem: ") + kDone), std::string::npos) << Log();
    ExpectInstalled(c.expected);
    EXPECT_FALSE(fs::exists(TempFolder(Drive()) + "/VareloSoft"));
  }
}

TEST_F(InstallerUnattended, BadOptionsAndIncompleteChoicesEndWith2BeforeAnythingIsWritten) {
  struct TCase {
    std::vector<std::string> options;
    const char* told;
  };
  const TCase cases[] = {
      {{"/SILENCIOSO", "/INSTALAR"}, "Opção desconhecida: /INSTALAR."},
      {{"/SILENCIOSO", "/TIPO=REDE", "/TIPO=NUVENS"}, "A opção /TIPO foi dada mais de uma vez."},
      {{"/SILENCIOSO", "/PAF=1"}, "A opção /PAF não aceita valor."},
      {{"/SILENCIOSO", "/LOG"}, "Falta o valor da opção /LOG"},
      {{"/SILENCIOSO", "/ORIGEM=ftp://127.0.0.1/"}, "/ORIGEM aceita apenas endereços http://"},
      // The window's own checks, with its own texts.
      {{"/SILENCIOSO", "/TIPO=REDE", "/CAMINHO=c:\\dados\\VARELO.FDB"}, kNetwork},
      {{"/SILENCIOSO", "/TIPO=REDE", "/SERVIDOR=srv", "/CAMINHO="}, kNetwork},
      {{"/SILENCIOSO", "/TIPO=NUVENS"}, kCloud},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.options.back());
    NewPrefix();
    const TRun run = Run(c.options);
    EXPECT_EQ(run.code, 2) << run.output;
    EXPECT_NE(run.output.find(c.told), std::string::npos) << run.output;
    ExpectNothingInstalled();
  }
}

TEST_F(InstallerUnattended, UsageGoesToStandardOutputAndEndsWith0) {
  for (const char* option : {"/?", "-ajuda"}) {
    const TRun run = Run({option});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(run.output.find("Uso: instalador [opções]"), 0u) << run.output;
    EXPECT_NE(run.output.find("/SILENCIOSO"), std::string::npos);
    ExpectNothingInstalled();
  }
}

TEST_F(InstallerUnattended, EarlierInstallationEndsWith3AndIsLeftAsItWas) {
  fs::create_directories(Drive() + "/Varelo");
  WriteFileBytes(Drive() + "/Varelo/Brastel.ini", "[Geral]\r\nVersao=1.0\r\n");
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 3) << run.output;
  EXPECT_NE(run.output.find(kInstalled), std::string::npos) << run.output;
  EXPECT_EQ(ReadFileBytes(Drive() + "/Varelo/Brastel.ini"), "[Geral]\r\nVersao=1.0\r\n");
  EXPECT_EQ(Requests(server).size(), 0u);
}

TEST_F(InstallerUnattended, ServerDownEndsWith4NothingStaysAndTheNextSilentRunCompletes) {
  const int nobody = test::FreeTcpPort();
  const std::string logFile = "c:\\users\\logs\\caixa 1.log";
  TRun run = Run({"/SILENCIOSO", "/ORIGEM=http://127.0.0.1:" + std::to_string(nobody) + "/",
                  "/LOG=" + logFile});
  EXPECT_EQ(run.code, 4) << run.output;
  EXPECT_NE(run.output.find("erro: Não foi possível baixar o pacote ArcaZip190.dll: o servidor "
                            "de distribuição não respondeu."),
            std::string::npos)
      << run.output;
  // The log goes where /LOG said, with the run's steps and the rollback.
  const std::string log = ReadFileBytes(Drive() + "/users/logs/caixa 1.log");
  EXPECT_NE(log.find("=== Instalação "), std::string::npos) << log;
  EXPECT_NE(log.find("FALHOU"), std::string::npos) << log;
  EXPECT_NE(log.find("desfeito"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(TempFolder(Drive()) + "/VareloSoft-Instalacao.log"));
  ExpectNothingInstalled();

  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  run = Silent(server);
  EXPECT_EQ(run.code, 0) << run.output;
  ExpectInstalled(kComplete);
}

TEST_F(InstallerUnattended, PackageCutShortEndsWith4AndTheNextSilentRunFetchesOnlyTheRest) {
  const int64_t banco = fs::file_size(PackageFolder() + "/banco.zip");
  const int64_t half = banco / 2;
  {
    TDistServer::TOptions options;
    options.cut = {"banco.zip=" + std::to_string(half)};
    TDistServer server(options);
    ASSERT_TRUE(server.Started()) << server.Log();
    const TRun run = Silent(server);
    EXPECT_EQ(run.code, 4) << run.output;
    EXPECT_NE(run.output.find("O pacote banco.zip não chegou inteiro"), std::string::npos)
        << run.output;
    ExpectNothingInstalled();
  }
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 0) << run.output;
  ExpectInstalled(kComplete);
  // The cache kept what had arrived: only the rest of banco.zip was asked for.
  const std::string access = server.AccessLog();
  EXPECT_NE(access.find("GET /banco.zip HTTP/1.0\" 206 " + std::to_string(banco - half)),
            std::string::npos)
      << access;
  EXPECT_EQ(access.find("/VareloSoftInstalacao.zip"), std::string::npos) << access;
}

TEST_F(InstallerUnattended, DamagedPackageEndsWith5AndNothingStays) {
  TDistServer::TOptions options;
  options.corrupt = {"VareloSoftInstalacao.zip"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 5) << run.output;
  EXPECT_NE(run.output.find("O pacote VareloSoftInstalacao.zip está danificado"), std::string::npos)
      << run.output;
  ExpectNothingInstalled();
}

TEST_F(InstallerUnattended, TooLittleRoomEndsWith6) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const int64_t engine = fs::file_size(PackageFolder() + "/ArcaZip190.dll");
  const int64_t banco = fs::file_size(PackageFolder() + "/banco.zip");
  test::TSmallDisk disk(TempFolder(Drive()), engine + banco / 2);
  if (!disk.Mounted())
    VARELO_PEER_MISSING("a tmpfs could not be mounted (it takes root): " << disk.Log());
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 6) << run.output;
  EXPECT_NE(run.output.find("Espaço insuficiente em disco para baixar o pacote banco.zip"),
            std::string::npos)
      << run.output;
  ExpectNothingInstalled();
}

TEST_F(InstallerUnattended, ShortcutThatCannotBeSavedEndsWith7AndTheRunIsUndone) {
  // A folder of the shortcut's name on the desktop, with a file in it, takes its place.
  const std::string inTheWay = Shortcut() + "/kept.txt";
  fs::create_directories(Shortcut());
  WriteFileBytes(inTheWay, "the user's");
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 7) << run.output;
  EXPECT_NE(run.output.find("Não foi possível criar o atalho TORNEL na Área de Trabalho."),
            std::string::npos)
      << run.output;
  EXPECT_EQ(ReadFileBytes(inTheWay), "the user's");
  EXPECT_FALSE(fs::exists(Drive() + "/Varelo"));
}

TEST_F(InstallerUnattended, PassiveRunWithoutADisplayCannotStartAndEndsWith1) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Run({"/PASSIVO", "/ORIGEM=" + server.BaseUrl()});
  EXPECT_EQ(run.code, 1) << run.output;
  ExpectNothingInstalled();
  EXPECT_EQ(Requests(server).size(), 0u);
}

}  // namespace
}  // namespace varelo::e2e
