#include "net/SSLOpenSSL.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "net/NetLimits.h"
#include "net/ProtoTicks.h"
#include "net/TCPBlockingSocket.h"
#include "platform/Socket.h"

namespace net {
namespace {

struct TCtxFree {
  void operator()(SSL_CTX* p) const { SSL_CTX_free(p); }
};
struct TSslFree {
  void operator()(SSL* p) const { SSL_free(p); }
};
struct TX509Free {
  void operator()(X509* p) const { X509_free(p); }
};
struct TBioFree {
  void operator()(BIO* p) const { BIO_free(p); }
};
struct TSessionFree {
  void operator()(SSL_SESSION* p) const { SSL_SESSION_free(p); }
};
struct TOpenSSLFree {
  void operator()(char* p) const { OPENSSL_free(p); }
};

// The SSL_get_error stand-in for "the socket gave no sign within the time allowed".
constexpr int kTimedOut = -1;

// True when the socket becomes readable (or writable) within `ms`.
bool WaitSocket(platform::TSocketHandle handle, bool write, int32_t ms) {
  std::vector<bool> ready;
  return platform::SockWait({handle}, write, ms, ready) > 0;
}

// The reason of the oldest error OpenSSL queued (empty when none); the queue is emptied, so
// that a later failure does not carry an old reason.
std::string TakeOpenSSLReason(int& code) {
  const unsigned long first = ERR_get_error();
  while (ERR_get_error() != 0) {
  }
  if (first == 0)
    return "";
  code = ERR_GET_REASON(first);
  const char* reason = ERR_reason_error_string(first);
  if (reason != nullptr)
    return reason;
  char text[256];
  ERR_error_string_n(first, text, sizeof text);
  return text;
}

// Reasons that mean the two sides have no protocol version in common.
bool IsProtocolReason(int reason) {
  return reason == SSL_R_UNSUPPORTED_PROTOCOL || reason == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION ||
         reason == SSL_R_WRONG_SSL_VERSION || reason == SSL_R_NO_PROTOCOLS_AVAILABLE ||
         reason == SSL_R_VERSION_TOO_LOW;
}

int PasswordCallback(char* buffer, int size, int, void* userdata) {
  const auto* password = static_cast<const std::string*>(userdata);
  const int length = std::min(size, static_cast<int>(password->size()));
  std::memcpy(buffer, password->data(), static_cast<size_t>(length));
  return length;
}

// Adds every PEM certificate of `pem` to the context's trust store; false when none was read.
bool AddPemCertificates(SSL_CTX* ctx, const std::string& pem) {
  std::unique_ptr<BIO, TBioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio)
    return false;
  X509_STORE* store = SSL_CTX_get_cert_store(ctx);
  int added = 0;
  while (true) {
    std::unique_ptr<X509, TX509Free> cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    if (!cert)
      break;
    if (X509_STORE_add_cert(store, cert.get()) == 1)
      ++added;
  }
  // Reading past the last certificate queues a "no start line" error that means nothing.
  ERR_clear_error();
  return added > 0;
}

// Loads our own certificate and key (a server's, or a client's) into the context. Returns
// the failure in words (empty when all was read), with its code.
std::string LoadCredentials(SSL_CTX* ctx, const std::string& certificateFile,
                            const std::string& privateKeyFile, int& code) {
  auto reasonFor = [&](const std::string& what) {
    const std::string reason = TakeOpenSSLReason(code);
    return reason.empty() ? what : what + ": " + reason;
  };
  if (!certificateFile.empty() &&
      SSL_CTX_use_certificate_chain_file(ctx, certificateFile.c_str()) != 1)
    return reasonFor("cannot read the certificate file \"" + certificateFile + "\"");
  const std::string& keyFile = privateKeyFile.empty() ? certificateFile : privateKeyFile;
  if (keyFile.empty())
    return "";
  if (SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
    // OpenSSL checks the key against the certificate as it loads it.
    const unsigned long error = ERR_peek_error();
    if (ERR_GET_LIB(error) == ERR_LIB_X509 && ERR_GET_REASON(error) == X509_R_KEY_VALUES_MISMATCH)
      return reasonFor("the private key does not match the certificate");
    return reasonFor("cannot read the private key file \"" + keyFile + "\"");
  }
  if (SSL_CTX_check_private_key(ctx) != 1)
    return reasonFor("the private key does not match the certificate");
  return "";
}

std::string NameText(const X509_NAME* name) {
  if (name == nullptr)
    return "";
  std::unique_ptr<char, TOpenSSLFree> text(X509_NAME_oneline(name, nullptr, 0));
  return text ? std::string(text.get()) : std::string();
}

}  // namespace

