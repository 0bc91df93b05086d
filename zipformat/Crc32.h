#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The CRC-32 of ZIP records and entries (the polynomial 0xEDB88320, as zlib computes it).
namespace zipformat {

// Continues `crc` (0 to start) over the bytes.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);
inline uint32_t Crc32(std::string_view bytes) {
  return Crc32(0, bytes.data(), bytes.size());
}

}  // namespace zipformat
