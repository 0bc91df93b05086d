#include "platform/OsHandle.h"

#include <unistd.h>

#include "platform/posix/PosixError.h"

namespace platform {

int TOsHandle::Close() {
  if (value_ == kInvalid)
    return 0;
  const int fd = static_cast<int>(value_);
  value_ = kInvalid;
  // The descriptor is gone even when close reports a failure; it is never closed twice.
  return close(fd) == 0 ? 0 : LastErrnoAsOsError();
}

}  // namespace platform
