#pragma once
#include <cstdint>
#include <string>

// The FTP settings object of the download component: plain fields, no operations.
namespace download {

class TVsFTP {
 public:
  std::string FtpHost;
  std::string FtpPort;
  std::string FtpUser;
  std::string FtpPass;
  int32_t FtpTimeout = 300000;  // milliseconds, given to the FTP client
};

}  // namespace download
