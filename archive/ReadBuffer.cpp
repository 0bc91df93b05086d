#include "archive/ReadBuffer.h"

#include <algorithm>
#include <cstring>

namespace archive {
namespace {
// Large enough for the longest central record (46 bytes and three 65,535-byte fields).
constexpr size_t kBlock = 256u << 10;
}  // namespace

TZAReadBuffer::TZAReadBuffer(platform::TFile& file, int64_t start, int64_t end)
    : file_(file), position_(start), end_(std::max(start, end)), filePos_(start) {}

bool TZAReadBuffer::Fill(size_t want) {
  if (head_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + head_, tail_ - head_);
    tail_ -= head_;
    head_ = 0;
  }
  const size_t capacity = std::max(kBlock, want);
  if (buffer_.size() < capacity)
    buffer_.resize(capacity);
  while (tail_ < want) {
    const int64_t left = end_ - filePos_;
    if (left <= 0)
      return false;
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(left, buffer_.size() - tail_));
    const int64_t got = file_.ReadAt(buffer_.data() + tail_, chunk, filePos_);
    if (got <= 0)
      return false;
    tail_ += static_cast<size_t>(got);
    filePos_ += got;
  }
  return true;
}

size_t TZAReadBuffer::Next(size_t size, const uint8_t*& data) {
  if (tail_ - head_ < size)
    Fill(size);
  const size_t got = std::min(size, tail_ - head_);
  data = buffer_.data() + head_;
  head_ += got;
  position_ += static_cast<int64_t>(got);
  return got;
}

}  // namespace archive
