#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Large buffers kept for reuse: a fresh buffer the size of a big entry costs more in page
// faults than inflating into it, so decoded entries go into buffers that have been used before.
namespace arcazip {

struct TBuffer {
  std::unique_ptr<uint8_t[]> data;
  size_t capacity = 0;
};

class TBufferPool {
 public:
  // A buffer of at least `size` bytes (contents undefined).
  TBuffer Get(size_t size);
  void Put(TBuffer buffer);

 private:
  std::mutex mutex_;
  std::vector<TBuffer> free_;
};

}  // namespace arcazip
