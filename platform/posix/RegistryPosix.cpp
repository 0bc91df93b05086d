#include "platform/Registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/posix/RegistryFile.h"

namespace platform {
namespace {

constexpr int64_t kMaxRegistryBytes = 256 * 1024 * 1024;
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string RegistryPath() {
  return WinePrefix() + "/user.reg";
}

std::optional<TRegistryFile> Load() {
  const auto bytes = ReadWholeFile(RegistryPath(), kMaxRegistryBytes);
  if (!bytes)
    return std::nullopt;
  return TRegistryFile::Parse(*bytes);
}

// Written beside the registry and renamed over it, so a failed write never loses it.
bool Save(const TRegistryFile& reg) {
  return SaveWholeFile(RegistryPath(), reg.Bytes());
}

// Seeds a new prefix's registry with the user's special folders, as Wine's first start does,
// and creates those folders so that what the registry names exists.
void SeedIfMissing() {
  if (FileExists(RegistryPath()))
    return;
  ForceDirectories(WinePrefix());
  const std::string home = "C:\\users\\" + UserName();
  const std::string roaming = home + "\\AppData\\Roaming";
  const std::string local = home + "\\AppData\\Local";
  const std::string windows = roaming + "\\Microsoft\\Windows";
  const std::string programs = windows + "\\Start Menu\\Programs";
  const std::pair<const char*, std::string> folders[] = {
      {"Administrative Tools", programs + "\\Administrative Tools"},
      {"AppData", roaming},
      {"Cache", local + "\\Microsoft\\Windows\\INetCache"},
      {"Cookies", roaming + "\\Microsoft\\Windows\\Cookies"},
      {"Desktop", home + "\\Desktop"},
      {"Favorites", home + "\\Favorites"},
      {"Fonts", std::string("C:\\windows\\Fonts")},
      {"History", local + "\\Microsoft\\Windows\\History"},
      {"Local AppData", local},
      {"My Music", home + "\\Music"},
      {"My Pictures", home + "\\Pictures"},
      {"My Videos", home + "\\Videos"},
      {"NetHood", windows + "\\Network Shortcuts"},
      {"Personal", home + "\\Documents"},
      {"PrintHood", windows + "\\Printer Shortcuts"},
      {"Programs", programs},
      {"Recent", windows + "\\Recent"},
      {"SendTo", windows + "\\SendTo"},
      {"Start Menu", windows + "\\Start Menu"},
      {"Startup", programs + "\\Startup"},
      {"Templates", windows + "\\Templates"},
  };
  TRegistryFile reg = TRegistryFile::Parse(
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
      "#arch=win64\n\n");
  reg.AddKey(kShellFolders);
  for (const auto& [name, path] : folders) {
    reg.WriteString(kShellFolders, name, path);
    ForceDirectories(path);
  }
  Save(reg);
}

// Names and values with a NUL would be stored or looked up cut short; they are refused.
bool HasNul(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

}  // namespace

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  CloseKey();
  if (HasNul(key))
    return false;
  SeedIfMissing();
  auto reg = Load();
  if (!reg)
    return false;
  if (!reg->HasKey(key)) {
    if (!canCreate)
      return false;
    reg->AddKey(key);
    if (!Save(*reg))
      return false;
  }
  key_ = std::string(key);
  open_ = true;
  return true;
}

bool TRegistry::OpenSubKey(std::string_view subKey) {
  if (!open_ || HasNul(subKey))
    return false;
  const std::string path = key_ + "\\" + std::string(subKey);
  auto reg = Load();
  if (!reg || !reg->HasKey(path))
    return false;
  key_ = path;
  return true;
}

std::string TRegistry::ReadString(std::string_view name) const {
  if (!open_ || HasNul(name))
    return {};
  const auto reg = Load();
  if (!reg)
    return {};
  return reg->ReadString(key_, name).value_or("");
}

bool TRegistry::WriteString(std::string_view name, std::string_view value) {
  if (!open_ || HasNul(name) || HasNul(value))
    return false;
  auto reg = Load();
  if (!reg)
    return false;
  reg->WriteString(key_, name, value);
  return Save(*reg);
}

}  // namespace platform
