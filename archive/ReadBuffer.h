#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/File.h"

// Sequential reading of an open archive file through one reused buffer, so loading a large
// central directory costs a few large reads instead of three per record. A request may never
// run past `end`, the logical end of the archive: bytes after it are not the archive's.
namespace archive {

class TZAReadBuffer {
 public:
  TZAReadBuffer(platform::TFile& file, int64_t start, int64_t end);

  // Points `data` at the next `size` bytes and moves past them. Returns how many bytes are
  // there: fewer than `size` only at the end (the pointer then covers just those).
  size_t Next(size_t size, const uint8_t*& data);
  int64_t Position() const { return position_; }

 private:
  bool Fill(size_t want);

  platform::TFile& file_;
  int64_t position_;  // file position of the next unread byte
  int64_t end_;
  std::vector<uint8_t> buffer_;
  size_t head_ = 0, tail_ = 0;  // unread bytes are buffer_[head_, tail_)
  int64_t filePos_;             // file position of buffer_[tail_]
};

}  // namespace archive
