// Unfolds every line of an arbitrary header block and checks that the index always moves on
// and that no result carries trailing spaces or control characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/ProtoText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  int index = 0;
  const int count = static_cast<int>(lines.size());
  while (index < count) {
    const int before = index;
    const std::string line = net::UnfoldHeaderLine(lines, index);
    if (index <= before || index > count) {
      std::abort();
    }
    if (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') {
      std::abort();
    }
  }
  return 0;
}
