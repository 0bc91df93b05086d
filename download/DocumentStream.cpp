#include "download/DocumentStream.h"

#include <algorithm>
#include <cstring>

namespace download {

int64_t TDocumentStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ < released_)
    return 0;
  const int64_t offset = position_ - released_;
  const int64_t available = static_cast<int64_t>(held_.size()) - offset;
  const int64_t n = std::min(count, std::max<int64_t>(available, 0));
  if (n <= 0)
    return 0;
  std::memcpy(buffer, held_.data() + offset, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TDocumentStream::Write(const void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  if (position_ < released_)
    return 0;
  const size_t offset = static_cast<size_t>(position_ - released_);
  const char* bytes = static_cast<const char*>(buffer);
  if (offset >= held_.size()) {
    held_.resize(offset);  // a position past the end pads with zeros, as a memory stream does
    held_.append(bytes, static_cast<size_t>(count));
  } else {
    const size_t overlap = std::min(held_.size() - offset, static_cast<size_t>(count));
    held_.replace(offset, overlap, bytes, static_cast<size_t>(count));
  }
  position_ += count;
  return count;
}

int64_t TDocumentStream::Seek(int64_t offset, net::TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == net::TSeekOrigin::soCurrent)
    base = position_;
  else if (origin == net::TSeekOrigin::soEnd)
    base = Size();
  const int64_t target = base + offset;
  if (target < 0)
    return -1;
  position_ = target;
  return position_;
}

bool TDocumentStream::SetSize(int64_t size) {
  if (size < 0)
    return false;
  if (size == 0) {
    held_.clear();
    released_ = 0;
  } else if (size < released_) {
    return false;
  } else {
    held_.resize(static_cast<size_t>(size - released_));
  }
  position_ = std::min(position_, size);
  return true;
}

void TDocumentStream::Release(int64_t count) {
  const size_t n = static_cast<size_t>(std::clamp<int64_t>(count, 0, held_.size()));
  held_.erase(0, n);
  released_ += static_cast<int64_t>(n);
}

}  // namespace download
