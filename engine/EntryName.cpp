#include "engine/EntryName.h"

#include <algorithm>
#include <cctype>

#include "engine/EngineLimits.h"

namespace arcazip {
namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::vector<std::string_view> Components(std::string_view name) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || IsSeparator(name[i])) {
      parts.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

bool HasDriveLetter(std::string_view name) {
  return name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]));
}

// Characters no Windows file name may hold besides the control characters; ':' also names a
// drive or an alternate data stream, '/' and '\\' are separators and never reach a component.
constexpr char kWindowsReserved[] = "\"*:<>?|";

char Fold(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Iterative wildcard match with one back-tracking point, linear in practice and never
// recursive, so a hostile pattern cannot blow the stack.
bool Wildcard(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(text[t]) ||
                               (IsSeparator(pattern[p]) && IsSeparator(text[t])))) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

}  // namespace

bool IsReservedOnWindows(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F)
    return true;
  return std::string_view(kWindowsReserved).find(c) != std::string_view::npos;
}

bool IsSafeOnWindows(std::string_view component) {
  if (component.empty())
    return false;
  // Windows refuses these outright, or (CR, DEL under some file systems) drops them, so that
  // two different entries could land on one file; such a name is skipped, never rewritten.
  if (std::any_of(component.begin(), component.end(), IsReservedOnWindows))
    return false;
  if (component.back() == '.' || component.back() == ' ')
    return false;
  // Device names are reserved whatever extension follows them.
  std::string stem(component.substr(0, component.find('.')));
  for (char& c : stem)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices) {
    if (stem == device)
      return false;
  }
  const bool numbered =
      stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0);
  return !(numbered && stem[3] >= '1' && stem[3] <= '9');
}

bool SplitEntryPath(std::string_view name, bool keepFolders, bool folderEntry,
                    std::vector<std::string>& parts) {
  parts.clear();
  if (name.empty() || name.find('\0') != std::string_view::npos)
    return false;
  const std::vector<std::string_view> components = Components(name);
  if (!keepFolders) {
    if (folderEntry)
      return true;                                    // nothing to create when folders are not kept
    const std::string_view last = components.back();  // Components() is never empty
    if (last.empty() || last == "." || last == ".." || !IsSafeOnWindows(last))
      return false;
    parts.emplace_back(last);
    return true;
  }
  if (IsSeparator(name.front()) || HasDriveLetter(name))
    return false;
  for (std::string_view c : components) {
    if (c == "..")
      return false;
    if (c.empty() || c == ".")
      continue;
    if (!IsSafeOnWindows(c))
      return false;
    parts.emplace_back(c);
  }
  return !parts.empty();
}

bool WithinPathLimits(const std::vector<std::string>& parts, bool lastIsFolder, size_t baseLength,
                      size_t maxPath) {
  const size_t folders = lastIsFolder ? parts.size() : (parts.empty() ? 0 : parts.size() - 1);
  if (folders > kMaxFolderDepth)
    return false;
  size_t length = baseLength;
  for (const std::string& part : parts) {
    length += 1 + part.size();
    if (length > maxPath)
      return false;
  }
  return true;
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*")
    return true;
  if (Wildcard(pattern, name))
    return true;
  const bool patternHasFolder =
      pattern.find('/') != std::string_view::npos || pattern.find('\\') != std::string_view::npos;
  if (patternHasFolder)
    return false;
  const size_t cut = name.find_last_of("/\\");
  return cut != std::string_view::npos && Wildcard(pattern, name.substr(cut + 1));
}

}  // namespace arcazip
