// The installer end to end: the real program's window on a virtual display, driven with the
// pointer and the keyboard through xdotool, fetching from the distribution server that
// tools/dist-server starts on a free port, into a Wine prefix of the test's own. Each test
// checks what the user was told (the program's record of its message boxes), what landed in the
// prefix (folders and files, settings files byte for byte, the shortcut through lnkinfo), and
// that the program ended. Screenshots of the key moments go to <build>/artifacts/e2e/.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "tests/e2e/DistServer.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/InstallerWindow.h"
#include "tests/e2e/VirtualDisplay.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Process.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

namespace varelo::e2e {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// The alias edit (page "Nuvens" at 263,251; the edit at 7,23 on it), the progress bar and the
// pages.
constexpr int kAliasLeft = 270, kAliasTop = 274, kAliasWidth = 328, kAliasHeight = 21;
constexpr int kBarTop = 393, kBarWidth = 618, kBarHeight = 20;
constexpr int kPagesLeft = 259, kPagesTop = 227, kPagesWidth = 351, kPagesHeight = 112;

constexpr int kInstallTimeoutMs = 60000;
// The database of the progress test: 32 s of fetch at its pace.
constexpr int kLargeDatabaseKiB = 8192;

// The prefix's own folders under drive C: (the user's special folders and the fonts folder
// that its registry names).
const std::set<std::string> kPrefixOwn = {"users", "windows"};

std::set<std::string> Tree(const std::string& drive) {
  return e2e::Tree(drive, kPrefixOwn);
}

class InstallerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool :
         {"Xvfb", "xdotool", "import", "compare", "lnkinfo", "nginx", "zip", "unzip", "xmessage"}) {
      if (!test::HaveProgram(tool))
        VARELO_PEER_MISSING(tool << " missing");
    }
    display_ = std::make_unique<TVirtualDisplay>();
    ASSERT_TRUE(display_->Started()) << display_->Log();
    ASSERT_TRUE(fs::is_directory(PackageFolder()));
  }

  // A fresh prefix for one run of the program.
  std::string NewPrefix() {
    prefixes_.push_back(std::make_unique<test::TTempDir>());
    return prefixes_.back()->Path();
  }
  static std::string Drive(const std::string& prefix) { return prefix + "/drive_c"; }
  static std::string Shortcut(const std::string& prefix) {
    return Drive(prefix) + "/users/" + UserName() + "/Desktop/Tornel.lnk";
  }

  // Clicks Instalar, waits for the final message and closes it; the program must then end.
  void InstallToTheEnd(TInstallerWindow& window) {
    const size_t before = window.Boxes().size();
    window.Click(kInstalar.x, kInstalar.y);
    EndWithTheFinalMessage(window, before + 1);
  }

  // Waits for the final message as the program's box number `number`, closes it, and waits for
  // the program to end.
  void EndWithTheFinalMessage(TInstallerWindow& window, size_t number) {
    const auto box = window.WaitForBox(number, kInstallTimeoutMs);
    ASSERT_TRUE(box) << "box " << number << " did not come; " << window.Boxes().size()
                     << " shown; screen in " << window.Screenshot("no-final-message") << "\n"
                     << window.ProgramLog();
    window.Screenshot("final-message");
    EXPECT_EQ(box->text, kDone);
    EXPECT_EQ(box->caption, TInstallerWindow::kBoxCaption);
    EXPECT_FALSE(box->error);
    ASSERT_TRUE(window.PressOk());
    EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
  }

  void ExpectInstalled(const std::string& prefix, const TExpected& expected) {
    e2e::ExpectInstalled({Drive(prefix), kPrefixOwn, PackageFolder(), Shortcut(prefix)}, expected);
  }
  void ExpectShortcut(const std::string& prefix) { e2e::ExpectShortcut(Shortcut(prefix)); }

  // The Linux program of this build, photographed into <build>/artifacts/e2e/.
  static TInstallerWindow::TLaunch Launch() {
    return {{VARELO_INSTALADOR_E2E}, std::string(VARELO_BUILD_DIR) + "/artifacts/e2e"};
  }

  // A screenshot once a region of the window has stopped changing (two shots in a row agree,
  // 3 s at most), so that a check never sees a paint half done.
  static std::string SettledShot(TInstallerWindow& window, const std::string& moment, int x, int y,
                                 int width, int height) {
    std::string last = window.Screenshot(moment);
    WaitUntil(
        [&] {
          const std::string again = window.Screenshot(moment + "-settling");
          const bool same =
              DifferingPixels(last, again, window.Left() + x, window.Top() + y, width, height) == 0;
          fs::rename(again, last);
          return same;
        },
        3000, 100);
    return last;
  }

  std::unique_ptr<TVirtualDisplay> display_;
  std::vector<std::unique_ptr<test::TTempDir>> prefixes_;
};

