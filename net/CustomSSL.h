#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "net/BlockingSocket.h"

// The SSL/TLS plug-in interface of the TCP socket. A plug-in that supports a protocol derives
// from TCustomSSL, overrides the operations it implements and sets SSLEnabled after a
// successful Connect or Accept; the socket then routes every transfer through it. The base
// class itself supports nothing: each operation that needs SSL records "SSL/TLS support is not
// compiled!" and fails.
namespace net {

class TTCPBlockingSocket;
class TCustomSSL;

// A plug-in "class": makes a plug-in instance for a socket, as the virtual constructor does.
using TSSLClass = std::unique_ptr<TCustomSSL> (*)(TTCPBlockingSocket* socket);

enum TSSLType {
  LT_all,
  LT_SSLv2,
  LT_SSLv3,
  LT_TLSv1,
  LT_TLSv1_1,
  LT_TLSv1_2,
  LT_TLSv1_3,
  LT_SSHv2
};

// The text every operation of a plug-in without SSL support leaves in LastErrorDesc.
inline constexpr const char* kSSLNotCompiled = "SSL/TLS support is not compiled!";

class TCustomSSL {
 public:
  explicit TCustomSSL(TTCPBlockingSocket* socket);
  virtual ~TCustomSSL() = default;
  TCustomSSL(const TCustomSSL&) = delete;
  TCustomSSL& operator=(const TCustomSSL&) = delete;

  // The virtual constructor of this class, for TTCPBlockingSocket::CreateWithSSL.
  static std::unique_ptr<TCustomSSL> Create(TTCPBlockingSocket* socket);

  virtual void SetCertCAFile(const std::string& value) { fCertCAFile = value; }
  // Copies the settings (credentials, certificates, keys, ciphers, SNI host) of another plug-in.
  virtual void Assign(const TCustomSSL& value);
  virtual std::string LibVersion() { return ""; }
  virtual std::string LibName() { return ""; }
  virtual bool Connect();
  virtual bool Accept();
  virtual bool Shutdown();
  virtual bool BiShutdown();
  virtual int SendBuffer(const void* buffer, int length);
  virtual int RecvBuffer(void* buffer, int length);
  virtual int WaitingData();
  virtual std::string GetSSLVersion() { return ""; }
  virtual std::string GetPeerSubject() { return ""; }
  virtual int GetPeerSerialNo() { return -1; }
  virtual std::string GetPeerIssuer() { return ""; }
  virtual std::string GetPeerName() { return ""; }
  virtual uint32_t GetPeerNameHash() { return 0; }
  virtual std::string GetPeerFingerprint() { return ""; }
  virtual std::string GetCertInfo() { return ""; }
  virtual std::string GetCipherName() { return ""; }
  virtual int GetCipherBits() { return 0; }
  virtual int GetCipherAlgBits() { return 0; }
  virtual int GetVerifyCert() { return 1; }
  // Makes the next Connect continue the TLS session of `other`, a connection of the same
  // plug-in already up to the same server (an FTP data connection continues its control
  // connection's session: servers that demand it refuse a data connection that starts a
  // session of its own). False when this plug-in cannot continue sessions, as the base class
  // and the plug-in without SSL cannot; the next Connect then starts a session of its own.
  virtual bool ContinueSessionOf(const TCustomSSL& other);

  TTCPBlockingSocket* Socket() const { return fSocket; }
  bool SSLEnabled() const { return fSSLEnabled; }
  int LastError() const { return fLastError; }
  const std::string& LastErrorDesc() const { return fLastErrorDesc; }

  THookVerifyCert OnVerifyCert;
  TSSLType SSLType = LT_all;
  std::string KeyPassword, Ciphers, CertificateFile, PrivateKeyFile;
  std::string Certificate, PrivateKey, PFX, PFXfile, CertCA, TrustCertificate;
  std::string TrustCertificateFile;
  bool VerifyCert = false;
  std::string Username, Password;
  std::string SSHChannelType, SSHChannelArg1, SSHChannelArg2;
  int CertComplianceLevel = -1;
  std::string SNIHost;
  // A plug-in that checks certificates (TSSLOpenSSL) skips those checks only when a caller
  // that knowingly trusts the channel sets this; VerifyCert asks a server to demand a client
  // certificate.
  bool AcceptUnverified = false;
  const std::string& CertCAFile() const { return fCertCAFile; }

 protected:
  // Tells whether the plug-in's library is ready; the base class has none.
  virtual bool SSLCheck() { return false; }
  // Records the failure of an operation this plug-in does not support.
  void SetNotCompiled();

  TTCPBlockingSocket* fSocket;
  bool fSSLEnabled = false;
  int fLastError = 0;
  std::string fLastErrorDesc;
  std::string fCertCAFile;
};

}  // namespace net
