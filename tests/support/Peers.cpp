#include "tests/support/Peers.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace varelo::test {
namespace {

constexpr int kStartTimeoutMs = 10000;
// Starts of a server whose free port another test took first, before one counts as failed.
constexpr int kPortAttempts = 3;

std::string PortText(int port) {
  return std::to_string(port);
}

std::string TlsLines(const TNginxTls& tls) {
  std::string lines = "    ssl_certificate " + tls.certificateFile + ";\n" +
                      "    ssl_certificate_key " + tls.keyFile + ";\n" + "    ssl_protocols " +
                      tls.protocols + ";\n";
  if (!tls.ciphers.empty())
    lines += "    ssl_ciphers " + tls.ciphers + ";\n";
  return lines;
}

}  // namespace

TNginx::TNginx(const std::string& serverLines, const TNginxTls* tls)
    : root_(dir_ / "www"), tls_(tls != nullptr) {
  if (!HaveProgram("nginx"))
    return;
  std::filesystem::create_directories(root_);
  std::filesystem::create_directories(dir_ / "logs");
  // A free port may be taken by a server of another test between our look and nginx's bind;
  // nginx then retries its bind for a while, and meanwhile the port answers for the other
  // server. So nginx counts as started only once its own pid file is there (it writes it after
  // binding), and a start that lost its port is made again on another one.
  for (int attempt = 0; attempt < kPortAttempts && !started_; ++attempt) {
    port_ = FreeTcpPort();
    started_ = StartOnPort(serverLines, tls);
  }
}

