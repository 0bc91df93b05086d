// The Windows installer end to end under Wine: instalador_e2e.exe of the Windows build, started
// with wine in a prefix of the test's own on a virtual display, driven with the pointer and the
// keyboard through xdotool, fetching from the distribution server that tools/dist-server starts
// on a free port. The packages carry the Windows build's engine, which the program loads. Each
// test checks what the user was told (the program's record of its message boxes), that the
// program ended with 0, and what landed in the prefix: the packages unpacked in C:\Varelo\ byte
// for byte, the settings files written through the Windows profile functions, and the shortcut
// saved by the Windows shell link object on the prefix's desktop, read back by lnkinfo.
// Screenshots of the key moments go to <Windows build>/artifacts/e2e-wine/.
//
// The Windows build is named by VARELO_WINDOWS_BUILD_DIR (its ctest sets it), else the
// checkout's build-windows-x64/.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "tests/e2e/DistServer.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/InstallerWindow.h"
#include "tests/e2e/VirtualDisplay.h"
#include "tests/e2e/WinePrefix.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/SmallDisk.h"

namespace varelo::e2e {
namespace {

namespace fs = std::filesystem;

// Wine starts its own services in a fresh prefix before the program's window shows.
constexpr int kWineWindowTimeoutMs = 90000;
constexpr int kInstallTimeoutMs = 120000;
constexpr int kExitTimeoutMs = 30000;
// The middle of the alias edit on the "Nuvens" page.
constexpr TPoint kAlias{434, 284};
// The most a window's caption and frame add above its client area.
constexpr int kCaptionAllowance = 40;

std::string WindowsBuild() {
  const char* dir = std::getenv("VARELO_WINDOWS_BUILD_DIR");
  return dir != nullptr && *dir != '\0' ? dir : VARELO_WINDOWS_BUILD_DEFAULT;
}

std::string WindowsProgram() {
  return WindowsBuild() + "/tests/e2e/instalador_e2e.exe";
}

class InstallerUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool :
         {"Xvfb", "xdotool", "import", "lnkinfo", "nginx", "zip", "unzip", "wineserver"}) {
      if (!test::HaveProgram(tool))
        VARELO_PEER_MISSING(tool << " missing");
    }
    if (TWinePrefix::Loader().empty())
      VARELO_PEER_MISSING("the 64-bit Wine loader is missing (tools/wine-loader win64)");
    if (!fs::is_regular_file(WindowsProgram()))
      VARELO_PEER_MISSING(WindowsProgram() << " missing: build the Windows build first");
    if (!fs::is_regular_file(WindowsBuild() + "/engine/ArcaZip190.dll"))
      VARELO_PEER_MISSING("the Windows build's engine is missing");
    display_ = std::make_unique<TVirtualDisplay>();
    ASSERT_TRUE(display_->Started()) << display_->Log();
    ASSERT_TRUE(fs::is_directory(Packages()));
    prefix_ = std::make_unique<TWinePrefix>(WindowsBuild() + "/e2e-wine");
    ASSERT_TRUE(prefix_->Ready()) << prefix_->Log();
  }

  void TearDown() override {
    // The program first, then whatever Wine still runs in the prefix, then the display.
    window_.reset();
    prefix_.reset();
    display_.reset();
  }

  static const std::string& Packages() { return PackageFolderOf(WindowsBuild()); }

  // Starts the program in the test's prefix against the server and waits for its window.
  // Options go on the program's command line.
  TInstallerWindow& Open(const TDistServer& server, const std::string& shotPrefix,
                         const std::vector<std::string>& options = {}) {
    TInstallerWindow::TLaunch launch;
    launch.argv = {TWinePrefix::Loader(), WindowsProgram()};
    launch.argv.insert(launch.argv.end(), options.begin(), options.end());
    launch.artifactFolder = WindowsBuild() + "/artifacts/e2e-wine";
    launch.answerBoxWithEnter = true;
    launch.windowTimeoutMs = kWineWindowTimeoutMs;
    window_ =
        std::make_unique<TInstallerWindow>(launch, prefix_->Path(), server.BaseUrl(), shotPrefix);
    return *window_;
  }

  // Clicks Instalar, waits for the final message and answers it; the program must then end
  // with 0.
  void InstallToTheEnd(TInstallerWindow& window) {
    const size_t before = window.Boxes().size();
    window.Click(kInstalar.x, kInstalar.y);
    const auto box = window.WaitForBox(before + 1, kInstallTimeoutMs);
    ASSERT_TRUE(box) << "the final message did not come; " << window.Boxes().size()
                     << " boxes shown; screen in " << window.Screenshot("no-final-message") << "\n"
                     << window.ProgramLog();
    window.Screenshot("final-message");
    EXPECT_EQ(box->text, kDone);
    EXPECT_EQ(box->caption, TInstallerWindow::kBoxCaption);
    EXPECT_FALSE(box->error);
    ASSERT_TRUE(window.PressOk()) << window.Screenshot("final-message-stays");
    EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
  }

  void ExpectInstalled(const TExpected& expected) {
    e2e::ExpectInstalled(
        {prefix_->Drive(), prefix_->PrefixOwn(), Packages(), prefix_->Desktop() + "/Tornel.lnk"},
        expected);
  }

  std::unique_ptr<TVirtualDisplay> display_;
  std::unique_ptr<TWinePrefix> prefix_;
  std::unique_ptr<TInstallerWindow> window_;
};

