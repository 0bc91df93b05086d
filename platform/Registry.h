#pragma once
#include <string>
#include <string_view>

// Text values under HKEY_CURRENT_USER. On Windows they are the system's registry; the Linux
// build keeps them in the prefix's user.reg in the Wine registry file format, and when the
// prefix has no registry yet, seeds the "Shell Folders" values as Wine's own start-up does
// (Desktop = C:\users\<user>\Desktop, AppData, Personal, ...). Names and values holding a NUL
// are refused.
namespace platform {

class TRegistry {
 public:
  TRegistry() = default;
  ~TRegistry() { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens a key under HKEY_CURRENT_USER by its path ("Software\Microsoft\..."), names matched
  // without regard to case. With canCreate, a missing key is added (and saved); otherwise a
  // missing key fails.
  bool OpenKey(std::string_view key, bool canCreate);
  // Opens a subkey of the open key (not creating it); false when it is missing.
  bool OpenSubKey(std::string_view subKey);
  void CloseKey();

  // The text value of that name in the open key; empty when the key or value is missing.
  std::string ReadString(std::string_view name) const;
  // Writes a text value into the open key and saves the registry file.
  bool WriteString(std::string_view name, std::string_view value);

 private:
  std::string key_;
  bool open_ = false;
};

}  // namespace platform
