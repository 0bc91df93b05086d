#pragma once
#include <string>
#include <string_view>

#include "platform/DirHandle.h"

// The file an entry is written to before it gets its own name. Whatever ends the entry (an
// error, an abort, an exception thrown by a callback, an allocation failure) the temporary file
// goes with this object unless it was given its final name.
namespace arcazip {

class TTempFile {
 public:
  TTempFile() = default;
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // Creates a new temporary file in `folder`, which must outlive this object. False when no
  // name could be had; Error() says why.
  bool Create(platform::TDirHandle& folder);
  platform::TDirFile& File() { return file_; }
  int Error() const { return error_; }

  // Closes the file and gives it its final name (replacing a file of that name when
  // `replace`). False when the close or the rename failed (Error() says why); the temporary
  // file is gone either way.
  bool Commit(const std::string& finalName, bool replace);
  // Closes and removes the file now.
  void Discard();

 private:
  platform::TDirHandle* folder_ = nullptr;
  platform::TDirFile file_;
  std::string name_;
  int error_ = 0;
};

// True for a name of the engine's temporary files; `owner` gets the id of the process that
// made it.
bool IsEngineTempName(std::string_view name, uint32_t& owner);

// True when `name` in `folder` is a temporary file left by an engine whose process has ended
// (it was killed while writing); such a file is removed here.
bool RemoveIfStaleTemp(platform::TDirHandle& folder, const std::string& name);

}  // namespace arcazip
