#pragma once
#include "platform/OsHandle.h"

// For the platform layer's own sources only: the descriptor inside a TOsHandle.
namespace platform {

struct TOsHandleAccess {
  static int Fd(const TOsHandle& handle) { return static_cast<int>(handle.value_); }
  // Takes ownership of a descriptor (a negative one gives an invalid handle).
  static TOsHandle Adopt(int fd) {
    TOsHandle handle;
    handle.value_ = fd < 0 ? TOsHandle::kInvalid : fd;
    return handle;
  }
};

inline int Fd(const TOsHandle& handle) {
  return TOsHandleAccess::Fd(handle);
}

}  // namespace platform
