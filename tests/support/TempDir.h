#pragma once
#include <string>

namespace varelo::test {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes away. Tests that touch Windows paths also point WINEPREFIX at one.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A temporary Wine prefix: sets WINEPREFIX for the life of the object and restores it after.
class TTempPrefix {
 public:
  TTempPrefix();
  ~TTempPrefix();
  const std::string& Path() const { return dir_.Path(); }
  // Host path of drive X's root, e.g. Drive('c') = "<prefix>/drive_c".
  std::string Drive(char letter) const;

 private:
  TTempDir dir_;
  std::string saved_;
  bool hadSaved_ = false;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

}  // namespace varelo::test
