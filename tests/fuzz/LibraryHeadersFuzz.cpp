// Reads arbitrary bytes as a library file, as ELF and as PE, whole and with only its first half
// given as the head of a longer file, and checks what the library check promises: it never
// reads outside what it was given, it says why whenever it refuses, and a file that passes
// still passes with more bytes after it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/LibraryHeaders.h"

namespace {

bool CheckOnce(platform::TLibraryHeaders::TFormat format, std::string_view head, uint64_t size) {
  platform::TLibraryHeaders headers(format, head, size);
  const bool passed = headers.Check();
  if (passed != headers.Problem().empty())
    std::abort();
  // The same bytes give the same answer.
  if (headers.Check() != passed)
    std::abort();
  return passed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const auto format :
       {platform::TLibraryHeaders::TFormat::Elf, platform::TLibraryHeaders::TFormat::Pe}) {
    // More file after what the headers describe never makes them wrong.
    if (CheckOnce(format, bytes, size) && !CheckOnce(format, bytes, uint64_t{size} + 4096))
      std::abort();
    // A head shorter than the file: extents are judged by the file, reads by the head.
    CheckOnce(format, bytes.substr(0, size / 2), size);
    // A file that claims less than the bytes at hand.
    CheckOnce(format, bytes, size / 2);
  }
  return 0;
}
