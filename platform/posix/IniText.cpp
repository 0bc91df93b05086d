#include "platform/posix/IniText.h"

#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace platform {
namespace {

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

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    wide += static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8));
  }
  return Utf16ToUtf8(wide);
}

std::string EncodeUtf16(std::string_view text, bool bigEndian) {
  const std::u16string wide = Utf8ToUtf16(text);
  std::string bytes(bigEndian ? kUtf16BeMark : kUtf16LeMark);
  bytes.reserve(2 + wide.size() * 2);
  for (char16_t c : wide) {
    const auto high = static_cast<char>(c >> 8);
    const auto low = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

}  // namespace

TIniText TIniText::Parse(std::string_view bytes) {
  TIniText ini;
  if (bytes.starts_with(kUtf8Mark)) {
    ini.encoding = TIniEncoding::Utf8;
    ini.lines = SplitLines(std::string(bytes.substr(kUtf8Mark.size())));
  } else if (bytes.starts_with(kUtf16LeMark)) {
    ini.encoding = TIniEncoding::Utf16Le;
    ini.lines = SplitLines(DecodeUtf16(bytes.substr(2), false));
  } else if (bytes.starts_with(kUtf16BeMark)) {
    ini.encoding = TIniEncoding::Utf16Be;
    ini.lines = SplitLines(DecodeUtf16(bytes.substr(2), true));
  } else {
    ini.lines = SplitLines(std::string(bytes));
  }
  return ini;
}

namespace {

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

}  // namespace

std::string TIniText::Bytes() const {
  const TIniText& ini = *this;
  std::string text;
  for (const auto& line : ini.lines)
    text += line + "\r\n";
  switch (ini.encoding) {
    case TIniEncoding::Ansi:
      return text;
    case TIniEncoding::Utf8:
      return std::string(kUtf8Mark) + text;
    case TIniEncoding::Utf16Le:
      return EncodeUtf16(text, false);
    case TIniEncoding::Utf16Be:
      return EncodeUtf16(text, true);
  }
  return text;
}

namespace {

// A line break or NUL inside a name or value would end its line early, so that a value could
// add sections and keys of its own; such text is refused.
bool FitsOnOneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace

bool TIniText::Write(std::string_view section, std::string_view key, std::string_view value) {
  if (!FitsOnOneLine(section) || !FitsOnOneLine(key) || !FitsOnOneLine(value))
    return false;
  TIniText& ini = *this;
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
  return true;
}

std::optional<std::string> TIniText::Read(std::string_view section, std::string_view key) const {
  const TIniText& ini = *this;
  const auto span = FindSection(ini, section);
  if (!span)
    return std::nullopt;
  const auto at = FindKey(ini, *span, key);
  if (!at)
    return std::nullopt;
  const std::string text = AsText(ini, ini.lines[*at]);
  std::string value = Trim(std::string_view(text).substr(text.find('=') + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace platform
