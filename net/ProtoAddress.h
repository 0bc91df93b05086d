#pragma once
#include <string>
#include <string_view>

// Recognisers and converters for IPv4 and IPv6 address texts.
namespace net {

// Four dot-separated decimal fields of 0..255 (spaces around fields are allowed).
bool IsIPv4Literal(std::string_view value);
// Colon-separated hexadecimal groups with at most one "::" and an optional "%zone" on the last
// group; dotted IPv4 tails and texts ending in ":" are not recognised.
bool IsIPv6Literal(std::string_view value);

// Four bytes from dotted text; a field that is not a number gives 0.
std::string IPv4ToBytes(std::string_view value);
// Fills in the groups a "::" stands for; empty for empty input or more than seven colons.
std::string ExpandIPv6(std::string_view value);
// Sixteen bytes from IPv6 text; all zero when the text is not a valid address.
std::string IPv6ToBytes(std::string_view value);
// Canonical lower-case text of sixteen bytes, the longest zero run written as "::".
std::string IPv6ToText(std::string_view bytes);

}  // namespace net
