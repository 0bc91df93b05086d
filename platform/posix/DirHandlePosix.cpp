#include "platform/DirHandle.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Paths.h"
#include "platform/posix/PosixError.h"
#include "platform/posix/PosixHandle.h"

namespace platform {
namespace {

constexpr mode_t kNewFolderMode = 0755;
constexpr mode_t kNewFileMode = 0644;

std::string Name(std::string_view name) {
  return std::string(name);
}

}  // namespace

bool TDirFile::Write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(Fd(handle_), p, size);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      error_ = LastErrnoAsOsError();
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TDirFile::SetModifiedTime(int64_t unixSeconds) {
  timespec times[2];
  times[0].tv_sec = unixSeconds;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  if (futimens(Fd(handle_), times) == 0)
    return true;
  error_ = LastErrnoAsOsError();
  return false;
}

bool TDirHandle::Fail() {
  error_ = LastErrnoAsOsError();
  return false;
}

bool TDirHandle::Open(std::string_view path) {
  Close();
  handle_ =
      TOsHandleAccess::Adopt(open(HostPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return handle_.IsValid() || Fail();
}

TDirHandle TDirHandle::OpenChild(std::string_view name, bool create) {
  const std::string child = Name(name);
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(Fd(handle_), child.c_str(), kFlags);
  if (fd < 0 && errno == ENOENT && create) {
    // Another writer may create the same folder between the two calls; that is fine.
    if (mkdirat(Fd(handle_), child.c_str(), kNewFolderMode) != 0 && errno != EEXIST) {
      Fail();
      return TDirHandle();
    }
    fd = openat(Fd(handle_), child.c_str(), kFlags);
  }
  if (fd < 0) {
    Fail();
    return TDirHandle();
  }
  return TDirHandle(TOsHandleAccess::Adopt(fd));
}

TDirEntryKind TDirHandle::Kind(std::string_view name, int64_t* modifiedUnix) {
  struct stat st;
  if (fstatat(Fd(handle_), Name(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    Fail();
    return TDirEntryKind::Missing;
  }
  if (modifiedUnix != nullptr)
    *modifiedUnix = st.st_mtim.tv_sec;
  if (S_ISREG(st.st_mode))
    return TDirEntryKind::File;
  if (S_ISDIR(st.st_mode))
    return TDirEntryKind::Folder;
  return TDirEntryKind::Other;
}

TDirFile TDirHandle::CreateNewFile(std::string_view name) {
  const int fd = openat(Fd(handle_), Name(name).c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
  if (fd < 0) {
    Fail();
    return TDirFile();
  }
  return TDirFile(TOsHandleAccess::Adopt(fd));
}

bool TDirHandle::Rename(std::string_view from, std::string_view to, bool replace) {
  const std::string a = Name(from), b = Name(to);
  if (replace)
    return renameat(Fd(handle_), a.c_str(), Fd(handle_), b.c_str()) == 0 || Fail();
  return renameat2(Fd(handle_), a.c_str(), Fd(handle_), b.c_str(), RENAME_NOREPLACE) == 0 || Fail();
}

bool TDirHandle::RemoveFile(std::string_view name) {
  return unlinkat(Fd(handle_), Name(name).c_str(), 0) == 0 || Fail();
}

std::vector<std::string> TDirHandle::List() {
  std::vector<std::string> names;
  // The listing gets its own descriptor so that reading it leaves this handle untouched.
  const int fd = openat(Fd(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail();
    return names;
  }
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    Fail();
    close(fd);
    return names;
  }
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  closedir(dir);
  return names;
}

}  // namespace platform
