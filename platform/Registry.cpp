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

namespace platform {
namespace {

// One key of the registry file: its header line and the lines that follow it, kept as read
// so that a save changes nothing it did not mean to.
struct TRegKey {
  std::string name;    // unescaped key path, e.g. Software\Microsoft\...
  std::string header;  // the "[...]" line as written
  std::vector<std::string> lines;
};

struct TRegFile {
  std::vector<std::string> preamble;
  std::vector<TRegKey> keys;
};

constexpr int64_t kMaxRegistryBytes = 256 * 1024 * 1024;
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string RegistryPath() {
  return WinePrefix() + "/user.reg";
}

std::string UserName() {
  if (passwd* pw = getpwuid(getuid()))
    return pw->pw_name;
  if (const char* u = std::getenv("USER"); u && *u)
    return u;
  return "user";
}

// Wine's registry text escapes backslashes and quotes with a backslash.
std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"')
      out += '\\';
    out += c;
  }
  return out;
}

std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char n = s[++i];
    out += n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n == '0' ? '\0' : n;
  }
  return out;
}

// Position one past the closing quote of a quoted text starting at `open`.
size_t QuotedEnd(std::string_view s, size_t open) {
  for (size_t i = open + 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
      continue;
    }
    if (s[i] == '"')
      return i + 1;
  }
  return std::string_view::npos;
}

std::optional<TRegKey> ParseHeader(const std::string& line) {
  if (line.empty() || line[0] != '[')
    return std::nullopt;
  const size_t close = line.rfind(']');
  if (close == std::string::npos)
    return std::nullopt;
  TRegKey key;
  key.name = Unescape(std::string_view(line).substr(1, close - 1));
  key.header = line;
  return key;
}

std::optional<TRegFile> Load() {
  const auto bytes = ReadWholeFile(RegistryPath(), kMaxRegistryBytes);
  if (!bytes)
    return std::nullopt;
  const std::string& text = *bytes;
  TRegFile reg;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (auto key = ParseHeader(line)) {
      reg.keys.push_back(std::move(*key));
    } else if (reg.keys.empty()) {
      reg.preamble.push_back(std::move(line));
    } else {
      reg.keys.back().lines.push_back(std::move(line));
    }
  }
  return reg;
}

bool Save(const TRegFile& reg) {
  std::string text;
  for (const auto& l : reg.preamble)
    text += l + "\n";
  for (const auto& k : reg.keys) {
    text += k.header + "\n";
    for (const auto& l : k.lines)
      text += l + "\n";
  }
  // Written beside the registry and renamed over it, so a failed write never loses it.
  const std::string temp = RegistryPath() + ".varelo-tmp";
  TFile file;
  if (!file.Open(temp, TFileAccess::Write, TFileCreate::CreateAlways))
    return false;
  if (file.Write(text.data(), text.size()) != static_cast<int64_t>(text.size())) {
    file.Close();
    DeleteFile(temp);
    return false;
  }
  file.Close();
  return ReplaceFile(temp, RegistryPath());
}

TRegKey* FindKey(TRegFile& reg, std::string_view name) {
  const std::string wanted = FoldCase(name);
  for (auto& k : reg.keys) {
    if (FoldCase(k.name) == wanted)
      return &k;
  }
  return nullptr;
}

TRegKey NewKey(std::string_view name) {
  TRegKey key;
  key.name = std::string(name);
  key.header = "[" + Escape(name) + "] " + std::to_string(std::time(nullptr));
  // Wine stamps each key with its modification time as a FILETIME in hex.
  const unsigned long long filetime =
      (static_cast<unsigned long long>(std::time(nullptr)) + 11644473600ULL) * 10000000ULL;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "#time=%llx", filetime);
  key.lines.push_back(stamp);
  return key;
}

// Where the value line of `name` is in the key, if anywhere.
std::optional<size_t> FindValue(const TRegKey& key, std::string_view name) {
  const std::string wanted = FoldCase(name);
  for (size_t i = 0; i < key.lines.size(); ++i) {
    const std::string& l = key.lines[i];
    if (l.empty() || l[0] != '"')
      continue;
    const size_t end = QuotedEnd(l, 0);
    if (end == std::string::npos || end >= l.size() || l[end] != '=')
      continue;
    if (FoldCase(Unescape(std::string_view(l).substr(1, end - 2))) == wanted)
      return i;
  }
  return std::nullopt;
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
  TRegFile reg;
  reg.preamble = {"WINE REGISTRY Version 2",
                  ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000", "", "#arch=win64", ""};
  TRegKey key = NewKey(kShellFolders);
  for (const auto& [name, path] : folders) {
    key.lines.push_back("\"" + Escape(name) + "\"=\"" + Escape(path) + "\"");
    ForceDirectories(path);
  }
  key.lines.push_back("");
  reg.keys.push_back(std::move(key));
  Save(reg);
}

}  // namespace

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  CloseKey();
  SeedIfMissing();
  auto reg = Load();
  if (!reg)
    return false;
  if (!FindKey(*reg, key)) {
    if (!canCreate)
      return false;
    TRegKey added = NewKey(key);
    added.lines.push_back("");
    reg->keys.push_back(std::move(added));
    if (!Save(*reg))
      return false;
  }
  key_ = std::string(key);
  open_ = true;
  return true;
}

bool TRegistry::OpenSubKey(std::string_view subKey) {
  if (!open_)
    return false;
  const std::string path = key_ + "\\" + std::string(subKey);
  auto reg = Load();
  if (!reg || !FindKey(*reg, path))
    return false;
  key_ = path;
  return true;
}

void TRegistry::CloseKey() {
  key_.clear();
  open_ = false;
}

std::string TRegistry::ReadString(std::string_view name) const {
  if (!open_)
    return {};
  auto reg = Load();
  if (!reg)
    return {};
  const TRegKey* key = FindKey(*reg, key_);
  if (!key)
    return {};
  const auto at = FindValue(*key, name);
  if (!at)
    return {};
  const std::string& line = key->lines[*at];
  size_t pos = QuotedEnd(line, 0) + 1;
  // Plain strings are "..."; expandable ones are written str(2):"...".
  if (line.compare(pos, 7, "str(2):") == 0)
    pos += 7;
  if (pos >= line.size() || line[pos] != '"')
    return {};
  const size_t end = QuotedEnd(line, pos);
  if (end == std::string::npos)
    return {};
  return Unescape(std::string_view(line).substr(pos + 1, end - pos - 2));
}

bool TRegistry::WriteString(std::string_view name, std::string_view value) {
  if (!open_)
    return false;
  auto reg = Load();
  if (!reg)
    return false;
  TRegKey* key = FindKey(*reg, key_);
  if (!key)
    return false;
  const std::string line = "\"" + Escape(name) + "\"=\"" + Escape(value) + "\"";
  if (const auto at = FindValue(*key, name)) {
    key->lines[*at] = line;
  } else {
    auto pos = key->lines.end();
    while (pos != key->lines.begin() && (pos - 1)->empty())
      --pos;
    key->lines.insert(pos, line);
  }
  return Save(*reg);
}

}  // namespace platform
