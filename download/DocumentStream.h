#pragma once
#include <cstdint>
#include <string>

#include "net/Stream.h"

// The received-data stream of a download session (its "document"). It counts every byte the
// client appends, as a memory stream holding the whole body would, but keeps only the bytes
// the partial file has not taken yet: once written to the file they are released. A package of
// any size is fetched in flat memory.
namespace download {

class TDocumentStream : public net::TStream {
 public:
  // Reads from the bytes still held, at the position; released bytes can't be read again.
  int64_t Read(void* buffer, int64_t count) override;
  // Appends at the end (the client only ever appends). A write elsewhere inside the bytes still
  // held overwrites them; one into the released part fails.
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, net::TSeekOrigin origin) override;
  // Every byte appended since the stream was last emptied, released ones included.
  int64_t Size() override { return released_ + static_cast<int64_t>(held_.size()); }
  // 0 empties the stream; a shorter size cuts the held bytes; a larger one pads with zeros.
  bool SetSize(int64_t size) override;

  // The bytes not yet released, and where they begin in the stream.
  const std::string& Held() const { return held_; }
  int64_t HeldStart() const { return released_; }
  // Drops the first `count` held bytes (those the partial file has taken).
  void Release(int64_t count);

 private:
  std::string held_;
  int64_t released_ = 0;
  int64_t position_ = 0;
};

}  // namespace download