TEST_F(InstallerUnderWine, CompleteInstallation) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "complete");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  // The client area has the Linux window's size. The whole window is centred on the screen,
  // its caption (drawn by Wine, there being no window manager) included: the client area lies
  // that much lower.
  EXPECT_EQ(window.Width(), kWindowWidth);
  EXPECT_EQ(window.Height(), kWindowHeight);
  EXPECT_EQ(window.Left(), (TVirtualDisplay::kWidth - kWindowWidth) / 2);
  EXPECT_GE(window.Top(), (TVirtualDisplay::kHeight - kWindowHeight) / 2);
  EXPECT_LE(window.Top(), (TVirtualDisplay::kHeight - kWindowHeight) / 2 + kCaptionAllowance);
  window.Screenshot("start");
  InstallToTheEnd(window);
  EXPECT_EQ(window.Boxes().size(), 1u);
  EXPECT_EQ(Requests(server),
            (std::vector<std::string>{"GET /ArcaZip190.dll 200",
                                      "GET /VareloSoftInstalacao.zip 200", "GET /banco.zip 200"}));
  // The complete installation writes no settings: Brastel.ini is the package's own.
  ExpectInstalled(
      {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""});
}

TEST_F(InstallerUnderWine, WorkstationOnRedeWritesBothSettingsFiles) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "rede");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kWorkstation.x, kWorkstation.y);
  window.Click(kServer.x, kServer.y);
  window.Type("srv01");
  window.Click(kPath.x, kPath.y);
  window.Type("c:\\dados\\VARELO.FDB");
  window.Screenshot("typed");
  InstallToTheEnd(window);
  EXPECT_EQ(window.Boxes().size(), 1u);
  EXPECT_EQ(Requests(server),
            (std::vector<std::string>{"GET /ArcaZip190.dll 200",
                                      "GET /VareloSoftInstalacao.zip 200", "GET /GDS32.zip 200"}));
  ExpectInstalled({{{"Varelo", "VareloSoftInstalacao.zip"},
                    {"Varelo", "GDS32.zip"},
                    {"VareloPaf", "GDS32.zip"}},
                   kOndrelIni,
                   WithoutBlankLines(BrastelIni("Local", "srv01:c:\\dados\\VARELO.FDB"))});
}

