#include "platform/OsHandle.h"

#include "platform/win32/Win32Util.h"

namespace platform {

int TOsHandle::Close() {
  if (value_ == kInvalid)
    return 0;
  const HANDLE h = reinterpret_cast<HANDLE>(value_);
  value_ = kInvalid;
  return CloseHandle(h) ? 0 : LastWin32Error();
}

}  // namespace platform
