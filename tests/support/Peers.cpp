#include "tests/support/Peers.h"

#include <filesystem>

namespace varelo::test {
namespace {

constexpr int kStartTimeoutMs = 10000;

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
  port_ = FreeTcpPort();
  const std::string d = dir_.Path();
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
  started_ = process_.Pid() > 0 && WaitForPort(port_, kStartTimeoutMs);
}

std::string TNginx::Url(const std::string& path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + PortText(port_) + path;
}

std::string TNginx::Log() const {
  return ReadFileBytes(dir_ / "logs/error.log") + ReadFileBytes(dir_ / "logs/stdout.log");
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

}  // namespace varelo::test
