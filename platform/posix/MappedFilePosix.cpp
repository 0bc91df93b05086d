#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/posix/PosixError.h"

namespace platform {
namespace {

// Keeps the descriptor only while the mapping is made; the mapping outlives it.
class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0)
      close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TMappedFile::~TMappedFile() {
  Close();
}

bool TMappedFile::Fail() {
  error_ = LastErrnoAsOsError();
  return false;
}

bool TMappedFile::Open(std::string_view path) {
  Close();
  error_ = 0;
  TFd fd(open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0)
    return Fail();
  struct stat st;
  if (fstat(fd.Get(), &st) != 0)
    return Fail();
  if (!S_ISREG(st.st_mode)) {
    errno = EISDIR;
    return Fail();
  }
  size_ = static_cast<uint64_t>(st.st_size);
  if (size_ > 0) {
    void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd.Get(), 0);
    if (p == MAP_FAILED) {
      size_ = 0;
      return Fail();
    }
    data_ = static_cast<const uint8_t*>(p);
  }
  open_ = true;
  return true;
}

void TMappedFile::Close() {
  if (data_ != nullptr)
    munmap(const_cast<uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
  open_ = false;
}

void TMappedFile::AdviseSequential() {
  if (data_ != nullptr)
    madvise(const_cast<uint8_t*>(data_), size_, MADV_SEQUENTIAL);
}

}  // namespace platform
