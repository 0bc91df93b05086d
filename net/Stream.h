#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/File.h"

// Byte streams the network layer reads request bodies from and writes received data into: a
// memory stream (a client's document) and a file stream (a download's partial file). Callers
// hand a stream by reference; the socket and the clients never take ownership of it.
namespace net {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns the number read (0 at the end or on failure).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes `count` bytes at the position; returns the number written (less on failure).
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position, or -1 on failure.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  // Truncates or extends the stream; the position stays within the new size.
  virtual bool SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
};

// A growable stream in memory.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  bool SetSize(int64_t size) override;

  // Empties the stream and rewinds it.
  void Clear();
  // The whole content, whatever the position.
  const std::string& Data() const { return data_; }
  // Replaces the content and rewinds.
  void SetData(std::string_view data);

 private:
  std::string data_;
  int64_t position_ = 0;
};

// A stream over a file opened by Windows path (see platform/File.h).
class TFileStream : public TStream {
 public:
  TFileStream() = default;
  bool Open(std::string_view path, platform::TFileAccess access, platform::TFileCreate create,
            bool exclusive = false);
  bool IsOpen() const { return file_.IsOpen(); }
  void Close() { file_.Close(); }
  bool Flush() { return file_.Flush(); }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  bool SetSize(int64_t size) override;

 private:
  platform::TFile file_;
};

}  // namespace net
