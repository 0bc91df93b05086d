#include "platform/IniFile.h"

#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace platform {
namespace {

enum class TIniEncoding { Ansi, Utf16 };

// The file as lines. ANSI lines keep their original bytes, so lines the writer does not change
// are written back exactly as they were read; UTF-16 files are held as UTF-8 text.
struct TIniText {
  TIniEncoding encoding = TIniEncoding::Ansi;
  std::vector<std::string> lines;
};

constexpr int64_t kMaxIniBytes = 64 * 1024 * 1024;

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t'))
    ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
    --e;
  return std::string(s.substr(b, e - b));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

TIniText Parse(const std::string& bytes) {
  TIniText ini;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    ini.encoding = TIniEncoding::Utf16;
    std::u16string wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    ini.lines = SplitLines(Utf16ToUtf8(wide));
    return ini;
  }
  ini.lines = SplitLines(bytes);
  return ini;
}

// Section and key names are compared as text, whatever the file's encoding.
std::string AsText(const TIniText& ini, const std::string& line) {
  return ini.encoding == TIniEncoding::Ansi ? AnsiToUtf8(line) : line;
}

std::string FromText(const TIniText& ini, std::string_view text) {
  return ini.encoding == TIniEncoding::Ansi ? Utf8ToAnsi(text) : std::string(text);
}

std::optional<std::string> SectionName(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty() || t[0] != '[')
    return std::nullopt;
  const size_t close = t.find(']');
  if (close == std::string::npos)
    return std::nullopt;
  return Trim(std::string_view(t).substr(1, close - 1));
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<std::string> KeyName(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty() || t[0] == ';')
    return std::nullopt;
  const size_t eq = t.find('=');
  if (eq == std::string::npos)
    return std::nullopt;
  return Trim(std::string_view(t).substr(0, eq));
}

struct TSectionSpan {
  size_t header = 0;  // index of the "[section]" line
  size_t end = 0;     // one past its last line
};

std::optional<TSectionSpan> FindSection(const TIniText& ini, std::string_view section) {
  const std::string wanted = FoldCase(Trim(section));
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    const auto name = SectionName(AsText(ini, ini.lines[i]));
    if (!name || FoldCase(*name) != wanted)
      continue;
    size_t end = i + 1;
    while (end < ini.lines.size() && !SectionName(AsText(ini, ini.lines[end])))
      ++end;
    return TSectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const TIniText& ini, const TSectionSpan& span, std::string_view key) {
  const std::string wanted = FoldCase(Trim(key));
  for (size_t i = span.header + 1; i < span.end; ++i) {
    const auto name = KeyName(AsText(ini, ini.lines[i]));
    if (name && FoldCase(*name) == wanted)
      return i;
  }
  return std::nullopt;
}

std::string Serialize(const TIniText& ini) {
  std::string text;
  for (const auto& line : ini.lines)
    text += line + "\r\n";
  if (ini.encoding == TIniEncoding::Ansi)
    return text;
  const std::u16string wide = Utf8ToUtf16(text);
  std::string bytes = "\xFF\xFE";
  for (char16_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

bool WriteAll(const std::string& fileName, const std::string& bytes) {
  TFile file;
  if (!file.Open(fileName, TFileAccess::Write, TFileCreate::CreateAlways))
    return false;
  return file.Write(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size());
}

}  // namespace

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  TIniText ini;
  if (FileExists(fileName_)) {
    const auto bytes = ReadWholeFile(fileName_, kMaxIniBytes);
    if (!bytes)
      throw EIniFileError("Unable to write to " + fileName_);
    ini = Parse(*bytes);
  }
  const auto span = FindSection(ini, section);
  if (!span) {
    ini.lines.push_back(FromText(ini, "[" + std::string(section) + "]"));
    ini.lines.push_back(FromText(ini, std::string(key) + "=" + std::string(value)));
  } else if (const auto at = FindKey(ini, *span, key)) {
    // The key keeps the spelling it has in the file; only its value changes.
    const std::string name = *KeyName(AsText(ini, ini.lines[*at]));
    ini.lines[*at] = FromText(ini, name + "=" + std::string(value));
  } else {
    // A new key goes after the last non-blank line of its section, before any blank lines
    // that separate it from the next section.
    size_t insertAt = span->end;
    while (insertAt > span->header + 1 && Trim(ini.lines[insertAt - 1]).empty())
      --insertAt;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                     FromText(ini, std::string(key) + "=" + std::string(value)));
  }
  if (!WriteAll(fileName_, Serialize(ini)))
    throw EIniFileError("Unable to write to " + fileName_);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  const auto bytes = ReadWholeFile(fileName_, kMaxIniBytes);
  if (!bytes)
    return std::string(fallback);
  const TIniText ini = Parse(*bytes);
  const auto span = FindSection(ini, section);
  if (!span)
    return std::string(fallback);
  const auto at = FindKey(ini, *span, key);
  if (!at)
    return std::string(fallback);
  const std::string text = AsText(ini, ini.lines[*at]);
  std::string value = Trim(std::string_view(text).substr(text.find('=') + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace platform
