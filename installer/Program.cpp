#include "installer/Program.h"

#include "installer/uPrincipal.h"
#include "net/BlockingSocket.h"
#include "platform/ComApartment.h"
#include "platform/ui/Application.h"

namespace installer {

int RunInstaller(platform::ui::IUiService& screen, const std::string& baseUrl) {
  // The sockets library is bound and started before anything else, once for the process, and
  // cleaned up when the process ends; a library that cannot be bound raises ETramaError
  // "Error loading Socket interface (ws2_32.dll)!" here, before the window exists.
  net::StartSocketInterface();
  // The component object model for this thread, which creates the desktop shortcut, for as
  // long as the program runs.
  platform::TComApartment apartment;
  platform::ui::TApplication application(screen);
  // Every message box the installer shows carries this title as its caption.
  application.SetTitle("VareloSoft - Instalador");
  TfrmPrincipal frmPrincipal(application, baseUrl);
  application.Run(frmPrincipal);
  return 0;
}

}  // namespace installer