// A workstation unpacks the client library into both folders, with or without the PAF module,
// from one fetch.
const std::vector<std::string> kWorkstationRequests = {
    "GET /ArcaZip190.dll 200", "GET /VareloSoftInstalacao.zip 200", "GET /GDS32.zip 200"};

TEST_F(InstallerE2E, CompleteInstallationWithoutAndWithPaf) {
  struct TCase {
    const char* shot;
    bool paf;
    std::vector<std::string> requests;
    TExpected expected;
  };
  const TCase cases[] = {
      {"complete",
       false,
       {"GET /ArcaZip190.dll 200", "GET /VareloSoftInstalacao.zip 200", "GET /banco.zip 200"},
       {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""}},
      {"complete-paf",
       true,
       {"GET /ArcaZip190.dll 200", "GET /VareloSoftInstalacao.zip 200",
        "GET /VareloPafInstalacao.zip 200", "GET /banco.zip 200"},
       {{{"Varelo", "VareloSoftInstalacao.zip"},
         {"VareloPaf", "VareloPafInstalacao.zip"},
         {"Varelo/Banco", "banco.zip"}},
        "",
        ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shot);
    TDistServer server;
    ASSERT_TRUE(server.Started()) << server.Log();
    const std::string prefix = NewPrefix();
    TInstallerWindow window(Launch(), prefix, server.BaseUrl(), c.shot);
    ASSERT_TRUE(window.Found()) << window.ProgramLog();
    // Centred on the screen, since no window manager places it.
    EXPECT_EQ(window.Left(), (TVirtualDisplay::kWidth - kWindowWidth) / 2);
    EXPECT_EQ(window.Top(), (TVirtualDisplay::kHeight - kWindowHeight) / 2);
    window.Screenshot("start");
    if (c.paf)
      window.Click(kPaf.x, kPaf.y);
    window.Screenshot("options");
    InstallToTheEnd(window);
    EXPECT_EQ(window.Boxes().size(), 1u);
    // Every package the run asks for is one the package builder made.
    EXPECT_EQ(Requests(server), c.requests);
    // The complete installation writes no settings: Brastel.ini is the package's own.
    ExpectInstalled(prefix, c.expected);
  }
}

TEST_F(InstallerE2E, WorkstationOnRedeIsRefusedUntilServerAndPathAreTyped) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "rede");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kWorkstation.x, kWorkstation.y);
  // The path alone is refused, and the focus goes to the server edit: what is typed next
  // lands there.
  window.Click(kPath.x, kPath.y);
  window.Type("c:\\dados\\VARELO.FDB");
  window.Click(kInstalar.x, kInstalar.y);
  auto box = window.WaitForBox(1);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("refused-path-only");
  EXPECT_EQ(box->text, kNetwork);
  EXPECT_FALSE(box->error);
  ASSERT_TRUE(window.PressOk());
  window.PointAtWindow();
  window.Type("srv");
  // The server alone is refused too, the focus again on the server edit.
  window.Click(kPath.x, kPath.y);
  window.Key("BackSpace", 19);
  window.Click(kInstalar.x, kInstalar.y);
  box = window.WaitForBox(2);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("refused-server-only");
  EXPECT_EQ(box->text, kNetwork);
  ASSERT_TRUE(window.PressOk());
  window.PointAtWindow();
  window.Type("01 ");
  EXPECT_FALSE(fs::exists(Drive(prefix) + "/Varelo"));  // refusals change nothing
  window.Click(kPath.x, kPath.y);
  window.Type("c:\\dados\\VARELO.FDB");
  window.Screenshot("typed");
  InstallToTheEnd(window);
  EXPECT_EQ(window.Boxes().size(), 3u);
  EXPECT_EQ(Requests(server), kWorkstationRequests);
  // Blanks typed stay in the value: "srv01 " was typed into the server edit.
  ExpectInstalled(prefix, {{{"Varelo", "VareloSoftInstalacao.zip"},
                            {"Varelo", "GDS32.zip"},
                            {"VareloPaf", "GDS32.zip"}},
                           kOndrelIni,
                           BrastelIni("Local", "srv01 :c:\\dados\\VARELO.FDB")});
}

