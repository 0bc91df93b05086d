#include "zipformat/Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace zipformat {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  // zlib takes its length as an unsigned int, so large buffers go in slices.
  constexpr size_t kSlice = size_t{1} << 30;
  const auto* p = static_cast<const Bytef*>(data);
  uLong value = crc;
  while (size > 0) {
    const size_t n = std::min(size, kSlice);
    value = crc32(value, p, static_cast<uInt>(n));
    p += n;
    size -= n;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace zipformat
