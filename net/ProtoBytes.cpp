#include "net/ProtoBytes.h"

namespace net {

std::string Word16ToBytes(uint16_t value) {
  std::string result(2, '\0');
  result[0] = static_cast<char>(value >> 8);
  result[1] = static_cast<char>(value & 0xFF);
  return result;
}

uint16_t BytesToWord16(std::string_view value, int position) {
  const int length = static_cast<int>(value.size());
  uint16_t high = 0;
  uint16_t low = 0;
  if (position >= 1 && position < length) {
    high = static_cast<uint8_t>(value[position - 1]);
  }
  if (position >= 0 && position + 1 <= length) {
    low = static_cast<uint8_t>(value[position]);
  }
  return static_cast<uint16_t>(high * 256 + low);
}

std::string Int32ToBytes(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  std::string result(4, '\0');
  result[0] = static_cast<char>(v >> 24);
  result[1] = static_cast<char>((v >> 16) & 0xFF);
  result[2] = static_cast<char>((v >> 8) & 0xFF);
  result[3] = static_cast<char>(v & 0xFF);
  return result;
}

int32_t SwapInt32(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  const uint32_t swapped = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
  return static_cast<int32_t>(swapped);
}

std::string ReadBytes(TStream& stream, int64_t count) {
  if (count <= 0) {
    return std::string();
  }
  std::string result(static_cast<size_t>(count), '\0');
  const int64_t read = stream.Read(result.data(), count);
  result.resize(static_cast<size_t>(read > 0 ? read : 0));
  return result;
}

void WriteBytes(TStream& stream, std::string_view value) {
  if (!value.empty()) {
    stream.Write(value.data(), static_cast<int64_t>(value.size()));
  }
}

}  // namespace net