// One connection's OpenSSL objects, and what the handshake learnt about the peer (kept after
// the connection ends, so a caller can still look at the certificate of the last transfer).
struct TSSLOpenSSL::TSession {
  std::unique_ptr<SSL_CTX, TCtxFree> ctx;
  std::unique_ptr<SSL, TSslFree> ssl;
  platform::TSocketHandle handle = platform::kInvalidSocket;
  int socketError = 0;  // the last failed socket call of the transport, 0 = none
  std::string host;     // the name or address checked against the certificate
  // The TLS stream has ended: cleanly (close_notify), or with the failure below.
  bool ended = false;
  bool failed = false;
  int failCode = 0;
  std::string failText;

  std::unique_ptr<X509, TX509Free> peer;
  std::string version, cipher;
  int cipherBits = 0, cipherAlgBits = 0;
  long verifyResult = X509_V_ERR_UNSPECIFIED;
  bool reused = false;

  bool Active() const { return ssl != nullptr; }

  // Runs `op` until it completes, waiting on the socket as OpenSSL asks, for at most `ms`.
  // Returns op's last result and puts SSL_get_error's verdict (or kTimedOut) into `err`.
  int Drive(int32_t ms, const std::function<int()>& op, int& err) {
    const uint32_t start = TickNow();
    while (true) {
      ERR_clear_error();
      socketError = 0;
      const int result = op();
      if (result > 0) {
        err = SSL_ERROR_NONE;
        return result;
      }
      err = SSL_get_error(ssl.get(), result);
      if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE)
        return result;
      const int32_t left = ms - static_cast<int32_t>(TickSpan(start, TickNow()));
      if (left <= 0 || !WaitSocket(handle, err == SSL_ERROR_WANT_WRITE, left)) {
        err = kTimedOut;
        return -1;
      }
    }
  }

  // Why the last operation failed, in words, with its code.
  std::string Reason(int err, int& code) {
    code = -1;
    if (err == kTimedOut)
      return "timed out";
    std::string reason = TakeOpenSSLReason(code);
    if (!reason.empty())
      return reason;
    if (socketError != 0) {
      code = socketError;
      return TBlockingSocket::GetErrorDesc(socketError);
    }
    return "connection closed by the peer";
  }

  // Records that the TLS stream failed after the handshake; a later read reports it.
  void StreamFailed(int err) {
    int code = -1;
    const std::string reason = Reason(err, code);
    ended = true;
    failed = true;
    failCode = code;
    if (code == SSL_R_UNEXPECTED_EOF_WHILE_READING || reason == "connection closed by the peer") {
      // A peer that closes without its close_notify may have been cut off (or cut us off): the
      // data up to here may be short, so this is an error, never an orderly end.
      failText = "TLS stream cut short: the peer closed without close_notify";
    } else {
      failText = "TLS transfer failed: " + reason;
    }
  }
};

// The session of another connection to continue, and the name that connection checked.
struct TSSLOpenSSL::TReuse {
  std::unique_ptr<SSL_SESSION, TSessionFree> session;
  std::string host;
};

namespace {

// The transport under OpenSSL: the socket layer's own handle, through the platform calls. A
// read never waits: with nothing on the socket it asks OpenSSL to retry, and the plug-in does
// the waiting itself with the time limits it has.
int BioWrite(BIO* bio, const char* data, int length) {
  auto* session = static_cast<TSSLOpenSSL::TSession*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  const int sent = platform::SockSend(session->handle, data, length, 0);
  if (sent < 0)
    session->socketError = platform::SockLastError();
  return sent;
}

int BioRead(BIO* bio, char* data, int length) {
  auto* session = static_cast<TSSLOpenSSL::TSession*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  std::vector<bool> ready;
  const int waiting = platform::SockWait({session->handle}, false, 0, ready);
  if (waiting == 0) {
    BIO_set_retry_read(bio);
    return -1;
  }
  const int got = waiting < 0 ? -1 : platform::SockRecv(session->handle, data, length, 0);
  if (got < 0)
    session->socketError = platform::SockLastError();
  return got;
}

long BioCtrl(BIO*, int cmd, long, void*) {
  return cmd == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

BIO_METHOD* SocketBioMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "varelo socket");
    BIO_meth_set_write(m, BioWrite);
    BIO_meth_set_read(m, BioRead);
    BIO_meth_set_ctrl(m, BioCtrl);
    BIO_meth_set_create(m, BioCreate);
    return m;
  }();
  return method;
}

}  // namespace

