#pragma once
#include <windows.h>
// The layer's own DeleteFile and ReplaceFile (File.h) share the system's macro names.
#undef DeleteFile
#undef ReplaceFile

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/OsHandle.h"

// For the Win32 backend's own sources only: UTF-8 <-> UTF-16 for the wide API, the HANDLE
// inside a TOsHandle, and file times.
namespace platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

struct TOsHandleAccess {
  static HANDLE Get(const TOsHandle& handle) { return reinterpret_cast<HANDLE>(handle.value_); }
  // Takes ownership; INVALID_HANDLE_VALUE or null gives an invalid handle.
  static TOsHandle Adopt(HANDLE h) {
    TOsHandle handle;
    if (h != nullptr && h != INVALID_HANDLE_VALUE)
      handle.value_ = reinterpret_cast<intptr_t>(h);
    return handle;
  }
};

inline HANDLE Native(const TOsHandle& handle) {
  return TOsHandleAccess::Get(handle);
}

// Seconds since 1970 (UTC) and the system's file time, 100 ns since 1601.
FILETIME FileTimeFromUnix(int64_t unixSeconds);
int64_t UnixFromFileTime(const FILETIME& time);

// The last error of this thread as the layer's code: Windows numbers pass through unchanged.
inline int LastWin32Error() {
  return static_cast<int>(GetLastError());
}

}  // namespace platform
