#include "installer/Program.h"

#include "installer/uPrincipal.h"
#include "platform/ui/Application.h"

namespace installer {

int RunInstaller(platform::ui::IUiService& screen, const std::string& baseUrl) {
  platform::ui::TApplication application(screen);
  // Every message box the installer shows carries this title as its caption.
  application.SetTitle("VareloSoft - Instalador");
  TfrmPrincipal frmPrincipal(application, baseUrl);
  application.Run(frmPrincipal);
  return 0;
}

}  // namespace installer
