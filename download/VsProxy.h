#pragma once
#include <cstdint>
#include <string>

// The proxy settings object of the download component: plain fields, no operations.
namespace download {

class TVsProxy {
 public:
  std::string ProxyHost;
  std::string ProxyPort;
  std::string ProxyUser;
  std::string ProxyPass;
  int32_t ProxyTimeout = 90000;  // milliseconds, given to the HTTP client
};

}  // namespace download
