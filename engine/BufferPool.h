#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Large buffers kept for reuse: a fresh buffer the size of a big entry costs more in page
// faults than inflating into it, so decoded entries go into buffers that have been used before.
// What stays idle is bounded (kIdleBuffersLimit), and a buffer is only reused for an entry of
// about its size, so the memory held is what the entries in flight need, never more.
namespace arcazip {

struct TBuffer {
  std::unique_ptr<uint8_t[]> data;
  size_t capacity = 0;
};

class TBufferPool {
 public:
  // The most capacity Get(size) may hand out: what the decode pool reserves for an entry.
  static uint64_t CapacityFor(uint64_t size);
  // A buffer of at least `size` bytes (contents undefined) and at most CapacityFor(size).
  TBuffer Get(size_t size);
  void Put(TBuffer buffer);
  // Memory held by idle buffers.
  uint64_t IdleBytes();

 private:
  std::mutex mutex_;
  std::vector<TBuffer> free_;
  uint64_t idleBytes_ = 0;
};

}  // namespace arcazip
