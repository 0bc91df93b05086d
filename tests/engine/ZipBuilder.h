#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varelo::test {

// One entry of a hand-made archive; every field a hostile maker could bend is settable.
struct TZipItem {
  std::string name;
  std::string content;                     // what the entry should hold
  uint16_t method = 8;                     // 0 stored, 8 deflated, anything else kept as given
  std::optional<std::string> data{};       // the stored bytes instead of compressing `content`
  std::optional<uint32_t> crc{};           // instead of the content's CRC
  std::optional<uint64_t> declaredSize{};  // instead of the content's size (both headers)
  std::optional<std::string> localName{};  // a different name in the local header
  uint16_t flags = 0;
  uint16_t versionMadeBy = 0x031E;  // Unix
  uint32_t externalAttributes = 0100644u << 16;
  bool zip64 = false;   // sizes and offset through Zip64 extra fields
  int sameDataAs = -1;  // central record points at an earlier item's header
};

// Builds the archive bytes: local headers and data, central directory, end record (and the
// Zip64 end record and locator when any item uses Zip64).
std::string BuildZip(const std::vector<TZipItem>& items);

// Raw deflate of the bytes (no zlib header), as ZIP entries hold it.
std::string Deflate(const std::string& bytes);

uint32_t Crc32(const std::string& bytes);

}  // namespace varelo::test
