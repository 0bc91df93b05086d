#pragma once
#include <cstdint>
#include <string>

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
  // The application gives the window its message boxes and its message processing.
  explicit TfrmPrincipal(ui::TApplication& application);

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
  // ZipArca1, the archive component that unpacks fetched packages, joins here.
  // fVsDownload, the download component that fetches packages, joins here.
  ui::TLabel& lConnectionInfo = Add<ui::TLabel>("lConnectionInfo");
  ui::TGlowButton& btnInstalar = Add<ui::TGlowButton>("btnInstalar");
  ui::TLabel& Label2 = tsNuvens.Add<ui::TLabel>("Label2");
  ui::TEdit& edtEmpresa = tsNuvens.Add<ui::TEdit>("edtEmpresa");
  ui::TCheckBox& chkPaf = Add<ui::TCheckBox>("chkPaf");
  ui::TImage& Image3 = Add<ui::TImage>("Image3");

  // Either option button: the network and cloud pages are shown for a workstation only.
  // The active page and what was typed on the pages stay as they are while hidden.
  void chkEstacaoClick(ui::TControl& sender);

  // btnInstalarClick, the installation run, joins with the download and archive components;
  // until then the button is wired to nothing.

 private:
  // Tests reach the window's own operations through this.
  friend struct TfrmPrincipalTestAccess;

  void LayOutWindow();
  void LayOutOptions();
  void LayOutPages();
  void LayOutButton();

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
  // lacks an interface; a shortcut that can't be saved goes unreported.
  void CriarAtalho(const std::string& target, const std::string& arguments,
                   const std::string& workingFolder, const std::string& linkName,
                   const std::string& subfolder, uint8_t specialFolder);

  // The installation run shows its messages and keeps the window painted through it.
  [[maybe_unused]] ui::TApplication& application_;
};

}  // namespace installer
