#include "tests/e2e/DistServer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "tests/support/Process.h"

namespace varelo::e2e {
namespace {

constexpr int kToolTimeoutMs = 60000;

std::string Tool(const std::string& name) {
  return std::string(VARELO_TOOLS_DIR) + "/" + name;
}

}  // namespace

const std::string& PackageFolderOf(const std::string& buildDir, int databaseKiB) {
  static std::map<std::pair<std::string, int>,
                  std::pair<std::unique_ptr<test::TTempDir>, std::string>>
      made;
  auto& [dir, folder] = made[{buildDir, databaseKiB}];
  if (dir)
    return folder;
  dir = std::make_unique<test::TTempDir>();
  folder = *dir / "dist";
  std::string out;
  const int code = test::RunCommand({"bash", Tool("make-packages"), "--build", buildDir, "--out",
                                     folder, "--database-kib", std::to_string(databaseKiB)},
                                    &out, kToolTimeoutMs);
  if (code != 0)
    ADD_FAILURE() << "make-packages failed: " << out;
  return folder;
}

const std::string& PackageFolder(int databaseKiB) {
  return PackageFolderOf(VARELO_BUILD_DIR, databaseKiB);
}

TDistServer::TDistServer(const TOptions& options) {
  port_ = test::FreeTcpPort();
  const std::string root = options.root.empty() ? PackageFolder() : options.root;
  std::vector<std::string> argv = {
      "bash", Tool("dist-server"), "start",      "--port", std::to_string(port_), "--root",
      root,   "--state",           state_.Path()};
  for (const auto& t : options.throttle) {
    argv.push_back("--throttle");
    argv.push_back(t);
  }
  for (const auto& c : options.corrupt) {
    argv.push_back("--corrupt");
    argv.push_back(c);
  }
  for (const auto& c : options.cut) {
    argv.push_back("--cut");
    argv.push_back(c);
  }
  for (const auto& c : options.stall) {
    argv.push_back("--stall");
    argv.push_back(c);
  }
  argv_ = argv;
  Start();
}

bool TDistServer::Start() {
  started_ = test::RunCommand(argv_, &output_, kToolTimeoutMs) == 0 && test::WaitForPort(port_);
  return started_;
}

void TDistServer::Stop() {
  test::RunCommand({"bash", Tool("dist-server"), "stop", "--state", state_.Path()}, nullptr,
                   kToolTimeoutMs);
  started_ = false;
}

TDistServer::~TDistServer() {
  Stop();
}

std::string TDistServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::string TDistServer::Log() const {
  return output_ + test::ReadFileBytes(state_ / "error.log");
}

std::string TDistServer::AccessLog() const {
  return test::ReadFileBytes(state_ / "access.log");
}

}  // namespace varelo::e2e
