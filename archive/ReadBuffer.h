#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/File.h"

// Sequential reading of a central directory that lies in one file or runs on through the next
// parts of a multi-part set. The bytes handed out stay where they are until the buffer (or the
// blocks taken from it) goes away, so the records can point into them instead of copying their
// names: a directory where it says it is comes in with one read.
namespace archive {

// The bytes read, kept for the records that point into them.
using TZARawBlocks = std::vector<std::unique_ptr<uint8_t[]>>;

class TZAReadBuffer {
 public:
  // One stretch of the directory: [start, end) of the file at `path`; an empty path is the
  // archive file already open.
  struct TSegment {
    std::string path;
    int64_t start = 0;
    int64_t end = 0;
  };

  // `firstRead` is how many bytes the first read takes at most (the directory's stated size):
  // later reads take blocks of a fixed size.
  TZAReadBuffer(platform::TFile& file, std::vector<TSegment> segments, int64_t firstRead);
  TZAReadBuffer(platform::TFile& file, int64_t start, int64_t end);

  // Points `data` at the next `size` bytes and moves past them. Returns how many bytes are
  // there: fewer than `size` only at the end (the pointer then covers just those).
  size_t Next(size_t size, const uint8_t*& data);
  // Bytes left in every segment together.
  int64_t Remaining() const { return remaining_; }
  // Hands the bytes read so far to the caller; the buffer is empty afterwards.
  TZARawBlocks TakeBlocks();

 private:
  void Fill(size_t want);
  int64_t ReadSegments(uint8_t* to, size_t size);

  platform::TFile& file_;
  std::vector<TSegment> segments_;
  size_t segment_ = 0;      // the segment being read
  int64_t segmentPos_ = 0;  // next file position in it
  platform::TFile part_;    // an other part's file, while one of its segments is read
  bool partOpen_ = false;
  int64_t remaining_ = 0;
  int64_t firstRead_;
  TZARawBlocks blocks_;
  uint8_t* block_ = nullptr;  // the last block; unread bytes are block_[head_, tail_)
  size_t head_ = 0, tail_ = 0;
};

}  // namespace archive
