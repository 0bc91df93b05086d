#pragma once
#include <set>
#include <string>
#include <vector>

// What an installation run created, so that a run that fails or is cancelled leaves the machine
// as it found it: folders the run made (with everything in them), files it wrote where none
// were, and what appeared in folders that existed before. Undone in reverse order; whatever
// existed before the run is never touched.
namespace installer {

class TRollback {
 public:
  // Creates the folder and every missing parent, recording each one made. False when the
  // folder is not there afterwards.
  bool ForceFolder(const std::string& path);
  // Records a file the run is about to write, when nothing is there yet.
  void WillCreate(const std::string& path);
  // Records what a folder that existed holds now, so that what the run adds to it can go.
  // A folder that is missing is recorded as one the run will make.
  void Watch(const std::string& folder);

  // Removes what was recorded, the latest first, and forgets it; what could not be removed.
  std::vector<std::string> Undo();
  // Keeps everything: the run succeeded.
  void Forget() { entries_.clear(); }
  bool Empty() const { return entries_.empty(); }

  enum class TKind { CreatedFolder, CreatedFile, WatchedFolder };
  struct TEntry {
    TKind kind;
    std::string path;
    std::set<std::string> before;  // a watched folder's entries, as ListFolderTree gives them
  };
  const std::vector<TEntry>& Entries() const { return entries_; }

 private:
  void UndoWatched(const TEntry& entry, std::vector<std::string>& notRemoved);

  std::vector<TEntry> entries_;
};

}  // namespace installer
