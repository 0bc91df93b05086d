#include "platform/ProgramStart.h"

#include "platform/win32/Win32Util.h"
// After windows.h (Win32Util.h): the shell's command-line parser.
#include <shellapi.h>

namespace platform {

std::vector<std::string> ProgramArguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide)
    return args;
  for (int i = 1; i < count; ++i)
    args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

bool ProgramHasConsole() {
  return false;
}

}  // namespace platform
