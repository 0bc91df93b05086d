// What the file functions do the same in every build; the system calls are the backend's
// (FilePosix.cpp, win32/FileWin32.cpp).
#include "platform/File.h"

namespace platform {
namespace {

thread_local int lastError = 0;

}  // namespace

namespace detail {
void SetLastOsError(int code) {
  lastError = code;
}
}  // namespace detail

bool TFile::Close() {
  const int error = handle_.Close();
  if (error == 0)
    return true;
  detail::SetLastOsError(error);
  return false;
}

std::optional<std::string> ReadWholeFile(std::string_view path, int64_t maxBytes) {
  TFile file;
  if (!file.Open(path, TFileAccess::Read, TFileCreate::OpenExisting))
    return std::nullopt;
  const int64_t size = file.Size();
  if (size < 0 || size > maxBytes)
    return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && file.Read(bytes.data(), bytes.size()) != size)
    return std::nullopt;
  return bytes;
}

int LastOsError() {
  return lastError;
}

}  // namespace platform