TEST_F(InstallerUnderWine, WorkstationOnNuvensTakesTheAliasInCapitals) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "nuvens");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kWorkstation.x, kWorkstation.y);
  window.Click(kNuvensTab.x, kNuvensTab.y);
  window.Click(kAlias.x, kAlias.y);
  // Typed in small letters, the alias edit of the system takes it in capitals.
  window.Type("a&b&&c");
  window.Screenshot("typed");
  InstallToTheEnd(window);
  EXPECT_EQ(window.Boxes().size(), 1u);
  ExpectInstalled({{{"Varelo", "VareloSoftInstalacao.zip"},
                    {"Varelo", "GDS32.zip"},
                    {"VareloPaf", "GDS32.zip"}},
                   kOndrelIni,
                   WithoutBlankLines(BrastelIni("&Local", "ABC"))});
}

TEST_F(InstallerUnderWine, ServerDownIsToldNothingStaysAndInstalarAgainCompletes) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  server.Stop();  // the address answers no more
  TInstallerWindow& window = Open(server, "server-down");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("told");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("Não foi possível baixar o pacote ArcaZip190.dll: o servidor de "
                           "distribuição não respondeu."),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_FALSE(fs::exists(prefix_->Desktop() + "/Tornel.lnk"));
  // The server is back: the same window installs.
  ASSERT_TRUE(server.Start()) << server.Log();
  InstallToTheEnd(window);
  ExpectInstalled(
      {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""});
}

// The partial file of a package in the download cache of the test's prefix.
std::string CachedPart(const std::string& drive, const std::string& package) {
  return drive + "/users/" + UserName() + "/Temp/VareloSoft/" + package + ".part";
}

// Waits until the file holds at least `bytes`.
bool WaitForSize(const std::string& path, uintmax_t bytes, int timeoutMs) {
  return WaitUntil(
      [&] {
        std::error_code error;
        const uintmax_t size = fs::file_size(path, error);
        return !error && size >= bytes;
      },
      timeoutMs);
}

TEST_F(InstallerUnderWine, CloseBoxDuringAFetchAsksNaoGoesOnAndSimUndoesTheRun) {
  TDistServer::TOptions options;
  options.root = Packages();
  options.throttle = {"banco.zip=256k"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "closed");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const std::string part = CachedPart(prefix_->Drive(), "banco.zip");
  ASSERT_TRUE(WaitForSize(part, 128 * 1024, 30000)) << window.ProgramLog();
  ASSERT_TRUE(window.PressCloseBox());
  auto box = window.WaitForBox(1);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("asked");
  EXPECT_EQ(box->kind, "question");
  EXPECT_EQ(box->text, "Deseja cancelar a instalação?");
  // Não, the default button: the fetch goes on.
  ASSERT_TRUE(window.AnswerBox("Return")) << window.Screenshot("question-stays");
  const uintmax_t atNao = fs::file_size(part);
  ASSERT_TRUE(WaitForSize(part, atNao + 128 * 1024, 30000)) << window.ProgramLog();
  ASSERT_TRUE(window.PressCloseBox());
  ASSERT_TRUE(window.WaitForBox(2)) << window.ProgramLog();
  ASSERT_TRUE(window.AnswerBox("alt+s")) << window.Screenshot("question-stays");
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
  EXPECT_EQ(window.Boxes().size(), 2u);
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_GE(fs::file_size(part), atNao + 128 * 1024);
}

// The server's connection breaks off at half of the database package, whole length announced:
// the run is told, and Instalar again asks only for the missing half.
TEST_F(InstallerUnderWine, PackageCutShortIsToldAndInstalarAgainFetchesOnlyWhatWasMissing) {
  const uintmax_t whole = fs::file_size(Packages() + "/banco.zip");
  const uintmax_t half = whole / 2;
  TDistServer::TOptions options;
  options.root = Packages();
  options.cut = {"banco.zip=" + std::to_string(half)};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "cut");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("cut");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("O pacote banco.zip não chegou inteiro: a transferência foi "
                           "interrompida."),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_EQ(fs::file_size(CachedPart(prefix_->Drive(), "banco.zip")), half);
  const size_t logged = server.AccessLog().size();
  InstallToTheEnd(window);
  const std::string again = server.AccessLog().substr(logged);
  EXPECT_EQ(again.find("GET /VareloSoftInstalacao.zip"), std::string::npos) << again;
  EXPECT_EQ(again.find("GET /ArcaZip190.dll"), std::string::npos) << again;
  const size_t request = again.find("\"GET /banco.zip HTTP/1.");
  ASSERT_NE(request, std::string::npos) << again;
  EXPECT_EQ(again.find("\" 206 " + std::to_string(whole - half) + " ", request), request + 24)
      << again;
  ExpectInstalled(
      {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""});
}

