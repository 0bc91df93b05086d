#include "archive/AZCallback.h"

#include <cstring>

#include "archive/ArchiveLimits.h"
#include "platform/CodePage.h"

namespace archive {

std::string TAZCallback::Text(const void* p) const {
  if (p == nullptr || fRecord == nullptr)
    return {};
  if (fRecord->HaveWide != 0) {
    const auto* w = static_cast<const char16_t*>(p);
    size_t n = 0;
    while (w[n] != 0)
      ++n;
    return platform::Utf16ToUtf8(std::u16string_view(w, n));
  }
  return std::string(static_cast<const char*>(p));
}

std::string TAZCallback::Msg() const {
  return fRecord == nullptr ? std::string() : Text(fRecord->MsgP);
}

std::string TAZCallback::Msg2() const {
  return fRecord == nullptr ? std::string() : Text(fRecord->Msg2P);
}

void TAZCallback::Reserve(size_t length) {
  // Reused while the reply and its 4 zero bytes fit; otherwise grown in whole granules.
  if (length + 4 < fHeldData.size())
    return;
  fHeldData.assign(((length + 4) | (kReplyGranule - 1)) + 1, '\0');
}

void TAZCallback::ReplyWide(const std::string& utf8) {
  const std::u16string wide = platform::Utf8ToUtf16(utf8);
  const size_t length = wide.size() * sizeof(char16_t);
  Reserve(length);
  if (length > 0)
    std::memcpy(fHeldData.data(), wide.data(), length);
  std::memset(fHeldData.data() + length, 0, 4);
  if (fRecord != nullptr) {
    fRecord->HaveWide = 1;
    fRecord->MsgP = fHeldData.data();
  }
}

void TAZCallback::ReplyBytes(const std::string& bytes) {
  Reserve(bytes.size());
  if (!bytes.empty())
    std::memcpy(fHeldData.data(), bytes.data(), bytes.size());
  std::memset(fHeldData.data() + bytes.size(), 0, 4);
  if (fRecord != nullptr) {
    fRecord->HaveWide = 0;
    fRecord->MsgP = fHeldData.data();
  }
}

}  // namespace archive
