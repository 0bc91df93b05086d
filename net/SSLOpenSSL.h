#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "net/CustomSSL.h"

// The SSL/TLS plug-in over OpenSSL. It works on any connected TTCPBlockingSocket (a direct
// connection, a SOCKS connection or a CONNECT tunnel) and reaches the network only through that
// socket's handle, so whatever the socket layer's platform is, TLS runs over it.
//
// Secure by default: the peer's certificate chain is checked against the system's trust store
// (or CertCAFile when set, plus TrustCertificateFile), the host name (SNIHost, else the peer's
// address) is checked against the certificate, and protocols below TLS 1.2 are refused. Only
// AcceptUnverified turns the certificate checks off.
namespace net {

class TSSLOpenSSL : public TCustomSSL {
 public:
  explicit TSSLOpenSSL(TTCPBlockingSocket* socket);
  ~TSSLOpenSSL() override;

  static std::unique_ptr<TCustomSSL> Create(TTCPBlockingSocket* socket);

  std::string LibVersion() override;
  std::string LibName() override { return "ssl_openssl"; }
  bool Connect() override;
  bool Accept() override;
  bool Shutdown() override;
  bool BiShutdown() override;
  int SendBuffer(const void* buffer, int length) override;
  int RecvBuffer(void* buffer, int length) override;
  // Decrypted bytes held by the plug-in. Raw bytes already on the socket are taken in first
  // (without waiting), so that a whole record counts as soon as it is here. The end of the TLS
  // stream, clean or failed, counts as one waiting byte: the next RecvBuffer reports it.
  int WaitingData() override;
  std::string GetSSLVersion() override;
  std::string GetPeerSubject() override;
  int GetPeerSerialNo() override;
  std::string GetPeerIssuer() override;
  std::string GetPeerName() override;
  uint32_t GetPeerNameHash() override;
  // SHA-256 of the peer's certificate as colon-separated upper-case hex pairs.
  std::string GetPeerFingerprint() override;
  std::string GetCertInfo() override;
  std::string GetCipherName() override;
  int GetCipherBits() override;
  int GetCipherAlgBits() override;
  // The verification result of the last handshake: 0 when the chain and name were good.
  int GetVerifyCert() override;

  // Continues the session of `other` (TCustomSSL::ContinueSessionOf); always true. The
  // certificate is then checked against the name `other` checked (unless SNIHost is set),
  // since both connections lead to the server that was authenticated. With TLS 1.3 the session
  // comes in a ticket after the handshake: `other` must have read from the server since (a
  // reply). Without a session that can be continued (`other` of another plug-in, or not
  // connected), the next Connect starts a new one.
  bool ContinueSessionOf(const TCustomSSL& other) override;
  // True when the last handshake continued an earlier session.
  bool SessionReused() const;

  // The OpenSSL state of one connection; defined in the .cpp only.
  struct TSession;

 protected:
  bool SSLCheck() override { return true; }

 private:
  bool Start(bool server);
  void Fail(int code, const std::string& text);
  void EndSession();

  std::unique_ptr<TSession> fSession;
  // The session the next Connect offers; defined in the .cpp only.
  struct TReuse;
  std::unique_ptr<TReuse> fReuse;
};

}  // namespace net
