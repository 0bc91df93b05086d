#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/OsError.h"
#include "platform/OsHandle.h"

// Files and folders by Windows path (see Paths.h). Every failure leaves the platform's error
// code (OsError.h) in LastOsError() so callers can report it with OsErrorText().
namespace platform {

enum class TFileAccess { Read, Write, ReadWrite };

enum class TFileCreate {
  OpenExisting,  // fails when the file is missing
  OpenAlways,    // opens, or creates an empty file
  CreateAlways,  // creates, or truncates an existing file
  CreateNew,     // fails when the file exists
};

enum class TSeekOrigin { Begin, Current, End };

// An open file; closed when the object goes away.
class TFile {
 public:
  TFile() = default;

  // Opens by Windows path. `exclusive` denies every other opener, as a Windows share mode of
  // none does: a second exclusive open of the same file fails while this one is open.
  bool Open(std::string_view path, TFileAccess access, TFileCreate create, bool exclusive = false);
  bool IsOpen() const { return handle_.IsValid(); }
  // Closes the file; false when the final write-back failed.
  bool Close();

  // Reads up to `size` bytes; returns the count (0 at the end) or -1 on failure.
  int64_t Read(void* buffer, size_t size);
  // Writes all `size` bytes; returns `size` or -1 on failure.
  int64_t Write(const void* buffer, size_t size);
  // Reads at an offset without moving the position; returns the count or -1.
  int64_t ReadAt(void* buffer, size_t size, int64_t offset);
  // Returns the new position, or -1.
  int64_t Seek(int64_t offset, TSeekOrigin origin);
  int64_t Position();
  int64_t Size();
  bool Truncate(int64_t size);
  bool Flush();
  // Sets the file's modification time (seconds since 1970, UTC).
  bool SetModifiedTime(int64_t unixSeconds);

  // The open file for the platform layer's own use.
  const TOsHandle& NativeHandle() const { return handle_; }

 private:
  TOsHandle handle_;
};

bool FileExists(std::string_view path);       // a file (not a folder) is there
bool DirectoryExists(std::string_view path);  // a folder is there
bool PathExists(std::string_view path);       // anything is there
// Creates one folder; fails when it exists or its parent is missing.
bool CreateDir(std::string_view path);
// Creates a folder with every missing parent; true when the folder exists afterwards.
bool ForceDirectories(std::string_view path);
// Renames a file; fails when the new name exists (as Windows' rename does).
bool RenameFile(std::string_view from, std::string_view to);
// Renames a file, replacing the new name when it exists, in one step.
bool ReplaceFile(std::string_view from, std::string_view to);
bool DeleteFile(std::string_view path);
bool RemoveDir(std::string_view path);
// Removes a folder and everything in it, the deepest entries first. What could not be removed
// (a file held open, say) is added to notRemoved; true when the folder is gone.
bool RemoveTree(std::string_view path, std::vector<std::string>* notRemoved = nullptr);
// Size in bytes, or -1 when missing.
int64_t FileSize(std::string_view path);
// The bytes this user may still write on the drive that holds the path (the nearest folder of
// it that exists); -1 when the system does not say.
int64_t FreeDiskSpace(std::string_view path);
// The drive a Windows path lies on, as the user knows it: "C:" of "c:\\Varelo\\", the share of a
// UNC path; the path itself when it names no drive.
std::string DriveOf(std::string_view path);
// FreeDiskSpace of a folder that exists: each system's own part.
int64_t FreeSpaceOfFolder(const std::string& folder);
// The file's last modification time in local time (whole seconds); false when it is missing.
bool FileModifiedLocalTime(std::string_view path, TLocalTime& time);
// Writes a whole file so that it is never left cut short: the bytes go to a new file beside it,
// are flushed to the disk and renamed over the old one in one step. On any failure the old
// file stays as it was, nothing else is left behind, and LastOsError() says why. An existing
// file keeps its permissions and owner; one that we may not write is refused, and a link is
// followed to the file it names.
bool SaveWholeFile(std::string_view path, std::string_view bytes);
// The whole file, or nothing when it is missing, unreadable or larger than maxBytes.
std::optional<std::string> ReadWholeFile(std::string_view path, int64_t maxBytes);

// The error code (OsError.h) of the last failure on this thread.
int LastOsError();

namespace detail {
// Where the backend records the code of a failure for LastOsError().
void SetLastOsError(int code);
}  // namespace detail

}  // namespace platform