TEST_F(InstallerUnderWine, DamagedPackageIsToldAndNothingStays) {
  TDistServer::TOptions options;
  options.root = Packages();
  options.corrupt = {"VareloSoftInstalacao.zip"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "corrupt");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  // The archive component's own dialog first, then the run's message.
  const auto box = window.PressOkUntilTheRunsMessage(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  EXPECT_EQ(box->text.find("O pacote VareloSoftInstalacao.zip está danificado e não pôde ser "
                           "aberto."),
            0u)
      << box->text;
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_FALSE(fs::exists(prefix_->Desktop() + "/Tornel.lnk"));
}

TEST_F(InstallerUnderWine, PasswordProtectedPackageAsksForItsPasswordInTheMaskedEdit) {
  TPackagesWithProduct packages(Packages(), {{"Leia.txt", "conteúdo protegido"}}, "segredo");
  ASSERT_TRUE(packages.Made());
  TDistServer::TOptions options;
  options.root = packages.Root();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "password");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto asked = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(asked) << window.ProgramLog();
  window.Screenshot("asked");
  EXPECT_EQ(asked->kind, "password");
  // Typed into the masked edit, which has the focus; Enter is OK.
  ASSERT_TRUE(window.AnswerBox("Return", "segredo")) << window.Screenshot("password-stays");
  const auto box = window.WaitForBox(2, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("final-message");
  EXPECT_EQ(box->text, kDone);
  ASSERT_TRUE(window.PressOk());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
  EXPECT_EQ(test::ReadFileBytes(prefix_->Drive() + "/Varelo/Leia.txt"), "conteúdo protegido");
  EXPECT_TRUE(fs::exists(prefix_->Desktop() + "/Tornel.lnk"));
}

TEST_F(InstallerUnderWine, WrongPasswordFailsTheRunAndNothingStays) {
  TPackagesWithProduct packages(Packages(), {{"Leia.txt", "conteúdo protegido"}}, "segredo");
  ASSERT_TRUE(packages.Made());
  TDistServer::TOptions options;
  options.root = packages.Root();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "password-wrong");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  // A wrong password may be asked for again, a bounded number of times.
  std::optional<TBoxRecord> box;
  size_t shown = 1;
  for (; shown <= 4; ++shown) {
    box = window.WaitForBox(shown, kInstallTimeoutMs);
    ASSERT_TRUE(box) << window.ProgramLog();
    if (box->kind != "password")
      break;
    window.Screenshot("asked-" + std::to_string(shown));
    ASSERT_TRUE(window.AnswerBox("Return", "errada")) << window.Screenshot("password-stays");
  }
  ASSERT_GT(shown, 1u) << "no password was asked for";
  window.Screenshot("told");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("O pacote VareloSoftInstalacao.zip é protegido por senha e 1 "
                           "arquivo não pôde ser aberto sem a senha certa."),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_FALSE(fs::exists(prefix_->Desktop() + "/Tornel.lnk"));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
}

