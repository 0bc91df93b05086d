#include "download/PartFile.h"

#include "download/DownloadLimits.h"

namespace download {

bool TPartFile::OpenOrCreate(const std::string& path, bool existing) {
  Close();
  path_ = path;
  error_ = 0;
  pending_.clear();
  const auto mode =
      existing ? platform::TFileCreate::OpenExisting : platform::TFileCreate::CreateAlways;
  if (!file_.Open(path, platform::TFileAccess::ReadWrite, mode, true)) {
    error_ = platform::LastOsError();
    return false;
  }
  diskSize_ = file_.Seek(0, platform::TSeekOrigin::End);
  if (diskSize_ < 0) {
    error_ = platform::LastOsError();
    file_.Close();
    return false;
  }
  return true;
}

bool TPartFile::Append(const char* bytes, size_t count) {
  if (!file_.IsOpen() || error_ != 0)
    return false;
  pending_.append(bytes, count);
  if (static_cast<int64_t>(pending_.size()) >= kPartFileWriteBlock)
    return Flush();
  return true;
}

bool TPartFile::Truncate() {
  pending_.clear();
  if (!file_.IsOpen() || !file_.Truncate(0) || file_.Seek(0, platform::TSeekOrigin::Begin) != 0) {
    error_ = platform::LastOsError();
    return false;
  }
  diskSize_ = 0;
  return true;
}

bool TPartFile::Flush() {
  if (!file_.IsOpen())
    return error_ == 0;
  if (error_ != 0)
    return false;
  if (!pending_.empty()) {
    if (file_.Write(pending_.data(), pending_.size()) < 0) {
      error_ = platform::LastOsError();
      pending_.clear();
      return false;
    }
    diskSize_ += static_cast<int64_t>(pending_.size());
    pending_.clear();
  }
  return true;
}

bool TPartFile::Close() {
  if (!file_.IsOpen())
    return error_ == 0;
  const bool ok = Flush();
  file_.Close();
  return ok;
}

std::string TPartFile::ErrorText() const {
  return platform::OsErrorText(error_);
}

}  // namespace download
