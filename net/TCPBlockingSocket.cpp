#include "net/TCPBlockingSocket.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "net/NetLimits.h"
#include "net/ProtoUtils.h"
#include "net/SSLNone.h"
#ifdef VARELO_HAVE_OPENSSL
#include "net/SSLOpenSSL.h"
#endif
#include "net/ScopeExit.h"
#include "platform/CodePage.h"

namespace net {
namespace {

const char* const kCRLF = "\r\n";

bool IsAnyAddress(const std::string& ip) {
  return ip.empty() || ip == "0.0.0.0" || ip == "::" || ip == "::0";
}

}  // namespace

TSSLClass TTCPBlockingSocket::DefaultSSLClass() {
#ifdef VARELO_HAVE_OPENSSL
  return &TSSLOpenSSL::Create;
#else
  return &TSSLNone::Create;
#endif
}

TTCPBlockingSocket::TTCPBlockingSocket() : TTCPBlockingSocket(DefaultSSLClass()) {}

TTCPBlockingSocket::TTCPBlockingSocket(TSSLClass SSLPlugin) : FSSL(SSLPlugin(this)) {}

TTCPBlockingSocket::~TTCPBlockingSocket() = default;

void TTCPBlockingSocket::FailWith(int32_t ErrorCode) {
  FLastError = ErrorCode;
  ExceptCheck();
}

void TTCPBlockingSocket::CloseSocket() {
  if (FSSL->SSLEnabled())
    FSSL->Shutdown();
  if (FSocket != platform::kInvalidSocket && FLastError == 0 && !FPeerClosed) {
    // Half-close and read what is still coming, so that the peer sees an orderly end rather
    // than a reset for bytes we never read. A peer that has ended its stream sends nothing
    // more, so there is nothing to wait for.
    platform::SockShutdown(FSocket, platform::kShutSend);
    Purge();
  }
  FUsingSocks = false;
  FHTTPTunnel = false;
  TBlockingSocket::CloseSocket();
}

void TTCPBlockingSocket::Connect(const std::string& IP, const std::string& Port) {
  if (!FSocksIP.empty()) {
    SocksDoConnect(IP, Port);
  } else if (!FHTTPTunnelIP.empty()) {
    HTTPTunnelDoConnect(IP, Port);
  } else {
    TBlockingSocket::Connect(IP, Port);
  }
  if (FLastError == 0 && FOnAfterConnect)
    FOnAfterConnect(this);
}

void TTCPBlockingSocket::SocksDoConnect(const std::string& IP, const std::string& Port) {
  TBlockingSocket::Connect(FSocksIP, FSocksPort);
  if (FLastError == 0) {
    bool ok = false;
    {
      auto bypass = ScopedValue(FBypassFlag, true);
      ok = SocksOpen() && SocksRequest(kSocksConnect, IP, Port) && SocksResponse();
    }
    if (!ok && FLastError == 0)
      FLastError = SocketError::kSystemNotReady;
    FSocksLocalIP = FSocksResponseIP;
    FSocksLocalPort = FSocksResponsePort;
    FSocksRemoteIP = IP;
    FSocksRemotePort = Port;
  }
  ExceptCheck();
  DoStatus(HR_Connect, IP + ":" + Port);
}

void TTCPBlockingSocket::HTTPTunnelDoConnect(const std::string& IP, const std::string& Port) {
  std::string port = std::to_string(ResolvePort(Port));
  TBlockingSocket::Connect(FHTTPTunnelIP, FHTTPTunnelPort);
  if (FLastError != 0)
    return;
  FHTTPTunnel = false;
  std::string host = IsIPv6Literal(IP) ? "[" + IP + "]" : IP;
  std::string request = "CONNECT " + host + ":" + port + " HTTP/1.0" + kCRLF;
  if (!FHTTPTunnelUser.empty()) {
    // Credentials are text; on the wire they are bytes of the ANSI code page, as in the
    // absolute-form request's Proxy-Authorization.
    request += "Proxy-Authorization: Basic " +
               Base64Encode(platform::Utf8ToAnsi(FHTTPTunnelUser + ":" + FHTTPTunnelPass)) + kCRLF;
  }
  SendString(request + kCRLF);
  // A proxy that sends an endless line, or endless lines, must not keep us reading: its reply
  // gets the allowance of a response header block.
  auto maxLine =
      ScopedValue(FMaxLineLength, FMaxLineLength == 0 ? kMaxHeaderLineBytes : FMaxLineLength);
  int64_t replyBytes = 0;
  // The whole reply must be here within the tunnel's timeout, however its bytes are spread.
  auto overall = ScopedValue(FInterPacketTimeout, false);
  const uint32_t start = TickNow();
  while (FLastError == 0) {
    const uint32_t spent = TickSpan(start, TickNow());
    const int32_t wait = FHTTPTunnelTimeout <= 0 ? FHTTPTunnelTimeout
                         : spent >= static_cast<uint32_t>(FHTTPTunnelTimeout)
                             ? 0
                             : FHTTPTunnelTimeout - static_cast<int32_t>(spent);
    std::string line = RecvTerminated(wait, "\n");
    if (FLastError != 0 || line.empty() || line == "\r")
      break;
    replyBytes += static_cast<int64_t>(line.size()) + 1;
    if (replyBytes > kMaxHeaderBlockBytes) {
      FLastError = SocketError::kNoBufferSpace;
      break;
    }
    if (line.size() > 11 && line.compare(0, 5, "HTTP/") == 0)
      FHTTPTunnel = line[9] == '2';
  }
  if (FLastError == 0 && !FHTTPTunnel)
    FLastError = SocketError::kConnectionRefused;
  FHTTPTunnelRemoteIP = IP;
  FHTTPTunnelRemotePort = port;
  ExceptCheck();
}

void TTCPBlockingSocket::Listen() {
  if (FSocksIP.empty()) {
    TBlockingSocket::Listen();
    return;
  }
  std::string localIP = TBlockingSocket::GetLocalSinIP();
  if (IsAnyAddress(localIP))
    localIP = LocalName();
  std::string localPort = std::to_string(TBlockingSocket::GetLocalSinPort());
  TBlockingSocket::Connect(FSocksIP, FSocksPort);
  if (FLastError == 0) {
    bool ok = false;
    {
      auto bypass = ScopedValue(FBypassFlag, true);
      ok = SocksOpen() && SocksRequest(kSocksBind, localIP, localPort) && SocksResponse();
    }
    if (!ok && FLastError == 0)
      FLastError = SocketError::kNoRecovery;
    // A server bound to every interface is reached at its own address.
    FSocksLocalIP = IsAnyAddress(FSocksResponseIP) ? FSocksIP : FSocksResponseIP;
    FSocksLocalPort = FSocksResponsePort;
    FSocksRemoteIP.clear();
    FSocksRemotePort.clear();
  }
  ExceptCheck();
  DoStatus(HR_Listen, "");
}

TSocketHandle TTCPBlockingSocket::Accept() {
  if (!FUsingSocks)
    return TBlockingSocket::Accept();
  ResetLastError();
  // Through SOCKS the server answers a second time when the peer has connected; the data then
  // flows over the same socket.
  bool ok = false;
  {
    auto bypass = ScopedValue(FBypassFlag, true);
    ok = SocksResponse();
  }
  if (!ok && FLastError == 0)
    FLastError = SocketError::kNoRecovery;
  FSocksRemoteIP = FSocksResponseIP;
  FSocksRemotePort = FSocksResponsePort;
  ExceptCheck();
  DoStatus(HR_Accept, "");
  return FSocket;
}

int32_t TTCPBlockingSocket::SendBuffer(const void* Buffer, int32_t Length) {
  if (!ThroughSSL())
    return TBlockingSocket::SendBuffer(Buffer, Length);
  if (CheckStopFlag())
    return 0;
  ResetLastError();
  DoMonitor(true, Buffer, Length);
  const char* bytes = static_cast<const char*>(Buffer);
  int32_t sent = 0;
  while (sent < Length) {
    int32_t chunk = std::min(FSendMaxChunk, Length - sent);
    if (chunk <= 0)
      break;
    ThrottleTransfer(chunk, FMaxSendBandwidth, FNextSend);
    int32_t count = FSSL->SendBuffer(bytes + sent, chunk);
    if (FSSL->LastError() != 0 || count < 0) {
      FLastError = SocketError::kSystemNotReady;
      break;
    }
    sent += count;
    FSendCounter += count;
    DoStatus(HR_WriteCount, std::to_string(count));
  }
  ExceptCheck();
  return sent;
}

int32_t TTCPBlockingSocket::RecvBuffer(void* Buffer, int32_t Length) {
  if (!ThroughSSL())
    return TBlockingSocket::RecvBuffer(Buffer, Length);
  if (CheckStopFlag())
    return 0;
  ResetLastError();
  ThrottleTransfer(Length, FMaxRecvBandwidth, FNextRecv);
  int32_t count = FSSL->RecvBuffer(Buffer, Length);
  if (FSSL->LastError() != 0 || count < 0) {
    FLastError = SocketError::kSystemNotReady;
  } else if (count == 0) {
    FLastError = SocketError::kConnectionReset;
    FPeerClosed = true;
  }
  ExceptCheck();
  if (FLastError != 0)
    return -1;
  FRecvCounter += count;
  DoStatus(HR_ReadCount, std::to_string(count));
  DoMonitor(false, Buffer, count);
  DoReadFilter(Buffer, count);
  return count;
}

int32_t TTCPBlockingSocket::WaitingData() {
  if (FSSL->SSLEnabled() && FSocket != platform::kInvalidSocket) {
    int32_t count = FSSL->WaitingData();
    if (count != 0)
      return count;
  }
  return TBlockingSocket::WaitingData();
}

bool TTCPBlockingSocket::SelectRead(int32_t Timeout) {
  if (!ThroughSSL())
    return TBlockingSocket::SelectRead(Timeout);
  if (FSSL->WaitingData() > 0)
    return true;
  const uint32_t start = TickNow();
  int32_t left = Timeout;
  // Each round needs new bytes from the peer, and the whole wait stays within Timeout.
  while (TBlockingSocket::SelectRead(left)) {
    const int32_t raw = TBlockingSocket::WaitingData();
    // Readable with nothing to read is the peer's end, which the next read reports.
    if (raw == 0 || FSSL->WaitingData() > 0)
      return true;
    // A plug-in that reads the socket only when asked leaves the bytes there for its read.
    if (TBlockingSocket::WaitingData() > 0)
      return true;
    // The plug-in took the bytes in, and they make no whole record yet: wait for the rest.
    if (Timeout >= 0) {
      left = Timeout - static_cast<int32_t>(TickSpan(start, TickNow()));
      if (left <= 0)
        return false;
    }
  }
  return false;
}

std::string TTCPBlockingSocket::GetLocalSinIP() {
  return FUsingSocks ? FSocksLocalIP : TBlockingSocket::GetLocalSinIP();
}

std::string TTCPBlockingSocket::GetRemoteSinIP() {
  if (FUsingSocks)
    return FSocksRemoteIP;
  if (FHTTPTunnel)
    return FHTTPTunnelRemoteIP;
  return TBlockingSocket::GetRemoteSinIP();
}

int32_t TTCPBlockingSocket::GetLocalSinPort() {
  return FUsingSocks ? static_cast<int32_t>(ResolvePort(FSocksLocalPort))
                     : TBlockingSocket::GetLocalSinPort();
}

int32_t TTCPBlockingSocket::GetRemoteSinPort() {
  if (FUsingSocks)
    return ResolvePort(FSocksRemotePort);
  if (FHTTPTunnel)
    return ResolvePort(FHTTPTunnelRemotePort);
  return TBlockingSocket::GetRemoteSinPort();
}

std::string TTCPBlockingSocket::GetErrorDescEx() {
  if (FLastError == SocketError::kSystemNotReady && FSSL->LastError() != 0)
    return FSSL->LastErrorDesc();
  return TBlockingSocket::GetErrorDescEx();
}

void TTCPBlockingSocket::SSLDoConnect() {
  ResetLastError();
  if (!FSSL->Connect())
    FLastError = SocketError::kSystemNotReady;
  ExceptCheck();
}

void TTCPBlockingSocket::SSLDoShutdown() {
  ResetLastError();
  FSSL->BiShutdown();
}

bool TTCPBlockingSocket::SSLAcceptConnection() {
  ResetLastError();
  if (!FSSL->Accept())
    FLastError = SocketError::kSystemNotReady;
  ExceptCheck();
  return FLastError == 0;
}

}  // namespace net
