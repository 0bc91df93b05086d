#include "engine/FolderNames.h"

#include "platform/Paths.h"

namespace arcazip {

TFolderNames::TIndex& TFolderNames::Index(platform::TDirHandle& folder,
                                          const std::string& folderKey) {
  const auto known = folders_.find(folderKey);
  if (known != folders_.end())
    return known->second;
  TIndex& index = folders_[folderKey];
  for (const std::string& existing : folder.List()) {
    if (filter_ && !filter_(folder, existing))
      continue;
    index.emplace(platform::FoldCase(existing), existing);
  }
  return index;
}

void TFolderNames::Load(platform::TDirHandle& folder, const std::string& folderKey) {
  Index(folder, folderKey);
}

std::string TFolderNames::Match(platform::TDirHandle& folder, const std::string& folderKey,
                                const std::string& name) {
  if (folder.Kind(name) != platform::TDirEntryKind::Missing)
    return name;
  const TIndex& index = Index(folder, folderKey);
  const auto it = index.find(platform::FoldCase(name));
  return it != index.end() ? it->second : name;
}

void TFolderNames::Added(const std::string& folderKey, const std::string& name) {
  const auto known = folders_.find(folderKey);
  if (known != folders_.end())
    known->second.emplace(platform::FoldCase(name), name);
}

}  // namespace arcazip
