#include "net/LineBuffer.h"

#include <cstring>

#include "net/ProtoText.h"

namespace net {

void TLineBuffer::Reset() {
  bytes_.clear();
  lastBreak_.clear();
  lastCR_ = false;
  lastLF_ = false;
}

void TLineBuffer::SetLineEndState(bool lastCR, bool lastLF) {
  lastCR_ = lastCR;
  lastLF_ = lastLF;
}

int32_t TLineBuffer::DropPartner(char* bytes, int32_t count) {
  if (count <= 0)
    return 0;
  const bool drop = (lastCR_ && bytes[0] == '\n') || (lastLF_ && bytes[0] == '\r');
  lastCR_ = false;
  lastLF_ = false;
  if (!drop)
    return 0;
  std::memmove(bytes, bytes + 1, static_cast<size_t>(count - 1));
  return 1;
}

void TLineBuffer::DropPartner(std::string& packet) {
  if (packet.empty())
    return;
  if ((lastCR_ && packet[0] == '\n') || (lastLF_ && packet[0] == '\r'))
    packet.erase(0, 1);
  lastCR_ = false;
  lastLF_ = false;
}

int TLineBuffer::FindLineEnd(std::string_view received, size_t searchFrom,
                             const std::string& terminator, bool lineEndMode,
                             std::string& lineBreak) {
  if (received.empty())
    return 0;
  if (lineEndMode) {
    const int found = FindLineBreak(received.substr(searchFrom), lineBreak);
    if (found <= 0)
      return 0;
    lastCR_ = lineBreak == "\r";
    lastLF_ = lineBreak == "\n";
    return found + static_cast<int>(searchFrom);
  }
  const size_t at = received.find(terminator, searchFrom);
  if (at == std::string_view::npos)
    return 0;
  lineBreak = terminator;
  return static_cast<int>(at) + 1;
}

}  // namespace net
