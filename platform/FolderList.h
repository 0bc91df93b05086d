#pragma once
#include <string>
#include <string_view>
#include <vector>

// Listing of a folder tree by host path, for checks of what a writer left behind.
namespace platform {

// Every entry below the folder as a path relative to it, sorted; folders end with "/" and are
// descended into, links are listed but never followed.
std::vector<std::string> ListFolderTree(std::string_view hostFolder);

namespace detail {
// One folder's entries as the backend reads them: "." and ".." left out, and a link never
// counted as a folder.
struct TFolderEntry {
  std::string name;
  bool isFolder = false;
};
std::vector<TFolderEntry> ReadFolder(const std::string& hostFolder);
}  // namespace detail

}  // namespace platform
