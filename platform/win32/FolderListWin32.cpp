#include "platform/FolderList.h"

#include "platform/win32/Win32Util.h"

namespace platform::detail {

std::vector<TFolderEntry> ReadFolder(const std::string& folder) {
  std::vector<TFolderEntry> entries;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(folder + "/*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return entries;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name == "." || name == "..")
      continue;
    // Links (reparse points) are listed but never descended into.
    const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                             (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    entries.push_back({name, folderEntry});
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return entries;
}

}  // namespace platform::detail
