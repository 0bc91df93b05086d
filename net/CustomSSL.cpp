#include "net/CustomSSL.h"

namespace net {

TCustomSSL::TCustomSSL(TTCPBlockingSocket* socket) : fSocket(socket) {}

std::unique_ptr<TCustomSSL> TCustomSSL::Create(TTCPBlockingSocket* socket) {
  return std::make_unique<TCustomSSL>(socket);
}

void TCustomSSL::Assign(const TCustomSSL& value) {
  Username = value.Username;
  Password = value.Password;
  VerifyCert = value.VerifyCert;
  SSLType = value.SSLType;
  KeyPassword = value.KeyPassword;
  Ciphers = value.Ciphers;
  CertificateFile = value.CertificateFile;
  PrivateKeyFile = value.PrivateKeyFile;
  SetCertCAFile(value.CertCAFile());
  CertCA = value.CertCA;
  TrustCertificate = value.TrustCertificate;
  TrustCertificateFile = value.TrustCertificateFile;
  Certificate = value.Certificate;
  PrivateKey = value.PrivateKey;
  PFX = value.PFX;
  PFXfile = value.PFXfile;
  CertComplianceLevel = value.CertComplianceLevel;
  SNIHost = value.SNIHost;
  AcceptUnverified = value.AcceptUnverified;
}

void TCustomSSL::SetNotCompiled() {
  fLastError = -1;
  fLastErrorDesc = kSSLNotCompiled;
}

bool TCustomSSL::Connect() {
  SetNotCompiled();
  return false;
}

bool TCustomSSL::Accept() {
  SetNotCompiled();
  return false;
}

bool TCustomSSL::Shutdown() {
  SetNotCompiled();
  return false;
}

bool TCustomSSL::BiShutdown() {
  SetNotCompiled();
  return false;
}

int TCustomSSL::SendBuffer(const void*, int) {
  SetNotCompiled();
  return -1;
}

int TCustomSSL::RecvBuffer(void*, int) {
  SetNotCompiled();
  return -1;
}

int TCustomSSL::WaitingData() {
  SetNotCompiled();
  return 0;
}

bool TCustomSSL::ContinueSessionOf(const TCustomSSL&) {
  // Not an error: the next Connect starts a session of its own (and, here, fails as any
  // Connect of this class does).
  return false;
}

}  // namespace net
