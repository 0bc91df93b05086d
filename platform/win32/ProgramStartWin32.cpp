// clang-format off: the system's headers need windows.h (through Win32Util.h) first.
#include <shellapi.h>
#include "platform/win32/Win32Util.h"
// clang-format on

#include "platform/ProgramStart.h"

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
