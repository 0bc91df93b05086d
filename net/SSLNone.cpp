#include "net/SSLNone.h"

namespace net {

std::unique_ptr<TCustomSSL> TSSLNone::Create(TTCPBlockingSocket* socket) {
  return std::make_unique<TSSLNone>(socket);
}

}  // namespace net