TSSLOpenSSL::TSSLOpenSSL(TTCPBlockingSocket* socket) : TCustomSSL(socket) {}

TSSLOpenSSL::~TSSLOpenSSL() = default;

std::unique_ptr<TCustomSSL> TSSLOpenSSL::Create(TTCPBlockingSocket* socket) {
  return std::make_unique<TSSLOpenSSL>(socket);
}

std::string TSSLOpenSSL::LibVersion() {
  return OpenSSL_version(OPENSSL_VERSION);
}

void TSSLOpenSSL::Fail(int code, const std::string& text) {
  fLastError = code != 0 ? code : -1;
  fLastErrorDesc = text;
}

void TSSLOpenSSL::EndSession() {
  fSSLEnabled = false;
  if (!fSession)
    return;
  fSession->ssl.reset();
  fSession->ctx.reset();
}

bool TSSLOpenSSL::Connect() {
  return Start(false);
}

bool TSSLOpenSSL::Accept() {
  return Start(true);
}

bool TSSLOpenSSL::Start(bool server) {
  fLastError = 0;
  fLastErrorDesc.clear();
  EndSession();
  fSession.reset();
  if (fSocket == nullptr || fSocket->Socket() == platform::kInvalidSocket) {
    Fail(-1, "TLS needs a connected socket");
    return false;
  }
  if (SSLType == LT_SSHv2) {
    Fail(-1, "SSH is not supported by this plug-in");
    return false;
  }
  if (SSLType != LT_all && SSLType < LT_TLSv1_2) {
    Fail(SSL_R_UNSUPPORTED_PROTOCOL, "protocol refused: TLS 1.2 or later is required");
    return false;
  }
  auto session = std::make_unique<TSession>();
  session->handle = fSocket->Socket();
  ERR_clear_error();
  int code = -1;
  auto failOpenSSL = [&](const std::string& what) {
    const std::string reason = TakeOpenSSLReason(code);
    Fail(code, reason.empty() ? what : what + ": " + reason);
    return false;
  };

  session->ctx.reset(SSL_CTX_new(server ? TLS_server_method() : TLS_client_method()));
  SSL_CTX* ctx = session->ctx.get();
  if (ctx == nullptr)
    return failOpenSSL("cannot create the TLS context");
  const int minVersion = SSLType == LT_TLSv1_3 ? TLS1_3_VERSION : TLS1_2_VERSION;
  const int maxVersion = SSLType == LT_TLSv1_2 ? TLS1_2_VERSION : 0;
  SSL_CTX_set_min_proto_version(ctx, minVersion);
  SSL_CTX_set_max_proto_version(ctx, maxVersion);
  if (!Ciphers.empty() && SSL_CTX_set_cipher_list(ctx, Ciphers.c_str()) != 1)
    return failOpenSSL("cipher list \"" + Ciphers + "\" refused");

  // Whom to trust: the client always checks the server unless told not to; a server asks for
  // a client certificate only with VerifyCert.
  const bool verify = server ? VerifyCert : !AcceptUnverified;
  if (verify) {
    SSL_CTX_set_verify(
        ctx, server ? SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT : SSL_VERIFY_PEER, nullptr);
    if (!fCertCAFile.empty()) {
      if (SSL_CTX_load_verify_locations(ctx, fCertCAFile.c_str(), nullptr) != 1)
        return failOpenSSL("cannot read the CA file \"" + fCertCAFile + "\"");
    } else if (CertCA.empty()) {
      SSL_CTX_set_default_verify_paths(ctx);
    }
    if (!CertCA.empty() && !AddPemCertificates(ctx, CertCA))
      return failOpenSSL("no certificate in CertCA");
    if (!TrustCertificateFile.empty() &&
        SSL_CTX_load_verify_locations(ctx, TrustCertificateFile.c_str(), nullptr) != 1)
      return failOpenSSL("cannot read the trusted certificate file \"" + TrustCertificateFile +
                         "\"");
    if (!TrustCertificate.empty() && !AddPemCertificates(ctx, TrustCertificate))
      return failOpenSSL("no certificate in TrustCertificate");
  } else {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
  }

  // Our own certificate: a server's, or a client's for a server that asks for one.
  // An encrypted key is opened with KeyPassword only: OpenSSL's own fallback would ask on the
  // terminal, which an installer does not have.
  SSL_CTX_set_default_passwd_cb(ctx, PasswordCallback);
  SSL_CTX_set_default_passwd_cb_userdata(ctx, &KeyPassword);
  const std::string credentialsFailure =
      LoadCredentials(ctx, CertificateFile, PrivateKeyFile, code);
  SSL_CTX_set_default_passwd_cb(ctx, nullptr);
  SSL_CTX_set_default_passwd_cb_userdata(ctx, nullptr);
  if (!credentialsFailure.empty()) {
    Fail(code, credentialsFailure);
    return false;
  }
  if (server && CertificateFile.empty()) {
    Fail(-1, "a TLS server needs CertificateFile and PrivateKeyFile");
    return false;
  }

  session->ssl.reset(SSL_new(ctx));
  SSL* ssl = session->ssl.get();
  BIO* bio = ssl ? BIO_new(SocketBioMethod()) : nullptr;
  if (bio == nullptr)
    return failOpenSSL("cannot create the TLS connection");
  BIO_set_data(bio, session.get());
  SSL_set_bio(ssl, bio, bio);
  // Reading ahead takes whole socket buffers at a time instead of a record header and then
  // its body; WaitingData still sees every record that is complete.
  SSL_set_read_ahead(ssl, 1);
  SSL_set_default_read_buffer_len(ssl, kSSLReadAheadBytes);

  if (!server) {
    std::string host = !SNIHost.empty()                  ? SNIHost
                       : fReuse && !fReuse->host.empty() ? fReuse->host
                                                         : fSocket->GetRemoteSinIP();
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
      host = host.substr(1, host.size() - 2);
    session->host = host;
    // An address is checked against the certificate's IP entries and sent as no server name;
    // a name is both the server name asked for and the name checked.
    if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) != 1) {
      ERR_clear_error();
      SSL_set_tlsext_host_name(ssl, host.c_str());
      if (SSL_set1_host(ssl, host.c_str()) != 1)
        return failOpenSSL("cannot check the host name \"" + host + "\"");
    }
  }

  // A session made under other settings (a protocol now refused) is not offered.
  if (!server && fReuse && fReuse->session && SSL_set_session(ssl, fReuse->session.get()) != 1)
    ERR_clear_error();

  const int32_t limit = fSocket->ConnectionTimeout() > 0        ? fSocket->ConnectionTimeout()
                        : fSocket->ConnectFallbackTimeout() > 0 ? fSocket->ConnectFallbackTimeout()
                                                                : kSSLHandshakeTimeoutMs;
  int err = SSL_ERROR_NONE;
  session->Drive(
      limit, [&] { return server ? SSL_accept(ssl) : SSL_connect(ssl); }, err);
  if (err != SSL_ERROR_NONE) {
    const long verifyResult = SSL_get_verify_result(ssl);
    const std::string reason = session->Reason(err, code);
    if (!server && verify && verifyResult != X509_V_OK) {
      Fail(static_cast<int>(verifyResult), std::string("certificate verify failed: ") +
                                               X509_verify_cert_error_string(verifyResult) +
                                               ", host " + session->host);
    } else if (IsProtocolReason(code)) {
      Fail(code, "protocol refused: TLS 1.2 or later is required (" + reason + ")");
    } else {
      Fail(code, "TLS handshake failed: " + reason);
    }
    // The verdict stays readable through GetVerifyCert.
    session->verifyResult = verifyResult;
    session->ssl.reset();
    session->ctx.reset();
    fSession = std::move(session);
    return false;
  }

  session->peer.reset(SSL_get1_peer_certificate(ssl));
  session->version = SSL_get_version(ssl);
  if (const SSL_CIPHER* cipher = SSL_get_current_cipher(ssl)) {
    session->cipher = SSL_CIPHER_get_name(cipher);
    session->cipherBits = SSL_CIPHER_get_bits(cipher, &session->cipherAlgBits);
  }
  session->verifyResult = verify ? SSL_get_verify_result(ssl) : X509_V_OK;
  session->reused = SSL_session_reused(ssl) == 1;
  fSession = std::move(session);
  fSSLEnabled = true;
  if (OnVerifyCert && !OnVerifyCert(this)) {
    const std::string host = fSession->host;
    Shutdown();
    Fail(-1, "certificate refused by the application, host " + host);
    return false;
  }
  return true;
}

