#include "engine/BufferPool.h"

#include <algorithm>

#include "engine/EngineLimits.h"

namespace arcazip {
namespace {

// Sizes are rounded up so that entries of similar size share buffers.
constexpr uint64_t kGranule = 64u << 10;

uint64_t Rounded(uint64_t size) {
  return std::max<uint64_t>(kGranule, (size + kGranule - 1) / kGranule * kGranule);
}

}  // namespace

uint64_t TBufferPool::CapacityFor(uint64_t size) {
  const uint64_t wanted = Rounded(size);
  return wanted + wanted / 4 * kReuseSlackQuarters;
}

TBuffer TBufferPool::Get(size_t size) {
  const uint64_t wanted = Rounded(size);
  const uint64_t ceiling = CapacityFor(size);
  TBuffer buffer;
  {
    std::lock_guard lock(mutex_);
    // The smallest idle buffer that fits without being much larger than needed.
    auto best = free_.end();
    for (auto it = free_.begin(); it != free_.end(); ++it) {
      if (it->capacity >= wanted && it->capacity <= ceiling &&
          (best == free_.end() || it->capacity < best->capacity))
        best = it;
    }
    if (best != free_.end()) {
      buffer = std::move(*best);
      idleBytes_ -= buffer.capacity;
      free_.erase(best);
      return buffer;
    }
  }
  buffer.data = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(wanted));
  buffer.capacity = static_cast<size_t>(wanted);
  return buffer;
}

void TBufferPool::Put(TBuffer buffer) {
  if (buffer.data == nullptr)
    return;
  std::lock_guard lock(mutex_);
  // Make room by dropping the oldest idle buffers; one larger than the whole allowance is
  // simply freed.
  if (buffer.capacity > kIdleBuffersLimit)
    return;
  while (!free_.empty() &&
         (free_.size() >= kIdleBuffersCount || idleBytes_ + buffer.capacity > kIdleBuffersLimit)) {
    idleBytes_ -= free_.front().capacity;
    free_.erase(free_.begin());
  }
  idleBytes_ += buffer.capacity;
  free_.push_back(std::move(buffer));
}

uint64_t TBufferPool::IdleBytes() {
  std::lock_guard lock(mutex_);
  return idleBytes_;
}

}  // namespace arcazip
