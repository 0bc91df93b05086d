#include "platform/ProcessInfo.h"

#include <windows.h>

namespace platform {

uint32_t CurrentProcessId() {
  return GetCurrentProcessId();
}

bool ProcessIsRunning(uint32_t id) {
  if (id == 0)
    return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (process == nullptr)
    // Access denied still means the process is there, under another user.
    return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

size_t MaxPathLength() {
  return MAX_PATH - 1;
}

}  // namespace platform