TEST_F(InstallerE2E, WorkstationOnNuvensIsRefusedUntilTheAliasIsTyped) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "nuvens");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kWorkstation.x, kWorkstation.y);
  window.Click(kServer.x, kServer.y);  // the network page's texts play no part on "Nuvens"
  window.Type("srv");
  window.Click(kNuvensTab.x, kNuvensTab.y);
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("refused-no-alias");
  EXPECT_EQ(box->text, kCloud);
  EXPECT_FALSE(box->error);
  ASSERT_TRUE(window.PressOk());
  // The focus is on the alias edit: what is typed next lands there, in capitals.
  window.PointAtWindow();
  const auto aliasShot = [&](const std::string& moment) {
    return SettledShot(window, moment, kAliasLeft, kAliasTop, kAliasWidth, kAliasHeight);
  };
  const std::string empty = aliasShot("alias-empty");
  window.Type("a&b&&c");
  const std::string lower = aliasShot("alias-typed");
  window.Key("BackSpace", 6);
  window.Type("A&B&&C");
  const std::string upper = aliasShot("alias-typed-in-capitals");
  const int left = window.Left() + kAliasLeft, top = window.Top() + kAliasTop;
  EXPECT_GT(DifferingPixels(empty, lower, left, top, kAliasWidth, kAliasHeight), 0);
  EXPECT_EQ(DifferingPixels(lower, upper, left, top, kAliasWidth, kAliasHeight), 0)
      << "the alias typed in small letters shows otherwise than in capitals";
  InstallToTheEnd(window);
  EXPECT_EQ(Requests(server), kWorkstationRequests);
  ExpectInstalled(prefix, {{{"Varelo", "VareloSoftInstalacao.zip"},
                            {"Varelo", "GDS32.zip"},
                            {"VareloPaf", "GDS32.zip"}},
                           kOndrelIni,
                           BrastelIni("&Local", "ABC")});
}

TEST_F(InstallerE2E, EarlierInstallationIsRefusedAndTheWindowStaysUsable) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  // A folder of an earlier installation, without its settings file: the folder alone refuses,
  // and the run leaves it exactly as it was.
  fs::create_directories(Drive(prefix) + "/varelo/Dados");
  WriteFileBytes(Drive(prefix) + "/varelo/Dados/cliente.fdb", "dados do cliente");
  WriteFileBytes(Drive(prefix) + "/varelo/Leiame.txt", "anterior");
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "earlier");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("refused");
  EXPECT_EQ(box->text, kInstalled);
  EXPECT_EQ(box->caption, TInstallerWindow::kBoxCaption);
  EXPECT_FALSE(box->error);
  ASSERT_TRUE(window.PressOk());
  // Still open and answering: the workstation option shows its pages and the complete one
  // hides them again, and a second press is refused the same way.
  const auto pagesDiffer = [&](const std::string& a, const std::string& b) {
    return DifferingPixels(a, b, window.Left() + kPagesLeft, window.Top() + kPagesTop, kPagesWidth,
                           kPagesHeight);
  };
  const auto pagesShot = [&](const std::string& moment) {
    return SettledShot(window, moment, kPagesLeft, kPagesTop, kPagesWidth, kPagesHeight);
  };
  const std::string hidden = pagesShot("pages-hidden");
  window.Click(kWorkstation.x, kWorkstation.y);
  const std::string shown = pagesShot("pages-shown");
  window.Click(kComplete.x, kComplete.y);
  const std::string hiddenAgain = pagesShot("pages-hidden-again");
  EXPECT_GT(pagesDiffer(hidden, shown), 0);
  EXPECT_EQ(pagesDiffer(hidden, hiddenAgain), 0);
  window.Click(kInstalar.x, kInstalar.y);
  ASSERT_TRUE(window.WaitForBox(2)) << window.ProgramLog();
  EXPECT_EQ(window.Boxes()[1].text, kInstalled);
  window.Screenshot("refused-again");
  ASSERT_TRUE(window.PressOk());
  EXPECT_TRUE(window.Running());
  EXPECT_EQ(Tree(Drive(prefix)),
            (std::set<std::string>{"varelo/", "varelo/Dados/", "varelo/Dados/cliente.fdb",
                                   "varelo/Leiame.txt"}));
  EXPECT_EQ(ReadFileBytes(Drive(prefix) + "/varelo/Dados/cliente.fdb"), "dados do cliente");
  EXPECT_EQ(ReadFileBytes(Drive(prefix) + "/varelo/Leiame.txt"), "anterior");
  EXPECT_TRUE(server.AccessLog().empty()) << server.AccessLog();
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
}

// What a failed run leaves: nothing of the installation on drive C: (the download cache and the
// log lie in the user's temporary folder), no shortcut.
void ExpectNothingInstalled(const std::string& drive, const std::string& shortcut) {
  e2e::ExpectNothingInstalled(drive, kPrefixOwn, shortcut);
}

