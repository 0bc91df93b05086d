#include "platform/FolderList.h"

#include <dirent.h>
#include <sys/stat.h>

namespace platform::detail {

std::vector<TFolderEntry> ReadFolder(const std::string& folder) {
  std::vector<TFolderEntry> entries;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr)
    return entries;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    struct stat st;
    if (lstat((folder + "/" + name).c_str(), &st) != 0)
      continue;
    entries.push_back({name, S_ISDIR(st.st_mode)});
  }
  closedir(dir);
  return entries;
}

}  // namespace platform::detail
