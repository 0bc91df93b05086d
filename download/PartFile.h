#pragma once
#include <cstdint>
#include <string>

#include "platform/File.h"

// A download's partial file, opened with exclusive access. Writes are gathered into large
// blocks; Flush (and Close) puts everything handed over on the disk, which the session does at
// every close report, pause or stop, and before the file is renamed.
namespace download {

class TPartFile {
 public:
  TPartFile() = default;
  ~TPartFile() { Close(); }
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;

  // Opens an existing file positioned at its end, or creates an empty one. False with the
  // platform's error number kept (ErrorText) when neither works.
  bool OpenOrCreate(const std::string& path, bool existing);
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& Path() const { return path_; }

  // Size with the bytes not yet on the disk.
  int64_t Size() const { return diskSize_ + static_cast<int64_t>(pending_.size()); }
  // Appends; false when the disk refused an earlier block or this one.
  bool Append(const char* bytes, size_t count);
  // Empties the file (a resumed request answered with the whole body).
  bool Truncate();
  bool Flush();
  // Flushes and closes; false when the last bytes could not be written.
  bool Close();

  // The platform's text for the last failure, and its error number (OsError.h).
  std::string ErrorText() const;
  int ErrorCode() const { return error_; }

 private:
  platform::TFile file_;
  std::string path_;
  std::string pending_;
  int64_t diskSize_ = 0;
  int error_ = 0;
};

}  // namespace download