TEST_F(InstallerE2E, DistributionServerDownIsToldNothingStaysAndAnotherStartCompletes) {
  const int nobody = test::FreeTcpPort();  // nothing listens there
  const std::string prefix = NewPrefix();
  {
    TInstallerWindow window(Launch(), prefix, "http://127.0.0.1:" + std::to_string(nobody) + "/",
                            "server-down");
    ASSERT_TRUE(window.Found()) << window.ProgramLog();
    window.Click(kInstalar.x, kInstalar.y);
    const auto box = window.WaitForBox(1, kInstallTimeoutMs);
    ASSERT_TRUE(box) << window.ProgramLog();
    window.Screenshot("told");
    EXPECT_TRUE(box->error);
    EXPECT_EQ(box->caption, TInstallerWindow::kBoxCaption);
    EXPECT_EQ(box->text.find("Não foi possível baixar o pacote ArcaZip190.dll: o servidor de "
                             "distribuição não respondeu."),
              0u)
        << box->text;
    EXPECT_NE(box->text.find("VareloSoft-Instalacao.log"), std::string::npos) << box->text;
    ASSERT_TRUE(window.PressOk());
    ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
    const std::string log = ReadFileBytes(TempFolder(Drive(prefix)) + "/VareloSoft-Instalacao.log");
    EXPECT_NE(log.find("FALHOU"), std::string::npos) << log;
    // The window is usable again: the close box closes it without a question.
    EXPECT_TRUE(window.Running());
    ASSERT_TRUE(window.PressCloseBox());
    EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
    EXPECT_EQ(window.Boxes().size(), 1u);
  }
  // The next start against a server that answers is not refused and completes.
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "server-back");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  InstallToTheEnd(window);
  ExpectInstalled(
      prefix, {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""});
  EXPECT_FALSE(fs::exists(TempFolder(Drive(prefix)) + "/VareloSoft"));
}

// A damaged package: the archive component tells the user in its own dialog, in the language
// of the user's system (its Brazilian table on a Portuguese one, its built-in English
// otherwise), then the run names the package in Portuguese.
TEST_F(InstallerE2E, DamagedPackageIsToldInTheUsersLanguageAndNothingStays) {
  TDistServer::TOptions options;
  options.corrupt = {"VareloSoftInstalacao.zip"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  struct TCase {
    const char* locale;
    const char* componentSays;
  };
  for (const TCase c : {TCase{"pt_BR.UTF-8", "Este arquivo não é um arquivo zip válido"},
                        TCase{"en_US.UTF-8", "This archive is not a valid Zip archive"}}) {
    SCOPED_TRACE(c.locale);
    const std::string prefix = NewPrefix();
    TInstallerWindow::TLaunch launch = Launch();
    launch.locale = c.locale;
    TInstallerWindow window(launch, prefix, server.BaseUrl(), std::string("corrupt-") + c.locale);
    ASSERT_TRUE(window.Found()) << window.ProgramLog();
    window.Click(kInstalar.x, kInstalar.y);
    const auto box = window.PressOkUntilTheRunsMessage(1, kInstallTimeoutMs);
    ASSERT_TRUE(box) << window.ProgramLog();
    const std::vector<TBoxRecord> boxes = window.Boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes.front().text, c.componentSays);
    for (const TBoxRecord& shown : boxes)
      EXPECT_EQ(shown.caption, TInstallerWindow::kBoxCaption);
    EXPECT_EQ(box->text.find("O pacote VareloSoftInstalacao.zip está danificado e não pôde ser "
                             "aberto."),
              0u)
        << box->text;
    ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
    EXPECT_TRUE(window.Running());
    ASSERT_TRUE(window.PressCloseBox());
    EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
  }
}

// A point-of-sale folder that was there before the run, with a driver the PAF package replaces
// and a file of the shop's own: the run fails after the PAF package was unpacked (the
// database package is damaged), and the folder is put back exactly as it was.
TEST_F(InstallerE2E, FailedRunPutsBackTheFilesItReplacedInAFolderThatExisted) {
  TDistServer::TOptions options;
  options.corrupt = {"banco.zip"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  const std::string paf = Drive(prefix) + "/VareloPaf";
  fs::create_directories(paf);
  WriteFileBytes(paf + "/ECFDrv.dll", "driver of the shop's own printer");
  WriteFileBytes(paf + "/Cupons.txt", "the shop's receipts");
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "paf-kept");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kPaf.x, kPaf.y);
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.PressOkUntilTheRunsMessage(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  EXPECT_EQ(box->text.find("O pacote banco.zip está danificado e não pôde ser aberto."), 0u)
      << box->text;
  EXPECT_NE(box->text.find("foi removido"), std::string::npos) << box->text;
  EXPECT_EQ(Tree(Drive(prefix)),
            (std::set<std::string>{"VareloPaf/", "VareloPaf/Cupons.txt", "VareloPaf/ECFDrv.dll"}));
  EXPECT_EQ(ReadFileBytes(paf + "/ECFDrv.dll"), "driver of the shop's own printer");
  EXPECT_EQ(ReadFileBytes(paf + "/Cupons.txt"), "the shop's receipts");
  EXPECT_FALSE(fs::exists(Shortcut(prefix)));
  EXPECT_FALSE(fs::exists(TempFolder(Drive(prefix)) + "/VareloSoft/anterior"));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
}

