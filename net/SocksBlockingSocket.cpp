#include "net/SocksBlockingSocket.h"

#include "net/ProtoUtils.h"

namespace net {
namespace {

constexpr uint8_t kSocks5Version = 5;
constexpr uint8_t kSocks4Version = 4;
constexpr uint8_t kSocks5NoAuth = 0;
constexpr uint8_t kSocks5UserPass = 2;
constexpr uint8_t kSocksUserPassVersion = 1;
constexpr uint8_t kAddrIPv4 = 1;
constexpr uint8_t kAddrName = 3;
constexpr uint8_t kAddrIPv6 = 4;
// The reply statuses that grant a request: 0 in SOCKS 5, 90 in SOCKS 4.
constexpr int32_t kSocks5Granted = 0;
constexpr int32_t kSocks4Granted = 90;
// Lengths in SOCKS are single bytes; longer names and credentials cannot be sent.
constexpr size_t kMaxSocksField = 255;
constexpr size_t kSocks4ReplySize = 8;

std::string Byte(uint8_t value) {
  return std::string(1, static_cast<char>(value));
}

std::string DottedIPv4(const std::string& bytes) {
  std::string text;
  for (size_t i = 0; i < 4; ++i) {
    if (i > 0)
      text += '.';
    text += std::to_string(static_cast<uint8_t>(bytes[i]));
  }
  return text;
}

std::string PortText(const std::string& bytes) {
  return std::to_string(BytesToWord16(bytes, 1));
}

}  // namespace

bool TSocksBlockingSocket::SocksOpen() {
  FUsingSocks = false;
  if (FSocksType != ST_Socks5) {
    FUsingSocks = true;
    return true;
  }
  if (FSocksUsername.empty()) {
    SendString(Byte(kSocks5Version) + Byte(1) + Byte(kSocks5NoAuth));
  } else {
    SendString(Byte(kSocks5Version) + Byte(2) + Byte(kSocks5UserPass) + Byte(kSocks5NoAuth));
  }
  if (FLastError != 0)
    return false;
  std::string reply = RecvBufferStr(2, FSocksTimeout);
  if (FLastError != 0 || reply.size() < 2 || reply[0] != kSocks5Version)
    return false;
  if (reply[1] == kSocks5NoAuth) {
    FUsingSocks = true;
    return true;
  }
  if (reply[1] != kSocks5UserPass)
    return false;
  if (FSocksUsername.size() > kMaxSocksField || FSocksPassword.size() > kMaxSocksField) {
    return false;
  }
  SendString(Byte(kSocksUserPassVersion) + Byte(static_cast<uint8_t>(FSocksUsername.size())) +
             FSocksUsername + Byte(static_cast<uint8_t>(FSocksPassword.size())) + FSocksPassword);
  if (FLastError != 0)
    return false;
  reply = RecvBufferStr(2, FSocksTimeout);
  if (FLastError != 0 || reply.size() < 2)
    return false;
  FUsingSocks = reply[1] == 0;
  return FUsingSocks;
}

std::string TSocksBlockingSocket::Socks5Address(const std::string& IP) {
  std::string target = IP;
  if (!FSocksResolver && !IsIPv4Literal(target) && !IsIPv6Literal(target)) {
    target = ResolveName(target);
  }
  if (IsIPv4Literal(target))
    return Byte(kAddrIPv4) + IPv4ToBytes(target);
  if (IsIPv6Literal(target))
    return Byte(kAddrIPv6) + IPv6ToBytes(target);
  if (target.empty() || target.size() > kMaxSocksField)
    return "";
  return Byte(kAddrName) + Byte(static_cast<uint8_t>(target.size())) + target;
}

std::string TSocksBlockingSocket::Socks4Address(const std::string& IP) {
  std::string target = IP;
  if (!FSocksResolver && !IsIPv4Literal(target))
    target = ResolveName(target);
  if (IsIPv4Literal(target))
    return IPv4ToBytes(target) + FSocksUsername + Byte(0);
  // SOCKS 4a: an address of 0.0.0.x asks the server to resolve the name that follows.
  return IPv4ToBytes("0.0.0.1") + FSocksUsername + Byte(0) + target + Byte(0);
}

bool TSocksBlockingSocket::SocksRequest(uint8_t Cmd, const std::string& IP,
                                        const std::string& Port) {
  std::string port = Word16ToBytes(ResolvePort(Port));
  std::string request;
  if (FSocksType == ST_Socks5) {
    std::string address = Socks5Address(IP);
    if (address.empty())
      return false;
    request = Byte(kSocks5Version) + Byte(Cmd) + Byte(0) + address + port;
  } else {
    request = Byte(kSocks4Version) + Byte(Cmd) + port + Socks4Address(IP);
  }
  SendString(request);
  return FLastError == 0;
}

bool TSocksBlockingSocket::Socks5Response() {
  std::string head = RecvBufferStr(4, FSocksTimeout);
  if (FLastError != 0 || head.size() < 4 || head[0] != kSocks5Version)
    return false;
  FSocksLastError = static_cast<uint8_t>(head[1]);
  uint8_t type = static_cast<uint8_t>(head[3]);
  if (type == kAddrIPv4) {
    std::string address = RecvBufferStr(4, FSocksTimeout);
    if (FLastError != 0 || address.size() < 4)
      return false;
    FSocksResponseIP = DottedIPv4(address);
  } else if (type == kAddrName) {
    uint8_t length = RecvByte(FSocksTimeout);
    if (FLastError != 0)
      return false;
    std::string name = RecvBufferStr(length, FSocksTimeout);
    if (FLastError != 0 || name.size() < length)
      return false;
    FSocksResponseIP = name;
  } else if (type == kAddrIPv6) {
    std::string address = RecvBufferStr(16, FSocksTimeout);
    if (FLastError != 0 || address.size() < 16)
      return false;
    FSocksResponseIP = IPv6ToText(address);
  } else {
    return false;
  }
  std::string port = RecvBufferStr(2, FSocksTimeout);
  if (FLastError != 0 || port.size() < 2)
    return false;
  FSocksResponsePort = PortText(port);
  return FSocksLastError == kSocks5Granted || FSocksLastError == kSocks4Granted;
}

bool TSocksBlockingSocket::Socks4Response() {
  std::string reply = RecvBufferStr(kSocks4ReplySize, FSocksTimeout);
  if (FLastError != 0 || reply.size() < kSocks4ReplySize || reply[0] != 0)
    return false;
  FSocksLastError = static_cast<uint8_t>(reply[1]);
  FSocksResponsePort = PortText(reply.substr(2, 2));
  FSocksResponseIP = DottedIPv4(reply.substr(4, 4));
  return FSocksLastError == kSocks5Granted || FSocksLastError == kSocks4Granted;
}

bool TSocksBlockingSocket::SocksResponse() {
  FSocksLastError = -1;
  return FSocksType == ST_Socks5 ? Socks5Response() : Socks4Response();
}

}  // namespace net
