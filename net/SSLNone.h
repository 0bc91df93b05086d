#pragma once
#include <memory>
#include <string>

#include "net/CustomSSL.h"

// The plug-in without SSL: the one the TCP socket uses unless told otherwise. Starting SSL
// through it always fails with "SSL/TLS support is not compiled!".
namespace net {

class TSSLNone : public TCustomSSL {
 public:
  using TCustomSSL::TCustomSSL;

  static std::unique_ptr<TCustomSSL> Create(TTCPBlockingSocket* socket);

  std::string LibVersion() override { return "Without SSL support"; }
  std::string LibName() override { return "ssl_none"; }
};

}  // namespace net
