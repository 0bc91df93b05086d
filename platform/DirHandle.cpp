// What the folder and file objects do the same in every build; the system calls are the
// backend's (DirHandlePosix.cpp, win32/DirHandleWin32.cpp).
#include "platform/DirHandle.h"

namespace platform {

bool TDirFile::Close() {
  const int error = handle_.Close();
  if (error == 0)
    return true;
  error_ = error;
  return false;
}

}  // namespace platform
