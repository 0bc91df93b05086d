// The installation run against a local nginx serving stand-in packages, in a temporary prefix,
// with the scripted message service in place of the screen.
#include <gtest/gtest.h>

#include <optional>

#include <filesystem>
#include <map>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/ui/Focus.h"
#include "tests/installer/FormFixture.h"
#include "tests/installer/SharedInstallPlace.h"
#include "tests/support/MissingPeer.h"
#include "tests/support/Peers.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

namespace installer {
namespace {

using varelo::test::InPrefix;
using varelo::test::PathExists;
using varelo::test::ReadFileBytes;
using varelo::test::TNginx;
using varelo::test::TTempPrefix;
using varelo::test::WriteFileBytes;

const char* const kDone = "Atalho TORNEL foi criado na Área de Trabalho, pode executa-lo";

// Each stand-in package is a real archive holding one file named after the package, whose text
// names it too, so a package unpacked into the wrong folder shows. The engine is the real one.
const std::map<std::string, std::string> kContents = {
    {"VareloSoftInstalacao.txt", "product stand-in"},
    {"VareloPafInstalacao.txt", "point-of-sale stand-in"},
    {"banco.txt", "database stand-in"},
    {"GDS32.txt", "client library stand-in"},
};

// Makes the packages with zip: package name -> archive bytes, plus the engine library.
std::map<std::string, std::string> MakePackages() {
  std::map<std::string, std::string> packages;
  varelo::test::TTempDir dir;
  for (const auto& [file, text] : kContents) {
    const std::string source = dir.Path() + "/" + file;
    const std::string name = file.substr(0, file.size() - 4) + ".zip";
    const std::string archive = dir.Path() + "/" + name;
    WriteFileBytes(source, text);
    std::string out;
    if (varelo::test::RunCommand({"zip", "-q", "-j", archive, source}, &out) != 0)
      return {};
    packages[name] = ReadFileBytes(archive);
  }
  packages["ArcaZip190.dll"] = ReadFileBytes(ARCAZIP_DLL_PATH);
  return packages;
}

// A ZIP of the given files (name -> bytes), with no folder names. Made in memory: a name that
// Windows cannot hold could not be written to a file first under Wine.
std::string ZipOf(const std::map<std::string, std::string>& files) {
  std::vector<varelo::test::TZipItem> items;
  for (const auto& [name, text] : files) {
    varelo::test::TZipItem item;
    item.name = name;
    item.content = text;
    items.push_back(item);
  }
  return varelo::test::BuildZip(items);
}

std::string DesktopFolder() {
  platform::TRegistry registry;
  if (!registry.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        false))
    return "";
  return registry.ReadString("Desktop");
}

// Every file under drive C: outside the user's folders, as paths relative to the drive
// (`drive` ends with "/").
std::vector<std::string> InstalledFiles(const std::string& drive) {
#ifdef _WIN32
  // Under Wine drive C: is the build prefix's, holding the system's own folders: only the
  // installation's two folders are looked into.
  const std::vector<std::string> roots = {drive + "Varelo", drive + "VareloPaf"};
#else
  const std::vector<std::string> roots = {drive};
#endif
  std::vector<std::string> files;
  for (const auto& root : roots) {
    if (!PathExists(root))
      continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const std::string rel = entry.path().generic_string().substr(drive.size());
      if (entry.is_regular_file() && rel.rfind("users/", 0) != 0)
        files.push_back(rel);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

class InstallRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!nginx.Started())
      VARELO_PEER_MISSING("nginx: " + nginx.Log());
    if (!varelo::test::HaveProgram("zip"))
      VARELO_PEER_MISSING("zip missing");
    packages = MakePackages();
    ASSERT_EQ(packages.size(), kContents.size() + 1);
    for (const auto& [name, bytes] : packages)
      WriteFileBytes(nginx.Root() + "/" + name, bytes);
    desktop = DesktopFolder();
    ASSERT_FALSE(desktop.empty());
    // Wine makes the user's desktop folder when it starts; the installer finds it there.
    ASSERT_TRUE(platform::ForceDirectories(desktop));
  }
  std::string C() const { return place.DriveC(); }
  std::string Shortcut() const { return platform::HostPath(desktop + "\\Tornel.lnk"); }
  void ExpectUsable(TFormHarness& h) {
    EXPECT_TRUE(h.form.btnInstalar.Enabled());
    EXPECT_TRUE(h.form.chkEstacao.Enabled());
    EXPECT_TRUE(h.form.chkLocal.Enabled());
    EXPECT_TRUE(h.form.pc.Enabled());
    EXPECT_TRUE(h.form.chkPaf.Enabled());
    EXPECT_FALSE(h.form.Closed());
  }

