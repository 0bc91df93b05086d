#include "platform/FolderList.h"

#include <dirent.h>
#include <sys/stat.h>

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
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr)
    return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    const std::string path = relative.empty() ? name : relative + "/" + name;
    struct stat st;
    if (lstat((root + "/" + path).c_str(), &st) != 0)
      continue;
    if (S_ISDIR(st.st_mode)) {
      out.push_back(path + "/");
      ListInto(root, path, depth + 1, out);
    } else {
      out.push_back(path);
    }
  }
  closedir(dir);
}

}  // namespace

std::vector<std::string> ListFolderTree(std::string_view hostFolder) {
  std::vector<std::string> out;
  ListInto(std::string(hostFolder), "", 0, out);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace platform