bool TSSLOpenSSL::ContinueSessionOf(const TCustomSSL& other) {
  fReuse.reset();
  const auto* source = dynamic_cast<const TSSLOpenSSL*>(&other);
  if (source == nullptr || !source->fSession)
    return true;
  auto reuse = std::make_unique<TReuse>();
  reuse->host = source->fSession->host;
  SSL_SESSION* current =
      source->fSession->Active() ? SSL_get_session(source->fSession->ssl.get()) : nullptr;
  // Under TLS 1.3 there is nothing to continue until the server's ticket has been read.
  if (current != nullptr && SSL_SESSION_is_resumable(current) == 1) {
    // A copy of our own: OpenSSL marks the session a connection used as spent when that
    // connection ends without its close_notify (as a data connection the server closes may),
    // and the control connection's session must stay good for the next data connection.
    reuse->session.reset(SSL_SESSION_dup(current));
  }
  fReuse = std::move(reuse);
  return true;
}

bool TSSLOpenSSL::SessionReused() const {
  return fSession && fSession->reused;
}

bool TSSLOpenSSL::Shutdown() {
  fLastError = 0;
  fLastErrorDesc.clear();
  if (fSession && fSession->Active() && !fSession->failed && fSocket->LastError() == 0) {
    // One close_notify, without waiting for the peer's: the connection is being closed.
    ERR_clear_error();
    SSL_shutdown(fSession->ssl.get());
    ERR_clear_error();
  }
  EndSession();
  return true;
}

