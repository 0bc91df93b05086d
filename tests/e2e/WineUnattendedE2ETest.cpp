// The Windows installer without anyone at the machine, under Wine: instalador.exe of the Windows
// build started with /SILENCIOSO in a prefix of the test's own and no display (DISPLAY unset),
// against the distribution server that tools/dist-server starts on a free port (named by
// /ORIGEM). Each case checks the exit code a deployment script reads, what the program wrote to
// the installation log, and what it left on drive C:.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/DistServer.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/VirtualDisplay.h"
#include "tests/e2e/WinePrefix.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/SmallDisk.h"

namespace varelo::e2e {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr int kRunTimeoutMs = 180000;

std::string WindowsBuild() {
  const char* dir = std::getenv("VARELO_WINDOWS_BUILD_DIR");
  return dir != nullptr && *dir != '\0' ? dir : VARELO_WINDOWS_BUILD_DEFAULT;
}

struct TRun {
  int code = -1;
  std::string output;
};

class InstallerUnattendedUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "nginx", "zip", "unzip", "lnkinfo", "wineserver"}) {
      if (!test::HaveProgram(tool))
        VARELO_PEER_MISSING(tool << " missing");
    }
    if (TWinePrefix::Loader().empty())
      VARELO_PEER_MISSING("the 64-bit Wine loader is missing (tools/wine-loader win64)");
    if (!fs::is_regular_file(Program()))
      VARELO_PEER_MISSING(Program() << " missing: build the Windows build first");
    ASSERT_TRUE(fs::is_directory(Packages()));
    // Wine makes the prefix template on a display; the program itself runs without one.
    display_ = std::make_unique<TVirtualDisplay>();
    ASSERT_TRUE(display_->Started()) << display_->Log();
    NewPrefix();
  }
  void TearDown() override {
    prefix_.reset();
    display_.reset();
  }

  void NewPrefix() {
    prefix_.reset();
    prefix_ = std::make_unique<TWinePrefix>(WindowsBuild() + "/e2e-wine");
    ASSERT_TRUE(prefix_->Ready()) << prefix_->Log();
  }

  static std::string Program() { return WindowsBuild() + "/installer/instalador.exe"; }
  static const std::string& Packages() { return PackageFolderOf(WindowsBuild()); }
  std::string Temp() const { return prefix_->Drive() + "/users/" + UserName() + "/Temp"; }
  std::string Shortcut() const { return prefix_->Desktop() + "/Tornel.lnk"; }
  std::string Log() const { return ReadFileBytes(Temp() + "/VareloSoft-Instalacao.log"); }

  // The Windows program with these options, without a display; Wine's own messages are off
  // (the prefix sets WINEDEBUG), so what it prints is the program's.
  TRun Run(const std::vector<std::string>& options,
           const std::vector<std::string>& env = {}) const {
    std::vector<std::string> argv = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(TWinePrefix::Loader());
    argv.push_back(Program());
    argv.insert(argv.end(), options.begin(), options.end());
    TRun run;
    run.code = test::RunCommand(argv, &run.output, kRunTimeoutMs);
    return run;
  }
  TRun Silent(const TDistServer& server, std::vector<std::string> options = {}) const {
    options.insert(options.begin(), {"/SILENCIOSO", "/ORIGEM=" + server.BaseUrl()});
    return Run(options);
  }
  TDistServer::TOptions ServerOptions() const {
    TDistServer::TOptions options;
    options.root = Packages();
    return options;
  }

  void ExpectInstalled(const TExpected& expected) const {
    e2e::ExpectInstalled({prefix_->Drive(), prefix_->PrefixOwn(), Packages(), Shortcut()},
                         expected);
  }
  void ExpectNothingInstalled() const {
    e2e::ExpectNothingInstalled(prefix_->Drive(), prefix_->PrefixOwn(), Shortcut());
  }

  std::unique_ptr<TVirtualDisplay> display_;
  std::unique_ptr<TWinePrefix> prefix_;
};

const TExpected kComplete = {
    {{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""};
const TExpected kCloudWithPaf = {{{"Varelo", "VareloSoftInstalacao.zip"},
                                  {"VareloPaf", "VareloPafInstalacao.zip"},
                                  {"Varelo", "GDS32.zip"},
                                  {"VareloPaf", "GDS32.zip"}},
                                 kOndrelIni,
                                 BrastelIni("&Local", "ACME")};

TEST_F(InstallerUnattendedUnderWine, SilentRunsInstallEachKindWithoutADisplay) {
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
      {"nuvens with PAF", {"-tipo=nuvens", "-alias=acme", "-paf"}, kCloudWithPaf},
  };
  bool first = true;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    if (!first)
      NewPrefix();
    first = false;
    TDistServer server(ServerOptions());
    ASSERT_TRUE(server.Started()) << server.Log();
    const TRun run = Silent(server, c.options);
    EXPECT_EQ(run.code, 0) << run.output << Log();
    EXPECT_NE(Log().find(std::string("mensagem: ") + kDone), std::string::npos) << Log();
    TExpected expected = c.expected;
    expected.brastelIni = WithoutBlankLines(expected.brastelIni);
    ExpectInstalled(expected);
  }
}

