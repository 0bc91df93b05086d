#pragma once
#include <cstdint>
#include <string_view>

// The Unicode path (0x7075) and Unicode comment (0x6375) extra blocks: a version byte, the
// CRC-32 of the raw name (or comment) bytes the block was written for, then the text in UTF-8.
namespace zipformat {

// Version byte and CRC in front of the text.
inline constexpr size_t kUnicodeExtraHeadSize = 5;
inline constexpr uint8_t kUnicodeExtraVersion = 1;

// The text of the block with this tag, trusted only when it was written for these very raw
// bytes: version 1, the CRC of `raw`, and a text of at least one byte that is valid UTF-8
// (one- to four-byte forms, no overlong form, no surrogate, nothing above U+10FFFF). Anything
// else means the block is ignored and the raw bytes decide.
bool UnicodeExtraText(std::string_view extra, uint16_t tag, std::string_view raw,
                      std::string_view& text);

}  // namespace zipformat
