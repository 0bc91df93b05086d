#pragma once
#include <cstdint>

// Fields of ZIP records are little-endian whatever the machine; read them byte by byte, so
// that no record needs to be aligned.
namespace archive {

inline uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
  return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16);
}
inline uint64_t Get64(const uint8_t* p) {
  return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

}  // namespace archive
