// The handle's ownership, the same in every build; closing is the backend's (OsHandlePosix.cpp,
// win32/OsHandleWin32.cpp).
#include "platform/OsHandle.h"

namespace platform {

TOsHandle& TOsHandle::operator=(TOsHandle&& other) noexcept {
  if (this != &other) {
    Close();
    value_ = other.value_;
    other.value_ = kInvalid;
  }
  return *this;
}

}  // namespace platform
