#include "installer/Program.h"

#include <cstdio>
#include <exception>

#include "installer/uPrincipal.h"
#include "net/BlockingSocket.h"
#include "platform/ComApartment.h"
#include "platform/ui/Application.h"

namespace installer {
namespace {

constexpr const char* kTitle = "VareloSoft - Instalador";

// The program with the sockets library started.
int RunWindow(platform::ui::IUiService& screen, const std::string& baseUrl) {
  // The component object model for this thread, which creates the desktop shortcut, for as
  // long as the program runs.
  platform::TComApartment apartment;
  platform::ui::TApplication application(screen);
  // Every message box the installer shows carries this title as its caption.
  application.SetTitle(kTitle);
  TfrmPrincipal frmPrincipal(application, baseUrl);
  application.Run(frmPrincipal);
  return 0;
}

}  // namespace

int RunInstaller(platform::ui::IUiService& screen, const std::string& baseUrl) {
  // The sockets library is bound and started before anything else, once for the process, and
  // cleaned up when the process ends; a library that cannot be bound raises ETramaError
  // "Error loading Socket interface (ws2_32.dll)!" here, before the window exists. A failure
  // to start is shown and ends the program with a non-zero code.
  try {
    net::StartSocketInterface();
    return RunWindow(screen, baseUrl);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", kTitle, error.what());
    screen.ShowError(kTitle, platform::ui::TApplication::ErrorText(
                                 std::string("A instalação não pôde começar: ") + error.what()));
    return 1;
  }
}

}  // namespace installer
