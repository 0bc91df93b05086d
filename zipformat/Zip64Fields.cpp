#include "zipformat/Zip64Fields.h"

#include <type_traits>

#include "zipformat/ExtraFields.h"
#include "zipformat/LittleEndian.h"
#include "zipformat/ZipRecords.h"

namespace zipformat {

TZip64Outcome ApplyZip64(std::string_view extra, TZip64Values& values) {
  const bool wantUncompressed = values.uncompressed == kPlaceholder32;
  const bool wantCompressed = values.compressed == kPlaceholder32;
  const bool wantOffset = values.localOffset == kPlaceholder32;
  const bool wantDisk = values.diskStart == kPlaceholder16;
  if (!wantUncompressed && !wantCompressed && !wantOffset && !wantDisk)
    return TZip64Outcome::kNothingAsked;
  std::string_view block;
  if (!FindExtra(extra, kTagZip64, block))
    return TZip64Outcome::kNoBlock;
  const auto* p = reinterpret_cast<const uint8_t*>(block.data());
  size_t pos = 0;
  // Each value asked for is the next `size` bytes of the block.
  auto take = [&](bool want, size_t size, auto& value) {
    if (!want)
      return true;
    if (block.size() - pos < size)
      return false;
    value = static_cast<std::remove_reference_t<decltype(value)>>(size == 8 ? Get64(p + pos)
                                                                            : Get32(p + pos));
    pos += size;
    return true;
  };
  if (!take(wantUncompressed, 8, values.uncompressed) ||
      !take(wantCompressed, 8, values.compressed) || !take(wantOffset, 8, values.localOffset) ||
      !take(wantDisk, 4, values.diskStart))
    return TZip64Outcome::kTooShort;
  return TZip64Outcome::kTaken;
}

}  // namespace zipformat
