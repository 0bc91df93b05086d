#include "platform/File.h"

#include <algorithm>
#include <random>
#include <vector>

#include "platform/Paths.h"
#include "platform/win32/Win32Util.h"

namespace platform {
namespace {

bool Fail() {
  detail::SetLastOsError(LastWin32Error());
  return false;
}

bool Fail(DWORD code) {
  SetLastError(code);
  return Fail();
}

std::wstring WidePath(std::string_view path) {
  return Widen(HostPath(path));
}

DWORD Disposition(TFileCreate create) {
  switch (create) {
    case TFileCreate::OpenExisting:
      return OPEN_EXISTING;
    case TFileCreate::OpenAlways:
      return OPEN_ALWAYS;
    case TFileCreate::CreateAlways:
      return CREATE_ALWAYS;
    case TFileCreate::CreateNew:
      return CREATE_NEW;
  }
  return OPEN_EXISTING;
}

DWORD DesiredAccess(TFileAccess access) {
  switch (access) {
    case TFileAccess::Read:
      return GENERIC_READ;
    case TFileAccess::Write:
      return GENERIC_WRITE;
    case TFileAccess::ReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
  }
  return GENERIC_READ;
}

bool Attributes(std::string_view path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) || Fail();
}

// A name for the new copy beside the file: random, so two writers never share it.
std::wstring TempNameBeside(const std::wstring& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring tail;
  for (uint64_t n = random(), i = 0; i < 12; ++i, n >>= 4)
    tail += kHex[n & 15];
  return target + L"." + tail + L".tmp";
}

}  // namespace

bool TFile::Open(std::string_view path, TFileAccess access, TFileCreate create, bool exclusive) {
  Close();
  // A share mode of none makes every other open of the file fail while this one lasts; the
  // others share everything, as files opened by the layer always have.
  const DWORD share = exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileW(WidePath(path).c_str(), DesiredAccess(access), share, nullptr,
                         Disposition(create), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return Fail();
  handle_ = TOsHandleAccess::Adopt(h);
  return true;
}

int64_t TFile::Read(void* buffer, size_t size) {
  DWORD n = 0;
  const DWORD want = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  if (!ReadFile(Native(handle_), buffer, want, &n, nullptr))
    return Fail() ? 0 : -1;
  return n;
}

int64_t TFile::Write(const void* buffer, size_t size) {
  const char* p = static_cast<const char*>(buffer);
  size_t left = size;
  while (left > 0) {
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!WriteFile(Native(handle_), p, chunk, &n, nullptr))
      return Fail() ? 0 : -1;
    if (n == 0)
      return Fail(ERROR_WRITE_FAULT) ? 0 : -1;
    p += n;
    left -= n;
  }
  return static_cast<int64_t>(size);
}

int64_t TFile::ReadAt(void* buffer, size_t size, int64_t offset) {
  // A read at an offset moves a synchronous handle's position: put it back afterwards.
  const int64_t position = Position();
  if (position < 0)
    return -1;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  DWORD n = 0;
  const DWORD want = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  const bool ok = ReadFile(Native(handle_), buffer, want, &n, &at) != 0;
  const DWORD error = GetLastError();
  Seek(position, TSeekOrigin::Begin);
  if (!ok && error != ERROR_HANDLE_EOF)
    return Fail(error) ? 0 : -1;
  return ok ? n : 0;
}

int64_t TFile::Seek(int64_t offset, TSeekOrigin origin) {
  const DWORD method = origin == TSeekOrigin::Begin     ? FILE_BEGIN
                       : origin == TSeekOrigin::Current ? FILE_CURRENT
                                                        : FILE_END;
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(Native(handle_), distance, &result, method))
    return Fail() ? 0 : -1;
  return result.QuadPart;
}

int64_t TFile::Position() {
  return Seek(0, TSeekOrigin::Current);
}

int64_t TFile::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Native(handle_), &size))
    return Fail() ? 0 : -1;
  return size.QuadPart;
}

bool TFile::Truncate(int64_t size) {
  // The end of file is set at the position: move there, cut, and come back.
  const int64_t position = Position();
  if (position < 0 || Seek(size, TSeekOrigin::Begin) < 0)
    return false;
  const bool ok = SetEndOfFile(Native(handle_)) != 0;
  const DWORD error = GetLastError();
  Seek(position, TSeekOrigin::Begin);
  return ok || Fail(error);
}

