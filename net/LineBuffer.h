#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The bytes a socket received and has not handed out yet, with the state of the line end that
// ended the last line read from them. Line- and block-oriented reads take from it first; what
// a read does not use stays in it for the next, so no received byte is lost.
namespace net {

class TLineBuffer {
 public:
  std::string& Bytes() { return bytes_; }
  const std::string& Bytes() const { return bytes_; }
  bool Empty() const { return bytes_.empty(); }
  // Forgets the bytes and the line-end state, as a new connection does.
  void Reset();

  // The break that ended the last line handed out (empty when none).
  const std::string& LastBreak() const { return lastBreak_; }
  void SetLastBreak(const std::string& lineBreak) { lastBreak_ = lineBreak; }
  // Whether that break was a lone CR or LF whose partner may arrive first in the next packet.
  bool LastCR() const { return lastCR_; }
  bool LastLF() const { return lastLF_; }
  void SetLineEndState(bool lastCR, bool lastLF);

  // With line-end conversion, the partner of a lone CR or LF that ended the last line is not
  // data: dropped when it comes first in the next packet. Either way the state is cleared.
  // Returns the number of bytes dropped (0 or 1); the rest moves to the front.
  int32_t DropPartner(char* bytes, int32_t count);
  void DropPartner(std::string& packet);

  // Looks for the end of a line in `received` from `searchFrom` on. In line-end mode any of
  // CR, LF, CR LF and LF CR ends it, and a lone CR or LF is remembered as the pending state;
  // otherwise only `terminator` does. Gives the 1-based position of the break (0 when none)
  // and the break itself.
  int FindLineEnd(std::string_view received, size_t searchFrom, const std::string& terminator,
                  bool lineEndMode, std::string& lineBreak);

 private:
  std::string bytes_;
  std::string lastBreak_;
  bool lastCR_ = false;
  bool lastLF_ = false;
};

}  // namespace net
