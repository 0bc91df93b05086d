#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of an INI settings file, as the profile-string writer reads and changes it (see
// IniFile.h for the rules).
namespace platform {

// How the file is written: the ANSI code page when it has no byte-order mark, otherwise the
// encoding its mark names, the mark kept.
enum class TIniEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// The file as lines. ANSI lines keep their original bytes, so lines the writer does not change
// are written back exactly as they were read; files with a mark are held as UTF-8 text.
struct TIniText {
  TIniEncoding encoding = TIniEncoding::Ansi;
  std::vector<std::string> lines;

  static TIniText Parse(std::string_view bytes);
  // The file's bytes, every line ended by CR LF.
  std::string Bytes() const;
  // Sets key=value in the section; false, with nothing changed, when the section, key or value
  // holds a line break or NUL.
  bool Write(std::string_view section, std::string_view key, std::string_view value);
  // The value of the key in the section, or nothing when either is missing.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
};

}  // namespace platform
