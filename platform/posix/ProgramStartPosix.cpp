#include "platform/ProgramStart.h"

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.emplace_back(argv[i]);
  return args;
}

bool ProgramHasConsole() {
  return true;
}

}  // namespace platform