// The download cache's drive has room for the engine but not for the database package: the
// fetch of the database fails before any of it is written, naming the drive and both sizes.
TEST_F(InstallerE2E, TooLittleRoomToFetchIsToldBeforeAnythingIsWritten) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  const int64_t engine = fs::file_size(PackageFolder() + "/ArcaZip190.dll");
  const int64_t banco = fs::file_size(PackageFolder() + "/banco.zip");
  test::TSmallDisk disk(TempFolder(Drive(prefix)), engine + banco / 2);
  if (!disk.Mounted())
    VARELO_PEER_MISSING("a tmpfs could not be mounted (it takes root): " << disk.Log());
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "no-room-fetch");
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
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  EXPECT_TRUE(!fs::exists(part) || fs::file_size(part) == 0);
  EXPECT_FALSE(fs::exists(TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip"));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
}

// Drive C: with room for the packages and the engine but not for the database once unpacked:
// the run fails before the unpack writes anything, names the drive and both sizes, and keeps
// the package that arrived whole for the next try.
TEST_F(InstallerE2E, TooLittleRoomToUnpackIsToldBeforeAnythingIsWritten) {
  TDistServer server;
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  const int64_t engine = fs::file_size(PackageFolder() + "/ArcaZip190.dll");
  const int64_t banco = fs::file_size(PackageFolder() + "/banco.zip");
  // The engine twice (the cache and C:\Varelo), the database package, and less than a third of
  // the database's room to spare.
  test::TSmallDisk disk(Drive(prefix), 2 * engine + banco + 1024 * 1024);
  if (!disk.Mounted())
    VARELO_PEER_MISSING("a tmpfs could not be mounted (it takes root): " << disk.Log());
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "no-room");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("told");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("Espaço insuficiente em disco para descompactar o pacote banco.zip: "
                           "são necessários 3,0 MB na unidade C: e há "),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  EXPECT_EQ(fs::file_size(TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip"),
            static_cast<uintmax_t>(banco));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
}

// The server hands out an engine library cut short, its whole announced length arriving: the
// library is checked against its own headers before it is loaded, the run is told that the
// engine could not be loaded, and no such library stays, in C:\\Varelo or in the cache.
TEST_F(InstallerE2E, EngineLibraryCutShortIsNeverLoadedAndNothingStays) {
  TPackageCopy packages(PackageFolder());
  packages.CutToHalf("ArcaZip190.dll");
  TDistServer::TOptions options;
  options.root = packages.Root();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "engine-short");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.PressOkUntilTheRunsMessage(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  EXPECT_EQ(box->text.find("O componente de descompactação ArcaZip190.dll não pôde ser "
                           "carregado para abrir o pacote VareloSoftInstalacao.zip."),
            0u)
      << box->text;
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  EXPECT_FALSE(fs::exists(TempFolder(Drive(prefix)) + "/VareloSoft/ArcaZip190.dll"));
  EXPECT_TRUE(window.Running());
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
}

// Waits until the partial file holds at least `bytes`.
bool WaitForPartial(const std::string& part, uintmax_t bytes, int timeoutMs) {
  return WaitUntil(
      [&] {
        std::error_code error;
        const uintmax_t size = fs::file_size(part, error);
        return !error && size >= bytes;
      },
      timeoutMs);
}

TEST_F(InstallerE2E, CloseBoxDuringAFetchAsksNaoGoesOnSimUndoesAndKeepsThePartialFile) {
  TDistServer::TOptions options;
  options.throttle = {"banco.zip=256k"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "closed");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  ASSERT_TRUE(WaitForPartial(part, 128 * 1024, 20000)) << window.ProgramLog();
  ASSERT_TRUE(window.PressCloseBox());
  auto box = window.WaitForBox(1);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("asked");
  EXPECT_EQ(box->kind, "question");
  EXPECT_EQ(box->text, "Deseja cancelar a instalação?");
  // Não, the default button: the fetch goes on.
  ASSERT_TRUE(window.AnswerBox("Return"));
  const uintmax_t atNao = fs::file_size(part);
  ASSERT_TRUE(WaitForPartial(part, atNao + 128 * 1024, 20000)) << window.ProgramLog();
  ASSERT_TRUE(window.PressCloseBox());
  ASSERT_TRUE(window.WaitForBox(2)) << window.ProgramLog();
  ASSERT_TRUE(window.AnswerBox("alt+s"));
  EXPECT_EQ(window.WaitForExit(10000), 0) << window.ProgramLog();
  EXPECT_EQ(window.Boxes().size(), 2u);
  // Nothing of the installation stays; what arrived of the database waits in the cache.
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  const std::string served = ReadFileBytes(PackageFolder() + "/banco.zip");
  const std::string kept = ReadFileBytes(part);
  EXPECT_GE(kept.size(), atNao + 128 * 1024);
  EXPECT_LT(kept.size(), served.size());
  EXPECT_TRUE(served.compare(0, kept.size(), kept) == 0);
}

// The server stops sending half-way and holds the connection open: the window keeps handling
// its messages while the fetch waits, so the close box asks at once (within a second, the time
// the pointer and the check take included), and Sim ends the run with what arrived kept.
TEST_F(InstallerE2E, CloseBoxDuringAStalledFetchAsksWithinASecond) {
  const uintmax_t whole = fs::file_size(PackageFolder() + "/banco.zip");
  const uintmax_t half = whole / 2;
  TDistServer::TOptions options;
  options.stall = {"banco.zip=" + std::to_string(half)};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "stalled");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  // The partial file is written a megabyte at a time; once the first is there the rest of the
  // half follows at once, and the server falls silent.
  ASSERT_TRUE(WaitForPartial(part, 1024 * 1024, 20000)) << window.ProgramLog();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(window.PressCloseBox());
  const auto box = window.WaitForBox(1, 5000);
  const auto asked = std::chrono::steady_clock::now();
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("asked");
  EXPECT_EQ(box->text, "Deseja cancelar a instalação?");
  const auto tookMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(asked - pressed).count();
  std::cout << "the close box asked " << tookMs << " ms after it was pressed\n";
  EXPECT_LT(tookMs, 1000);
  const auto answered = std::chrono::steady_clock::now();
  ASSERT_TRUE(window.AnswerBox("alt+s"));
  EXPECT_EQ(window.WaitForExit(10000), 0) << window.ProgramLog();
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  answered)
                .count(),
            3000);
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  EXPECT_EQ(fs::file_size(part), half);
}