  // A failed run leaves nothing of its own on drive C: (the cache and the log lie in the
  // user's folders), no shortcut, and the window ready for another try.
  void ExpectNothingInstalled(TFormHarness& h) {
    EXPECT_TRUE(InstalledFiles(C()).empty()) << ::testing::PrintToString(InstalledFiles(C()));
    EXPECT_FALSE(PathExists(C() + "Varelo"));
    EXPECT_FALSE(PathExists(Shortcut()));
    EXPECT_EQ(h.form.ProgressBar1.Position(), 0);
    ExpectUsable(h);
  }

  TTempPrefix prefix;
  TSharedInstallPlace place{prefix};
  TNginx nginx;
  std::string desktop;
  std::map<std::string, std::string> packages;
};

TEST_F(InstallRun, EachOptionFetchesItsPackagesIntoTheirFolders) {
  struct TCase {
    const char* what;
    bool workstation;
    bool paf;
    bool cloud;
    std::vector<std::string> files;
  };
  const std::vector<TCase> cases = {
      {"complete",
       false,
       false,
       false,
       {"Varelo/ArcaZip190.dll", "Varelo/Banco/banco.txt", "Varelo/VareloSoftInstalacao.txt"}},
      {"complete with PAF",
       false,
       true,
       false,
       {"Varelo/ArcaZip190.dll", "Varelo/Banco/banco.txt", "Varelo/VareloSoftInstalacao.txt",
        "VareloPaf/VareloPafInstalacao.txt"}},
      {"network workstation",
       true,
       false,
       false,
       {"Varelo/ArcaZip190.dll", "Varelo/Brastel.ini", "Varelo/GDS32.txt", "Varelo/Ondrel.ini",
        "Varelo/VareloSoftInstalacao.txt", "VareloPaf/GDS32.txt"}},
      {"cloud workstation with PAF",
       true,
       true,
       true,
       {"Varelo/ArcaZip190.dll", "Varelo/Brastel.ini", "Varelo/GDS32.txt", "Varelo/Ondrel.ini",
        "Varelo/VareloSoftInstalacao.txt", "VareloPaf/GDS32.txt",
        "VareloPaf/VareloPafInstalacao.txt"}},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    TSharedInstallPlace freshPlace{fresh};
    const std::string drive = freshPlace.DriveC();
    platform::ForceDirectories(DesktopFolder());
    TFormHarness h(nginx.Url("/"));
    if (c.workstation) {
      h.form.chkEstacao.Click();
      h.form.edtServidor.SetText("srv");
      h.form.edtCaminho.SetText("c:\\db\\dados.fdb");
      h.form.edtEmpresa.SetText("ACME");
      if (c.cloud)
        h.form.pc.SetActivePage(&h.form.tsNuvens);
    }
    if (c.paf)
      h.form.chkPaf.Click();
    h.PressInstalar();
    EXPECT_EQ(InstalledFiles(drive), c.files) << c.what;
    for (const auto& file : c.files) {
      const std::string name = std::filesystem::path(file).filename().string();
      if (kContents.count(name)) {
        EXPECT_EQ(ReadFileBytes(drive + file), kContents.at(name)) << c.what << file;
      }
    }
    if (c.workstation) {
      EXPECT_TRUE(std::filesystem::is_directory(drive + "VareloPaf")) << c.what;
    }
    ASSERT_EQ(h.service.boxes.size(), 1u) << c.what;
    EXPECT_EQ(h.service.boxes[0].text, kDone);
    EXPECT_EQ(h.service.boxes[0].caption, "VareloSoft - Instalador");
    EXPECT_FALSE(h.service.boxes[0].error);
    EXPECT_TRUE(PathExists(platform::HostPath(DesktopFolder() + "\\Tornel.lnk"))) << c.what;
    EXPECT_TRUE(h.form.Closed()) << c.what;
    EXPECT_EQ(h.form.lConnectionInfo.Caption(), "Download Finalizado.") << c.what;
    EXPECT_EQ(h.form.ProgressBar1.Position(), h.form.ProgressBar1.Max()) << c.what;
    EXPECT_GT(h.service.processed, 0) << c.what;
  }
}

