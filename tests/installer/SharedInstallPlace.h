#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace installer {

// The places the installer window uses that are not parameters: the fixed C:\Varelo\ and
// C:\VareloPaf\, and the user's "Shell Folders" values that name the desktop.
//
// On Linux a test's TTempPrefix already is a drive C: and a registry of its own, so the object
// does nothing. Under Wine those places belong to the build's one prefix and every test shares
// them (the tests that use them run one at a time, see CMakeLists.txt): for its life the object
// moves aside what the two folders held and points "Desktop" and "Administrative Tools" at
// folders inside the test's own prefix (the build prefix's desktop is a link to the host
// user's home, which a test must never write into); when it goes, it removes what the test
// left in the two folders and puts back the folders and values that were there.
class TSharedInstallPlace {
 public:
  explicit TSharedInstallPlace(const varelo::test::TTempPrefix& prefix);
  ~TSharedInstallPlace();
  TSharedInstallPlace(const TSharedInstallPlace&) = delete;
  TSharedInstallPlace& operator=(const TSharedInstallPlace&) = delete;

  // Host path of the drive C: the window installs onto, with a trailing "/": the test
  // prefix's drive on Linux, the system's own "C:/" under Wine.
  std::string DriveC() const;

#ifdef _WIN32
  // Sets a "Shell Folders" value (and the "User Shell Folders" one Wine writes it from), or
  // removes it when `value` is empty, until the object goes.
  void SetShellFolder(const std::string& name, const std::string& value);

 private:
  struct TSavedValue {
    const wchar_t* key = nullptr;
    std::wstring name;
    bool existed = false;
    unsigned long type = 0;
    std::vector<uint8_t> data;
  };
  struct TSavedFolder {
    std::wstring folder;
    std::wstring aside;
  };
  void SaveValue(const wchar_t* keyPath, const std::wstring& name);
  void SetValue(const wchar_t* keyPath, const std::wstring& name, unsigned long type,
                const std::wstring& value);

  std::vector<TSavedValue> values_;
  std::vector<TSavedFolder> folders_;
#endif

 private:
  const varelo::test::TTempPrefix& prefix_;
};

}  // namespace installer
