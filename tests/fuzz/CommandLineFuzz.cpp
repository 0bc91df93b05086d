// Reads arbitrary arguments (the input split at each NUL byte) as the installer's command line
// and checks what a caller relies on: either a refusal that names the problem, or a line whose
// values keep within the edits' lengths and whose address is an http(s) one ending in "/".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "installer/CommandLine.h"

namespace {

bool StartsWithHttp(const std::string& url) {
  std::string lower = url.substr(0, 8);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  installer::TCommandLine line;
  try {
    line = installer::ParseCommandLine(args);
  } catch (const installer::ECommandLineError& error) {
    if (std::string(error.what()).empty())
      std::abort();
    return 0;
  }
  // Byte lengths bound the UTF-16 lengths the parser checked from above by 3 bytes a unit.
  if (line.server.size() > 300 || line.alias.size() > 300 || line.path.size() > 600)
    std::abort();
  if (!line.baseUrl.empty() && (line.baseUrl.back() != '/' || !StartsWithHttp(line.baseUrl)))
    std::abort();
  return 0;
}
