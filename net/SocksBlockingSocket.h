#pragma once
#include <cstdint>
#include <string>

#include "net/BlockingSocket.h"

// The client side of SOCKS 5 (with or without user name and password) and SOCKS 4/4a. The
// TCP socket uses these exchanges to connect, listen and accept through a SOCKS server when
// SocksIP is set.
namespace net {

// SOCKS commands.
constexpr uint8_t kSocksConnect = 1;
constexpr uint8_t kSocksBind = 2;

class TSocksBlockingSocket : public TBlockingSocket {
 public:
  TSocksBlockingSocket() = default;

  // The greeting: SOCKS 5 method selection and, when asked for, user name and password.
  // SOCKS 4 has no greeting, so the connection counts as open at once.
  bool SocksOpen();
  // Sends a request: command `Cmd` for the target IP (or host name) and port.
  bool SocksRequest(uint8_t Cmd, const std::string& IP, const std::string& Port);
  // Reads a reply and keeps its address in SocksResponseIP/SocksResponsePort.
  bool SocksResponse();

  const std::string& SocksIP() const { return FSocksIP; }
  void SetSocksIP(const std::string& Value) { FSocksIP = Value; }
  const std::string& SocksPort() const { return FSocksPort; }
  void SetSocksPort(const std::string& Value) { FSocksPort = Value; }
  int32_t SocksTimeout() const { return FSocksTimeout; }
  void SetSocksTimeout(int32_t Value) { FSocksTimeout = Value; }
  const std::string& SocksUsername() const { return FSocksUsername; }
  void SetSocksUsername(const std::string& Value) { FSocksUsername = Value; }
  const std::string& SocksPassword() const { return FSocksPassword; }
  void SetSocksPassword(const std::string& Value) { FSocksPassword = Value; }
  bool UsingSocks() const { return FUsingSocks; }
  bool SocksResolver() const { return FSocksResolver; }
  void SetSocksResolver(bool Value) { FSocksResolver = Value; }
  int32_t SocksLastError() const { return FSocksLastError; }
  const std::string& SocksResponseIP() const { return FSocksResponseIP; }
  const std::string& SocksResponsePort() const { return FSocksResponsePort; }
  const std::string& SocksLocalIP() const { return FSocksLocalIP; }
  const std::string& SocksLocalPort() const { return FSocksLocalPort; }
  const std::string& SocksRemoteIP() const { return FSocksRemoteIP; }
  const std::string& SocksRemotePort() const { return FSocksRemotePort; }
  TSocksType SocksType() const { return FSocksType; }
  void SetSocksType(TSocksType Value) { FSocksType = Value; }

 protected:
  // The address part of a request: SOCKS 5 address type and bytes, or the SOCKS 4 address,
  // user and (4a) host name. Empty when the target cannot be expressed.
  std::string Socks5Address(const std::string& IP);
  std::string Socks4Address(const std::string& IP);
  bool Socks5Response();
  bool Socks4Response();

  std::string FSocksIP;
  std::string FSocksPort = "1080";
  int32_t FSocksTimeout = 60000;
  std::string FSocksUsername;
  std::string FSocksPassword;
  bool FUsingSocks = false;
  bool FSocksResolver = true;
  int32_t FSocksLastError = 0;
  std::string FSocksResponseIP;
  std::string FSocksResponsePort;
  std::string FSocksLocalIP;
  std::string FSocksLocalPort;
  std::string FSocksRemoteIP;
  std::string FSocksRemotePort;
  bool FBypassFlag = false;
  TSocksType FSocksType = ST_Socks5;
};

}  // namespace net
