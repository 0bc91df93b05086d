#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// A whole file mapped read-only into memory, for readers that jump around in large files
// (archives) without copying them. The mapping is released when the object goes away.
namespace platform {

class TMappedFile {
 public:
  TMappedFile() = default;
  ~TMappedFile();
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // Maps the file by Windows path (see Paths.h). An empty file maps as zero bytes. On failure
  // Error() holds the platform's error code (OsError.h).
  bool Open(std::string_view path);
  void Close();
  bool IsOpen() const { return open_; }
  int Error() const { return error_; }

  const uint8_t* Data() const { return data_; }
  uint64_t Size() const { return size_; }
  // Tells the system the file will be read front to back, so it reads ahead generously and
  // drops pages behind the reader.
  void AdviseSequential();

 private:
  bool Fail();
  const uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
  bool open_ = false;
  int error_ = 0;
};

}  // namespace platform
