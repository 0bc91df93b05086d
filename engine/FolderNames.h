#pragma once
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/DirHandle.h"

// Names in the destination's folders matched without regard to case, as Windows matches
// them, so an entry "Sub/Readme.TXT" replaces an installed "sub/readme.txt" instead of landing
// beside it. Each folder is listed at most once per operation and its names kept, however the
// archive's entries alternate between folders.
namespace arcazip {

class TFolderNames {
 public:
  // Called with each folder's listing when it is first read, before its names are indexed;
  // returns false for a name to leave out (it was removed).
  using TListingFilter = std::function<bool(platform::TDirHandle& folder, const std::string& name)>;
  explicit TFolderNames(TListingFilter filter = {}) : filter_(std::move(filter)) {}

  // The name under which `name` already exists in `folder` (compared without regard to
  // case), or `name` itself when nothing there matches. `folderKey` names the folder for the
  // index (its path below the destination, folded).
  std::string Match(platform::TDirHandle& folder, const std::string& folderKey,
                    const std::string& name);
  // Records a name this writer created in the folder.
  void Added(const std::string& folderKey, const std::string& name);
  // Reads the folder's names into the index now, if not yet done (so that the listing filter
  // runs for a folder whose names are never looked up).
  void Load(platform::TDirHandle& folder, const std::string& folderKey);

 private:
  using TIndex = std::unordered_map<std::string, std::string>;  // folded name -> actual name
  TIndex& Index(platform::TDirHandle& folder, const std::string& folderKey);

  TListingFilter filter_;
  std::unordered_map<std::string, TIndex> folders_;
};

}  // namespace arcazip