TEST_F(InstallRun, SettingsFilesByteForByte) {
  struct TCase {
    const char* what;
    bool cloud;
    const char* server;
    const char* path;
    const char* alias;
    const char* brastel;
  };
  const TCase cases[] = {
      {"network", false, " S ", "P  ", "",
       "[ListaServidores]\r\nNomeBanco1=Local\r\nCaminhoBanco1= S :P  \r\n"},
      {"cloud", true, "", "", "A&B&&C",
       "[ListaServidores]\r\nNomeBanco1=&Local\r\nCaminhoBanco1=ABC\r\n"},
  };
  for (const auto& c : cases) {
    TTempPrefix fresh;
    TSharedInstallPlace freshPlace{fresh};
    platform::ForceDirectories(DesktopFolder());
    TFormHarness h(nginx.Url("/"));
    h.form.chkEstacao.Click();
    h.form.edtServidor.SetText(c.server);
    h.form.edtCaminho.SetText(c.path);
    h.form.edtEmpresa.SetText(c.alias);
    if (c.cloud)
      h.form.pc.SetActivePage(&h.form.tsNuvens);
    h.PressInstalar();
    const std::string drive = freshPlace.DriveC();
    EXPECT_EQ(ReadFileBytes(drive + "Varelo/Ondrel.ini"), "[CONFIGURACAO]\r\nINSTALACAO=N\r\n")
        << c.what;
    EXPECT_EQ(ReadFileBytes(drive + "Varelo/Brastel.ini"), c.brastel) << c.what;
    EXPECT_TRUE(h.form.Closed()) << c.what;
  }
}

TEST_F(InstallRun, EarlierInstallationIsRefused) {
  ASSERT_TRUE(platform::ForceDirectories("c:\\varelo"));  // the empty folder alone
  TFormHarness h(nginx.Url("/"));
  h.PressInstalar();
  ASSERT_EQ(h.service.boxes.size(), 1u);
  EXPECT_EQ(h.service.boxes[0].text,
            "Já Existe uma instalação nesse computador, não pode ser instalada novamente");
  EXPECT_FALSE(h.service.boxes[0].error);
  EXPECT_TRUE(InstalledFiles(C()).empty());
  ExpectUsable(h);
}

TEST_F(InstallRun, IncompleteWorkstationPagesAreRefusedWithTheFocusOnTheField) {
  struct TCase {
    const char* what;
    bool cloud;
    const char* server;
    const char* path;
    const char* alias;
    const char* message;
    bool focusOnServer;
  };
  const char* network =
      "Para instalação de Estação em Rede, necessário informar o Servidor e Caminho do Banco";
  const char* cloud =
      "Para instalação de Estação nas Núvens, necessário informar o Alias da Empresa";
  const TCase cases[] = {
      {"server only", false, "srv", "", "ACME", network, true},
      {"path only", false, "", "c:\\db", "ACME", network, true},
      {"neither", false, "", "", "", network, true},
      {"no alias", true, "srv", "c:\\db", "", cloud, false},
  };
  for (const auto& c : cases) {
    TFormHarness h(nginx.Url("/"));
    h.form.chkEstacao.Click();
    h.form.edtServidor.SetText(c.server);
    h.form.edtCaminho.SetText(c.path);
    h.form.edtEmpresa.SetText(c.alias);
    if (c.cloud)
      h.form.pc.SetActivePage(&h.form.tsNuvens);
    platform::ui::SetFocus(h.form.chkPaf);
    h.PressInstalar();
    ASSERT_EQ(h.service.boxes.size(), 1u) << c.what;
    EXPECT_EQ(h.service.boxes[0].text, c.message) << c.what;
    platform::ui::TControl* expected =
        c.focusOnServer ? static_cast<platform::ui::TControl*>(&h.form.edtServidor)
                        : &h.form.edtEmpresa;
    EXPECT_EQ(platform::ui::FocusedControl(h.form), expected) << c.what;
    EXPECT_FALSE(PathExists(C() + "Varelo")) << c.what;
    ExpectUsable(h);
  }
}

