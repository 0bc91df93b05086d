// What the file functions do the same in every build; the system calls are the backend's
// (FilePosix.cpp, win32/FileWin32.cpp).
#include "platform/File.h"

#include "platform/FolderList.h"
#include "platform/Paths.h"

namespace platform {
namespace {

thread_local int lastError = 0;

}  // namespace

namespace detail {
void SetLastOsError(int code) {
  lastError = code;
}
}  // namespace detail

bool TFile::Close() {
  const int error = handle_.Close();
  if (error == 0)
    return true;
  detail::SetLastOsError(error);
  return false;
}

std::optional<std::string> ReadWholeFile(std::string_view path, int64_t maxBytes) {
  TFile file;
  if (!file.Open(path, TFileAccess::Read, TFileCreate::OpenExisting))
    return std::nullopt;
  const int64_t size = file.Size();
  if (size < 0 || size > maxBytes)
    return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && file.Read(bytes.data(), bytes.size()) != size)
    return std::nullopt;
  return bytes;
}

bool RemoveTree(std::string_view path, std::vector<std::string>* notRemoved) {
  if (!DirectoryExists(path))
    return !PathExists(path);
  const std::string folder(path);
  const std::vector<std::string> entries = ListFolderTree(HostPath(folder));
  // Sorted, a folder comes before what it holds: backwards, its contents go first.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    std::string entry = folder + "\\" + *it;
    const bool isFolder = entry.back() == '/';
    if (isFolder)
      entry.pop_back();
    for (char& c : entry) {
      if (c == '/')
        c = '\\';
    }
    const bool removed = isFolder ? RemoveDir(entry) : DeleteFile(entry);
    // A folder left behind holds a file that stayed, which is named instead.
    if (!removed && notRemoved && !isFolder)
      notRemoved->push_back(entry);
  }
  if (RemoveDir(folder))
    return true;
  if (notRemoved && notRemoved->empty())
    notRemoved->push_back(folder);
  return false;
}

int64_t FreeDiskSpace(std::string_view path) {
  std::string at(path);
  // Up to the nearest folder that exists, one separator a step: at most as many steps as the
  // path has characters.
  for (size_t steps = 0; steps <= path.size() && !at.empty(); ++steps) {
    if (DirectoryExists(at))
      return FreeSpaceOfFolder(at);
    const size_t cut = at.find_last_of("\\/");
    if (cut == std::string::npos)
      return -1;
    // "c:\\Varelo" -> "c:\\", and "c:\\" -> "" (a drive that is not there).
    at.resize(cut > 0 && at[cut - 1] == ':' && cut + 1 < at.size() ? cut + 1 : cut);
  }
  return -1;
}

std::string DriveOf(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') {
    const char letter =
        path[0] >= 'a' && path[0] <= 'z' ? static_cast<char>(path[0] - 'a' + 'A') : path[0];
    return std::string(1, letter) + ":";
  }
  if (path.size() > 2 && (path[0] == '\\' || path[0] == '/') &&
      (path[1] == '\\' || path[1] == '/')) {
    // \\server\share
    const size_t server = path.find_first_of("\\/", 2);
    const size_t share =
        server == std::string_view::npos ? server : path.find_first_of("\\/", server + 1);
    return std::string(path.substr(0, share));
  }
  return std::string(path);
}

int LastOsError() {
  return lastError;
}

}  // namespace platform