bool TNginx::StartOnPort(const std::string& serverLines, const TNginxTls* tls) {
  const std::string d = dir_.Path();
  std::filesystem::remove(dir_ / "nginx.pid");
  // The worker runs as root so that it can read the test's files whatever their mode; the
  // temporary paths all stay inside the test's folder.
  std::string config =
      "daemon off;\n"
      "user root;\n"
      "worker_processes 1;\n"
      "pid " +
      d +
      "/nginx.pid;\n"
      "error_log " +
      d +
      "/logs/error.log;\n"
      "events { worker_connections 64; }\n"
      "http {\n"
      "  access_log " +
      d +
      "/logs/access.log;\n"
      "  client_body_temp_path " +
      d +
      "/client_body;\n"
      "  proxy_temp_path " +
      d +
      "/proxy;\n"
      "  fastcgi_temp_path " +
      d +
      "/fastcgi;\n"
      "  uwsgi_temp_path " +
      d +
      "/uwsgi;\n"
      "  scgi_temp_path " +
      d +
      "/scgi;\n"
      "  keepalive_timeout 30;\n"
      "  sendfile on;\n"
      "  default_type application/octet-stream;\n"
      "  server {\n"
      "    listen 127.0.0.1:" +
      PortText(port_) + (tls_ ? " ssl" : "") +
      ";\n"
      "    server_name localhost;\n" +
      (tls_ ? TlsLines(*tls) : std::string()) + "    root " + root_ +
      ";\n"
      "    location = /redirect { return 302 /hello.txt; }\n" +
      serverLines +
      "  }\n"
      "}\n";
  WriteFileBytes(dir_ / "nginx.conf", config);
  process_ = TProcess({"nginx", "-p", d, "-c", d + "/nginx.conf"}, dir_ / "logs/stdout.log");
  if (process_.Pid() <= 0)
    return false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (!std::filesystem::exists(dir_ / "nginx.pid")) {
    if (!process_.Running() || std::chrono::steady_clock::now() > deadline) {
      process_.Stop();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WaitForPort(port_, kStartTimeoutMs);
}

std::string TNginx::Url(const std::string& path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + PortText(port_) + path;
}

std::string TNginx::Log() const {
  return ReadFileBytes(dir_ / "logs/error.log") + ReadFileBytes(dir_ / "logs/stdout.log");
}

std::string TNginx::AccessLog() const {
  return ReadFileBytes(dir_ / "logs/access.log");
}

TTinyproxy::TTinyproxy() {
  if (!HaveProgram("tinyproxy"))
    return;
  port_ = FreeTcpPort();
  // Without ConnectPort lines tinyproxy tunnels to any port, which the tests need since their
  // targets listen on random ports.
  std::string config = "Port " + PortText(port_) +
                       "\n"
                       "Listen 127.0.0.1\n"
                       "Timeout 30\n"
                       "MaxClients 16\n"
                       "Allow 127.0.0.1\n"
                       "LogLevel Info\n"
                       "LogFile \"" +
                       (dir_ / "tinyproxy.log") +
                       "\"\n"
                       "PidFile \"" +
                       (dir_ / "tinyproxy.pid") +
                       "\"\n"
                       "DisableViaHeader Yes\n";
  WriteFileBytes(dir_ / "tinyproxy.conf", config);
  process_ = TProcess({"tinyproxy", "-d", "-c", dir_ / "tinyproxy.conf"}, dir_ / "stdout.log");
  started_ = process_.Pid() > 0 && WaitForPort(port_, kStartTimeoutMs);
}

std::string TTinyproxy::Log() const {
  return ReadFileBytes(dir_ / "tinyproxy.log") + ReadFileBytes(dir_ / "stdout.log");
}

TMicrosocks::TMicrosocks(const std::string& user, const std::string& password) {
  if (!HaveProgram("microsocks"))
    return;
  port_ = FreeTcpPort();
  std::vector<std::string> argv{"microsocks", "-i", "127.0.0.1", "-p", PortText(port_)};
  if (!user.empty()) {
    argv.insert(argv.end(), {"-u", user, "-P", password});
  }
  process_ = TProcess(argv, dir_ / "stdout.log");
  started_ = process_.Pid() > 0 && WaitForPort(port_, kStartTimeoutMs);
}

std::string TMicrosocks::Log() const {
  return ReadFileBytes(dir_ / "stdout.log");
}

namespace {

// The server script: binds port 0 and writes the port it got into the port file once it
// listens, so that the test needs no guessed port (and works on ::1 as well).
constexpr const char* kPyFtpdScript = R"PY(import sys, logging
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
host, root, portfile, masq, anonymous, certfile, keyfile = sys.argv[1:8]
logging.basicConfig(level=logging.INFO)
auth = DummyAuthorizer()
auth.add_user("user", "secret", root, perm="elradfmwMT")
if anonymous == "1":
    auth.add_anonymous(root)
base = FTPHandler
if certfile:
    from pyftpdlib.handlers import TLS_FTPHandler
    base = TLS_FTPHandler
class Handler(base):
    pass
if certfile:
    Handler.certfile = certfile
    Handler.keyfile = keyfile
    Handler.tls_control_required = True
    Handler.tls_data_required = True
Handler.authorizer = auth
Handler.banner = "pyftpdlib ready"
if masq:
    Handler.masquerade_address = masq
server = FTPServer((host, 0), Handler)
with open(portfile + ".tmp", "w") as f:
    f.write(str(server.socket.getsockname()[1]))
import os
os.rename(portfile + ".tmp", portfile)
server.serve_forever(timeout=0.5)
)PY";

// Waits (bounded) for the port file a server writes once it listens.
int WaitForPortFile(const std::string& path, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    const std::string text = ReadFileBytes(path);
    if (!text.empty())
      return std::atoi(text.c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

}  // namespace

TPyFtpd::TPyFtpd(const TPyFtpdOptions& options) : host_(options.host), root_(dir_ / "root") {
  if (!PathExists("/usr/bin/python3"))
    return;
  if (RunCommand({"/usr/bin/python3", "-c", "import pyftpdlib"}) != 0)
    return;
  if (!options.tlsCertFile.empty() && RunCommand({"/usr/bin/python3", "-c", "import OpenSSL"}) != 0)
    return;
  std::filesystem::create_directories(root_);
  WriteFileBytes(dir_ / "ftpd.py", kPyFtpdScript);
  const std::string portFile = dir_ / "port";
  process_ = TProcess(
      {"/usr/bin/python3", dir_ / "ftpd.py", host_, root_, portFile, options.masqueradeAddress,
       options.anonymous ? "1" : "0", options.tlsCertFile, options.tlsKeyFile},
      dir_ / "ftpd.log");
  port_ = process_.Pid() > 0 ? WaitForPortFile(portFile, kStartTimeoutMs) : 0;
  started_ = port_ > 0;
}

std::string TPyFtpd::Log() const {
  return ReadFileBytes(dir_ / "ftpd.log");
}

TVsftpd::TVsftpd(const TVsftpdOptions& options) : root_(dir_ / "root") {
  if (!HaveProgram("vsftpd") && !PathExists("/usr/sbin/vsftpd"))
    return;
  std::filesystem::create_directories(root_);
  std::filesystem::create_directories(dir_ / "empty");
  // vsftpd refuses an anonymous root that its user may write to.
  std::filesystem::permissions(root_, std::filesystem::perms(0755));
  port_ = FreeTcpPort();
  std::string config =
      "listen=YES\n"
      "listen_ipv6=NO\n"
      "listen_address=127.0.0.1\n"
      "listen_port=" +
      PortText(port_) +
      "\n"
      "background=NO\n"
      "anonymous_enable=YES\n"
      "no_anon_password=YES\n"
      "anon_root=" +
      root_ +
      "\n"
      "local_enable=NO\n"
      "write_enable=NO\n"
      "secure_chroot_dir=" +
      (dir_ / "empty") +
      "\n"
      "seccomp_sandbox=NO\n"
      "run_as_launching_user=YES\n"
      "pasv_enable=YES\n"
      "port_enable=YES\n"
      "xferlog_enable=NO\n"
      "vsftpd_log_file=" +
      (dir_ / "vsftpd.log") + "\n";
  if (!options.tlsCertFile.empty()) {
    config +=
        "ssl_enable=YES\n"
        "allow_anon_ssl=YES\n"
        "force_anon_logins_ssl=YES\n"
        "force_anon_data_ssl=YES\n"
        "require_ssl_reuse=YES\n"
        "ssl_ciphers=HIGH\n"
        "rsa_cert_file=" +
        options.tlsCertFile +
        "\n"
        "rsa_private_key_file=" +
        options.tlsKeyFile + "\n";
    if (options.implicitTls)
      config += "implicit_ssl=YES\n";
  }
  WriteFileBytes(dir_ / "vsftpd.conf", config);
  const std::string program = HaveProgram("vsftpd") ? "vsftpd" : "/usr/sbin/vsftpd";
  process_ = TProcess({program, dir_ / "vsftpd.conf"}, dir_ / "stdout.log");
  started_ = process_.Pid() > 0 && WaitForPort(port_, kStartTimeoutMs);
}

std::string TVsftpd::Log() const {
  return ReadFileBytes(dir_ / "stdout.log") + ReadFileBytes(dir_ / "vsftpd.log");
}

}  // namespace varelo::test