TEST_F(InstallRun, CompleteInstallationIgnoresThePages) {
  TFormHarness h(nginx.Url("/"));
  h.form.edtServidor.SetText("srv");  // filled or not, no settings are written
  h.PressInstalar();
  EXPECT_FALSE(PathExists(C() + "Varelo/Ondrel.ini"));
  EXPECT_FALSE(PathExists(C() + "Varelo/Brastel.ini"));
  EXPECT_TRUE(h.form.Closed());
}

TEST_F(InstallRun, SettingsFileThatCannotBeWrittenIsToldAndTheRunIsUndone) {
  TFormHarness h(nginx.Url("/"));
  h.form.chkEstacao.Click();
  h.form.edtServidor.SetText("srv");
  h.form.edtCaminho.SetText("db");
  // While the packages arrive, something takes the settings file's place.
  h.service.onProcessMessages = [] { platform::ForceDirectories("c:\\Varelo\\Ondrel.ini\\x"); };
  h.PressInstalar();
  ASSERT_EQ(h.service.boxes.size(), 1u);
  EXPECT_TRUE(h.service.boxes[0].error);
  EXPECT_EQ(h.service.boxes[0].caption, "VareloSoft - Instalador");
  EXPECT_EQ(h.service.boxes[0].text.find(
                "Não foi possível gravar o arquivo de configuração c:\\Varelo\\Ondrel.ini."),
            0u)
      << h.service.boxes[0].text;
  EXPECT_NE(h.service.boxes[0].text.find(TestLogPath()), std::string::npos);
  ExpectNothingInstalled(h);
  // Another try is not refused, and with nothing in the way it completes.
  h.service.onProcessMessages = nullptr;
  h.PressInstalar();
  ASSERT_EQ(h.service.boxes.size(), 2u);
  EXPECT_EQ(h.service.boxes[1].text, kDone);
  EXPECT_EQ(ReadFileBytes(C() + "Varelo/Ondrel.ini"), "[CONFIGURACAO]\r\nINSTALACAO=N\r\n");
  EXPECT_FALSE(PathExists(platform::HostPath(TestCacheFolder())));
}

TEST_F(InstallRun, DistributionServerDownIsToldNothingStaysAndARetryCompletes) {
  TFormHarness h("http://127.0.0.1:1/");
  h.PressInstalar();
  ASSERT_EQ(h.service.boxes.size(), 1u);
  EXPECT_TRUE(h.service.boxes[0].error);
  EXPECT_EQ(h.service.boxes[0].text.find("Não foi possível baixar o pacote ArcaZip190.dll: o "
                                         "servidor de distribuição não respondeu."),
            0u)
      << h.service.boxes[0].text;
  ExpectNothingInstalled(h);
  const std::string log = ReadFileBytes(platform::HostPath(TestLogPath()));
  EXPECT_NE(log.find("=== Instalação "), std::string::npos) << log;
  EXPECT_NE(log.find("download ArcaZip190.dll"), std::string::npos) << log;
  EXPECT_NE(log.find("FALHOU"), std::string::npos) << log;
  EXPECT_NE(log.find("desfeito"), std::string::npos) << log;

  // Another start against a server that answers.
  TFormHarness retry(nginx.Url("/"));
  retry.PressInstalar();
  ASSERT_EQ(retry.service.boxes.size(), 1u);
  EXPECT_EQ(retry.service.boxes[0].text, kDone);
  EXPECT_TRUE(PathExists(Shortcut()));
  EXPECT_EQ(ReadFileBytes(C() + "Varelo/Banco/banco.txt"), kContents.at("banco.txt"));
}

