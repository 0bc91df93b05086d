#pragma once
#include <cstdint>
#include <string>

namespace varelo::test {

// A folder of little room for a test of a full disk: a tmpfs of `bytes` mounted on it (which
// takes root, as the tests' machines run), unmounted when the object goes. A test that cannot
// mount one says so with VARELO_PEER_MISSING.
class TSmallDisk {
 public:
  TSmallDisk(const std::string& folder, int64_t bytes);
  ~TSmallDisk();
  TSmallDisk(const TSmallDisk&) = delete;
  TSmallDisk& operator=(const TSmallDisk&) = delete;
  bool Mounted() const { return mounted_; }
  const std::string& Log() const { return log_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string log_;
};

}  // namespace varelo::test
