#include "tests/support/TestCerts.h"

#include <cstdlib>
#include <filesystem>

#include "tests/support/Process.h"

namespace varelo::test {
namespace {

const char* const kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

}  // namespace

TTestCerts::TTestCerts() {
  if (!HaveProgram("openssl")) {
    log_ = "the openssl command is missing";
    return;
  }
  const std::string d = dir_.Path();
  std::filesystem::create_directories(dir_ / "issued");
  WriteFileBytes(dir_ / "index.txt", "");
  WriteFileBytes(dir_ / "serial", "1000\n");
  // `openssl ca` is the one way this OpenSSL sets a certificate's dates freely, which the
  // expired certificate needs; the extensions of each request (its names) are copied.
  WriteFileBytes(dir_ / "ca.cnf", "[ ca ]\ndefault_ca = test_ca\n[ test_ca ]\ndir = " + d +
                                      "\ndatabase = " + d + "/index.txt\nnew_certs_dir = " + d +
                                      "/issued\nserial = " + d +
                                      "/serial\ndefault_md = sha256\npolicy = any_name\n"
                                      "copy_extensions = copy\nunique_subject = no\n"
                                      "[ any_name ]\ncommonName = supplied\n");
  made_ = Run("CA", std::string("openssl req -x509 ") + kNewKey + " -keyout " + d +
                        "/ca.key -out " + d + "/ca.pem -days 30 -subj '/CN=Varelo Test CA'") &&
          IssueServer("good", "/CN=localhost", "DNS:localhost,IP:127.0.0.1", "-days 30") &&
          IssueServer("expired", "/CN=localhost", "DNS:localhost,IP:127.0.0.1",
                      "-startdate 20200101000000Z -enddate 20200201000000Z") &&
          IssueServer("othername", "/CN=other.example", "DNS:other.example", "-days 30") &&
          Run("self-signed", std::string("openssl req -x509 ") + kNewKey + " -keyout " + d +
                                 "/selfsigned.key -out " + d +
                                 "/selfsigned.pem -days 30 -subj /CN=localhost -addext "
                                 "subjectAltName=DNS:localhost,IP:127.0.0.1") &&
          Run("encrypted key", "openssl pkey -in " + Key("good") + " -aes256 -passout pass:" +
                                   kKeyPassword + " -out " + Key("good-encrypted"));
}

bool TTestCerts::Run(const std::string& what, const std::string& command) {
  std::string out;
  const int code = RunCommand({"/bin/sh", "-c", command + " 2>&1"}, &out);
  if (code != 0)
    log_ += what + " failed (" + std::to_string(code) + "): " + out + "\n";
  return code == 0;
}

bool TTestCerts::IssueServer(const std::string& name, const std::string& subject,
                             const std::string& san, const std::string& dates) {
  const std::string d = dir_.Path();
  return Run(name + " request", std::string("openssl req ") + kNewKey + " -keyout " + Key(name) +
                                    " -out " + d + "/" + name + ".csr -subj " + subject +
                                    " -addext subjectAltName=" + san) &&
         Run(name, "openssl ca -batch -notext -config " + d + "/ca.cnf -cert " + CaFile() +
                       " -keyfile " + d + "/ca.key -in " + d + "/" + name + ".csr -out " +
                       Cert(name) + " " + dates);
}

const TTestCerts& SharedTestCerts() {
  static const TTestCerts certs;
  return certs;
}

TTrustStore::TTrustStore(const std::string& caFile) {
  if (const char* value = std::getenv("SSL_CERT_FILE")) {
    saved_ = value;
    hadSaved_ = true;
  }
  setenv("SSL_CERT_FILE", caFile.c_str(), 1);
}

TTrustStore::~TTrustStore() {
  if (hadSaved_)
    setenv("SSL_CERT_FILE", saved_.c_str(), 1);
  else
    unsetenv("SSL_CERT_FILE");
}

}  // namespace varelo::test
