// The walk over a folder tree, the same in every build; reading one folder is the backend's
// (FolderListPosix.cpp, win32/FolderListWin32.cpp).
#include "platform/FolderList.h"

#include <algorithm>

namespace platform {
namespace {

// Bounds the descent so a pathological tree cannot recurse without end.
constexpr int kMaxDepth = 64;

void ListInto(const std::string& root, const std::string& relative, int depth,
              std::vector<std::string>& out) {
  if (depth > kMaxDepth)
    return;
  const std::string folder = relative.empty() ? root : root + "/" + relative;
  for (const detail::TFolderEntry& entry : detail::ReadFolder(folder)) {
    const std::string path = relative.empty() ? entry.name : relative + "/" + entry.name;
    if (entry.isFolder) {
      out.push_back(path + "/");
      ListInto(root, path, depth + 1, out);
    } else {
      out.push_back(path);
    }
  }
}

}  // namespace

std::vector<std::string> ListFolderTree(std::string_view hostFolder) {
  std::vector<std::string> out;
  ListInto(std::string(hostFolder), "", 0, out);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace platform