bool TSSLOpenSSL::BiShutdown() {
  fLastError = 0;
  fLastErrorDesc.clear();
  if (!fSession || !fSession->Active()) {
    EndSession();
    return true;
  }
  TSession& s = *fSession;
  bool closed = false;
  if (!s.failed) {
    ERR_clear_error();
    const int sent = SSL_shutdown(s.ssl.get());
    closed = sent == 1;
    // The peer's close_notify may come after data still on its way; that data is dropped.
    const uint32_t start = TickNow();
    char sink[4096];
    while (sent == 0 && !closed) {
      const int32_t left = kSSLShutdownWaitMs - static_cast<int32_t>(TickSpan(start, TickNow()));
      if (left <= 0)
        break;
      int err = SSL_ERROR_NONE;
      s.Drive(
          left, [&] { return SSL_read(s.ssl.get(), sink, sizeof sink); }, err);
      if (err == SSL_ERROR_ZERO_RETURN)
        closed = true;
      else if (err != SSL_ERROR_NONE)
        break;
    }
    ERR_clear_error();
  }
  EndSession();
  if (!closed)
    Fail(-1, "TLS shutdown: the peer did not close its side");
  return closed;
}

int TSSLOpenSSL::SendBuffer(const void* buffer, int length) {
  fLastError = 0;
  fLastErrorDesc.clear();
  if (!fSession || !fSession->Active() || fSession->failed) {
    Fail(-1, fSession && fSession->failed ? fSession->failText : "TLS is not started");
    return -1;
  }
  if (length <= 0)
    return 0;
  TSession& s = *fSession;
  int err = SSL_ERROR_NONE;
  const int sent = s.Drive(
      kSSLRecordWaitMs, [&] { return SSL_write(s.ssl.get(), buffer, length); }, err);
  if (err == SSL_ERROR_NONE)
    return sent;
  s.StreamFailed(err);
  Fail(s.failCode, s.failText);
  return -1;
}

