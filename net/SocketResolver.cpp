#include "net/SocketResolver.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "net/ProtoText.h"

namespace net {

bool UseNewResolver(int family) {
  return platform::SocketHasNewResolver() ||
         (family == platform::kAfInet6 && platform::SocketHasIPv6Resolver());
}

int32_t DecimalValue(const std::string& text) {
  const int64_t value = DecimalNumber(text);
  return value > INT32_MAX ? -1 : static_cast<int32_t>(value);
}

namespace {

using platform::TVarSin;

// One lookup of the new resolver, as the socket layer asks it.
int LookupOne(TVarSin& sin, const std::string& ip, const std::string& port, int family, int type,
              int protocol) {
  platform::TAddrHints hints;
  hints.family = family;
  hints.socketType = type;
  hints.protocol = protocol;
  std::string host = ip;
  std::string service = port;
  if (type == platform::kSockRaw) {
    hints.socketType = 0;
    hints.protocol = 0;
    service.clear();
  } else if (ip == "0.0.0.0" || ip == "::0") {
    hints.flags = platform::kAiPassive;
    host.clear();
  } else if (ip == "127.0.0.1" || ip == "::1") {
    host.clear();  // without a host the lookup gives the loopback address
  }
  std::vector<TVarSin> results;
  const int code = platform::SockGetAddrInfo(host, service, hints, results);
  if (code == 0 && !results.empty()) {
    sin = results.front();
  }
  return code;
}

// The old IPv4-only resolver path; the caller holds the library lock.
int LookupOld(TVarSin& sin, const std::string& ip, const std::string& port, int protocol) {
  platform::SockSetLastError(0);
  sin.AddressFamily = platform::kAfInet;
  const std::string protocolName = platform::SockGetProtoByNumber(protocol);
  const int32_t decimal = DecimalValue(port);
  int32_t portNumber = decimal < 0 ? 0 : decimal;
  if (!protocolName.empty() && decimal < 0) {
    portNumber = std::max(0, platform::SockGetServByName(port, protocolName));
  }
  sin.sin_port = platform::SockHtons(static_cast<uint16_t>(portNumber));
  uint32_t address = 0xFFFFFFFFu;
  if (ip != "255.255.255.255") {
    address = platform::SockInetAddr(ip);
    if (address == 0xFFFFFFFFu) {
      std::vector<uint32_t> addresses;
      if (platform::SockGetHostByName(ip, addresses) && !addresses.empty()) {
        address = addresses.front();
      }
    }
  }
  std::memcpy(sin.v4.sin_addr, &address, 4);
  return platform::SockLastError();
}

// The resolver routine: fills `sin` for host and port; 0 or the resolver's error code.
}  // namespace

int SetVarSin(platform::TVarSin& sin, const std::string& ip, const std::string& port, int family,
              int type, int protocol, bool preferIP4) {
  sin = TVarSin();
  if (!UseNewResolver(family)) {
    std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
    return LookupOld(sin, ip, port, protocol);
  }
  if (family != platform::kAfUnspec) {
    return LookupOne(sin, ip, port, family, type, protocol);
  }
  const int first = preferIP4 ? platform::kAfInet : platform::kAfInet6;
  const int second = preferIP4 ? platform::kAfInet6 : platform::kAfInet;
  int code = LookupOne(sin, ip, port, first, type, protocol);
  if (code != 0) {
    code = LookupOne(sin, ip, port, second, type, protocol);
  }
  return code;
}

}  // namespace net
