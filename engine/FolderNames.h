#pragma once
#include <string>
#include <unordered_map>

#include "platform/DirHandle.h"

// Names in a destination folder matched without regard to case, as Windows matches them, so
// an entry "Sub/Readme.TXT" replaces an installed "sub/readme.txt" instead of landing beside it.
namespace arcazip {

// The name under which `name` already exists in `folder` (compared without regard to case),
// or `name` itself when nothing there matches. Scans the folder; for one-off lookups.
std::string MatchExistingName(platform::TDirHandle& folder, const std::string& name);

// The same lookup for the many files of one folder, with the folder's names indexed once.
class TFolderNames {
 public:
  // Forgets the index; call when the folder changes.
  void Reset();
  std::string Match(platform::TDirHandle& folder, const std::string& name);
  // Records a name this writer created in the folder.
  void Added(const std::string& name);

 private:
  bool loaded_ = false;
  std::unordered_map<std::string, std::string> byFolded_;
};

}  // namespace arcazip
