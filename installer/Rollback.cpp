#include "installer/Rollback.h"

#include "installer/InstallPlaces.h"

#include "platform/File.h"
#include "platform/FolderList.h"
#include "platform/Paths.h"

namespace installer {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// A listed entry ("a/b/" or "a/b.txt") as a path under the folder.
std::string EntryPath(const std::string& folder, std::string entry) {
  if (!entry.empty() && entry.back() == '/')
    entry.pop_back();
  for (char& c : entry) {
    if (c == '/')
      c = '\\';
  }
  return folder + "\\" + entry;
}

// A whole copy of a file, kept beside nothing else: false when it could not be made.
bool CopyWholeFile(const std::string& from, const std::string& to) {
  const auto bytes = platform::ReadWholeFile(from, kMaxCopiedAsideBytes);
  return bytes && platform::SaveWholeFile(to, *bytes);
}

}  // namespace

bool TRollback::ForceFolder(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && IsSeparator(folder.back()))
    folder.pop_back();
  // Each missing folder from the outermost in, so that the undo (latest first) removes the
  // innermost first.
  std::vector<std::string> missing;
  for (std::string at = folder; !at.empty() && !platform::DirectoryExists(at);) {
    missing.push_back(at);
    const size_t cut = at.find_last_of("\\/");
    if (cut == std::string::npos || cut == 0 || at[cut - 1] == ':')
      break;
    at.resize(cut);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!platform::CreateDir(*it) && !platform::DirectoryExists(*it))
      return false;
    entries_.push_back({TKind::CreatedFolder, *it, {}, {}});
  }
  return platform::DirectoryExists(folder);
}

void TRollback::WillCreate(const std::string& path) {
  if (!platform::PathExists(path))
    entries_.push_back({TKind::CreatedFile, path, {}, {}});
}

bool TRollback::WillChange(const std::string& path, TAside how) {
  // A folder where the file should be is not the run's to move: the write fails on it.
  if (platform::DirectoryExists(path))
    return true;
  if (!platform::PathExists(path)) {
    entries_.push_back({TKind::CreatedFile, path, {}, {}});
    return true;
  }
  if (asideFolder_.empty() || !platform::ForceDirectories(asideFolder_))
    return false;
  // Numbered, so that two files of one name in different folders do not meet.
  const std::string aside = asideFolder_ + "\\" + std::to_string(++asideCount_);
  const bool kept = how == TAside::Move
                        ? platform::RenameFile(path, aside) || CopyWholeFile(path, aside)
                        : CopyWholeFile(path, aside);
  if (!kept)
    return false;
  entries_.push_back({TKind::KeptAside, path, {}, aside});
  return true;
}

bool TRollback::PutBack(const TEntry& entry) {
  if (!platform::FileExists(entry.aside))
    return false;
  if (platform::ReplaceFile(entry.aside, entry.path))
    return true;
  return CopyWholeFile(entry.aside, entry.path) && platform::DeleteFile(entry.aside);
}

void TRollback::Watch(const std::string& folder) {
  if (!platform::DirectoryExists(folder)) {
    ForceFolder(folder);
    return;
  }
  const std::vector<std::string> listed = platform::ListFolderTree(platform::HostPath(folder));
  entries_.push_back({TKind::WatchedFolder, folder, {listed.begin(), listed.end()}, {}});
}

void TRollback::UndoWatched(const TEntry& entry, std::vector<std::string>& notRemoved) {
  if (!platform::DirectoryExists(entry.path))
    return;
  const std::vector<std::string> now = platform::ListFolderTree(platform::HostPath(entry.path));
  // Sorted, a folder comes before what it holds: backwards, its contents go first.
  for (auto it = now.rbegin(); it != now.rend(); ++it) {
    if (entry.before.count(*it))
      continue;
    const std::string path = EntryPath(entry.path, *it);
    const bool isFolder = it->back() == '/';
    const bool removed = isFolder ? platform::RemoveDir(path) : platform::DeleteFile(path);
    if (!removed && !isFolder)
      notRemoved.push_back(path);
  }
}

std::vector<std::string> TRollback::Undo() {
  std::vector<std::string> notRemoved;
  bool keepAsideFolder = false;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    switch (it->kind) {
      case TKind::CreatedFile:
        if (platform::PathExists(it->path) && !platform::DeleteFile(it->path))
          notRemoved.push_back(it->path);
        break;
      case TKind::CreatedFolder:
        platform::RemoveTree(it->path, &notRemoved);
        break;
      case TKind::WatchedFolder:
        UndoWatched(*it, notRemoved);
        break;
      case TKind::KeptAside:
        if (!PutBack(*it)) {
          notRemoved.push_back(it->path + " (o original está em " + it->aside + ")");
          keepAsideFolder = true;
        }
        break;
    }
  }
  entries_.clear();
  asideCount_ = 0;
  // A file that could not be put back stays where it was kept.
  if (!keepAsideFolder && !asideFolder_.empty())
    platform::RemoveTree(asideFolder_);
  return notRemoved;
}

void TRollback::Forget() {
  entries_.clear();
  asideCount_ = 0;
  if (!asideFolder_.empty())
    platform::RemoveTree(asideFolder_);
}

}  // namespace installer