bool TFile::Flush() {
  return FlushFileBuffers(Native(handle_)) || Fail();
}

bool TFile::SetModifiedTime(int64_t unixSeconds) {
  const FILETIME time = FileTimeFromUnix(unixSeconds);
  return SetFileTime(Native(handle_), nullptr, nullptr, &time) || Fail();
}

bool FileExists(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data);
}

bool CreateDir(std::string_view path) {
  return CreateDirectoryW(WidePath(path).c_str(), nullptr) || Fail();
}

bool ForceDirectories(std::string_view path) {
  const std::string full = HostPath(path);
  // Every prefix that ends before a separator is a folder to have, except the drive ("c:")
  // and a network share's server and share names ("\\server\share").
  size_t start = 0;
  if (full.size() >= 2 && full[1] == ':')
    start = 2;
  else if (full.rfind("\\\\", 0) == 0)
    start = full.find('\\', full.find('\\', 2) + 1);
  if (full.empty() || start == std::string::npos)
    return Fail(ERROR_PATH_NOT_FOUND);
  std::vector<size_t> ends;
  for (size_t pos = full.find('\\', start + 1); pos != std::string::npos;
       pos = full.find('\\', pos + 1))
    ends.push_back(pos);
  ends.push_back(full.size());
  for (size_t end : ends) {
    const std::string part = full.substr(0, end);
    if (DirectoryExists(part))
      continue;
    if (!CreateDirectoryW(Widen(part).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return Fail();
  }
  // A file in the way of a folder of the path.
  return DirectoryExists(full) || Fail(ERROR_PATH_NOT_FOUND);
}

bool RenameFile(std::string_view from, std::string_view to) {
  return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0) || Fail();
}

bool ReplaceFile(std::string_view from, std::string_view to) {
  return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) ||
         Fail();
}

bool DeleteFile(std::string_view path) {
  return ::DeleteFileW(WidePath(path).c_str()) || Fail();
}

bool RemoveDir(std::string_view path) {
  return RemoveDirectoryW(WidePath(path).c_str()) || Fail();
}

int64_t FileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                              data.nFileSizeLow);
}

int64_t FreeSpaceOfFolder(const std::string& folder) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(WidePath(folder).c_str(), &available, nullptr, nullptr))
    return Fail(), -1;
  return static_cast<int64_t>(available.QuadPart);
}

bool FileModifiedLocalTime(std::string_view path, TLocalTime& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  FILETIME local;
  SYSTEMTIME parts;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &parts))
    return Fail();
  time = TLocalTime{.year = parts.wYear,
                    .month = parts.wMonth,
                    .day = parts.wDay,
                    .hour = parts.wHour,
                    .minute = parts.wMinute,
                    .second = parts.wSecond,
                    .millisecond = 0,
                    .dayOfWeek = parts.wDayOfWeek};
  return true;
}

bool SaveWholeFile(std::string_view path, std::string_view bytes) {
  const std::wstring target = WidePath(path);
  if (target.empty() || target.back() == L'\\')
    return Fail(ERROR_PATH_NOT_FOUND);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Fail(ERROR_ACCESS_DENIED);
  // A file marked read-only is one we may not write.
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return Fail(ERROR_ACCESS_DENIED);
  const std::wstring temp = TempNameBeside(target);
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return Fail();
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD n = 0;
    ok = WriteFile(h, bytes.data() + done, chunk, &n, nullptr) && n > 0;
    done += n;
  }
  ok = ok && FlushFileBuffers(h);
  DWORD error = ok ? 0 : GetLastError();
  if (!CloseHandle(h) && ok) {
    ok = false;
    error = GetLastError();
  }
  // An existing file is replaced keeping its attributes and security; a new one is renamed
  // into place. Either way the name shows the old bytes or the new, never a mixture.
  if (ok && exists)
    ok = ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr) != 0;
  else if (ok)
    ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) {
    if (error == 0)
      error = GetLastError();
    ::DeleteFileW(temp.c_str());
    return Fail(error == 0 ? ERROR_WRITE_FAULT : error);
  }
  return true;
}

}  // namespace platform
