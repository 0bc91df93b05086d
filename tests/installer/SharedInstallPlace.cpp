#include "tests/installer/SharedInstallPlace.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace installer {

#ifndef _WIN32

TSharedInstallPlace::TSharedInstallPlace(const varelo::test::TTempPrefix& prefix)
    : prefix_(prefix) {}

TSharedInstallPlace::~TSharedInstallPlace() = default;

std::string TSharedInstallPlace::DriveC() const {
  return prefix_.Drive('c') + "/";
}

#else

namespace {

const wchar_t* const kShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// Wine writes "Shell Folders" values anew from these whenever a program of the process asks
// the shell for a folder, so they are pointed at the test's folders too.
const wchar_t* const kUserShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t* const kInstallFolders[] = {L"C:\\Varelo", L"C:\\VareloPaf"};

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// A key under HKEY_CURRENT_USER, open for reading and writing; closed when the object goes.
class TShellFoldersKey {
 public:
  explicit TShellFoldersKey(const wchar_t* path) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~TShellFoldersKey() {
    if (key_ != nullptr)
      RegCloseKey(key_);
  }
  TShellFoldersKey(const TShellFoldersKey&) = delete;
  TShellFoldersKey& operator=(const TShellFoldersKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TSharedInstallPlace::TSharedInstallPlace(const varelo::test::TTempPrefix& prefix)
    : prefix_(prefix) {
  // The folder aside is named after this test's own temporary folder, so an object made
  // inside another's life (a fresh prefix per case) does not take the outer one's name.
  const std::wstring tag = Wide(std::filesystem::path(prefix.Path()).filename().string());
  for (const wchar_t* folder : kInstallFolders) {
    if (!Exists(folder))
      continue;
    const std::wstring aside = std::wstring(folder) + L".aside-" + tag;
    if (MoveFileW(folder, aside.c_str()))
      folders_.push_back({folder, aside});
  }
  SetShellFolder("Desktop", prefix.Win("C:\\users\\Teste\\Desktop"));
  SetShellFolder("Administrative Tools",
                 prefix.Win("C:\\users\\Teste\\Start Menu\\Programs\\Administrative Tools"));
}

TSharedInstallPlace::~TSharedInstallPlace() {
  for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
    TShellFoldersKey key(it->key);
    if (key.Get() == nullptr)
      continue;
    if (it->existed)
      RegSetValueExW(key.Get(), it->name.c_str(), 0, it->type, it->data.data(),
                     static_cast<DWORD>(it->data.size()));
    else
      RegDeleteValueW(key.Get(), it->name.c_str());
  }
  std::error_code ec;
  for (const wchar_t* folder : kInstallFolders)
    std::filesystem::remove_all(folder, ec);
  for (const auto& saved : folders_)
    MoveFileW(saved.aside.c_str(), saved.folder.c_str());
}

std::string TSharedInstallPlace::DriveC() const {
  return "C:/";
}

void TSharedInstallPlace::SaveValue(const wchar_t* keyPath, const std::wstring& name) {
  for (const auto& saved : values_) {
    if (saved.key == keyPath && saved.name == name)
      return;
  }
  TShellFoldersKey key(keyPath);
  TSavedValue saved;
  saved.key = keyPath;
  saved.name = name;
  DWORD size = 0;
  if (key.Get() != nullptr && RegQueryValueExW(key.Get(), name.c_str(), nullptr, &saved.type,
                                               nullptr, &size) == ERROR_SUCCESS) {
    saved.data.resize(size);
    saved.existed = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &saved.type,
                                     saved.data.data(), &size) == ERROR_SUCCESS;
    saved.data.resize(size);
  }
  values_.push_back(saved);
}

void TSharedInstallPlace::SetValue(const wchar_t* keyPath, const std::wstring& name,
                                   unsigned long type, const std::wstring& value) {
  SaveValue(keyPath, name);
  TShellFoldersKey key(keyPath);
  if (key.Get() == nullptr)
    return;
  RegSetValueExW(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TSharedInstallPlace::SetShellFolder(const std::string& name, const std::string& value) {
  const std::wstring wideName = Wide(name);
  if (!value.empty()) {
    // The folder is there before the registry names it: Wine's shell writes the "Shell Folders"
    // values anew from "User Shell Folders" whenever a program of the prefix asks it for a
    // folder, and one whose folder is missing it leaves out (the tests then read no desktop).
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(Wide(value)), ec);
    SetValue(kUserShellFolders, wideName, REG_EXPAND_SZ, Wide(value));
    SetValue(kShellFolders, wideName, REG_SZ, Wide(value));
    return;
  }
  // Only the value the window reads goes; the one Wine would write it anew from names a folder
  // of the test's that is missing, so Wine writes nothing back and can never lead to the host
  // user's home.
  SetValue(kUserShellFolders, wideName, REG_EXPAND_SZ,
           Wide(prefix_.Win("C:\\users\\Teste\\Nenhuma\\" + name)));
  SaveValue(kShellFolders, wideName);
  TShellFoldersKey key(kShellFolders);
  if (key.Get() != nullptr)
    RegDeleteValueW(key.Get(), wideName.c_str());
}

#endif

}  // namespace installer
