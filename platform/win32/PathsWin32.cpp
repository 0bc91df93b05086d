#include "platform/Paths.h"

#include "platform/win32/Win32Util.h"

// Native Windows paths: the system resolves them itself (drives, case, trailing dots and
// blanks, network shares), so the layer hands them over as they are.
namespace platform {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The full path as the system resolves it, for comparisons.
std::string FullPath(std::string_view path) {
  const std::wstring wide = Widen(path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0)
    return std::string(path);
  std::wstring full(n, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(written);
  return Narrow(full);
}

}  // namespace

std::string UserTempFolder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  std::string path = n > 0 && n <= MAX_PATH + 1 ? Narrow(std::wstring_view(buffer, n)) : "C:\\Temp";
  while (path.size() > 3 && IsSeparator(path.back()))
    path.pop_back();
  return path;
}

std::string UserName() {
  wchar_t buffer[256] = {};
  DWORD n = 256;
  if (!GetUserNameW(buffer, &n) || n == 0)
    return "user";
  return Narrow(std::wstring_view(buffer, n - 1));
}

// There is no prefix here: the drives are the system's own.
std::string WinePrefix() {
  return {};
}

std::string DriveRoot(char letter) {
  return std::string(1, letter) + ":";
}

// The path with "/" turned into "\" and a trailing separator dropped ("c:\Varelo\" and
// "c:\Varelo" name the same folder), except on a drive's root ("c:\").
std::string HostPath(std::string_view windowsPath) {
  std::string path(windowsPath);
  for (char& c : path) {
    if (c == '/')
      c = '\\';
  }
  while (path.size() > 1 && IsSeparator(path.back())) {
    if (path.size() == 3 && path[1] == ':')
      break;
    path.pop_back();
  }
  return path;
}

bool SamePath(std::string_view a, std::string_view b) {
  return FoldCase(FullPath(HostPath(a))) == FoldCase(FullPath(HostPath(b)));
}

}  // namespace platform
