#include "zipformat/ExtraFields.h"

#include "zipformat/LittleEndian.h"

namespace zipformat {

bool TExtraFields::Next(TExtraBlock& block) {
  if (extra_.size() - pos_ < 4)
    return false;
  const auto* p = reinterpret_cast<const uint8_t*>(extra_.data()) + pos_;
  const uint16_t tag = Get16(p), size = Get16(p + 2);
  if (size > extra_.size() - pos_ - 4) {
    pos_ = extra_.size();
    return false;
  }
  block.tag = tag;
  block.data = extra_.substr(pos_ + 4, size);
  pos_ += 4 + static_cast<size_t>(size);
  return true;
}

bool FindExtra(std::string_view extra, uint16_t tag, std::string_view& data) {
  TExtraFields fields(extra);
  TExtraBlock block;
  while (fields.Next(block)) {
    if (block.tag == tag) {
      data = block.data;
      return true;
    }
  }
  return false;
}

}  // namespace zipformat
