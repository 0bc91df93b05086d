#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipArca19.h"
#include "download/VsDownload.h"
#include "installer/InstallLog.h"
#include "installer/PackageCache.h"
#include "installer/Rollback.h"
#include "installer/RunOutcome.h"
#include "platform/ui/Application.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Form.h"
#include "platform/ui/GlowButton.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"

// The installer window: the user chooses the kind of installation (complete, or a workstation
// that reaches its database on a network server or in the cloud, either with the point-of-
// sale module) and presses "Instalar".
namespace installer {

namespace ui = platform::ui;

class TfrmPrincipal : public ui::TForm {
 public:
  // The application gives the window its message boxes and its message processing. Packages
  // come from the distribution server set when the program is built, or from baseUrl.
  explicit TfrmPrincipal(ui::TApplication& application);
  TfrmPrincipal(ui::TApplication& application, std::string baseUrl);
  // Tests give the download cache and the log places of their own.
  TfrmPrincipal(ui::TApplication& application, std::string baseUrl, TPackageCache cache,
                TInstallLog log);

  // The distribution server that packages are fetched from (set when the program is built).
  static const char* BaseUrl();

  // The controls, created from the window's layout and owned by the window. The order of
  // creation is the order from back to front on the screen.
  ui::TImage& Image1 = Add<ui::TImage>("Image1");
  ui::TImage& Image2 = Add<ui::TImage>("Image2");
  ui::TPageControl& pc = Add<ui::TPageControl>("pc");
  ui::TTabSheet& tsLocal = pc.Add<ui::TTabSheet>("tsLocal");
  ui::TTabSheet& tsNuvens = pc.Add<ui::TTabSheet>("tsNuvens");
  ui::TRadioButton& chkEstacao = Add<ui::TRadioButton>("chkEstacao");
  ui::TRadioButton& chkLocal = Add<ui::TRadioButton>("chkLocal");
  ui::TLabel& Label1 = tsLocal.Add<ui::TLabel>("Label1");
  ui::TEdit& edtCaminho = tsLocal.Add<ui::TEdit>("edtCaminho");
  ui::TEdit& edtServidor = tsLocal.Add<ui::TEdit>("edtServidor");
  ui::TLabel& Label4 = tsLocal.Add<ui::TLabel>("Label4");
  ui::TTabSheet& TabSheet1 = pc.Add<ui::TTabSheet>("TabSheet1");
  ui::TLabel& Label11 = TabSheet1.Add<ui::TLabel>("Label11");
  ui::TLabel& lFile = TabSheet1.Add<ui::TLabel>("lFile");
  ui::TEdit& edURL = TabSheet1.Add<ui::TEdit>("edURL");
  ui::TEdit& edFile = TabSheet1.Add<ui::TEdit>("edFile");
  ui::TProgressBar& ProgressBar1 = Add<ui::TProgressBar>("ProgressBar1");
  download::TVsDownload fVsDownload;
  // Unpacks the fetched ZIP packages; the engine library is loaded from the product folder.
  archive::TZipArca19 ZipArca1;
  ui::TLabel& lConnectionInfo = Add<ui::TLabel>("lConnectionInfo");
  ui::TGlowButton& btnInstalar = Add<ui::TGlowButton>("btnInstalar");
  ui::TLabel& Label2 = tsNuvens.Add<ui::TLabel>("Label2");
  ui::TEdit& edtEmpresa = tsNuvens.Add<ui::TEdit>("edtEmpresa");
  ui::TCheckBox& chkPaf = Add<ui::TCheckBox>("chkPaf");
  ui::TImage& Image3 = Add<ui::TImage>("Image3");

  // Either option button: the network and cloud pages are shown for a workstation only.
  // The active page and what was typed on the pages stay as they are while hidden.
  void chkEstacaoClick(ui::TControl& sender);

  // The installation run: refuses on a machine with an earlier installation, validates the
  // workstation pages, locks the window, fetches the packages into the download cache, puts
  // the engine and the packages into their folders, writes the workstation's settings files
  // and puts the updater's shortcut on the desktop. Every step's outcome is recorded and
  // logged. Only when all succeeded is the user told so, the cache removed and the window
  // closed; otherwise what the run created is removed, the user is told what went wrong, and
  // the window is ready for another try.
  void btnInstalarClick(ui::TControl& sender);
  // The close box: while a run goes on the user is asked whether to cancel it.
  void FormCloseQuery(bool& canClose);
  // A run without anyone to answer (a passive run) is cancelled by the close box at once.
  void SetAskBeforeCancel(bool ask) { askBeforeCancel_ = ask; }

