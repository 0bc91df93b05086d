#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "net/CustomSSL.h"
#include "net/SocksBlockingSocket.h"

// The TCP stream socket the protocol clients use. It reaches its target directly, through a
// SOCKS server (SocksIP set) or through an HTTP proxy's CONNECT tunnel (HTTPTunnelIP set), and
// hands its traffic to the SSL plug-in once the plug-in is enabled.
namespace net {

class TTCPBlockingSocket : public TSocksBlockingSocket {
 public:
  // Uses the build's default plug-in: TSSLOpenSSL in a build with OpenSSL, else TSSLNone
  // (SSL().LibName() tells which).
  TTCPBlockingSocket();
  // Uses an instance of the given plug-in class; the socket owns it.
  explicit TTCPBlockingSocket(TSSLClass SSLPlugin);
  ~TTCPBlockingSocket() override;
  // The plug-in class the first constructor uses.
  static TSSLClass DefaultSSLClass();

  void CloseSocket() override;
  void Connect(const std::string& IP, const std::string& Port) override;
  void Listen() override;
  TSocketHandle Accept() override;
  int32_t SendBuffer(const void* Buffer, int32_t Length) override;
  int32_t RecvBuffer(void* Buffer, int32_t Length) override;
  int32_t WaitingData() override;
  std::string GetLocalSinIP() override;
  std::string GetRemoteSinIP() override;
  int32_t GetLocalSinPort() override;
  int32_t GetRemoteSinPort() override;
  int32_t GetSocketType() override { return platform::kSockStream; }
  int32_t GetSocketProtocol() override { return platform::kIpProtoTcp; }
  std::string GetErrorDescEx() override;

  // Starts SSL on the connected socket through the plug-in; 10091 when it fails.
  void SSLDoConnect();
  void SSLDoShutdown();
  // Accepts SSL on a socket taken from Accept; true when LastError stays 0.
  bool SSLAcceptConnection();

  // Ends a read or a request with the given error code, as a failed socket call would: the
  // code and its text are recorded and, with RaiseExcept, raised. The clients use it for the
  // limits they enforce on what peers send.
  void FailWith(int32_t ErrorCode);

  TCustomSSL& SSL() { return *FSSL; }
  const THookAfterConnect& OnAfterConnect() const { return FOnAfterConnect; }
  void SetOnAfterConnect(THookAfterConnect Value) { FOnAfterConnect = std::move(Value); }
  const std::string& HTTPTunnelIP() const { return FHTTPTunnelIP; }
  void SetHTTPTunnelIP(const std::string& Value) { FHTTPTunnelIP = Value; }
  const std::string& HTTPTunnelPort() const { return FHTTPTunnelPort; }
  void SetHTTPTunnelPort(const std::string& Value) { FHTTPTunnelPort = Value; }
  bool HTTPTunnel() const { return FHTTPTunnel; }
  const std::string& HTTPTunnelRemoteIP() const { return FHTTPTunnelRemoteIP; }
  const std::string& HTTPTunnelRemotePort() const { return FHTTPTunnelRemotePort; }
  const std::string& HTTPTunnelUser() const { return FHTTPTunnelUser; }
  void SetHTTPTunnelUser(const std::string& Value) { FHTTPTunnelUser = Value; }
  const std::string& HTTPTunnelPass() const { return FHTTPTunnelPass; }
  void SetHTTPTunnelPass(const std::string& Value) { FHTTPTunnelPass = Value; }
  int32_t HTTPTunnelTimeout() const { return FHTTPTunnelTimeout; }
  void SetHTTPTunnelTimeout(int32_t Value) { FHTTPTunnelTimeout = Value; }

 protected:
  // With an enabled plug-in, readable means that decrypted bytes (or the end of the TLS stream)
  // are there: raw bytes that make no whole record yet do not count, and bytes the plug-in
  // already holds count without waiting on the socket.
  bool SelectRead(int32_t Timeout) override;
  void SocksDoConnect(const std::string& IP, const std::string& Port);
  void HTTPTunnelDoConnect(const std::string& IP, const std::string& Port);
  // True when transfers go through the plug-in rather than straight to the socket.
  bool ThroughSSL() const { return FSSL->SSLEnabled() && !FBypassFlag; }

  THookAfterConnect FOnAfterConnect;
  std::unique_ptr<TCustomSSL> FSSL;
  std::string FHTTPTunnelIP;
  std::string FHTTPTunnelPort;
  bool FHTTPTunnel = false;
  std::string FHTTPTunnelRemoteIP;
  std::string FHTTPTunnelRemotePort;
  std::string FHTTPTunnelUser;
  std::string FHTTPTunnelPass;
  int32_t FHTTPTunnelTimeout = 30000;
};

}  // namespace net
