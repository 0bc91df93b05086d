#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "net/Stream.h"

// Big-endian packing of integers into byte strings, and reading and writing byte strings from
// and to streams.
namespace net {

// Two bytes, most significant first.
std::string Word16ToBytes(uint16_t value);
// byte[p] * 256 + byte[p+1] with 1-based `position`; bytes past the end count as 0.
uint16_t BytesToWord16(std::string_view value, int position);
// Four bytes, most significant first.
std::string Int32ToBytes(int32_t value);
// Reverses the order of the four bytes.
int32_t SwapInt32(int32_t value);

// Reads up to `count` bytes at the stream's position; the result holds what was read.
std::string ReadBytes(TStream& stream, int64_t count);
// Writes all bytes at the stream's position.
void WriteBytes(TStream& stream, std::string_view value);

}  // namespace net
