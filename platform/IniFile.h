#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

// INI settings files through the profile-string writer (the system's own on Windows, ours in
// the Linux build), with the platform's semantics:
// section and key names match without regard to case, lines end in CR LF, every other line
// stays as it was, a new file is written in the ANSI code page, and a file that starts with a
// byte-order mark (UTF-8, UTF-16 little- or big-endian) is written back in that encoding with
// its mark. Our writer never leaves the file cut short: the new content replaces the old in one
// step, or the old file stays whole.
namespace platform {

// Raised by TIniFile when a value can't be written; the text is "Unable to write to <file>".
class EIniFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An INI file bound to a Windows path. Binding touches nothing on disk; each write acts on
// the file at once.
class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  const std::string& FileName() const { return fileName_; }

  // Writes key=value into the section: a missing file is created, a missing section is added
  // at the end of the file, an existing key is changed in place, a missing key becomes the
  // last line of its section. Throws EIniFileError when the file can't be written, and when the
  // section, key or value holds a line break or NUL (the file is then not touched).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // The value of key in section, or `fallback` when the file, section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = "") const;

 private:
  std::string fileName_;
};

}  // namespace platform
