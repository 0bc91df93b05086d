#pragma once
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace varelo::e2e {

// Size of the database file VARELO.FDB inside banco.zip: large enough that a throttled fetch
// of banco.zip lasts several seconds.
constexpr int kDatabaseKiB = 3072;

// The packages as tools/make-packages builds them, made once per test program, build and
// database size into a folder of its own: the engine from that build (the Linux one, or the
// Windows one that the program under Wine loads) and the four ZIP packages.
const std::string& PackageFolderOf(const std::string& buildDir, int databaseKiB = kDatabaseKiB);
// The packages with the engine of this test program's own build.
const std::string& PackageFolder(int databaseKiB = kDatabaseKiB);

// The distribution server as tools/dist-server starts it, on a free port of 127.0.0.1, with a
// state folder of the test's own; stopped (by the pid in that folder) when the object goes.
class TDistServer {
 public:
  struct TOptions {
    std::string root;                   // PackageFolder() when empty
    std::vector<std::string> throttle;  // "name=rate", nginx limit_rate
    std::vector<std::string> corrupt;   // package names served damaged
    // "name=bytes": the connection serving the package breaks off after that many bytes of
    // it; a request that continues from there gets the rest
    std::vector<std::string> cut;
    // "name=bytes": the same, but the connection stays open and silent after those bytes
    std::vector<std::string> stall;
  };
  explicit TDistServer(const TOptions& options);
  TDistServer() : TDistServer(TOptions{}) {}
  ~TDistServer();
  TDistServer(const TDistServer&) = delete;
  TDistServer& operator=(const TDistServer&) = delete;

  bool Started() const { return started_; }
  // Stops the server at once, cutting every transfer short; Start serves again on the same
  // port with the same options.
  void Stop();
  bool Start();
  int Port() const { return port_; }
  std::string BaseUrl() const;
  // What the script printed, its nginx error log and the requests nginx served.
  std::string Log() const;
  std::string AccessLog() const;

 private:
  test::TTempDir state_;
  int port_ = 0;
  bool started_ = false;
  std::string output_;
  std::vector<std::string> argv_;
};

}  // namespace varelo::e2e
