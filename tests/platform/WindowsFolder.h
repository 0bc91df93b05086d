#pragma once
#include <string>

#include "tests/support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace varelo::test {

// A fresh folder for files a test reaches through Windows paths, removed with everything in it
// afterwards. In the Linux build it is drive C: of a temporary Wine prefix; in the Windows
// build a temporary folder named by its native path (under Wine the host's /tmp, seen through
// drive Z:), so nothing lands in the user's own folders.
class TWindowsFolder {
 public:
  TWindowsFolder() {
#ifdef _WIN32
    std::string path = dir_.Path();
    for (char& c : path) {
      if (c == '/')
        c = '\\';
    }
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    root_ = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
    host_ = dir_.Path();
#else
    root_ = "c:";
    host_ = prefix_.Drive('c');
#endif
  }

  // Windows path of a name inside the folder ("Varelo\\Ondrel.exe" -> "c:\Varelo\Ondrel.exe").
  std::string Windows(const std::string& name) const {
    return root_ + "\\" + name;
  }
  // Host path of the same name, for reading its bytes and for host tools such as lnkinfo.
  std::string Host(const std::string& name) const {
    std::string path = host_ + "/" + name;
    for (char& c : path) {
      if (c == '\\')
        c = '/';
    }
    return path;
  }
  const std::string& HostRoot() const {
    return host_;
  }

 private:
#ifdef _WIN32
  TTempDir dir_;
#else
  TTempPrefix prefix_;
#endif
  std::string root_;
  std::string host_;
};

}  // namespace varelo::test