TEST_F(InstallerUnattendedUnderWine, EachFailureEndsWithItsExitCodeAndNothingStays) {
  // Bad options: nothing is written, not even the log.
  TRun run = Run({"/SILENCIOSO", "/TIPO=REDE", "/TIPO=NUVENS"});
  EXPECT_EQ(run.code, 2) << run.output;
  ExpectNothingInstalled();
  EXPECT_FALSE(fs::exists(Temp() + "/VareloSoft-Instalacao.log"));
  // An incomplete workstation, with the window's own text in the log.
  run = Run({"/SILENCIOSO", "/TIPO=NUVENS"});
  EXPECT_EQ(run.code, 2) << run.output;
  EXPECT_NE(Log().find(kCloud), std::string::npos) << Log();
  ExpectNothingInstalled();
  // The server down, then the same run against a server that answers completes.
  const int nobody = test::FreeTcpPort();
  run = Run({"/SILENCIOSO", "/ORIGEM=http://127.0.0.1:" + std::to_string(nobody) + "/"});
  EXPECT_EQ(run.code, 4) << run.output;
  EXPECT_NE(Log().find("erro: Não foi possível baixar o pacote ArcaZip190.dll"), std::string::npos)
      << Log();
  ExpectNothingInstalled();
  {
    TDistServer::TOptions options = ServerOptions();
    options.corrupt = {"VareloSoftInstalacao.zip"};
    TDistServer damaged(options);
    ASSERT_TRUE(damaged.Started()) << damaged.Log();
    run = Silent(damaged);
    EXPECT_EQ(run.code, 5) << run.output;
    EXPECT_NE(Log().find("O pacote VareloSoftInstalacao.zip está danificado"), std::string::npos)
        << Log();
    ExpectNothingInstalled();
  }
  TDistServer server(ServerOptions());
  ASSERT_TRUE(server.Started()) << server.Log();
  run = Silent(server);
  EXPECT_EQ(run.code, 0) << run.output << Log();
  ExpectInstalled(kComplete);
  // And now the earlier installation is refused and left as it was.
  const std::string brastel = ReadFileBytes(prefix_->Drive() + "/Varelo/Brastel.ini");
  run = Silent(server, {"/TIPO=NUVENS", "/ALIAS=acme"});
  EXPECT_EQ(run.code, 3) << run.output;
  EXPECT_NE(Log().find(kInstalled), std::string::npos) << Log();
  EXPECT_EQ(ReadFileBytes(prefix_->Drive() + "/Varelo/Brastel.ini"), brastel);
}

TEST_F(InstallerUnattendedUnderWine, ShortcutThatCannotBeSavedEndsWith7) {
  const std::string inTheWay = Shortcut() + "/kept.txt";
  fs::create_directories(Shortcut());
  WriteFileBytes(inTheWay, "the user's");
  TDistServer server(ServerOptions());
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 7) << run.output << Log();
  EXPECT_NE(Log().find("Não foi possível criar o atalho TORNEL na Área de Trabalho."),
            std::string::npos)
      << Log();
  EXPECT_EQ(ReadFileBytes(inTheWay), "the user's");
  EXPECT_FALSE(fs::exists(prefix_->Drive() + "/Varelo"));
}

TEST_F(InstallerUnattendedUnderWine, TooLittleRoomEndsWith6) {
  TDistServer server(ServerOptions());
  ASSERT_TRUE(server.Started()) << server.Log();
  const int64_t engine = fs::file_size(Packages() + "/ArcaZip190.dll");
  const int64_t banco = fs::file_size(Packages() + "/banco.zip");
  test::TSmallDisk disk(Temp(), engine + banco / 2);
  if (!disk.Mounted())
    VARELO_PEER_MISSING("a tmpfs could not be mounted (it takes root): " << disk.Log());
  const TRun run = Silent(server);
  EXPECT_EQ(run.code, 6) << run.output << Log();
  ExpectNothingInstalled();
}

TEST_F(InstallerUnattendedUnderWine, SocketsLibraryThatCannotBeLoadedEndsWith1) {
  TDistServer server(ServerOptions());
  ASSERT_TRUE(server.Started()) << server.Log();
  const TRun run = Run({"/SILENCIOSO", "/ORIGEM=" + server.BaseUrl()},
                       {"WINEDLLOVERRIDES=ws2_32=d;mscoree,mshtml="});
  EXPECT_EQ(run.code, 1) << run.output;
  EXPECT_NE(Log().find("erro: A instalação não pôde começar: Error loading Socket interface "
                       "(ws2_32.dll)!"),
            std::string::npos)
      << Log();
  ExpectNothingInstalled();
}

}  // namespace
}  // namespace varelo::e2e
