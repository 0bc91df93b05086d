#pragma once
#include <cstdint>
#include <string>

#include "installer/RunOutcome.h"

// The download cache: packages are fetched into a "VareloSoft" folder in the user's temporary
// folder, outside the product's folders, and unpacked from there. A run that fails or is
// cancelled keeps what arrived, so that the next run continues each package where it stopped
// and does not fetch again what arrived whole; a run that succeeds removes the cache.
namespace installer {

class TPackageCache {
 public:
  static std::string DefaultFolder();

  explicit TPackageCache(std::string folder = DefaultFolder()) : folder_(std::move(folder)) {}

  const std::string& Folder() const { return folder_; }
  // Where a package lies once it has arrived whole.
  std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }
  std::string PartPathOf(const std::string& name) const { return PathOf(name) + ".part"; }

  // Makes the folder; false when it can't be made.
  bool Create() const;
  // A package that an earlier run left whole here, which is used as it is: the download
  // component finishes a file under its name only once all of it arrived.
  bool Has(const std::string& name) const;
  // The step of a finished transfer: the package is there whole, or why not. `error` is the
  // text of a failure that left the transfer.
  TStep Judge(const std::string& name, int32_t resultCode, bool connected,
              const std::string& error) const;
  // A partial file the server refused to continue (416: it holds as much as the server's
  // package or more) can never be continued: it goes, and true tells that the package is to be
  // fetched again from the start.
  bool DropUnusablePart(const std::string& name, int32_t resultCode) const;
  // A package that arrived but could not be unpacked goes, so that the next run fetches it
  // whole again rather than trust the same bytes.
  void Discard(const std::string& name) const;
  // Removes the cache and everything in it; false when something stayed.
  bool Remove() const;

 private:
  std::string folder_;
};

}  // namespace installer
