#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/OsError.h"
#include "platform/OsHandle.h"

// Folders held open by handle, and files created inside them. Everything is named relative to
// an open folder and no symbolic link is ever followed below it, so a writer that starts from
// a trusted folder cannot be led outside it by links that others placed inside.
namespace platform {

enum class TDirEntryKind { Missing, File, Folder, Other };

// A file created in a held folder; closed when the object goes away.
class TDirFile {
 public:
  TDirFile() = default;

  bool IsOpen() const { return handle_.IsValid(); }
  // Writes all bytes; false on failure (Error() says why).
  bool Write(const void* data, size_t size);
  // Sets the modification time (seconds since 1970, UTC).
  bool SetModifiedTime(int64_t unixSeconds);
  // Closes and reports a failure of the final write-back.
  bool Close();
  // The error code (OsError.h) of the last failure.
  int Error() const { return error_; }

 private:
  friend class TDirHandle;
  explicit TDirFile(TOsHandle handle) : handle_(std::move(handle)) {}
  TOsHandle handle_;
  int error_ = 0;
};

class TDirHandle {
 public:
  TDirHandle() = default;

  // Opens a folder by Windows path (see Paths.h); the folder itself may be reached through
  // links, as the caller chose it.
  bool Open(std::string_view path);
  bool IsOpen() const { return handle_.IsValid(); }
  void Close() { handle_.Close(); }

  // Opens the child folder `name` (one component), creating it when `create` is set and it
  // is missing. A link in its place is refused. "." gives another handle of this folder.
  TDirHandle OpenChild(std::string_view name, bool create);
  // What is at `name`, without following a link; `modifiedUnix` gets its modification time.
  TDirEntryKind Kind(std::string_view name, int64_t* modifiedUnix = nullptr);
  // Creates a new file; fails when anything (a link too) already has the name.
  TDirFile CreateNewFile(std::string_view name);
  // Renames inside this folder. With `replace` an existing file of the new name is replaced
  // in one step; without it an existing name makes the rename fail.
  bool Rename(std::string_view from, std::string_view to, bool replace);
  bool RemoveFile(std::string_view name);
  // The names in this folder (without "." and ".."), in no particular order.
  std::vector<std::string> List();

  // The error code (OsError.h) of the last failure: kErrorAlreadyExists when a name is taken.
  int Error() const { return error_; }

 private:
  explicit TDirHandle(TOsHandle handle) : handle_(std::move(handle)) {}
  bool Fail();
  TOsHandle handle_;
  int error_ = 0;
};

}  // namespace platform
