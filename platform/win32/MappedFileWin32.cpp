#include "platform/MappedFile.h"

#include "platform/Paths.h"
#include "platform/win32/Win32Util.h"

namespace platform {

TMappedFile::~TMappedFile() {
  Close();
}

bool TMappedFile::Fail() {
  error_ = LastWin32Error();
  return false;
}

bool TMappedFile::Open(std::string_view path) {
  Close();
  error_ = 0;
  // The file and the mapping object are only needed while the view is made; the view keeps
  // the file open by itself until it is unmapped.
  TOsHandle file =
      TOsHandleAccess::Adopt(CreateFileW(Widen(HostPath(path)).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return Fail();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Native(file), &size))
    return Fail();
  size_ = static_cast<uint64_t>(size.QuadPart);
  if (size_ > 0) {
    if (size_ > SIZE_MAX) {
      size_ = 0;
      error_ = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    TOsHandle mapping = TOsHandleAccess::Adopt(
        CreateFileMappingW(Native(file), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.IsValid()) {
      size_ = 0;
      return Fail();
    }
    void* view = MapViewOfFile(Native(mapping), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) {
      size_ = 0;
      return Fail();
    }
    data_ = static_cast<const uint8_t*>(view);
  }
  open_ = true;
  return true;
}

void TMappedFile::Close() {
  if (data_ != nullptr)
    UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
  open_ = false;
}

// The system reads mapped files ahead by itself; there is nothing to ask for here.
void TMappedFile::AdviseSequential() {}

}  // namespace platform
