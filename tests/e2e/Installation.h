#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/DistServer.h"
#include "tests/support/TempDir.h"

// What the end-to-end tests of the Linux program and of the Windows program under Wine share:
// the window's texts and control points, and the checks of what an installation left in a
// prefix's drive C: and what it asked the distribution server for.
namespace varelo::e2e {

inline constexpr const char* kDone =
    "Atalho TORNEL foi criado na Área de Trabalho, pode executa-lo";
inline constexpr const char* kInstalled =
    "Já Existe uma instalação nesse computador, não pode ser instalada novamente";
inline constexpr const char* kNetwork =
    "Para instalação de Estação em Rede, necessário informar o Servidor e Caminho do Banco";
inline constexpr const char* kCloud =
    "Para instalação de Estação nas Núvens, necessário informar o Alias da Empresa";

// Points of the window's controls, in its client area (the same on Linux and on Windows).
struct TPoint {
  int x, y;
};
inline constexpr TPoint kComplete{266, 161};
inline constexpr TPoint kWorkstation{266, 184};
inline constexpr TPoint kPaf{267, 207};
inline constexpr TPoint kNuvensTab{322, 237};
inline constexpr TPoint kServer{434, 279};
inline constexpr TPoint kPath{434, 320};
inline constexpr TPoint kInstalar{434, 365};
// The window's client size: centred on the screen, since no window manager places it.
inline constexpr int kWindowWidth = 618;
inline constexpr int kWindowHeight = 413;

// The settings file a workstation writes.
inline constexpr const char* kOndrelIni = "[CONFIGURACAO]\r\nINSTALACAO=N\r\n";
// The package's Brastel.ini with the run's two keys added at the end of its section.
std::string BrastelIni(const std::string& nomeBanco, const std::string& caminhoBanco);

// A settings file as Wine's profile writer saves it: the whole file again on every write, its
// sections and keys in their order with CR LF, but without the blank lines between sections
// (Windows leaves the lines it does not change as they were; the Linux program keeps them).
std::string WithoutBlankLines(std::string text);

// What a package holds, read back with unzip (an independent reader): name -> bytes.
std::map<std::string, std::string> PackageFiles(const std::string& packageFolder,
                                                const std::string& package);

// Every folder (with a trailing "/") and file under drive C:, relative to the drive, outside
// the top-level entries named in `skip` (the prefix's own folders).
std::set<std::string> Tree(const std::string& drive, const std::set<std::string>& skip);
std::string Listing(const std::set<std::string>& tree);

// The requests the server answered, in order: "GET /name 200".
std::vector<std::string> Requests(const TDistServer& server);

std::string UserName();

// The installation a case expects: the packages unpacked into each folder, and the settings
// files (absent when empty).
struct TExpected {
  std::vector<std::pair<std::string, std::string>> unpacked;  // folder, package
  std::string ondrelIni;
  std::string brastelIni;
};

// Where an installation is checked: the drive, the top-level entries that belong to the
// prefix, the packages the server handed out and the shortcut's host path.
struct TInstallPlace {
  std::string drive;
  std::set<std::string> prefixOwn;
  std::string packageFolder;
  std::string shortcut;
};

// The drive holds exactly the unpacked packages, the engine and the settings files, each byte
// for byte; no archive and no partial file is left; the shortcut points at the updater.
void ExpectInstalled(const TInstallPlace& place, const TExpected& expected);
// Nothing of an installation is on drive C: (outside the prefix's own folders) and there is no
// shortcut.
void ExpectNothingInstalled(const std::string& drive, const std::set<std::string>& prefixOwn,
                            const std::string& shortcut);
// The download cache and the log of the user the program runs as.
std::string TempFolder(const std::string& drive);

// The shortcut, read by lnkinfo, starts C:\Varelo\Ondrel.exe in C:\Varelo\ without arguments.
void ExpectShortcut(const std::string& shortcut);

// A copy of a package folder in which the product package is replaced by one made with zip
// from the given files (name -> text; a name ending in "/" is a folder), with a password when
// one is given.
// A copy of a package folder, in a folder of its own, for a test that changes a package.
class TPackageCopy {
 public:
  explicit TPackageCopy(const std::string& packageFolder);
  const std::string& Root() const { return root_.Path(); }
  std::string PathOf(const std::string& name) const { return root_ / name; }
  // Leaves the first half of the package: as a server would hand out a file cut short on its
  // way there, its whole (new) length announced.
  void CutToHalf(const std::string& name) const;

 private:
  test::TTempDir root_;
};

class TPackagesWithProduct {
 public:
  TPackagesWithProduct(const std::string& packageFolder,
                       const std::map<std::string, std::string>& files,
                       const std::string& password = "");
  bool Made() const { return made_; }
  const std::string& Root() const { return root_.Path(); }

 private:
  test::TTempDir root_;
  test::TTempDir content_;
  bool made_ = false;
};

}  // namespace varelo::e2e