  // The download component's events while a package is fetched: the progress bar and the
  // status text follow the transfer, and the window handles its pending messages on every
  // block received.
  void fVsDownloadHookStatus(net::TBlockingSocket* Sender, net::THookSocketReason Reason,
                             int32_t BytesToDownload, int32_t BytesDownloaded);
  void fVsDownloadHookMonitor(net::TBlockingSocket* Sender, int32_t BytesToDownload,
                              int32_t BytesDownloaded, double AverageSpeed, uint16_t Hour,
                              uint16_t Min, uint16_t Sec);
  // After each transfer: what it brought goes into the log.
  void fVsDownloadAfterDownload(download::TVsDownloadClass* Sender);

  // What the last press of "Instalar" did: nothing yet, refused for an earlier installation or
  // for a workstation page left incomplete, or ran the installation (its outcome below).
  enum class TPress { None, EarlierInstallation, Incomplete, Ran };
  TPress LastPress() const { return lastPress_; }
  // What the last run recorded, step by step.
  const TRunOutcome& Outcome() const { return outcome_; }
  const TInstallLog& Log() const { return log_; }
  const TPackageCache& Cache() const { return cache_; }

 private:
  // Tests reach the window's own operations through this.
  friend struct TfrmPrincipalTestAccess;

  void LayOutWindow();
  void LayOutOptions();
  void LayOutPages();
  void LayOutButton();
  void SetUpDownload();
  void SetUpArchive();
  // A window closed during a run ends it: the transfer stops at its next block keeping its
  // partial file in the cache, and no later step runs.
  void FormClose();
  void LockWindow(bool locked);

  // Fetches one package (a name on the distribution server, or a whole URL) into a folder.
  void BaixarArquivo(const std::string& folder, const std::string& name);

  // The run's steps, each recorded; each returns false when the run can't go on.
  struct TPackage {
    bool wanted;
    const char* folder;
    const char* name;
  };
  std::vector<TPackage> Packages() const;
  void RunSteps();
  bool Record(TStep step);
  bool FetchPackages();
  bool FetchPackage(const std::string& name);
  bool InstallEngine();
  bool UnpackPackages();
  TStep UnpackPackage(const std::string& archivePath, const std::string& name,
                      const std::string& folder);
  bool WriteWorkstationSettings();
  bool WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                    const std::string& value);
  bool MakeShortcut();
  void FinishRun();
  std::string Choices() const;

  // Writes key=value into a section of an INI settings file; a missing file, section or key
  // is added. Raises platform::EIniFileError "Unable to write to <file>" when it can't.
  void GravarIni(const std::string& fileName, const std::string& section, const std::string& key,
                 const std::string& value);

  // Replaces every occurrence of oldText in text with newText, matching the letters A-Z
  // without regard to case; the rest of the text keeps its case.
  static std::string SubstituirTexto(const std::string& text, const std::string& oldText,
                                     const std::string& newText);

  // Places a shortcut "<linkName>.lnk" to target in a special folder of the user (by index:
  // 0, 1 and 20-255 the desktop), or in a subfolder of it that is created when missing.
  // Raises EOleSysError when the shell link object can't be made and EIntfCastError when it
  // lacks an interface. Gives the shortcut's path, or "" when it could not be saved.
  std::string CriarAtalho(const std::string& target, const std::string& arguments,
                          const std::string& workingFolder, const std::string& linkName,
                          const std::string& subfolder, uint8_t specialFolder);

  // The installation run shows its messages and keeps the window painted through it.
  ui::TApplication& application_;
  std::string baseUrl_;
  TPackageCache cache_;
  TInstallLog log_;
  TRunOutcome outcome_;
  TRollback rollback_;
  bool running_ = false;
  TPress lastPress_ = TPress::None;
  bool askBeforeCancel_ = true;
  // The transfer under way reached the server; when it started (milliseconds).
  bool connected_ = false;
  uint32_t fetchStart_ = 0;
  // Entries of the package being unpacked that were skipped for a wrong password.
  int passwordSkipped_ = 0;
};

}  // namespace installer
