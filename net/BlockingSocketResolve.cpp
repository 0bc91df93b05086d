// Addresses and name resolution of TBlockingSocket: host and port text to socket addresses,
// the numeric texts of the socket's own and its peer's address, and the name lookups.
#include <cstdio>
#include <cstring>
#include <mutex>

#include "net/BlockingSocket.h"
#include "net/ProtoAddress.h"
#include "net/SocketResolver.h"

namespace net {

using platform::kInvalidSocket;

int32_t TBlockingSocket::ResolveAddress(const std::string& IP, const std::string& Port,
                                        TVarSin& Sin) {
  DoStatus(HR_ResolvingBegin, IP + ":" + Port);
  ResetLastError();
  TSocketFamily family = FFamily;
  if (FSocket == kInvalidSocket && FFamily == SF_Any) {
    if (IsIPv4Literal(IP)) {
      family = SF_IP4;
    } else if (IsIPv6Literal(IP)) {
      family = SF_IP6;
    }
  }
  FLastError = SetVarSin(Sin, IP, Port, FamilyToAF(family), GetSocketType(), GetSocketProtocol(),
                         FPreferIP4);
  DoStatus(HR_ResolvingEnd, GetSinIP(Sin) + ":" + std::to_string(GetSinPort(Sin)));
  return FLastError;
}

std::string TBlockingSocket::GetSinIP(const TVarSin& Sin) {
  const int family = Sin.AddressFamily;
  if (family != platform::kAfInet && family != platform::kAfInet6) {
    return "0.0.0.0";
  }
  if (UseNewResolver(family)) {
    std::string host;
    std::string service;
    const int flags = platform::kNiNumericHost | platform::kNiNumericServ;
    if (platform::SockGetNameInfo(Sin, host, service, flags) == 0) {
      return host;
    }
    return "";
  }
  if (family == platform::kAfInet6) {
    return IPv6ToText(std::string(reinterpret_cast<const char*>(Sin.v6.sin6_addr), 16));
  }
  std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
  return platform::SockInetNtoa(Sin.v4.sin_addr);
}

int32_t TBlockingSocket::GetSinPort(const TVarSin& Sin) {
  return platform::SockNtohs(Sin.sin_port);
}

void TBlockingSocket::GetSinLocal() {
  if (FSocket != kInvalidSocket) {
    platform::SockGetSockName(FSocket, FLocalSin);
  }
}

void TBlockingSocket::GetSinRemote() {
  if (FSocket != kInvalidSocket) {
    platform::SockGetPeerName(FSocket, FRemoteSin);
  }
}

void TBlockingSocket::GetSins() {
  GetSinLocal();
  GetSinRemote();
}

std::string TBlockingSocket::GetLocalSinIP() {
  return GetSinIP(FLocalSin);
}
std::string TBlockingSocket::GetRemoteSinIP() {
  return GetSinIP(FRemoteSin);
}
int32_t TBlockingSocket::GetLocalSinPort() {
  return GetSinPort(FLocalSin);
}
int32_t TBlockingSocket::GetRemoteSinPort() {
  return GetSinPort(FRemoteSin);
}

void TBlockingSocket::SetRemoteSin(const std::string& IP, const std::string& Port) {
  if (ResolveAddress(IP, Port, FRemoteSin) == 0 && FSocket == kInvalidSocket) {
    InternalCreateSocket(FRemoteSin);
  }
  ExceptCheck();
}

std::string TBlockingSocket::LocalName() {
  std::string name;
  platform::SockGetHostName(name);
  return name.empty() ? "127.0.0.1" : name;
}

void TBlockingSocket::ResolveNameToIP(const std::string& Name, std::vector<std::string>& IPList) {
  IPList.clear();
  const int family = FamilyToAF(FFamily);
  if (UseNewResolver(family)) {
    platform::TAddrHints hints;
    hints.family = family;
    hints.socketType = GetSocketType();
    hints.protocol = GetSocketProtocol();
    std::vector<TVarSin> results;
    if (platform::SockGetAddrInfo(Name, "", hints, results) == 0) {
      for (const TVarSin& sin : results) {
        if (family != platform::kAfUnspec && sin.AddressFamily != family) {
          continue;
        }
        std::string host;
        std::string service;
        const int flags = platform::kNiNumericHost | platform::kNiNumericServ;
        if (platform::SockGetNameInfo(sin, host, service, flags) != 0) {
          continue;
        }
        // The lookup gives an entry per socket type; one address is listed once.
        if (std::find(IPList.begin(), IPList.end(), host) == IPList.end()) {
          IPList.push_back(host);
        }
      }
    }
  } else if (!IsIPv4Literal(Name)) {
    std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
    std::vector<uint32_t> addresses;
    if (platform::SockGetHostByName(Name, addresses)) {
      for (uint32_t address : addresses) {
        uint8_t b[4];
        std::memcpy(b, &address, 4);
        char text[16];
        std::snprintf(text, sizeof(text), "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
        IPList.push_back(text);
      }
    }
  } else {
    IPList.push_back(Name);
  }
  if (IPList.empty()) {
    IPList.push_back("0.0.0.0");
  }
}

std::string TBlockingSocket::ResolveName(const std::string& Name) {
  std::vector<std::string> list;
  ResolveNameToIP(Name, list);
  return list.front();
}

uint16_t TBlockingSocket::ResolvePort(const std::string& Port) {
  const int family = FamilyToAF(FFamily);
  if (UseNewResolver(family)) {
    platform::TAddrHints hints;
    hints.family = family;
    hints.socketType = GetSocketType();
    hints.protocol = GetSocketProtocol();
    hints.flags = platform::kAiPassive;
    std::vector<TVarSin> results;
    if (platform::SockGetAddrInfo("", Port, hints, results) != 0 || results.empty()) {
      return 0;
    }
    const TVarSin& first = results.front();
    if (first.AddressFamily != platform::kAfInet && first.AddressFamily != platform::kAfInet6) {
      return 0;
    }
    return platform::SockNtohs(first.sin_port);
  }
  std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
  const std::string protocolName = platform::SockGetProtoByNumber(GetSocketProtocol());
  if (!protocolName.empty()) {
    const int port = platform::SockGetServByName(Port, protocolName);
    if (port >= 0) {
      return static_cast<uint16_t>(port);
    }
  }
  const int32_t value = DecimalValue(Port);
  return static_cast<uint16_t>(value < 0 ? 0 : value);
}

std::string TBlockingSocket::ResolveIPToName(const std::string& IP) {
  std::string address = IP;
  if (!IsIPv4Literal(address) && !IsIPv6Literal(address)) {
    address = ResolveName(address);
  }
  std::string result = address;
  const int family = FamilyToAF(FFamily);
  if (UseNewResolver(family)) {
    platform::TAddrHints hints;
    hints.family = family;
    std::vector<TVarSin> results;
    if (platform::SockGetAddrInfo(address, "", hints, results) == 0 && !results.empty()) {
      std::string host;
      std::string service;
      if (platform::SockGetNameInfo(results.front(), host, service, platform::kNiNumericServ) ==
          0) {
        result = host;
      }
    }
    return result;
  }
  std::lock_guard<std::recursive_mutex> lock(platform::SocketLibraryLock());
  const std::string bytes = IPv4ToBytes(address);
  std::string name;
  if (platform::SockGetHostByAddr(reinterpret_cast<const uint8_t*>(bytes.data()), name)) {
    result = name;
  }
  return result;
}

}  // namespace net
