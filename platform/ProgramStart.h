#pragma once
#include <string>
#include <vector>

// What a program is given when it starts.
namespace platform {

// The arguments after the program's name, in UTF-8. The Windows build reads them from the
// system's wide command line (the narrow argv holds them in the ANSI code page, which loses
// every character outside it); the Linux build takes argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Whether the program's output reaches a terminal a person reads: the Linux build is started
// from one; the Windows build is a program without a console, whose texts go in boxes.
bool ProgramHasConsole();

}  // namespace platform
