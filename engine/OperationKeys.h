#pragma once
#include <atomic>
#include <cstdint>

// Running operations by key, so that "AZ_Abort" (from any thread) reaches the right one.
namespace arcazip {

// Registers an operation for its lifetime and gives it a fresh non-zero key.
class TOperationKey {
 public:
  TOperationKey();
  ~TOperationKey();
  TOperationKey(const TOperationKey&) = delete;
  TOperationKey& operator=(const TOperationKey&) = delete;

  int32_t Key() const { return key_; }
  const std::atomic<bool>& AbortAsked() const { return abort_; }

 private:
  int32_t key_;
  std::atomic<bool> abort_{false};
};

// Asks the operation with this key to stop; false when no such operation runs.
bool AbortOperation(int32_t key);

}  // namespace arcazip
