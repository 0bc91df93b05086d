#include "engine/OperationKeys.h"

#include <map>
#include <mutex>

namespace arcazip {
namespace {

std::mutex& Guard() {
  static std::mutex guard;
  return guard;
}

std::map<int32_t, std::atomic<bool>*>& Running() {
  static std::map<int32_t, std::atomic<bool>*> running;
  return running;
}

int32_t NextKey() {
  static int32_t last = 0;
  last = last == INT32_MAX ? 1 : last + 1;
  return last;
}

}  // namespace

TOperationKey::TOperationKey() {
  std::lock_guard lock(Guard());
  do {
    key_ = NextKey();
  } while (Running().count(key_) != 0);
  Running()[key_] = &abort_;
}

TOperationKey::~TOperationKey() {
  std::lock_guard lock(Guard());
  Running().erase(key_);
}

bool AbortOperation(int32_t key) {
  std::lock_guard lock(Guard());
  auto it = Running().find(key);
  if (it == Running().end())
    return false;
  it->second->store(true);
  return true;
}

}  // namespace arcazip
