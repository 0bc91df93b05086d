#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The LZSS scheme of the compressed message tables: a 4096-byte ring buffer, zero-filled, that
// starts writing at 4080; a flag byte whose bits, least significant first, say whether the next
// item is one literal byte (1) or a two-byte reference into the ring (0): offset = b0 + ((b1 and
// 0xF0) shl 4), length = (b1 and 0x0F) + 3.
//
// A compressed stream is the uncompressed size (uint32, little-endian) followed by the items.
namespace archive {

// Result of decoding: the output length matched the stored size and the budget ended exactly.
inline constexpr int kLzssGood = 0;
// The budget ended exactly but the output length differs from the stored size.
inline constexpr int kLzssSizeMismatch = 254;
// The budget did not end exactly (a cut reference, a stream shorter than its header).
inline constexpr int kLzssDamaged = 255;

// Decodes `stream` (its whole length is the budget, the 4-byte size included) into `out`.
// Output is never larger than the stored size allows, whatever the stream claims.
int LzssDecode(std::string_view stream, std::string& out);

// Encodes `data` into a stream that LzssDecode restores exactly (size header included).
std::string LzssEncode(std::string_view data);

}  // namespace archive
