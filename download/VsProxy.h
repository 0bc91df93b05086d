#pragma once
#include <cstdint>
#include <string>

// The proxy and FTP settings objects of the download component: plain fields, no operations.
namespace download {

class TVsProxy {
 public:
  std::string ProxyHost;
  std::string ProxyPort;
  std::string ProxyUser;
  std::string ProxyPass;
  int32_t ProxyTimeout = 90000;  // milliseconds, given to the HTTP client
};

class TVsFTP {
 public:
  std::string FtpHost;
  std::string FtpPort;
  std::string FtpUser;
  std::string FtpPass;
  int32_t FtpTimeout = 300000;  // milliseconds, given to the FTP client
};

}  // namespace download
