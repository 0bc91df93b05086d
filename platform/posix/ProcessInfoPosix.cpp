#include "platform/ProcessInfo.h"

#include <unistd.h>
#include <cerrno>
#include <climits>
#include <csignal>

namespace platform {

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(getpid());
}

bool ProcessIsRunning(uint32_t id) {
  if (id == 0 || id > static_cast<uint32_t>(INT_MAX))
    return false;
  // Signal 0 only checks: EPERM still means the process is there, under another user.
  return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

size_t MaxPathLength() {
  return PATH_MAX - 1;
}

}  // namespace platform
