#pragma once
#include <string>

#include "tests/support/TempDir.h"

namespace varelo::test {

// A small certificate authority made by the test with the `openssl` command, in a temporary
// folder of its own, and the server certificates the TLS tests need: a good one for 127.0.0.1
// and localhost, an expired one (January 2020), one for another name only, and a self-signed
// one. Each certificate file has its key beside it (Key(name)).
class TTestCerts {
 public:
  TTestCerts();
  // False (with Log() telling why) when the openssl command is missing or failed.
  bool Made() const { return made_; }
  const std::string& Log() const { return log_; }

  std::string CaFile() const { return dir_ / "ca.pem"; }
  std::string Cert(const std::string& name) const { return dir_ / (name + ".pem"); }
  std::string Key(const std::string& name) const { return dir_ / (name + ".key"); }
  // The names made: "good", "expired", "othername", "selfsigned"; Key("good-encrypted") is
  // good's key encrypted with kKeyPassword.
  static constexpr const char* kKeyPassword = "s3cret";

 private:
  bool Run(const std::string& what, const std::string& command);
  bool IssueServer(const std::string& name, const std::string& subject, const std::string& san,
                   const std::string& dates);

  TTempDir dir_;
  bool made_ = false;
  std::string log_;
};

// One set for the whole test program: making keys takes a moment.
const TTestCerts& SharedTestCerts();

// Points OpenSSL's trust store at `caFile` through SSL_CERT_FILE for the life of the object,
// and restores what was there.
class TTrustStore {
 public:
  explicit TTrustStore(const std::string& caFile);
  ~TTrustStore();
  TTrustStore(const TTrustStore&) = delete;
  TTrustStore& operator=(const TTrustStore&) = delete;

 private:
  std::string saved_;
  bool hadSaved_ = false;
};

}  // namespace varelo::test
