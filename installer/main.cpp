// Program start: the installer against the distribution server the program was built for (or
// the one the command line names), in its window on the screen or without anyone at the
// machine, as the command line says (installer/CommandLine.h).
#include "installer/Program.h"
#include "installer/uPrincipal.h"
#include "platform/ProgramStart.h"
#include "platform/ui/UiService.h"

int main(int argc, char** argv) {
  return installer::RunInstaller(
      platform::ProgramArguments(argc, argv), [] { return platform::ui::CreateScreenService(); },
      installer::TfrmPrincipal::BaseUrl(), platform::ProgramHasConsole());
}
