#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "platform/Paths.h"
#include "platform/posix/PosixError.h"
#include "platform/posix/PosixHandle.h"

namespace platform {
namespace {

bool Fail() {
  detail::SetLastOsError(LastErrnoAsOsError());
  return false;
}

int OpenFlags(TFileAccess access, TFileCreate create) {
  int flags = O_CLOEXEC;
  switch (access) {
    case TFileAccess::Read:
      flags |= O_RDONLY;
      break;
    case TFileAccess::Write:
      flags |= O_WRONLY;
      break;
    case TFileAccess::ReadWrite:
      flags |= O_RDWR;
      break;
  }
  switch (create) {
    case TFileCreate::OpenExisting:
      break;
    case TFileCreate::OpenAlways:
      flags |= O_CREAT;
      break;
    case TFileCreate::CreateAlways:
      flags |= O_CREAT | O_TRUNC;
      break;
    case TFileCreate::CreateNew:
      flags |= O_CREAT | O_EXCL;
      break;
  }
  return flags;
}

// A name for the new copy beside `name`: hidden, and random so two writers never share it.
std::string TempNameBeside(const std::string& folder, const std::string& name) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kHex[] = "0123456789abcdef";
  std::string tail;
  for (uint64_t n = random(), i = 0; i < 12; ++i, n >>= 4)
    tail += kHex[n & 15];
  return folder + "/." + name + "." + tail + ".tmp";
}

// Keeps errno across the clean-up calls of a failure.
bool FailAndRemove(int fd, const std::string& temp) {
  const int e = errno;
  if (fd >= 0)
    close(fd);
  unlink(temp.c_str());
  errno = e;
  return Fail();
}

bool StatPath(std::string_view path, struct stat& st) {
  if (stat(HostPath(path).c_str(), &st) == 0)
    return true;
  return Fail();
}

}  // namespace

bool TFile::Open(std::string_view path, TFileAccess access, TFileCreate create, bool exclusive) {
  Close();
  const std::string host = HostPath(path);
  int flags = OpenFlags(access, create);
  // Truncation waits until the exclusive lock is held, so a file in use is never emptied.
  const bool truncate = (flags & O_TRUNC) != 0;
  if (exclusive)
    flags &= ~O_TRUNC;
  int fd = open(host.c_str(), flags, 0644);
  if (fd < 0)
    return Fail();
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return Fail();
  }
  if (exclusive && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    errno = e;
    return Fail();
  }
  if (exclusive && truncate && ftruncate(fd, 0) != 0) {
    const int e = errno;
    close(fd);
    errno = e;
    return Fail();
  }
  handle_ = TOsHandleAccess::Adopt(fd);
  return true;
}

int64_t TFile::Read(void* buffer, size_t size) {
  for (;;) {
    const ssize_t n = read(Fd(handle_), buffer, size);
    if (n >= 0)
      return n;
    if (errno != EINTR)
      return Fail() ? 0 : -1;
  }
}

int64_t TFile::Write(const void* buffer, size_t size) {
  const char* p = static_cast<const char*>(buffer);
  size_t left = size;
  while (left > 0) {
    const ssize_t n = write(Fd(handle_), p, left);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return Fail() ? 0 : -1;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return static_cast<int64_t>(size);
}

int64_t TFile::ReadAt(void* buffer, size_t size, int64_t offset) {
  for (;;) {
    const ssize_t n = pread(Fd(handle_), buffer, size, offset);
    if (n >= 0)
      return n;
    if (errno != EINTR)
      return Fail() ? 0 : -1;
  }
}

int64_t TFile::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::Begin     ? SEEK_SET
                     : origin == TSeekOrigin::Current ? SEEK_CUR
                                                      : SEEK_END;
  const off_t pos = lseek(Fd(handle_), offset, whence);
  if (pos < 0)
    return Fail() ? 0 : -1;
  return pos;
}

int64_t TFile::Position() {
  return Seek(0, TSeekOrigin::Current);
}

int64_t TFile::Size() {
  struct stat st;
  if (fstat(Fd(handle_), &st) != 0)
    return Fail() ? 0 : -1;
  return st.st_size;
}

bool TFile::Truncate(int64_t size) {
  return ftruncate(Fd(handle_), size) == 0 || Fail();
}

bool TFile::Flush() {
  return fdatasync(Fd(handle_)) == 0 || Fail();
}

bool TFile::SetModifiedTime(int64_t unixSeconds) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(unixSeconds);
  times[1].tv_nsec = 0;
  return futimens(Fd(handle_), times) == 0 || Fail();
}

