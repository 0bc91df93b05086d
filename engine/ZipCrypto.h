#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The traditional PKWARE encryption of ZIP entries (decryption only).
namespace arcazip {

inline constexpr size_t kCryptHeaderSize = 12;

class TZipCrypto {
 public:
  // Starts the key stream from the password bytes.
  void Init(std::string_view password);
  // Decrypts the 12-byte header in place and tells whether its check byte matches `check`
  // (the high byte of the CRC, or of the DOS time when a data descriptor follows).
  bool CheckHeader(const uint8_t* header, uint8_t check);
  // Decrypts `size` bytes from `in` to `out` (which may be the same buffer).
  void Decrypt(const uint8_t* in, uint8_t* out, size_t size);

 private:
  void Update(uint8_t plain);
  uint8_t StreamByte() const;
  uint32_t k0_ = 0, k1_ = 0, k2_ = 0;
};

}  // namespace arcazip
