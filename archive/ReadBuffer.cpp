#include "archive/ReadBuffer.h"

#include <algorithm>
#include <cstring>

namespace archive {
namespace {
// Read size after the first read; a longer record gets a block of its own size.
constexpr size_t kBlock = 256u << 10;
}  // namespace

TZAReadBuffer::TZAReadBuffer(platform::TFile& file, std::vector<TSegment> segments,
                             int64_t firstRead)
    : file_(file), segments_(std::move(segments)), firstRead_(firstRead) {
  for (const TSegment& s : segments_)
    remaining_ += std::max<int64_t>(0, s.end - s.start);
  if (!segments_.empty())
    segmentPos_ = segments_.front().start;
}

TZAReadBuffer::TZAReadBuffer(platform::TFile& file, int64_t start, int64_t end)
    : TZAReadBuffer(file, {TSegment{"", start, end}}, end - start) {}

TZARawBlocks TZAReadBuffer::TakeBlocks() {
  block_ = nullptr;
  head_ = tail_ = 0;
  return std::move(blocks_);
}

// Reads up to `size` bytes from the segments in order, opening each other part when its turn
// comes. Returns the count; short only at the end or on a read failure.
int64_t TZAReadBuffer::ReadSegments(uint8_t* to, size_t size) {
  int64_t done = 0;
  while (static_cast<size_t>(done) < size && segment_ < segments_.size()) {
    const TSegment& s = segments_[segment_];
    const int64_t left = s.end - segmentPos_;
    if (left <= 0) {
      part_.Close();
      partOpen_ = false;
      if (++segment_ < segments_.size())
        segmentPos_ = segments_[segment_].start;
      continue;
    }
    platform::TFile* from = &file_;
    if (!s.path.empty()) {
      if (!partOpen_ &&
          !part_.Open(s.path, platform::TFileAccess::Read, platform::TFileCreate::OpenExisting))
        return done;
      partOpen_ = true;
      from = &part_;
    }
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(left, size - done));
    const int64_t got = from->ReadAt(to + done, chunk, segmentPos_);
    if (got <= 0)
      return done;
    done += got;
    segmentPos_ += got;
    remaining_ -= got;
  }
  return done;
}

// Starts a new block holding the unread bytes of the last one and at least `want` bytes in
// all when the segments have them. The old block stays: records point into it.
void TZAReadBuffer::Fill(size_t want) {
  const size_t carry = tail_ - head_;
  size_t size = std::max(want, kBlock);
  if (blocks_.empty())
    size = std::max(want, static_cast<size_t>(std::clamp<int64_t>(firstRead_, 0, kBlock << 8)));
  size = static_cast<size_t>(std::min<int64_t>(size, static_cast<int64_t>(carry) + remaining_));
  if (size <= carry)
    return;
  auto fresh = std::make_unique_for_overwrite<uint8_t[]>(size);
  if (carry > 0)
    std::memcpy(fresh.get(), block_ + head_, carry);
  const int64_t got = ReadSegments(fresh.get() + carry, size - carry);
  block_ = fresh.get();
  blocks_.push_back(std::move(fresh));
  head_ = 0;
  tail_ = carry + static_cast<size_t>(got);
}

size_t TZAReadBuffer::Next(size_t size, const uint8_t*& data) {
  if (tail_ - head_ < size)
    Fill(size);
  const size_t got = std::min(size, tail_ - head_);
  data = block_ != nullptr ? block_ + head_ : nullptr;
  head_ += got;
  return got;
}

}  // namespace archive
