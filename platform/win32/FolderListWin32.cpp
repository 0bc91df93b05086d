#include "platform/FolderList.h"

#include <algorithm>

#include "platform/win32/Win32Util.h"

namespace platform {
namespace {

// Bounds the descent so a pathological tree cannot recurse without end.
constexpr int kMaxDepth = 64;

void ListInto(const std::string& root, const std::string& relative, int depth,
              std::vector<std::string>& out) {
  if (depth > kMaxDepth)
    return;
  const std::string folder = relative.empty() ? root : root + "/" + relative;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(folder + "/*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name == "." || name == "..")
      continue;
    const std::string path = relative.empty() ? name : relative + "/" + name;
    // Links (reparse points) are listed but never descended into.
    const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                             (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (folderEntry) {
      out.push_back(path + "/");
      ListInto(root, path, depth + 1, out);
    } else {
      out.push_back(path);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

std::vector<std::string> ListFolderTree(std::string_view hostFolder) {
  std::vector<std::string> out;
  ListInto(std::string(hostFolder), "", 0, out);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace platform
