#include "archive/StringBlocks.h"

#include <vector>

namespace archive {
namespace {

constexpr uint16_t kOrdinalMark = 0xFFFF;
constexpr uint16_t kTypeString = 6;
constexpr uint16_t kMemoryFlags = 0x1030;  // movable, pure, discardable
constexpr size_t kStringsPerBlock = 16;

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}
uint16_t Get16(std::string_view s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) |
                               (static_cast<uint8_t>(s[at + 1]) << 8));
}
uint32_t Get32(std::string_view s, size_t at) {
  return Get16(s, at) | (static_cast<uint32_t>(Get16(s, at + 2)) << 16);
}
void Align4(std::string& out) {
  while (out.size() % 4 != 0)
    out.push_back('\0');
}

void PutEntry(std::string& out, uint16_t type, uint16_t name, uint16_t language,
              const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  Put32(out, 32);  // header size
  Put16(out, kOrdinalMark);
  Put16(out, type);
  Put16(out, kOrdinalMark);
  Put16(out, name);
  Put32(out, 0);  // data version
  Put16(out, type == 0 ? 0 : kMemoryFlags);
  Put16(out, language);
  Put32(out, 0);  // version
  Put32(out, 0);  // characteristics
  out += data;
  Align4(out);
}

// Skips a type or name field: an ordinal (0xFFFF, n) or a zero-terminated UTF-16 text.
// Returns false when it runs past `end`.
bool SkipNameField(std::string_view s, size_t& at, size_t end, uint16_t& ordinal, bool& isOrdinal) {
  if (end - at < 2)
    return false;
  if (Get16(s, at) == kOrdinalMark) {
    if (end - at < 4)
      return false;
    ordinal = Get16(s, at + 2);
    isOrdinal = true;
    at += 4;
    return true;
  }
  isOrdinal = false;
  while (end - at >= 2) {
    const uint16_t unit = Get16(s, at);
    at += 2;
    if (unit == 0)
      return true;
  }
  return false;
}

void ReadBlock(std::string_view data, uint32_t block, TMessageMap& out) {
  size_t at = 0;
  for (size_t index = 0; index < kStringsPerBlock && data.size() - at >= 2; ++index) {
    const size_t length = Get16(data, at);
    at += 2;
    if ((data.size() - at) / 2 < length)
      return;
    std::u16string text(length, u'\0');
    for (size_t k = 0; k < length; ++k)
      text[k] = static_cast<char16_t>(Get16(data, at + 2 * k));
    at += 2 * length;
    if (!text.empty())
      out[(block - 1) * kStringsPerBlock + index] = std::move(text);
  }
}

}  // namespace

std::string BuildStringBlocks(const TMessageMap& messages, uint16_t language) {
  std::string out;
  PutEntry(out, 0, 0, 0, {});
  auto it = messages.begin();
  while (it != messages.end()) {
    const uint32_t block = it->first / kStringsPerBlock + 1;
    std::string data;
    for (uint32_t index = 0; index < kStringsPerBlock; ++index) {
      const uint32_t id = (block - 1) * kStringsPerBlock + index;
      const auto found = messages.find(id);
      const std::u16string empty;
      const std::u16string& text = found == messages.end() ? empty : found->second;
      Put16(data, static_cast<uint16_t>(text.size()));
      for (char16_t unit : text)
        Put16(data, static_cast<uint16_t>(unit));
    }
    PutEntry(out, kTypeString, static_cast<uint16_t>(block), language, data);
    while (it != messages.end() && it->first / kStringsPerBlock + 1 == block)
      ++it;
  }
  return out;
}

TMessageMap ParseStringBlocks(std::string_view image) {
  TMessageMap out;
  size_t at = 0;
  while (image.size() - at >= 8) {
    const uint32_t dataSize = Get32(image, at);
    const uint32_t headerSize = Get32(image, at + 4);
    if (headerSize < 8 || headerSize > image.size() - at ||
        dataSize > image.size() - at - headerSize)
      break;
    size_t field = at + 8;
    const size_t headerEnd = at + headerSize;
    uint16_t type = 0, name = 0;
    bool typeOrdinal = false, nameOrdinal = false;
    if (!SkipNameField(image, field, headerEnd, type, typeOrdinal) ||
        !SkipNameField(image, field, headerEnd, name, nameOrdinal))
      break;
    if (typeOrdinal && type == kTypeString && nameOrdinal && name > 0)
      ReadBlock(image.substr(headerEnd, dataSize), name, out);
    at = headerEnd + dataSize;
    at = (at + 3) & ~static_cast<size_t>(3);
    if (at > image.size())
      break;
  }
  return out;
}

}  // namespace archive
