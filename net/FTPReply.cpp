#include "net/FTPReply.h"

#include "net/NetLimits.h"
#include "net/ProtoText.h"

namespace net {

TFTPReplyReader::TStep TFTPReplyReader::Add(const std::string& Line) {
  if (complete_)
    return rsComplete;
  bytes_ += static_cast<int64_t>(Line.size()) + 2;
  if (static_cast<int32_t>(lines_.size()) >= kMaxFtpReplyLines || bytes_ > kMaxFtpReplyBytes)
    return rsOverflow;
  lines_.push_back(Line);
  if (codeText_.empty() && Line.size() > 3 && (Line[3] == ' ' || Line[3] == '-'))
    codeText_ = Line.substr(0, 3);
  if (!codeText_.empty() && Line.size() > 3 && Line.compare(0, 3, codeText_) == 0 &&
      Line[3] == ' ') {
    const int64_t number = DecimalNumber(codeText_);
    code_ = number >= 0 ? static_cast<int32_t>(number) : 0;
    complete_ = true;
    return rsComplete;
  }
  return rsMore;
}

int64_t AnnouncedTransferSize(const std::string& Line) {
  const size_t open = Line.rfind('(');
  if (open == std::string::npos)
    return -1;
  const size_t close = Line.find(')', open);
  if (close == std::string::npos)
    return -1;
  const std::string inside = TrimSpaces(Line.substr(open + 1, close - open - 1));
  const size_t space = inside.find(' ');
  if (space == std::string::npos)
    return -1;
  std::string unit = TrimSpaces(inside.substr(space + 1));
  for (char& c : unit)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (unit != "bytes")
    return -1;
  return DecimalNumber(inside.substr(0, space));
}

}  // namespace net