int TSSLOpenSSL::RecvBuffer(void* buffer, int length) {
  fLastError = 0;
  fLastErrorDesc.clear();
  if (!fSession || !fSession->Active()) {
    Fail(-1, "TLS is not started");
    return -1;
  }
  TSession& s = *fSession;
  if (s.failed) {
    Fail(s.failCode, s.failText);
    return -1;
  }
  if (s.ended || length <= 0)
    return 0;
  int err = SSL_ERROR_NONE;
  const int got = s.Drive(
      kSSLRecordWaitMs, [&] { return SSL_read(s.ssl.get(), buffer, length); }, err);
  if (err == SSL_ERROR_NONE)
    return got;
  if (err == SSL_ERROR_ZERO_RETURN) {
    s.ended = true;
    return 0;
  }
  s.StreamFailed(err);
  Fail(s.failCode, s.failText);
  return -1;
}

int TSSLOpenSSL::WaitingData() {
  if (!fSession || !fSession->Active())
    return 0;
  TSession& s = *fSession;
  if (s.ended)
    return 1;
  const int pending = SSL_pending(s.ssl.get());
  if (pending > 0)
    return pending;
  // Let OpenSSL take in what the socket holds now (the BIO does not wait), so that a record
  // that has arrived whole counts, and one still arriving does not.
  char byte = 0;
  ERR_clear_error();
  s.socketError = 0;
  const int peeked = SSL_peek(s.ssl.get(), &byte, 1);
  if (peeked > 0)
    return std::max(1, SSL_pending(s.ssl.get()));
  const int err = SSL_get_error(s.ssl.get(), peeked);
  if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
    ERR_clear_error();
    return 0;
  }
  if (err == SSL_ERROR_ZERO_RETURN)
    s.ended = true;
  else
    s.StreamFailed(err);
  return 1;
}

std::string TSSLOpenSSL::GetSSLVersion() {
  return fSession ? fSession->version : "";
}

std::string TSSLOpenSSL::GetPeerSubject() {
  return fSession && fSession->peer ? NameText(X509_get_subject_name(fSession->peer.get())) : "";
}

int TSSLOpenSSL::GetPeerSerialNo() {
  if (!fSession || !fSession->peer)
    return -1;
  return static_cast<int>(ASN1_INTEGER_get(X509_get_serialNumber(fSession->peer.get())));
}

std::string TSSLOpenSSL::GetPeerIssuer() {
  return fSession && fSession->peer ? NameText(X509_get_issuer_name(fSession->peer.get())) : "";
}

std::string TSSLOpenSSL::GetPeerName() {
  if (!fSession || !fSession->peer)
    return "";
  char name[256] = {};
  const int length = X509_NAME_get_text_by_NID(X509_get_subject_name(fSession->peer.get()),
                                               NID_commonName, name, sizeof name);
  return length > 0 ? std::string(name, static_cast<size_t>(length)) : "";
}

uint32_t TSSLOpenSSL::GetPeerNameHash() {
  if (!fSession || !fSession->peer)
    return 0;
  int ok = 0;
  const unsigned long hash =
      X509_NAME_hash_ex(X509_get_subject_name(fSession->peer.get()), nullptr, nullptr, &ok);
  return ok ? static_cast<uint32_t>(hash) : 0;
}

std::string TSSLOpenSSL::GetPeerFingerprint() {
  if (!fSession || !fSession->peer)
    return "";
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (X509_digest(fSession->peer.get(), EVP_sha256(), digest, &length) != 1)
    return "";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, i + 1 < length ? "%02X:" : "%02X", digest[i]);
    text += pair;
  }
  return text;
}

std::string TSSLOpenSSL::GetCertInfo() {
  if (!fSession || !fSession->peer)
    return "";
  std::unique_ptr<BIO, TBioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || X509_print(bio.get(), fSession->peer.get()) != 1)
    return "";
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return length > 0 ? std::string(data, static_cast<size_t>(length)) : "";
}

std::string TSSLOpenSSL::GetCipherName() {
  return fSession ? fSession->cipher : "";
}

int TSSLOpenSSL::GetCipherBits() {
  return fSession ? fSession->cipherBits : 0;
}

int TSSLOpenSSL::GetCipherAlgBits() {
  return fSession ? fSession->cipherAlgBits : 0;
}

int TSSLOpenSSL::GetVerifyCert() {
  return fSession ? static_cast<int>(fSession->verifyResult) : 1;
}

}  // namespace net