TEST_F(InstallerE2E, PackageCutShortIsToldAndTheNextTryFetchesOnlyWhatWasMissing) {
  TDistServer::TOptions options;
  options.throttle = {"banco.zip=256k"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "cut");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  const uintmax_t whole = fs::file_size(PackageFolder() + "/banco.zip");
  ASSERT_TRUE(WaitForPartial(part, whole / 2, 30000)) << window.ProgramLog();
  server.Stop();  // the server goes away half-way
  auto box = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("cut");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("O pacote banco.zip não chegou inteiro: a transferência foi "
                           "interrompida."),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  const uintmax_t kept = fs::file_size(part);

  // The server is back; Instalar again continues the database and fetches nothing else.
  const size_t logged = server.AccessLog().size();
  ASSERT_TRUE(server.Start()) << server.Log();
  InstallToTheEnd(window);
  const std::string again = server.AccessLog().substr(logged);
  EXPECT_EQ(again.find("GET /VareloSoftInstalacao.zip"), std::string::npos) << again;
  EXPECT_EQ(again.find("GET /ArcaZip190.dll"), std::string::npos) << again;
  const size_t request = again.find("\"GET /banco.zip HTTP/1.");
  ASSERT_NE(request, std::string::npos) << again;
  EXPECT_EQ(again.find("\" 206 " + std::to_string(whole - kept) + " ", request), request + 24)
      << again << " kept " << kept;
  ExpectInstalled(
      prefix, {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""});
}

// The server's connection breaks off at half of the database package, whole length announced:
// the run is told, and the next start of the program asks only for the missing half.
TEST_F(InstallerE2E, ConnectionBrokenOffHalfWayThenTheNextStartFetchesTheOtherHalf) {
  const uintmax_t whole = fs::file_size(PackageFolder() + "/banco.zip");
  const uintmax_t half = whole / 2;
  TDistServer::TOptions options;
  options.cut = {"banco.zip=" + std::to_string(half)};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  {
    TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "broken-off");
    ASSERT_TRUE(window.Found()) << window.ProgramLog();
    window.Click(kInstalar.x, kInstalar.y);
    const auto box = window.WaitForBox(1, kInstallTimeoutMs);
    ASSERT_TRUE(box) << window.ProgramLog();
    window.Screenshot("told");
    EXPECT_TRUE(box->error);
    EXPECT_EQ(box->text.find("O pacote banco.zip não chegou inteiro: a transferência foi "
                             "interrompida."),
              0u)
        << box->text;
    ASSERT_TRUE(window.PressOk());
    ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
    EXPECT_EQ(fs::file_size(part), half);
    ASSERT_TRUE(window.PressCloseBox());
    EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
  }
  const size_t logged = server.AccessLog().size();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "broken-off-again");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  InstallToTheEnd(window);
  const std::vector<std::string> again = [&] {
    std::vector<std::string> lines;
    std::istringstream log(server.AccessLog().substr(logged));
    for (std::string line; std::getline(log, line);)
      lines.push_back(line.substr(line.find('"')));
    return lines;
  }();
  ASSERT_EQ(again.size(), 1u) << server.AccessLog();
  EXPECT_EQ(again[0].find("\"GET /banco.zip HTTP/1."), 0u) << again[0];
  EXPECT_NE(again[0].find("\" 206 " + std::to_string(whole - half) + " "), std::string::npos)
      << again[0];
  ExpectInstalled(
      prefix, {{{"Varelo", "VareloSoftInstalacao.zip"}, {"Varelo/Banco", "banco.zip"}}, "", ""});
}

