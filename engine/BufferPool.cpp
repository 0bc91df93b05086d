#include "engine/BufferPool.h"

#include <algorithm>

namespace arcazip {
namespace {

// Sizes are rounded up so that entries of similar size share buffers.
constexpr size_t kGranule = 64u << 10;
// Buffers kept when idle; more than the entries in flight is never needed.
constexpr size_t kMaxFreeBuffers = 12;
// Memory kept in idle buffers; beyond it a returned buffer is freed.
constexpr size_t kMaxFreeBytes = 192u << 20;

}  // namespace

TBuffer TBufferPool::Get(size_t size) {
  const size_t wanted = std::max<size_t>(kGranule, (size + kGranule - 1) / kGranule * kGranule);
  std::lock_guard lock(mutex_);
  // Take the smallest buffer that fits, or else grow the largest one.
  auto best = free_.end();
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if (it->capacity >= wanted && (best == free_.end() || it->capacity < best->capacity))
      best = it;
  }
  if (best == free_.end()) {
    best = std::max_element(free_.begin(), free_.end(), [](const TBuffer& a, const TBuffer& b) {
      return a.capacity < b.capacity;
    });
  }
  TBuffer buffer;
  if (best != free_.end()) {
    buffer = std::move(*best);
    free_.erase(best);
  }
  if (buffer.capacity < wanted) {
    buffer.data.reset();
    buffer.data = std::make_unique_for_overwrite<uint8_t[]>(wanted);
    buffer.capacity = wanted;
  }
  return buffer;
}

void TBufferPool::Put(TBuffer buffer) {
  if (buffer.data == nullptr)
    return;
  std::lock_guard lock(mutex_);
  size_t kept = 0;
  for (const TBuffer& b : free_)
    kept += b.capacity;
  if (free_.size() < kMaxFreeBuffers && kept + buffer.capacity <= kMaxFreeBytes)
    free_.push_back(std::move(buffer));
}

}  // namespace arcazip
