#include "net/Stream.h"

#include <algorithm>
#include <cstring>

namespace net {

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t available = Size() - position_;
  const int64_t n = std::min(count, available);
  if (n <= 0) {
    return 0;
  }
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) {
    return 0;
  }
  const int64_t end = position_ + count;
  if (end > Size()) {
    data_.resize(static_cast<size_t>(end));
  }
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) {
    base = position_;
  } else if (origin == TSeekOrigin::soEnd) {
    base = Size();
  }
  const int64_t target = base + offset;
  if (target < 0) {
    return -1;
  }
  position_ = target;
  return position_;
}

bool TMemoryStream::SetSize(int64_t size) {
  if (size < 0) {
    return false;
  }
  data_.resize(static_cast<size_t>(size));
  position_ = std::min(position_, size);
  return true;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::SetData(std::string_view data) {
  data_.assign(data);
  position_ = 0;
}

bool TFileStream::Open(std::string_view path, platform::TFileAccess access,
                       platform::TFileCreate create, bool exclusive) {
  return file_.Open(path, access, create, exclusive);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) {
    return 0;
  }
  const int64_t n = file_.Read(buffer, static_cast<size_t>(count));
  return n > 0 ? n : 0;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) {
    return 0;
  }
  const int64_t n = file_.Write(buffer, static_cast<size_t>(count));
  return n > 0 ? n : 0;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  platform::TSeekOrigin o = platform::TSeekOrigin::Begin;
  if (origin == TSeekOrigin::soCurrent) {
    o = platform::TSeekOrigin::Current;
  } else if (origin == TSeekOrigin::soEnd) {
    o = platform::TSeekOrigin::End;
  }
  return file_.Seek(offset, o);
}

int64_t TFileStream::Size() {
  return file_.Size();
}

bool TFileStream::SetSize(int64_t size) {
  if (!file_.Truncate(size)) {
    return false;
  }
  if (file_.Position() > size) {
    file_.Seek(size, platform::TSeekOrigin::Begin);
  }
  return true;
}

}  // namespace net
