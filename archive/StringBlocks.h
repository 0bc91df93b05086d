#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// Message tables in the resource-file layout: a sequence of resource entries (data size 4,
// header size 4, type, name, data version 4, memory flags 2, language 2, version 4,
// characteristics 4; every entry aligned to 4 bytes). Only string entries (type 0xFFFF, 6)
// carry messages: entry name (0xFFFF, n) is block n, which holds 16 strings, each a UTF-16
// length followed by that many UTF-16 units. Message id belongs to block id / 16 + 1, place
// id % 16.
namespace archive {

using TMessageMap = std::map<uint32_t, std::u16string>;

// The resource-file image of the messages, blocks in ascending order, led by the empty entry
// that starts every resource file.
std::string BuildStringBlocks(const TMessageMap& messages, uint16_t language);

// Reads the strings of every string entry. Entries that run past the image end the reading;
// what was read before stays. Empty strings are left out.
TMessageMap ParseStringBlocks(std::string_view image);

}  // namespace archive
