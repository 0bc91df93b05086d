#pragma once
#include <cstdint>
#include <string>

#include "net/Stream.h"

namespace bench {

// The client hands every received packet (64 KiB at most) to its stream as it arrives; a file
// written in such small pieces runs at half the rate of large writes, so the download's file
// stream gathers them into large blocks. Everything handed to it reaches the file before any
// read, seek, resize or close.
class TGatheringFileStream : public net::TStream {
 public:
  static constexpr size_t kBlock = 1024 * 1024;

  bool Open(const std::string& path);
  bool Close();
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, net::TSeekOrigin origin) override;
  int64_t Size() override;
  bool SetSize(int64_t size) override;

 private:
  bool Flush();

  net::TFileStream file_;
  std::string block_;
  bool failed_ = false;
};

}  // namespace bench
