#pragma once
#include <cstdint>
#include <string_view>

// The Zip64 extra block of a central record or local header.
namespace zipformat {

// The values of a record that the Zip64 block may stand in for. A local header has no offset
// or disk: its reader leaves them 0.
struct TZip64Values {
  uint64_t uncompressed = 0;
  uint64_t compressed = 0;
  uint64_t localOffset = 0;
  uint32_t diskStart = 0;
};

enum class TZip64Outcome {
  kNothingAsked,  // no field holds its placeholder
  kNoBlock,       // placeholders, but no Zip64 block to take the values from
  kTooShort,      // the block ends before a value that a placeholder asks for
  kTaken,         // every placeholder was replaced
};

// The block holds a value only for a field that holds its placeholder (0xFFFFFFFF, the disk
// 0xFFFF), in the fixed order uncompressed size, compressed size, local header offset (8 bytes
// each) and disk (4 bytes). The placeholders are replaced in `values`; whether a missing block
// is an error is the reader's decision.
TZip64Outcome ApplyZip64(std::string_view extra, TZip64Values& values);

}  // namespace zipformat
