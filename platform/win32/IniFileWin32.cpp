#include <algorithm>
#include <vector>

#include "platform/IniFile.h"
#include "platform/win32/Win32Util.h"

// INI files through the system's own profile-string functions, which keep the platform's rules
// themselves (names matched without regard to case, CR LF line ends, a new file in the ANSI code
// page, a file with a UTF-16 byte-order mark written back in UTF-16).
namespace platform {
namespace {

// The longest value read back, in UTF-16 units; settings values are far shorter.
constexpr DWORD kMaxValueChars = 64 * 1024;

// A line break would let a value start a section or key of its own, and a NUL would cut the
// text short on its way to the system.
bool Unsafe(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The profile function's text into a buffer of `size` units, grown while the text fills it
// (the function then returns size - 1, or size - 2 for lists of names).
std::wstring ReadProfile(const wchar_t* section, const wchar_t* key, const std::wstring& file) {
  for (DWORD size = 256;; size *= 2) {
    std::vector<wchar_t> buffer(size);
    const DWORD n = GetPrivateProfileStringW(section, key, L"", buffer.data(), size, file.c_str());
    if (n + 2 < size || size >= kMaxValueChars)
      return std::wstring(buffer.data(), n);
  }
}

// Whether the section holds the key, so that "k=" is told apart from a missing key.
bool HasKey(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
  const std::wstring names = ReadProfile(section.c_str(), nullptr, file);
  for (size_t at = 0; at < names.size();) {
    const size_t end = std::min(names.find(L'\0', at), names.size());
    const std::wstring name = names.substr(at, end - at);
    if (CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), key.c_str(),
                             static_cast<int>(key.size()), TRUE) == CSTR_EQUAL)
      return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (Unsafe(section) || Unsafe(key) || Unsafe(value) || Unsafe(fileName_))
    throw EIniFileError("Unable to write to " + fileName_);
  const std::wstring file = Widen(fileName_);
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                  file.c_str()))
    throw EIniFileError("Unable to write to " + fileName_);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  if (Unsafe(section) || Unsafe(key) || Unsafe(fileName_))
    return std::string(fallback);
  const std::wstring file = Widen(fileName_);
  const std::wstring wideSection = Widen(section);
  const std::wstring wideKey = Widen(key);
  const std::wstring value = ReadProfile(wideSection.c_str(), wideKey.c_str(), file);
  if (!value.empty() || HasKey(wideSection, wideKey, file))
    return Narrow(value);
  return std::string(fallback);
}

}  // namespace platform
