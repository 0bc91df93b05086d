#include "platform/posix/RegistryFile.h"

#include <cstdio>
#include <ctime>

#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace platform {
namespace {

constexpr uint64_t kUnixToFileTimeSeconds = 11644473600ULL;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ULL;

bool IsHexDigit(char16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  return (c | 0x20) - 'a' + 10;
}

bool IsOctalDigit(char16_t c) {
  return c >= '0' && c <= '7';
}

// The character a C escape letter stands for, or 0 when the letter is not one.
char16_t NamedEscape(char letter) {
  switch (letter) {
    case 'a':
      return u'\a';
    case 'b':
      return u'\b';
    case 'e':
      return 0x1B;
    case 'f':
      return u'\f';
    case 'n':
      return u'\n';
    case 'r':
      return u'\r';
    case 't':
      return u'\t';
    case 'v':
      return u'\v';
    default:
      return 0;
  }
}

// The letter Wine writes for a control character, or 0 when it writes it in octal.
char EscapeLetter(char16_t c) {
  static constexpr char kLetters[33] = ".......abtnvfr.............e....";
  return c < 32 && kLetters[c] != '.' ? kLetters[c] : 0;
}

std::string StripCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r')
    line.remove_suffix(1);
  return std::string(line);
}

bool EndsInBackslash(const std::vector<std::string>& entries) {
  if (entries.empty())
    return false;
  const std::string last = StripCr(entries.back());
  return !last.empty() && last.back() == '\\';
}

// One past the closing delimiter of an escaped text that starts at `from`, or npos.
size_t EscapedEnd(std::string_view s, size_t from, char delimiter) {
  for (size_t i = from; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
      continue;
    }
    if (s[i] == delimiter)
      return i + 1;
  }
  return std::string_view::npos;
}

// The key name of a header line "[name] stamp", or nothing when the line is not one.
std::optional<std::string> HeaderName(std::string_view entry) {
  if (entry.empty() || entry[0] != '[')
    return std::nullopt;
  const size_t end = EscapedEnd(entry, 1, ']');
  if (end == std::string_view::npos)
    return std::nullopt;
  return UnescapeRegistryText(entry.substr(1, end - 2));
}

// The value name of an entry "name"=... (or @=... for the default value) and where the data
// starts, or nothing when the entry is not a value.
std::optional<std::pair<std::string, size_t>> ValueName(std::string_view entry) {
  if (!entry.empty() && entry[0] == '@') {
    if (entry.size() < 2 || entry[1] != '=')
      return std::nullopt;
    return std::make_pair(std::string(), size_t{2});
  }
  if (entry.empty() || entry[0] != '"')
    return std::nullopt;
  const size_t end = EscapedEnd(entry, 1, '"');
  if (end == std::string_view::npos || end >= entry.size() || entry[end] != '=')
    return std::nullopt;
  return std::make_pair(UnescapeRegistryText(entry.substr(1, end - 2)), end + 1);
}

std::string ValueLine(std::string_view name, std::string_view value) {
  const std::string quotedName =
      name.empty() ? "@" : "\"" + EscapeRegistryText(name, "\"\"") + "\"";
  return quotedName + "=\"" + EscapeRegistryText(value, "\"\"") + "\"";
}

}  // namespace

std::string UnescapeRegistryText(std::string_view s) {
  std::u16string out;
  std::string raw;  // bytes outside escapes, read as UTF-8
  const auto flushRaw = [&] {
    out += Utf8ToUtf16(raw);
    raw.clear();
  };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      raw += s[i];
      continue;
    }
    flushRaw();
    const char e = s[++i];
    if (const char16_t named = NamedEscape(e)) {
      out += named;
    } else if (e == 'x' && i + 1 < s.size() && IsHexDigit(s[i + 1])) {
      char16_t unit = 0;
      for (int n = 0; n < 4 && i + 1 < s.size() && IsHexDigit(s[i + 1]); ++n)
        unit = static_cast<char16_t>(unit * 16 + HexValue(s[++i]));
      out += unit;
    } else if (IsOctalDigit(e)) {
      char16_t unit = static_cast<char16_t>(e - '0');
      for (int n = 1; n < 3 && i + 1 < s.size() && IsOctalDigit(s[i + 1]); ++n)
        unit = static_cast<char16_t>(unit * 8 + (s[++i] - '0'));
      out += unit;
    } else {
      raw += e;  // the character itself, "\x" without digits included
    }
  }
  flushRaw();
  return Utf16ToUtf8(out);
}

std::string EscapeRegistryText(std::string_view text, std::string_view delimiters) {
  const std::u16string units = Utf8ToUtf16(text);
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    const char16_t next = i + 1 < units.size() ? units[i + 1] : 0;
    char buffer[16];
    if (c > 127) {
      std::snprintf(buffer, sizeof buffer, IsHexDigit(next) ? "\\x%04x" : "\\x%x", c);
      out += buffer;
    } else if (c < 32) {
      if (const char letter = EscapeLetter(c)) {
        out += '\\';
        out += letter;
      } else {
        std::snprintf(buffer, sizeof buffer, IsOctalDigit(next) ? "\\%03o" : "\\%o", c);
        out += buffer;
      }
    } else {
      if (c == '\\' || delimiters.find(static_cast<char>(c)) != std::string_view::npos)
        out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out;
}

TRegistryFile TRegistryFile::Parse(std::string_view bytes) {
  TRegistryFile file;
  std::vector<std::string> lines;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      break;
    }
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
    file.finalNewline_ = start == bytes.size();
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string entry = lines[i];
    // A line that ends in a backslash goes on in the next one (hex data of long values).
    while (i + 1 < lines.size() && !StripCr(entry).empty() && StripCr(entry).back() == '\\')
      entry += "\n" + lines[++i];
    if (auto name = HeaderName(StripCr(entry))) {
      file.keys_.push_back(TKey{std::move(*name), {std::move(entry)}});
    } else if (file.keys_.empty()) {
      file.preamble_.push_back(std::move(entry));
    } else {
      file.keys_.back().entries.push_back(std::move(entry));
    }
  }
  return file;
}

