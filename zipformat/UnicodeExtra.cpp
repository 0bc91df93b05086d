#include "zipformat/UnicodeExtra.h"

#include "platform/CodePage.h"
#include "zipformat/Crc32.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/LittleEndian.h"

namespace zipformat {

bool UnicodeExtraText(std::string_view extra, uint16_t tag, std::string_view raw,
                      std::string_view& text) {
  std::string_view block;
  // An empty text would name nothing: the block must carry at least one byte after its head.
  if (!FindExtra(extra, tag, block) || block.size() <= kUnicodeExtraHeadSize)
    return false;
  if (static_cast<uint8_t>(block[0]) != kUnicodeExtraVersion)
    return false;
  if (Get32(reinterpret_cast<const uint8_t*>(block.data()) + 1) != Crc32(raw))
    return false;
  const std::string_view candidate = block.substr(kUnicodeExtraHeadSize);
  if (!platform::IsValidUtf8(candidate))
    return false;
  text = candidate;
  return true;
}

}  // namespace zipformat