TEST_F(InstallerE2E, PasswordProtectedPackageAsksForThePasswordAndAWrongOneFailsTheRun) {
  TPackagesWithProduct packages(PackageFolder(), {{"Leia.txt", "conteúdo protegido"}}, "segredo");
  ASSERT_TRUE(packages.Made());
  TDistServer::TOptions options;
  options.root = packages.Root();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  struct TCase {
    const char* shot;
    const char* typed;
    bool installs;
  };
  for (const TCase c :
       {TCase{"password-right", "segredo", true}, TCase{"password-wrong", "errada", false}}) {
    SCOPED_TRACE(c.shot);
    const std::string prefix = NewPrefix();
    TInstallerWindow window(Launch(), prefix, server.BaseUrl(), c.shot);
    ASSERT_TRUE(window.Found()) << window.ProgramLog();
    window.Click(kInstalar.x, kInstalar.y);
    // The masked password dialog, answered with the typed password and Enter (OK); a wrong
    // password may be asked for again, a bounded number of times.
    std::optional<TBoxRecord> box;
    size_t shown = 1;
    for (; shown <= 4; ++shown) {
      box = window.WaitForBox(shown, kInstallTimeoutMs);
      ASSERT_TRUE(box) << window.ProgramLog();
      if (box->kind != "password")
        break;
      window.Screenshot("asked-" + std::to_string(shown));
      ASSERT_TRUE(window.AnswerBox("Return", c.typed));
    }
    ASSERT_GT(shown, 1u) << "no password was asked for";
    window.Screenshot("told");
    if (c.installs) {
      EXPECT_EQ(box->text, kDone);
      ASSERT_TRUE(window.PressOk());
      EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
      EXPECT_EQ(ReadFileBytes(Drive(prefix) + "/Varelo/Leia.txt"), "conteúdo protegido");
      ExpectShortcut(prefix);
      continue;
    }
    EXPECT_TRUE(box->error);
    EXPECT_EQ(box->text.find("O pacote VareloSoftInstalacao.zip é protegido por senha e 1 "
                             "arquivo não pôde ser aberto sem a senha certa."),
              0u)
        << box->text;
    ASSERT_TRUE(window.PressOk());
    ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
    ASSERT_TRUE(window.PressCloseBox());
    EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
  }
}

TEST_F(InstallerE2E, SettingsFileThatCannotBeWrittenIsToldAndNothingStays) {
  // The product package brings a settings file far larger than any the writer takes on (a
  // damaged one, say): the workstation's setting can't be written into it.
  const std::map<std::string, std::string> files = {
      {"Ondrel.exe", "MZ"}, {"Ondrel.ini", std::string(65 * 1024 * 1024, ';')}};
  TPackagesWithProduct packages(PackageFolder(), files);
  ASSERT_TRUE(packages.Made());
  TDistServer::TOptions options;
  options.root = packages.Root();
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "settings");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kWorkstation.x, kWorkstation.y);
  window.Click(kServer.x, kServer.y);
  window.Type("srv");
  window.Click(kPath.x, kPath.y);
  window.Type("dados");
  window.Click(kInstalar.x, kInstalar.y);
  const auto box = window.WaitForBox(1, kInstallTimeoutMs);
  ASSERT_TRUE(box) << window.ProgramLog();
  window.Screenshot("told");
  EXPECT_TRUE(box->error);
  EXPECT_EQ(box->text.find("Não foi possível gravar o arquivo de configuração "
                           "c:\\Varelo\\Ondrel.ini."),
            0u)
      << box->text;
  ASSERT_TRUE(window.PressOk());
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(), 0) << window.ProgramLog();
}

