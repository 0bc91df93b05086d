// Percent-decodes arbitrary bytes: the result never grows, and bytes without an escape
// character pass unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/ProtoText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string output = net::PercentDecode(input);
  if (output.size() > input.size()) {
    std::abort();
  }
  if (input.find('%') == std::string::npos && output != input) {
    std::abort();
  }
  return 0;
}
