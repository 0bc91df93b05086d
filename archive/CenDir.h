#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "archive/ZipFile.h"

// The component's public directory: views of the current directory's entries, directory-only
// entries left out unless they are wanted. A view remembers the load it came from; once
// another load replaced the directory it answers empty values.
namespace archive {

class TZACenDir;

class TZACentralEntry {
 public:
  // The entry, or an empty one when the view is stale.
  const TZADirEntry& Entry() const;
  bool Stale() const;

 private:
  friend class TZACenDir;
  const TZACenDir* owner_ = nullptr;
  uint32_t loadNo_ = 0;
  int index_ = -1;
};

class TZACenDir {
 public:
  TZACenDir() = default;
  TZACenDir(const TZACenDir&) = delete;
  TZACenDir& operator=(const TZACenDir&) = delete;

  // The loaded directory (replaced by a fresh one when absent).
  TZAZipFile& Current(IZipReaderHost* host);
  bool HasCurrent() const { return current_ != nullptr; }
  const TZAZipFile* Loaded() const { return current_.get(); }
  // Drops the directory; raises OnDirUpdate when one was held.
  void Drop();

  int Count() const { return count_; }
  int DirOnlyCount() const { return dirOnlyCount_; }
  const TZACentralEntry& operator[](int i) const { return views_[static_cast<size_t>(i)]; }
  const TZADirEntry* Entry(int i) const;

  bool IgnoreDirOnly = true;
  uint32_t LoadNo = 0;
  std::function<void(int index)> OnNewName;
  std::function<void()> OnDirUpdate;

 private:
  friend class TZACentralEntry;
  void Changed(TZAZipFile& sender, int index, TZCChanges change);

  std::unique_ptr<TZAZipFile> current_;
  std::vector<TZACentralEntry> views_;
  int count_ = 0;
  int dirOnlyCount_ = 0;
};

}  // namespace archive
