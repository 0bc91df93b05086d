#pragma once
#include <cstddef>
#include <string_view>

// For the platform layer's own sources only.
namespace platform {

// Decodes one UTF-8 sequence at text[i]; returns the code point (U+FFFD when malformed) and
// advances i past it.
char32_t NextUtf8CodePoint(std::string_view text, size_t& i);

}  // namespace platform
