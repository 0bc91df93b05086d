// The IPv6 recogniser and converters: a recognised text (without a zone) converts to bytes
// that survive a round trip through their canonical text, and any sixteen bytes survive it too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/ProtoAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  if (net::IsIPv6Literal(input) && input.find('%') == std::string::npos) {
    const std::string bytes = net::IPv6ToBytes(input);
    if (bytes.size() != 16) {
      std::abort();
    }
    const std::string text = net::IPv6ToText(bytes);
    if (net::IPv6ToBytes(text) != bytes) {
      std::abort();
    }
  }

  if (size >= 16) {
    const std::string bytes = input.substr(0, 16);
    const std::string text = net::IPv6ToText(bytes);
    if (net::IPv6ToBytes(text) != bytes) {
      std::abort();
    }
    // The canonical text is recognised unless it ends in "::", which the recogniser refuses.
    const bool endsInGap = text.size() >= 2 && text.compare(text.size() - 2, 2, "::") == 0;
    if (!endsInGap && !net::IsIPv6Literal(text)) {
      std::abort();
    }
  }
  return 0;
}