// A folder of an earlier installation refuses the run, which asks the server for nothing and
// leaves the folder exactly as it was.
TEST_F(InstallerUnderWine, EarlierInstallationIsRefusedAndLeftAsItWas) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string earlier = prefix_->Drive() + "/Varelo";
  fs::create_directories(earlier + "/Dados");
  test::WriteFileBytes(earlier + "/Dados/cliente.fdb", "dados do cliente");
  test::WriteFileBytes(earlier + "/Leiame.txt", "anterior");
  TInstallerWindow& window = Open(server, "earlier");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("refused");
  EXPECT_EQ(box->text, kInstalled);
  EXPECT_FALSE(box->error);
  ASSERT_TRUE(window.PressOk());
  EXPECT_TRUE(window.Running());
  EXPECT_EQ(e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn()),
            (std::set<std::string>{"Varelo/", "Varelo/Dados/", "Varelo/Dados/cliente.fdb",
                                   "Varelo/Leiame.txt"}));
  EXPECT_EQ(test::ReadFileBytes(earlier + "/Dados/cliente.fdb"), "dados do cliente");
  EXPECT_EQ(test::ReadFileBytes(earlier + "/Leiame.txt"), "anterior");
  EXPECT_TRUE(server.AccessLog().empty()) << server.AccessLog();
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
}

// A point-of-sale folder that was there, with a driver the PAF package replaces: the run fails
// after the PAF package was unpacked, and the folder is put back exactly as it was.
TEST_F(InstallerUnderWine, FailedRunPutsBackTheFilesItReplacedInAFolderThatExisted) {
  TDistServer::TOptions options;
  options.root = Packages();
  options.corrupt = {"banco.zip"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string paf = prefix_->Drive() + "/VareloPaf";
  fs::create_directories(paf);
  test::WriteFileBytes(paf + "/ECFDrv.dll", "driver of the shop's own printer");
  test::WriteFileBytes(paf + "/Cupons.txt", "the shop's receipts");
  TInstallerWindow& window = Open(server, "paf-kept");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kPaf.x, kPaf.y);
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.PressOkUntilTheRunsMessage(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  EXPECT_EQ(box->text.find("O pacote banco.zip está danificado e não pôde ser aberto."), 0u)
      << box->text;
  EXPECT_EQ(e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn()),
            (std::set<std::string>{"VareloPaf/", "VareloPaf/Cupons.txt", "VareloPaf/ECFDrv.dll"}));
  EXPECT_EQ(test::ReadFileBytes(paf + "/ECFDrv.dll"), "driver of the shop's own printer");
  EXPECT_EQ(test::ReadFileBytes(paf + "/Cupons.txt"), "the shop's receipts");
  EXPECT_FALSE(fs::exists(prefix_->Desktop() + "/Tornel.lnk"));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
}

// The server hands out an engine library cut short, its whole announced length arriving: the
// library's section table is checked before Windows loads it, the run is told, and no such
// library stays.
TEST_F(InstallerUnderWine, EngineLibraryCutShortIsNeverLoadedAndNothingStays) {
  TPackageCopy packages(Packages());
  packages.CutToHalf("ArcaZip190.dll");
  TDistServer::TOptions options;
  options.root = packages.Root();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "engine-short");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.PressOkUntilTheRunsMessage(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  EXPECT_EQ(box->text.find("O componente de descompactação ArcaZip190.dll não pôde ser "
                           "carregado para abrir o pacote VareloSoftInstalacao.zip."),
            0u)
      << box->text;
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_FALSE(fs::exists(CachedPart(prefix_->Drive(), "ArcaZip190.dll")));
  EXPECT_FALSE(
      fs::exists(prefix_->Drive() + "/users/" + UserName() + "/Temp/VareloSoft/ArcaZip190.dll"));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
}

