#include "bench/common/GatheringFileStream.h"

namespace bench {

bool TGatheringFileStream::Open(const std::string& path) {
  block_.reserve(kBlock);
  return file_.Open(path, platform::TFileAccess::ReadWrite, platform::TFileCreate::CreateAlways);
}

bool TGatheringFileStream::Close() {
  const bool ok = Flush();
  file_.Close();
  return ok;
}

int64_t TGatheringFileStream::Write(const void* buffer, int64_t count) {
  if (!failed_ && block_.size() + static_cast<size_t>(count) > kBlock)
    Flush();
  if (failed_)
    return 0;
  block_.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
  return count;
}

int64_t TGatheringFileStream::Read(void* buffer, int64_t count) {
  return Flush() ? file_.Read(buffer, count) : 0;
}

int64_t TGatheringFileStream::Seek(int64_t offset, net::TSeekOrigin origin) {
  return Flush() ? file_.Seek(offset, origin) : -1;
}

int64_t TGatheringFileStream::Size() {
  return file_.Size() + static_cast<int64_t>(block_.size());
}

bool TGatheringFileStream::SetSize(int64_t size) {
  return Flush() && file_.SetSize(size);
}

bool TGatheringFileStream::Flush() {
  if (!failed_ && !block_.empty()) {
    failed_ = file_.Write(block_.data(), static_cast<int64_t>(block_.size())) !=
              static_cast<int64_t>(block_.size());
  }
  block_.clear();
  return !failed_;
}

}  // namespace bench