std::string TRegistryFile::Bytes() const {
  std::string out;
  bool first = true;
  const auto add = [&](const std::string& entry) {
    if (!first)
      out += '\n';
    out += entry;
    first = false;
  };
  for (const auto& entry : preamble_)
    add(entry);
  for (const auto& key : keys_) {
    for (const auto& entry : key.entries)
      add(entry);
  }
  if (finalNewline_ && !first)
    out += '\n';
  return out;
}

TRegistryFile::TKey* TRegistryFile::FindKey(std::string_view key) {
  const std::string wanted = FoldCase(key);
  for (auto& k : keys_) {
    if (FoldCase(k.name) == wanted)
      return &k;
  }
  return nullptr;
}

const TRegistryFile::TKey* TRegistryFile::FindKey(std::string_view key) const {
  return const_cast<TRegistryFile*>(this)->FindKey(key);
}

bool TRegistryFile::HasKey(std::string_view key) const {
  const std::string wanted = FoldCase(key);
  const std::string below = wanted + "\\";
  for (const auto& k : keys_) {
    const std::string name = FoldCase(k.name);
    if (name == wanted || name.starts_with(below))
      return true;
  }
  return false;
}

std::optional<std::string> TRegistryFile::ReadString(std::string_view key,
                                                     std::string_view name) const {
  const TKey* k = FindKey(key);
  if (!k)
    return std::nullopt;
  const std::string wanted = FoldCase(name);
  for (size_t i = 1; i < k->entries.size(); ++i) {
    const std::string entry = StripCr(k->entries[i]);
    const auto value = ValueName(entry);
    if (!value || FoldCase(value->first) != wanted)
      continue;
    size_t pos = value->second;
    // Plain strings are "..."; expandable ones are written str(2):"...".
    if (entry.compare(pos, 7, "str(2):") == 0)
      pos += 7;
    if (pos >= entry.size() || entry[pos] != '"')
      return std::nullopt;
    const size_t end = EscapedEnd(entry, pos + 1, '"');
    if (end == std::string::npos)
      return std::nullopt;
    return UnescapeRegistryText(std::string_view(entry).substr(pos + 1, end - pos - 2));
  }
  return std::nullopt;
}

void TRegistryFile::AddKey(std::string_view key) {
  if (!HasKey(key))
    AppendHeader(key);
}

TRegistryFile::TKey& TRegistryFile::AppendHeader(std::string_view key) {
  const uint64_t now = static_cast<uint64_t>(std::time(nullptr));
  char stamp[32];
  // Wine stamps each key with its modification time as a FILETIME in hex.
  std::snprintf(
      stamp, sizeof stamp, "#time=%llx",
      static_cast<unsigned long long>((now + kUnixToFileTimeSeconds) * kFileTimeTicksPerSecond));
  // The file's last line ends now, whatever it did before; the new key's blank line ends it.
  // A last line that ends in a backslash would take the header in as its continuation; a
  // blank line ends it first.
  std::vector<std::string>& last = keys_.empty() ? preamble_ : keys_.back().entries;
  if (EndsInBackslash(last))
    last.emplace_back();
  finalNewline_ = true;
  keys_.push_back(
      TKey{std::string(key),
           {"[" + EscapeRegistryText(key, "[]") + "] " + std::to_string(now), stamp, ""}});
  return keys_.back();
}

void TRegistryFile::WriteString(std::string_view key, std::string_view name,
                                std::string_view value) {
  TKey* k = FindKey(key);
  // A key known only through its subkeys has no header line yet: it gets one now.
  if (!k)
    k = &AppendHeader(key);
  const std::string line = ValueLine(name, value);
  const std::string wanted = FoldCase(name);
  for (size_t i = 1; i < k->entries.size(); ++i) {
    const auto existing = ValueName(StripCr(k->entries[i]));
    if (existing && FoldCase(existing->first) == wanted) {
      // A file with CR LF line ends keeps them on the new line.
      const bool crlf = !k->entries[i].empty() && k->entries[i].back() == '\r';
      k->entries[i] = crlf ? line + "\r" : line;
      return;
    }
  }
  auto at = k->entries.end();
  while (at - 1 != k->entries.begin() && StripCr(*(at - 1)).empty())
    --at;
  // After a line that ends in a backslash the value would be read as its continuation.
  if (!StripCr(*(at - 1)).empty() && StripCr(*(at - 1)).back() == '\\')
    at = k->entries.insert(at, "") + 1;
  k->entries.insert(at, line);
}

}  // namespace platform