// The server falls silent half-way and holds the connection open: the native window keeps
// handling its messages while the fetch waits, so the close box asks within a second and Sim
// ends the run with what arrived kept.
TEST_F(InstallerUnderWine, CloseBoxDuringAStalledFetchAsksWithinASecond) {
  const uintmax_t half = fs::file_size(Packages() + "/banco.zip") / 2;
  TDistServer::TOptions options;
  options.root = Packages();
  options.stall = {"banco.zip=" + std::to_string(half)};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "stalled");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const std::string part = CachedPart(prefix_->Drive(), "banco.zip");
  ASSERT_TRUE(WaitForSize(part, 1024 * 1024, 30000)) << window.ProgramLog();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(window.PressCloseBox());
  const auto box = window.WaitForBox(1, 5000);
  const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - pressed)
                          .count();
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("asked");
  EXPECT_EQ(box->text, "Deseja cancelar a instalação?");
  std::cout << "the close box asked " << tookMs << " ms after it was pressed\n";
  EXPECT_LT(tookMs, 1000);
  ASSERT_TRUE(window.AnswerBox("alt+s")) << window.Screenshot("question-stays");
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_EQ(fs::file_size(part), half);
}

// The download cache's drive has room for the engine but not for the database package: the
// fetch fails before any of it is written, with the drive and both sizes the system gives.
TEST_F(InstallerUnderWine, TooLittleRoomToFetchIsToldBeforeAnythingIsWritten) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string temp = prefix_->Drive() + "/users/" + UserName() + "/Temp";
  const int64_t engine = fs::file_size(Packages() + "/ArcaZip190.dll");
  const int64_t banco = fs::file_size(Packages() + "/banco.zip");
  test::TSmallDisk disk(temp, engine + banco / 2);
  if (!disk.Mounted())
    VARELO_PEER_MISSING("a tmpfs could not be mounted (it takes root): " << disk.Log());
  TInstallerWindow& window = Open(server, "no-room-fetch");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("told");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("Espaço insuficiente em disco para baixar o pacote banco.zip: são "
                           "necessários 2,9 MB na unidade C: e há "),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_FALSE(fs::exists(temp + "/VareloSoft/banco.zip"));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 0) << window.ProgramLog();
}

// A passive run (/PASSIVO): the choice from the command line, the run starting by itself, no
// box (its text goes to the log), and the window closing itself with the run's exit code.
TEST_F(InstallerUnderWine, PassiveRunAsksNothingAndClosesItself) {
  TDistServer::TOptions options;
  options.root = Packages();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window =
      Open(server, "passive",
           {"/PASSIVO", "/TIPO=REDE", "/SERVIDOR=srv01", "/CAMINHO=c:\\dados\\VARELO.FDB"});
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  EXPECT_EQ(window.WaitForExit(kInstallTimeoutMs), 0) << window.ProgramLog();
  EXPECT_TRUE(window.Boxes().empty());
  const std::string log = test::ReadFileBytes(prefix_->Drive() + "/users/" + UserName() +
                                              "/Temp/VareloSoft-Instalacao.log");
  EXPECT_NE(log.find(std::string("mensagem: ") + kDone), std::string::npos) << log;
  ExpectInstalled({{{"Varelo", "VareloSoftInstalacao.zip"},
                    {"Varelo", "GDS32.zip"},
                    {"VareloPaf", "GDS32.zip"}},
                   kOndrelIni,
                   WithoutBlankLines(BrastelIni("Local", "srv01:c:\\dados\\VARELO.FDB"))});
}

// The close box of a passive window during the run cancels it without asking: the run is
// undone and the program ends with 8.
TEST_F(InstallerUnderWine, PassiveRunClosedDuringAFetchIsCancelledWith8) {
  TDistServer::TOptions options;
  options.root = Packages();
  options.throttle = {"banco.zip=256k"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow& window = Open(server, "passive-closed", {"-passivo"});
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  const std::string part = CachedPart(prefix_->Drive(), "banco.zip");
  ASSERT_TRUE(WaitForSize(part, 64 * 1024, 30000)) << window.ProgramLog();
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(kExitTimeoutMs), 8) << window.ProgramLog();
  EXPECT_TRUE(window.Boxes().empty());
  const std::set<std::string> tree = e2e::Tree(prefix_->Drive(), prefix_->PrefixOwn());
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_TRUE(fs::exists(part));
}

}  // namespace
}  // namespace varelo::e2e
