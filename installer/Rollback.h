#pragma once
#include <set>
#include <string>
#include <vector>

// What an installation run created or changed, so that a run that fails or is cancelled leaves
// the machine as it found it: folders the run made (with everything in them), files it wrote
// where none were, what appeared in folders that existed before, and the files that existed and
// that the run replaced or changed, which are kept aside first and put back. Undone in reverse
// order; whatever existed before the run is left as it was.
namespace installer {

class TRollback {
 public:
  // Creates the folder and every missing parent, recording each one made. False when the
  // folder is not there afterwards.
  bool ForceFolder(const std::string& path);
  // Records a file the run is about to write, when nothing is there yet.
  void WillCreate(const std::string& path);
  // Where the files kept aside go (a folder of the run's own, made when first needed and
  // removed by Undo and Forget).
  void SetAsideFolder(std::string folder) { asideFolder_ = std::move(folder); }
  // Records a file the run is about to write or change: one that is not there yet as
  // WillCreate does; one that is there is kept aside, moved (when it is about to be replaced
  // whole, as an unpack does) or copied (when the run changes it in place), so that Undo puts
  // it back. False when an existing file could not be kept aside: the run must not touch it.
  enum class TAside { Move, Copy };
  bool WillChange(const std::string& path, TAside how);
  // Records what a folder that existed holds now, so that what the run adds to it can go.
  // A folder that is missing is recorded as one the run will make.
  void Watch(const std::string& folder);

  // Removes what was recorded, the latest first, and forgets it; what could not be removed.
  std::vector<std::string> Undo();
  // Keeps everything: the run succeeded.
  void Forget();
  bool Empty() const { return entries_.empty(); }

  enum class TKind { CreatedFolder, CreatedFile, WatchedFolder, KeptAside };
  struct TEntry {
    TKind kind;
    std::string path;
    std::set<std::string> before;  // a watched folder's entries, as ListFolderTree gives them
    std::string aside;             // where a kept file waits
  };
  const std::vector<TEntry>& Entries() const { return entries_; }

 private:
  void UndoWatched(const TEntry& entry, std::vector<std::string>& notRemoved);
  static bool PutBack(const TEntry& entry);

  std::vector<TEntry> entries_;
  std::string asideFolder_;
  int asideCount_ = 0;
};

}  // namespace installer