TEST_F(InstallRun, AnswerCodeDamagedPackageAndUnloadableEngineEachFailTheRun) {
  struct TCase {
    const char* what;
    const char* package;
    std::optional<std::string> bytes;  // none: the package is missing on the server
    const char* told;
  };
  // A package with a name Windows cannot hold beside a good one: the engine skips that entry
  // (on every build), and a package not wholly unpacked fails the run.
  const std::string unsafeName = ZipOf({{"Leiame.txt", "ok"}, {"Cupom<1>.txt", "skipped"}});
  ASSERT_FALSE(unsafeName.empty());
  const TCase cases[] = {
      {"an entry skipped for its name", "VareloSoftInstalacao.zip", unsafeName,
       "1 arquivo do pacote VareloSoftInstalacao.zip não pôde ser gravado em c:\\Varelo."},
      {"missing on the server", "banco.zip", std::nullopt,
       "Não foi possível baixar o pacote banco.zip: o servidor respondeu com o código 404."},
      {"damaged", "VareloSoftInstalacao.zip", "not an archive",
       "O pacote VareloSoftInstalacao.zip está danificado e não pôde ser aberto."},
      {"engine no library", "ArcaZip190.dll", "engine stand-in",
       "O componente de descompactação ArcaZip190.dll não pôde ser carregado para abrir o pacote "
       "VareloSoftInstalacao.zip."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(platform::HostPath(TestCacheFolder()));
    const std::string served = nginx.Root() + "/" + c.package;
    if (c.bytes)
      WriteFileBytes(served, *c.bytes);
    else
      std::filesystem::remove(served);
    TFormHarness h(nginx.Url("/"));
    h.PressInstalar();
    ASSERT_FALSE(h.service.boxes.empty());
    EXPECT_TRUE(h.service.boxes.back().error);
    EXPECT_EQ(h.service.boxes.back().text.find(c.told), 0u) << h.service.boxes.back().text;
    ExpectNothingInstalled(h);
    // A package that arrived but could not be used is not kept for the next try.
    EXPECT_FALSE(PathExists(platform::HostPath(TestCacheFolder() + "\\" + c.package)));
    WriteFileBytes(served, packages.at(c.package));
  }
}

TEST_F(InstallRun, PackageCutShortIsContinuedByTheNextRunFromWhereItStopped) {
  // An earlier run stopped half-way through the database: its first half waits in the cache.
  const std::string whole = packages.at("banco.zip");
  const size_t half = whole.size() / 2;
  ASSERT_TRUE(platform::ForceDirectories(TestCacheFolder()));
  WriteFileBytes(platform::HostPath(TestCacheFolder() + "\\banco.zip.part"), whole.substr(0, half));
  // The product package had arrived whole: it is not fetched again.
  WriteFileBytes(platform::HostPath(TestCacheFolder() + "\\VareloSoftInstalacao.zip"),
                 packages.at("VareloSoftInstalacao.zip"));
  TFormHarness h(nginx.Url("/"));
  h.PressInstalar();
  ASSERT_EQ(h.service.boxes.size(), 1u);
  EXPECT_EQ(h.service.boxes[0].text, kDone);
  EXPECT_EQ(ReadFileBytes(C() + "Varelo/Banco/banco.txt"), kContents.at("banco.txt"));
  // The server sent only the rest of the database.
  const std::string access = nginx.AccessLog();
  const size_t at = access.find("GET /banco.zip ");
  ASSERT_NE(at, std::string::npos) << access;
  const std::string line = access.substr(at, access.find('\n', at) - at);
  EXPECT_NE(line.find("\" 206 " + std::to_string(whole.size() - half) + " "), std::string::npos)
      << line;
  EXPECT_EQ(access.find("GET /VareloSoftInstalacao.zip "), std::string::npos) << access;
  EXPECT_EQ(ReadFileBytes(C() + "Varelo/VareloSoftInstalacao.txt"),
            kContents.at("VareloSoftInstalacao.txt"));
  EXPECT_FALSE(PathExists(platform::HostPath(TestCacheFolder())));
}

TEST_F(InstallRun, PackageNeededInTwoFoldersIsFetchedOnce) {
  TFormHarness h(nginx.Url("/"));
  h.form.chkEstacao.Click();
  h.form.edtServidor.SetText("srv");
  h.form.edtCaminho.SetText("db");
  h.PressInstalar();
  ASSERT_EQ(h.service.boxes.size(), 1u);
  EXPECT_EQ(h.service.boxes[0].text, kDone);
  const std::string access = nginx.AccessLog();
  size_t count = 0;
  for (size_t at = access.find("GET /GDS32.zip "); at != std::string::npos;
       at = access.find("GET /GDS32.zip ", at + 1))
    ++count;
  EXPECT_EQ(count, 1u) << access;
  EXPECT_EQ(ReadFileBytes(C() + "Varelo/GDS32.txt"), kContents.at("GDS32.txt"));
  EXPECT_EQ(ReadFileBytes(C() + "VareloPaf/GDS32.txt"), kContents.at("GDS32.txt"));
}

TEST_F(InstallRun, FolderThatExistedBeforeTheRunIsLeftAsItWas) {
  // The point-of-sale folder is there with a file of the user's; the run fails at the
  // database, which the server does not have.
  ASSERT_TRUE(platform::ForceDirectories("c:\\VareloPaf\\Dados"));
  WriteFileBytes(C() + "VareloPaf/Dados/caixa.txt", "the user's own");
  std::filesystem::remove(nginx.Root() + "/banco.zip");
  TFormHarness h(nginx.Url("/"));
  h.form.chkPaf.Click();
  h.PressInstalar();
  ASSERT_FALSE(h.service.boxes.empty());
  EXPECT_TRUE(h.service.boxes.back().error);
  EXPECT_EQ(InstalledFiles(C()), std::vector<std::string>{"VareloPaf/Dados/caixa.txt"});
  EXPECT_EQ(ReadFileBytes(C() + "VareloPaf/Dados/caixa.txt"), "the user's own");
  EXPECT_FALSE(PathExists(C() + "Varelo"));
  WriteFileBytes(nginx.Root() + "/banco.zip", packages.at("banco.zip"));
}

TEST_F(InstallRun, FullUrlNamesAreFetchedUnchanged) {
  TFormHarness h("http://127.0.0.1:1/unused/");
  platform::ForceDirectories("c:\\Varelo");
  // The folder is the test's own (InPrefix: under Wine the system's C: is shared).
  TfrmPrincipalTestAccess::BaixarArquivo(h.form, InPrefix("c:\\New\\Deep\\"),
                                         nginx.Url("/banco.zip").replace(0, 4, "HTTP"));
  EXPECT_EQ(ReadFileBytes(prefix.Drive('c') + "/New/Deep/banco.zip"), packages.at("banco.zip"));
  EXPECT_EQ(h.form.edFile.Text(), InPrefix("c:\\New\\Deep\\"));
  EXPECT_EQ(h.form.fVsDownload.DownloadUrl().substr(0, 4), "HTTP");
}

TEST_F(InstallRun, CloseBoxDuringAFetchAsksAndSimUndoesTheRunKeepingThePartialFile) {
  // A package large enough to arrive in many blocks.
  std::string big(8 * 1024 * 1024, 'e');
  WriteFileBytes(nginx.Root() + "/ArcaZip190.dll", big);
  TFormHarness h(nginx.Url("/"));
  int asked = 0;
  int afterClose = 0;
  h.service.onAsk = [&](const platform::ui::TQuestion& q, std::string&) {
    EXPECT_EQ(q.text, "Deseja cancelar a instalação?");
    EXPECT_EQ(q.buttons, (std::vector<std::string>{"&Sim", "&Não"}));
    return ++asked == 1 ? 1 : 0;  // Não, then Sim
  };
  h.service.onProcessMessages = [&] {
    if (h.form.Closed())
      ++afterClose;
    else if (h.form.ProgressBar1.Position() > 1024 * 1024 * (asked + 1))
      h.form.CloseByUser();  // the user's close box
  };
  h.PressInstalar();
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(h.form.Closed());
  EXPECT_EQ(afterClose, 0);
  EXPECT_EQ(h.service.boxes.size(), 2u);  // the two questions, nothing else
  EXPECT_FALSE(PathExists(C() + "Varelo"));
  EXPECT_FALSE(PathExists(Shortcut()));
  // What arrived waits in the cache for the next run; Não let the transfer go on.
  const std::string part =
      ReadFileBytes(platform::HostPath(TestCacheFolder() + "\\ArcaZip190.dll.part"));
  EXPECT_GT(part.size(), 2u * 1024 * 1024);
  EXPECT_LT(part.size(), big.size());
  EXPECT_EQ(part, big.substr(0, part.size()));
  const std::string log = ReadFileBytes(platform::HostPath(TestLogPath()));
  EXPECT_NE(log.find("cancelou"), std::string::npos) << log;
}

TEST_F(InstallRun, CloseBoxWhenNoRunGoesOnClosesWithoutAsking) {
  TFormHarness h(nginx.Url("/"));
  h.form.CloseByUser();
  EXPECT_TRUE(h.form.Closed());
  EXPECT_TRUE(h.service.questions.empty());
}

}  // namespace
}  // namespace installer
