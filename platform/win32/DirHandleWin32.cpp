#include "platform/DirHandle.h"

#include "platform/Paths.h"
#include "platform/win32/Win32Util.h"

// A held folder is opened without sharing deletion, so while we hold it nobody can rename it
// or put anything else in its place; the names inside are reached through the folder's own
// full path, and links (reparse points) are never followed below it.
namespace platform {
namespace {

constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

// One component: a separator, a drive colon or a dot name would reach outside the folder.
bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..")
    return false;
  return name.find_first_of("\\/:") == std::string_view::npos;
}

HANDLE OpenFolder(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kFolderShare,
                     nullptr, OPEN_EXISTING, kFolderFlags, nullptr);
}

// The full path of the held folder, in the form that takes long names ("\\?\C:\...").
std::wstring FolderPath(const TOsHandle& handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(Native(handle), path.data(),
                                              static_cast<DWORD>(path.size()), VOLUME_NAME_DOS);
    if (n == 0)
      return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n + 1);
  }
}

}  // namespace

bool TDirFile::Write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD n = 0;
    if (!WriteFile(Native(handle_), p, chunk, &n, nullptr) || n == 0) {
      error_ = n == 0 && GetLastError() == 0 ? ERROR_WRITE_FAULT : LastWin32Error();
      return false;
    }
    p += n;
    size -= n;
  }
  return true;
}

bool TDirFile::SetModifiedTime(int64_t unixSeconds) {
  const FILETIME time = FileTimeFromUnix(unixSeconds);
  if (SetFileTime(Native(handle_), nullptr, &time, &time))
    return true;
  error_ = LastWin32Error();
  return false;
}

bool TDirHandle::Fail() {
  error_ = LastWin32Error();
  return false;
}

bool TDirHandle::Open(std::string_view path) {
  Close();
  // The folder itself may be reached through links: the caller chose it.
  handle_ = TOsHandleAccess::Adopt(
      CreateFileW(Widen(HostPath(path)).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                  kFolderShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle_.IsValid() || Fail();
}

TDirHandle TDirHandle::OpenChild(std::string_view name, bool create) {
  // "." is this folder itself: a second handle of it, which the engine walks down from while
  // this one stays on the destination.
  if (name == ".") {
    HANDLE copy = nullptr;
    const HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, Native(handle_), process, &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      Fail();
      return TDirHandle();
    }
    return TDirHandle(TOsHandleAccess::Adopt(copy));
  }
  if (!IsPlainName(name)) {
    error_ = ERROR_INVALID_NAME;
    return TDirHandle();
  }
  const std::wstring child = FolderPath(handle_) + L"\\" + Widen(name);
  HANDLE h = OpenFolder(child);
  if (h == INVALID_HANDLE_VALUE && create && GetLastError() == ERROR_FILE_NOT_FOUND) {
    // Another writer may create the same folder between the two calls; that is fine.
    if (!CreateDirectoryW(child.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail();
      return TDirHandle();
    }
    h = OpenFolder(child);
  }
  if (h == INVALID_HANDLE_VALUE) {
    Fail();
    return TDirHandle();
  }
  TOsHandle held = TOsHandleAccess::Adopt(h);
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) {
    Fail();
    return TDirHandle();
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    error_ = ERROR_CANT_RESOLVE_FILENAME;
    return TDirHandle();
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error_ = ERROR_PATH_NOT_FOUND;
    return TDirHandle();
  }
  return TDirHandle(std::move(held));
}

TDirEntryKind TDirHandle::Kind(std::string_view name, int64_t* modifiedUnix) {
  if (!IsPlainName(name)) {
    error_ = ERROR_INVALID_NAME;
    return TDirEntryKind::Missing;
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  const std::wstring child = FolderPath(handle_) + L"\\" + Widen(name);
  if (!GetFileAttributesExW(child.c_str(), GetFileExInfoStandard, &data)) {
    Fail();
    return TDirEntryKind::Missing;
  }
  if (modifiedUnix != nullptr)
    *modifiedUnix = UnixFromFileTime(data.ftLastWriteTime);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return TDirEntryKind::Other;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return TDirEntryKind::Folder;
  return TDirEntryKind::File;
}

TDirFile TDirHandle::CreateNewFile(std::string_view name) {
  if (!IsPlainName(name)) {
    error_ = ERROR_INVALID_NAME;
    return TDirFile();
  }
  // CREATE_NEW fails on any existing name, a link's too, so nothing is ever opened through one.
  const std::wstring child = FolderPath(handle_) + L"\\" + Widen(name);
  HANDLE h =
      CreateFileW(child.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    Fail();
    if (error_ == ERROR_FILE_EXISTS)
      error_ = ERROR_ALREADY_EXISTS;
    return TDirFile();
  }
  return TDirFile(TOsHandleAccess::Adopt(h));
}

bool TDirHandle::Rename(std::string_view from, std::string_view to, bool replace) {
  if (!IsPlainName(from) || !IsPlainName(to)) {
    error_ = ERROR_INVALID_NAME;
    return false;
  }
  const std::wstring folder = FolderPath(handle_) + L"\\";
  const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
  if (MoveFileExW((folder + Widen(from)).c_str(), (folder + Widen(to)).c_str(), flags))
    return true;
  Fail();
  if (error_ == ERROR_FILE_EXISTS)
    error_ = ERROR_ALREADY_EXISTS;
  return false;
}

bool TDirHandle::RemoveFile(std::string_view name) {
  if (!IsPlainName(name)) {
    error_ = ERROR_INVALID_NAME;
    return false;
  }
  return ::DeleteFileW((FolderPath(handle_) + L"\\" + Widen(name)).c_str()) || Fail();
}

std::vector<std::string> TDirHandle::List() {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((FolderPath(handle_) + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    Fail();
    return names;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      names.push_back(Narrow(name));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

}  // namespace platform
