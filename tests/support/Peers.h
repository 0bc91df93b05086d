#pragma once
#include <memory>
#include <string>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace varelo::test {

// Real servers for the network tests, each started on 127.0.0.1 with a configuration written
// into its own temporary folder and stopped by pid when the object goes away. Started() is
// false (and Log() tells why) when the program is missing or did not come up in time.

// The TLS side of an nginx: its certificate chain and key (PEM files), the protocols it
// offers (nginx's ssl_protocols) and, when set, its ssl_ciphers.
struct TNginxTls {
  std::string certificateFile;
  std::string keyFile;
  std::string protocols = "TLSv1.2 TLSv1.3";
  std::string ciphers;
};

// nginx serving the folder Root() on Port(). Besides plain files it answers
// /redirect with a 302 to /hello.txt and /missing with a 404. Keep-alive is on.
// `serverLines` go into the server block as they are (more locations, say). With `tls` it
// speaks https only, and Url() gives https URLs.
class TNginx {
 public:
  explicit TNginx(const std::string& serverLines = "", const TNginxTls* tls = nullptr);
  bool Started() const { return started_; }
  int Port() const { return port_; }
  const std::string& Root() const { return root_; }
  std::string Url(const std::string& path) const;
  std::string Log() const;
  // The requests served, one line each: "<request line> <status> <body bytes sent>".
  std::string AccessLog() const;

 private:
  bool StartOnPort(const std::string& serverLines, const TNginxTls* tls);
  TTempDir dir_;
  std::string root_;
  int port_ = 0;
  bool tls_ = false;
  bool started_ = false;
  TProcess process_;
};

// tinyproxy on Port(): forwards absolute-form requests and opens CONNECT tunnels to any port
// on the loopback address.
class TTinyproxy {
 public:
  TTinyproxy();
  bool Started() const { return started_; }
  int Port() const { return port_; }
  std::string Log() const;

 private:
  TTempDir dir_;
  int port_ = 0;
  bool started_ = false;
  TProcess process_;
};

// microsocks, a SOCKS 5 server, on Port(); with a user name it demands that user and password.
class TMicrosocks {
 public:
  explicit TMicrosocks(const std::string& user = "", const std::string& password = "");
  bool Started() const { return started_; }
  int Port() const { return port_; }
  std::string Log() const;

 private:
  TTempDir dir_;
  int port_ = 0;
  bool started_ = false;
  TProcess process_;
};

// pyftpdlib (run with /usr/bin/python3, where Debian's package loads) serving Root() on
// Host() ("127.0.0.1" or "::1") at Port(), chosen by the server itself. User "user" with
// password "secret" may read and write; anonymous users may read. With a masquerade address
// the server names it in its PASV replies instead of its own. With a certificate (and its key)
// the server is the TLS one (needs python3-openssl): AUTH TLS and PROT P are then required.
struct TPyFtpdOptions {
  std::string host = "127.0.0.1";
  std::string masqueradeAddress;
  bool anonymous = true;
  std::string tlsCertFile, tlsKeyFile;
};

class TPyFtpd {
 public:
  explicit TPyFtpd(const TPyFtpdOptions& options = TPyFtpdOptions());
  bool Started() const { return started_; }
  const std::string& Host() const { return host_; }
  int Port() const { return port_; }
  const std::string& Root() const { return root_; }
  std::string Log() const;

 private:
  TTempDir dir_;
  std::string host_;
  std::string root_;
  int port_ = 0;
  bool started_ = false;
  TProcess process_;
};

// With a certificate (and its key) vsftpd requires TLS for the login and every data
// connection, and each data connection must continue the control connection's TLS session;
// implicitTls: TLS from the first byte instead of AUTH TLS.
struct TVsftpdOptions {
  std::string tlsCertFile, tlsKeyFile;
  bool implicitTls = false;
};

// vsftpd serving Root() to anonymous users (read only) on 127.0.0.1 at Port(), from a
// configuration of its own that runs it as the launching user in the foreground.
class TVsftpd {
 public:
  explicit TVsftpd(const TVsftpdOptions& options = TVsftpdOptions());
  bool Started() const { return started_; }
  int Port() const { return port_; }
  const std::string& Root() const { return root_; }
  std::string Log() const;

 private:
  TTempDir dir_;
  std::string root_;
  int port_ = 0;
  bool started_ = false;
  TProcess process_;
};

}  // namespace varelo::test
