#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UiService.h"

namespace installer {

// Makes the toolkit's screen service when the program needs the screen (a silent run never
// asks for it, so it needs no display).
using TScreenFactory = std::function<std::unique_ptr<platform::ui::IUiService>()>;

// The program itself: the command line (the arguments after the program's name), the
// application with its title, the installer window fetching from the distribution server at
// baseUrl (or the one /ORIGEM names), and the message loop until the window closes; or the
// same run with no one at the machine. Gives the program's exit code (installer/ExitCodes.h).
// `console` tells whether the program can print to a terminal (the Linux build) or shows its
// usage and option errors in a box (the Windows build, a program without a console).
int RunInstaller(const std::vector<std::string>& args, const TScreenFactory& makeScreen,
                 const std::string& baseUrl, bool console);

}  // namespace installer
