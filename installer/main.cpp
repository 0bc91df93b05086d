// Program start: the application with its title, the installer window, and the message loop
// until the window closes. The program takes no arguments and reads no settings.
#include "installer/uPrincipal.h"
#include "platform/ui/Application.h"
#include "platform/ui/UiService.h"

int main() {
  auto screen = platform::ui::CreateScreenService();
  platform::ui::TApplication application(*screen);
  // Every message box the installer shows carries this title as its caption.
  application.SetTitle("VareloSoft - Instalador");
  installer::TfrmPrincipal frmPrincipal(application);
  application.Run(frmPrincipal);
  return 0;
}
