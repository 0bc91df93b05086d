// Splits arbitrary text as a URL and checks the invariants every caller relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/ProtoUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  std::string protocol, user, password, host, port, path, parameters;
  const std::string target =
      net::SplitUrl(url, protocol, user, password, host, port, path, parameters);
  // The request target and the path always start with "/", and a host is always named.
  if (target.empty() || target[0] != '/' || path.empty() || path[0] != '/' || host.empty()) {
    std::abort();
  }
  // Without parameters the path is the whole target; with them, target = path "?" parameters.
  if (target.find('?') == std::string::npos) {
    if (path != target || !parameters.empty()) {
      std::abort();
    }
  } else if (path + "?" + parameters != target) {
    std::abort();
  }
  return 0;
}
