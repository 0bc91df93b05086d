#include "platform/DynamicLibrary.h"

#include "platform/File.h"
#include "platform/LibraryHeaders.h"
#include "platform/OsError.h"
#include "platform/Paths.h"
#include "platform/win32/Win32Util.h"

namespace platform {
namespace {

bool HasSeparator(std::string_view path) {
  return path.find('/') != std::string_view::npos || path.find('\\') != std::string_view::npos;
}

// While a library loads, the system must not stop the program with a box about a missing
// disk or a file it cannot open: the caller reports the failure itself.
class TQuietErrors {
 public:
  TQuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &saved_); }
  ~TQuietErrors() { SetThreadErrorMode(saved_, nullptr); }

 private:
  DWORD saved_ = 0;
};

std::string ErrorWithCode(int code) {
  return OsErrorText(code) + " (" + std::to_string(code) + ")";
}

}  // namespace

bool TDynamicLibrary::Load(std::string_view path) {
  Unload();
  error_.clear();
  // A bare name is handed over as it is so the system's search applies.
  const std::string native = HasSeparator(path) ? HostPath(path) : std::string(path);
  // A named file is checked before the system maps it, as the Linux build does; the system's
  // search for a bare name is the system's own.
  if (HasSeparator(path)) {
    const std::string problem = CheckLibraryFile(path, TLibraryHeaders::TFormat::Pe);
    if (!problem.empty()) {
      error_ = ErrorWithCode(kErrorBadExeFormat) + ": " + native + ": " + problem;
      detail::SetLastOsError(kErrorBadExeFormat);
      SetLastError(static_cast<DWORD>(kErrorBadExeFormat));
      return false;
    }
  }
  HMODULE module;
  {
    TQuietErrors quiet;
    module = LoadLibraryW(Widen(native).c_str());
  }
  if (module == nullptr) {
    const int code = LastWin32Error();
    error_ = ErrorWithCode(code);
    detail::SetLastOsError(code);
    SetLastError(static_cast<DWORD>(code));
    return false;
  }
  handle_ = reinterpret_cast<void*>(module);
  return true;
}

void TDynamicLibrary::Unload() {
  if (handle_ == nullptr)
    return;
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) {
  if (handle_ == nullptr) {
    error_ = "library not loaded";
    return nullptr;
  }
  FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(handle_), name);
  if (address == nullptr)
    error_ = ErrorWithCode(LastWin32Error());
  return reinterpret_cast<void*>(address);
}

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module))
    return {};
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0)
      return {};
    if (n < path.size()) {
      path.resize(n);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace platform