TEST_F(InstallerE2E, ProgressBarMovesAndTheWindowRepaintsDuringAThrottledFetch) {
  // A database large enough that the fetch outlasts the checks on a busy machine; the window
  // is closed once they are done.
  TDistServer::TOptions options;
  options.root = PackageFolder(kLargeDatabaseKiB);
  options.throttle = {"banco.zip=256k"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow window(Launch(), prefix, server.BaseUrl(), "progress");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  window.Click(kInstalar.x, kInstalar.y);
  window.PointAtWindow();
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  ASSERT_TRUE(WaitForPartial(part, 256 * 1024, 20000)) << window.ProgramLog();
  const std::string first = window.Screenshot("bar-1");
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const std::string second = window.Screenshot("bar-2");
  const int left = window.Left(), top = window.Top();
  EXPECT_GT(DifferingPixels(first, second, left, top + kBarTop, kBarWidth, kBarHeight), 0)
      << "the progress bar did not move in a second";

  // Another program's window over the installer, then gone: the installer paints the
  // uncovered part again while the fetch goes on. The region lies above the progress bar.
  // While the window is uncovered the installer is held stopped for a moment: the part must
  // then stay unpainted, which shows that what is seen afterwards is the installer's own
  // painting and not a copy the X server kept.
  const int coverLeft = left + 150, coverTop = top + 100, coverWidth = 300, coverHeight = 200;
  const std::string geometry = std::to_string(coverWidth) + "x" + std::to_string(coverHeight) +
                               "+" + std::to_string(coverLeft) + "+" + std::to_string(coverTop);
  const auto differs = [&](const std::string& shot) {
    return DifferingPixels(second, shot, coverLeft, coverTop, coverWidth, coverHeight);
  };
  {
    test::TProcess cover({"xmessage", "-geometry", geometry, "covering the installer"});
    ASSERT_TRUE(WaitUntil(
        [&] {
          std::string out;
          test::RunCommand({"xdotool", "search", "--onlyvisible", "--class", "Xmessage"}, &out);
          return !out.empty();
        },
        10000));
    EXPECT_GT(differs(window.Screenshot("covered")), 0);
    window.Suspend();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const long unpainted = differs(window.Screenshot("uncovered-while-stopped"));
  window.Resume();
  EXPECT_GT(unpainted, 0) << "the X server kept the covered part: the check below proves nothing";
  EXPECT_TRUE(WaitUntil([&] { return differs(window.Screenshot("uncovered")) == 0; }, 3000, 200))
      << "the uncovered part of the window was not painted again";
  EXPECT_TRUE(fs::exists(part)) << "the fetch ended before the repaint could be told from the "
                                   "one that the final message brings";
  // The close box asks first; Sim ends the run.
  ASSERT_TRUE(window.PressCloseBox());
  ASSERT_TRUE(window.WaitForBox(1)) << window.ProgramLog();
  ASSERT_TRUE(window.AnswerBox("alt+s"));
  EXPECT_EQ(window.WaitForExit(10000), 0) << window.ProgramLog();
  EXPECT_EQ(window.Boxes().size(), 1u);
  EXPECT_FALSE(fs::exists(Drive(prefix) + "/Varelo/Banco/banco.zip"));
  EXPECT_FALSE(fs::exists(Shortcut(prefix)));
}

// A passive run (/PASSIVO): the window opens with the choice made on the command line, the run
// starts by itself, the progress shows, no box is shown (its text goes to the log), and the
// window closes itself with the exit code of the run.
TEST_F(InstallerE2E, PassiveRunShowsTheProgressAsksNothingAndClosesItself) {
  TDistServer::TOptions options;
  options.throttle = {"banco.zip=1m"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow::TLaunch launch = Launch();
  launch.argv.insert(launch.argv.end(), {"/PASSIVO", "/PAF"});
  TInstallerWindow window(launch, prefix, server.BaseUrl(), "passive");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  ASSERT_TRUE(WaitForPartial(part, 128 * 1024, 20000)) << window.ProgramLog();
  const std::string first = window.Screenshot("running-1");
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  const std::string second = window.Screenshot("running-2");
  EXPECT_GT(
      DifferingPixels(first, second, window.Left(), window.Top() + kBarTop, kBarWidth, kBarHeight),
      0)
      << "the progress bar did not move";
  EXPECT_EQ(window.WaitForExit(kInstallTimeoutMs), 0) << window.ProgramLog();
  EXPECT_TRUE(window.Boxes().empty());
  const std::string log = ReadFileBytes(TempFolder(Drive(prefix)) + "/VareloSoft-Instalacao.log");
  EXPECT_NE(log.find(std::string("mensagem: ") + kDone), std::string::npos) << log;
  ExpectInstalled(prefix, {{{"Varelo", "VareloSoftInstalacao.zip"},
                            {"VareloPaf", "VareloPafInstalacao.zip"},
                            {"Varelo/Banco", "banco.zip"}},
                           "",
                           ""});
}

// The close box of a passive window during the run cancels it at once (nobody is asked): the
// run is undone and the program ends with 8.
TEST_F(InstallerE2E, PassiveRunClosedDuringAFetchIsCancelledWith8) {
  TDistServer::TOptions options;
  options.throttle = {"banco.zip=256k"};
  TDistServer server(options);
  ASSERT_TRUE(server.Started()) << server.Log();
  const std::string prefix = NewPrefix();
  TInstallerWindow::TLaunch launch = Launch();
  launch.argv.push_back("/passivo");
  TInstallerWindow window(launch, prefix, server.BaseUrl(), "passive-closed");
  ASSERT_TRUE(window.Found()) << window.ProgramLog();
  const std::string part = TempFolder(Drive(prefix)) + "/VareloSoft/banco.zip.part";
  ASSERT_TRUE(WaitForPartial(part, 64 * 1024, 20000)) << window.ProgramLog();
  ASSERT_TRUE(window.PressCloseBox());
  EXPECT_EQ(window.WaitForExit(10000), 8) << window.ProgramLog();
  EXPECT_TRUE(window.Boxes().empty());
  ExpectNothingInstalled(Drive(prefix), Shortcut(prefix));
  // The partial file stays in the cache for the next run.
  EXPECT_TRUE(fs::exists(part));
}

}  // namespace
}  // namespace varelo::e2e
