// Program start: the installer window against the distribution server the program was built
// for, on the screen. The program takes no arguments and reads no settings.
#include "installer/Program.h"
#include "installer/uPrincipal.h"
#include "platform/ui/UiService.h"

int main() {
  auto screen = platform::ui::CreateScreenService();
  return installer::RunInstaller(*screen, installer::TfrmPrincipal::BaseUrl());
}
