#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Gathers the lines of one FTP reply. The first line longer than three characters whose
// fourth is a space or "-" fixes the code (its first three characters); the reply ends with a
// line that begins with the code and a space. A reply is held to kMaxFtpReplyLines lines and
// kMaxFtpReplyBytes bytes: past them it is refused, so that a server that never sends the
// closing line cannot make it grow without bound.
namespace net {

class TFTPReplyReader {
 public:
  enum TStep { rsMore, rsComplete, rsOverflow };

  // Takes the next line (without its line end).
  TStep Add(const std::string& Line);
  // The code as a number once the reply is complete; 0 before, and for a code that is not a
  // number.
  int32_t Code() const { return complete_ ? code_ : 0; }
  const std::vector<std::string>& Lines() const { return lines_; }
  std::vector<std::string>& Lines() { return lines_; }

 private:
  std::vector<std::string> lines_;
  std::string codeText_;
  int64_t bytes_ = 0;
  int32_t code_ = 0;
  bool complete_ = false;
};

// The size a retrieval's preliminary reply announces, as in "150 Opening BINARY mode data
// connection for pkg.zip (160458 bytes)": the number inside the last parentheses when "bytes"
// follows it. -1 when the line announces none, or the number is negative or too large.
int64_t AnnouncedTransferSize(const std::string& Line);

}  // namespace net