bool FileExists(std::string_view path) {
  struct stat st;
  return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool PathExists(std::string_view path) {
  struct stat st;
  return StatPath(path, st);
}

bool CreateDir(std::string_view path) {
  return mkdir(HostPath(path).c_str(), 0755) == 0 || Fail();
}

bool ForceDirectories(std::string_view path) {
  const std::string host = HostPath(path);
  std::string cur;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = host.find('/', pos + 1);
    cur = host.substr(0, pos);
    if (cur.empty())
      continue;
    if (mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST)
      return Fail();
  }
  struct stat st;
  if (stat(host.c_str(), &st) != 0)
    return Fail();
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return Fail();
  }
  return true;
}

bool RenameFile(std::string_view from, std::string_view to) {
  const std::string src = HostPath(from);
  const std::string dst = HostPath(to);
  // link + unlink refuses an existing destination in one step, unlike rename(2).
  if (link(src.c_str(), dst.c_str()) == 0)
    return unlink(src.c_str()) == 0 || Fail();
  if (errno == EEXIST)
    return Fail();
  struct stat st;
  if (lstat(dst.c_str(), &st) == 0) {
    errno = EEXIST;
    return Fail();
  }
  return rename(src.c_str(), dst.c_str()) == 0 || Fail();
}

bool ReplaceFile(std::string_view from, std::string_view to) {
  return rename(HostPath(from).c_str(), HostPath(to).c_str()) == 0 || Fail();
}

bool DeleteFile(std::string_view path) {
  return unlink(HostPath(path).c_str()) == 0 || Fail();
}

bool RemoveDir(std::string_view path) {
  return rmdir(HostPath(path).c_str()) == 0 || Fail();
}

int64_t FileSize(std::string_view path) {
  struct stat st;
  if (!StatPath(path, st) || !S_ISREG(st.st_mode))
    return -1;
  return st.st_size;
}

int64_t FreeSpaceOfFolder(const std::string& folder) {
  struct statvfs fs;
  if (statvfs(HostPath(folder).c_str(), &fs) != 0)
    return Fail(), -1;
  return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
}

bool FileModifiedLocalTime(std::string_view path, TLocalTime& time) {
  struct stat st;
  if (!StatPath(path, st) || !S_ISREG(st.st_mode))
    return false;
  tm local{};
  if (localtime_r(&st.st_mtime, &local) == nullptr)
    return false;
  time = TLocalTime{.year = local.tm_year + 1900,
                    .month = local.tm_mon + 1,
                    .day = local.tm_mday,
                    .hour = local.tm_hour,
                    .minute = local.tm_min,
                    .second = local.tm_sec,
                    .millisecond = 0,
                    .dayOfWeek = local.tm_wday};
  return true;
}

bool SaveWholeFile(std::string_view path, std::string_view bytes) {
  std::string host = HostPath(path);
  if (host.empty() || host.back() == '/') {
    errno = ENOENT;
    return Fail();
  }
  // Through a link the file it names is replaced, as a writer in place would change it.
  if (char resolved[PATH_MAX]; realpath(host.c_str(), resolved) != nullptr)
    host = resolved;
  struct stat old;
  const bool exists = stat(host.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) {
    errno = EISDIR;
    return Fail();
  }
  if (exists && access(host.c_str(), W_OK) != 0)
    return Fail();
  const size_t slash = host.rfind('/');
  const std::string folder = slash == 0 ? "/" : host.substr(0, slash);
  const std::string temp = TempNameBeside(slash == 0 ? "" : folder, host.substr(slash + 1));
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0)
    return Fail();
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n == 0)
      errno = EIO;
    if (n <= 0)
      return FailAndRemove(fd, temp);
    done += static_cast<size_t>(n);
  }
  if (exists) {
    // The owner may differ when the superuser writes a user's file; keeping it is a courtesy.
    [[maybe_unused]] const int owned = fchown(fd, old.st_uid, old.st_gid);
    if (fchmod(fd, old.st_mode & 07777) != 0)
      return FailAndRemove(fd, temp);
  }
  if (fdatasync(fd) != 0)
    return FailAndRemove(fd, temp);
  if (close(fd) != 0)
    return FailAndRemove(-1, temp);
  if (rename(temp.c_str(), host.c_str()) != 0)
    return FailAndRemove(-1, temp);
  // The rename itself reaches the disk with the folder's own flush.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace platform
