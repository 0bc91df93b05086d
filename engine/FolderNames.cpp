#include "engine/FolderNames.h"

#include "platform/Paths.h"

namespace arcazip {

std::string MatchExistingName(platform::TDirHandle& folder, const std::string& name) {
  if (folder.Kind(name) != platform::TDirEntryKind::Missing)
    return name;
  const std::string folded = platform::FoldCase(name);
  for (const std::string& existing : folder.List()) {
    if (platform::FoldCase(existing) == folded)
      return existing;
  }
  return name;
}

void TFolderNames::Reset() {
  loaded_ = false;
  byFolded_.clear();
}

std::string TFolderNames::Match(platform::TDirHandle& folder, const std::string& name) {
  if (folder.Kind(name) != platform::TDirEntryKind::Missing)
    return name;
  if (!loaded_) {
    for (const std::string& existing : folder.List())
      byFolded_.emplace(platform::FoldCase(existing), existing);
    loaded_ = true;
  }
  const auto it = byFolded_.find(platform::FoldCase(name));
  return it != byFolded_.end() ? it->second : name;
}

void TFolderNames::Added(const std::string& name) {
  if (loaded_)
    byFolded_.emplace(platform::FoldCase(name), name);
}

}  // namespace arcazip
