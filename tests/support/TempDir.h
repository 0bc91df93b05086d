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
// Tests name Windows paths through Win(): on Linux "c:\d" lives in this prefix's drive C:;
// the Windows build has no prefix mapping (its "c:\" is the system's own drive, the same for
// every test), so there Win() puts this object's folder for drive C: in the drive's place.
class TTempPrefix {
 public:
  TTempPrefix();
  ~TTempPrefix();
  const std::string& Path() const { return dir_.Path(); }
  // Host path of drive X's root, e.g. Drive('c') = "<prefix>/drive_c".
  std::string Drive(char letter) const;
  // The Windows path that names `windowsPath` ("c:\d\x.zip") inside this prefix: the path
  // itself on Linux, the native path of Drive(letter) in the drive's place on Windows
  // ("Z:\tmp\varelo-ab12cd\drive_c\d\x.zip" under Wine).
  std::string Win(const std::string& windowsPath) const;
  // The innermost prefix alive, as WINEPREFIX names it on Linux; null when there is none.
  static const TTempPrefix* Current();

 private:
  TTempDir dir_;
  std::string saved_;
  bool hadSaved_ = false;
  const TTempPrefix* outer_ = nullptr;
};

// `windowsPath` inside the innermost live TTempPrefix (see TTempPrefix::Win): what tests hand
// to the code under test where they mean "c:\d" of their own prefix.
std::string InPrefix(const std::string& windowsPath);

// A path as the host's own tools (the peers and commands a test starts) must be given it: on
// Windows a native path on drive Z:, which Wine maps to the host's root ("Z:\tmp\x" is
// "/tmp/x"); any other path, and every path on Linux, as it is.
std::string HostSide(const std::string& path);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

}  // namespace varelo::test
