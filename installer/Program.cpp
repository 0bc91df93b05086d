#include "installer/Program.h"

#include <cstdio>
#include <exception>

#include "installer/CommandLine.h"
#include "installer/ExitCodes.h"
#include "installer/Unattended.h"
#include "installer/uPrincipal.h"
#include "net/BlockingSocket.h"
#include "platform/ComApartment.h"
#include "platform/ui/Application.h"

namespace installer {
namespace {

constexpr const char* kTitle = "VareloSoft - Instalador";

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Whether the arguments ask for a run without boxes, read before they are understood: a
// command line that cannot be taken is then told on standard error only.
bool AsksForNoBoxes(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    const std::string name = UpperAscii(arg.substr(0, arg.find('=')));
    if (name.size() > 1 && (name[0] == '/' || name[0] == '-') &&
        (name.substr(1) == "SILENCIOSO" || name.substr(1) == "PASSIVO"))
      return true;
  }
  return false;
}

std::string LogPathOf(const TCommandLine& line) {
  return line.logPath.empty() ? TInstallLog::DefaultPath() : line.logPath;
}

// The window with the command line's choice made, on the screen. A person presses
// "Instalar", or, in a passive run, the run starts as soon as the window shows, asks nothing
// and closes the window at its end.
int RunWindow(platform::ui::IUiService& service, const TCommandLine& line,
              const std::string& baseUrl) {
  // The component object model for this thread, which creates the desktop shortcut, for as
  // long as the program runs.
  platform::TComApartment apartment;
  platform::ui::TApplication application(service);
  // Every message box the installer shows carries this title as its caption.
  application.SetTitle(kTitle);
  TfrmPrincipal frmPrincipal(application, baseUrl, TPackageCache(), TInstallLog(LogPathOf(line)));
  ApplyChoice(frmPrincipal, line);
  if (line.mode == TRunMode::Window) {
    application.Run(frmPrincipal);
    return kExitInstalled;
  }
  const auto press = [&] {
    try {
      frmPrincipal.btnInstalar.Click();
    } catch (const std::exception& error) {
      application.ShowException(error);
    }
    frmPrincipal.Close();
  };
  if (line.mode == TRunMode::Silent) {
    press();
  } else {
    frmPrincipal.SetAskBeforeCancel(false);
    frmPrincipal.OnShow = [&](platform::ui::TControl&) { press(); };
    application.Run(frmPrincipal);
  }
  return ExitCodeOf(frmPrincipal);
}

// The usage or an option error, where this program can show it.
void Tell(const std::string& text, bool error, bool console, const TScreenFactory& makeScreen) {
  if (console || !makeScreen) {
    std::fprintf(error ? stderr : stdout, "%s\n", text.c_str());
    return;
  }
  const auto screen = makeScreen();
  if (error)
    screen->ShowError(kTitle, text);
  else
    screen->ShowMessage(kTitle, text);
}

int RunParsed(const TCommandLine& line, const TScreenFactory& makeScreen,
              const std::string& baseUrl) {
  const std::string origin = line.baseUrl.empty() ? baseUrl : line.baseUrl;
  if (line.mode == TRunMode::Silent) {
    TUnattendedService silent(nullptr, LogPathOf(line));
    return RunWindow(silent, line, origin);
  }
  const auto screen = makeScreen();
  if (line.mode == TRunMode::Passive) {
    TUnattendedService passive(screen.get(), LogPathOf(line));
    return RunWindow(passive, line, origin);
  }
  return RunWindow(*screen, line, origin);
}

// Starts the sockets library, then runs. The library is bound and started before anything
// else, once for the process, and cleaned up when the process ends; a library that cannot be
// bound raises ETramaError "Error loading Socket interface (ws2_32.dll)!" here, before the
// window exists. A failure to start is told (tellFailure) and ends the program with its own
// code.
int Started(const std::function<int()>& run,
            const std::function<void(const std::string&)>& tellFailure) {
  try {
    net::StartSocketInterface();
    return run();
  } catch (const std::exception& error) {
    const std::string text = std::string("A instalação não pôde começar: ") + error.what();
    std::fprintf(stderr, "%s: %s\n", kTitle, text.c_str());
    tellFailure(text);
    return kExitCouldNotStart;
  }
}

}  // namespace

int RunInstaller(const std::vector<std::string>& args, const TScreenFactory& makeScreen,
                 const std::string& baseUrl, bool console) {
  TCommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const ECommandLineError& error) {
    const std::string text = std::string(error.what()) + " Use /? para ver as opções.";
    std::fprintf(stderr, "%s: %s\n", kTitle, text.c_str());
    if (!console && !AsksForNoBoxes(args))
      Tell(text, true, console, makeScreen);
    return kExitBadOptions;
  }
  if (line.help) {
    Tell(CommandLineUsage(), false, console, makeScreen);
    return kExitInstalled;
  }
  return Started([&] { return RunParsed(line, makeScreen, baseUrl); },
                 [&](const std::string& text) {
                   if (line.mode == TRunMode::Window)
                     makeScreen()->ShowError(kTitle, platform::ui::TApplication::ErrorText(text));
                   else
                     TInstallLog(LogPathOf(line)).Line("erro: " + text);
                 });
}

}  // namespace installer
