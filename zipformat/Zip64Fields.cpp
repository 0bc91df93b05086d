#include "zipformat/Zip64Fields.h"

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
  auto take64 = [&](bool want, uint64_t& value) {
    if (!want)
      return true;
    if (block.size() - pos < 8)
      return false;
    value = Get64(p + pos);
    pos += 8;
    return true;
  };
  auto take32 = [&](bool want, uint32_t& value) {
    if (!want)
      return true;
    if (block.size() - pos < 4)
      return false;
    value = Get32(p + pos);
    pos += 4;
    return true;
  };
  if (!take64(wantUncompressed, values.uncompressed) ||
      !take64(wantCompressed, values.compressed) || !take64(wantOffset, values.localOffset) ||
      !take32(wantDisk, values.diskStart))
    return TZip64Outcome::kTooShort;
  return TZip64Outcome::kTaken;
}

}  // namespace zipformat
