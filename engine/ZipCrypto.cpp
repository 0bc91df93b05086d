#include "engine/ZipCrypto.h"

#include <array>

namespace arcazip {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t CrcByte(uint32_t crc, uint8_t b) {
  return kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

}  // namespace

void TZipCrypto::Init(std::string_view password) {
  k0_ = 0x12345678;
  k1_ = 0x23456789;
  k2_ = 0x34567890;
  for (char c : password)
    Update(static_cast<uint8_t>(c));
}

void TZipCrypto::Update(uint8_t plain) {
  k0_ = CrcByte(k0_, plain);
  k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
  k2_ = CrcByte(k2_, static_cast<uint8_t>(k1_ >> 24));
}

uint8_t TZipCrypto::StreamByte() const {
  // Unsigned 32-bit arithmetic: the 16-bit product would overflow a promoted int.
  const uint32_t t = (k2_ | 2) & 0xFFFF;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

bool TZipCrypto::CheckHeader(const uint8_t* header, uint8_t check) {
  uint8_t plain[kCryptHeaderSize];
  Decrypt(header, plain, kCryptHeaderSize);
  return plain[kCryptHeaderSize - 1] == check;
}

void TZipCrypto::Decrypt(const uint8_t* in, uint8_t* out, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const uint8_t plain = in[i] ^ StreamByte();
    Update(plain);
    out[i] = plain;
  }
}

}  // namespace arcazip
