#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of a Wine registry file (user.reg) as Wine itself reads and writes it. Every line
// the store does not change goes back byte for byte; a value's line, with the continuation
// lines of long hex data, is replaced as a whole.
namespace platform {

// Wine's escapes of registry text, turned into UTF-8: \x of a UTF-16 code unit (up to four hex
// digits), octal \0 to \377, \a \b \e \f \n \r \t \v, and a backslash before any other
// character standing for the character itself.
std::string UnescapeRegistryText(std::string_view escaped);
// UTF-8 text escaped as Wine writes it: code units past 127 as \x (four digits when a hex
// digit follows), control characters as C escapes or octal, and a backslash before "\" and
// before each of the two delimiters (the quote for values, "[" and "]" for key names).
std::string EscapeRegistryText(std::string_view text, std::string_view delimiters);

class TRegistryFile {
 public:
  static TRegistryFile Parse(std::string_view bytes);
  // The file's bytes: what was parsed, with the changes made since.
  std::string Bytes() const;

  // A key is there when it has a header line of its own, or when a key below it has one:
  // Wine writes no header for a key that holds nothing but subkeys.
  bool HasKey(std::string_view key) const;
  // The text value of that name ("" for the key's default value); nothing when the key or
  // the value is missing or the value is not text.
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
  // Sets a text value, replacing every line of an earlier value of that name; a key without a
  // header line of its own gets one at the end of the file.
  void WriteString(std::string_view key, std::string_view name, std::string_view value);
  // Adds a header line for a key that is not there at all.
  void AddKey(std::string_view key);

 private:
  // One key: its header line, then its entries. An entry is one logical line: a line and the
  // lines that continue it (each ending in "\"), joined by "\n" as they were in the file.
  struct TKey {
    std::string name;  // the key path, unescaped
    std::vector<std::string> entries;
  };

  TKey* FindKey(std::string_view key);
  TKey& AppendHeader(std::string_view key);
  const TKey* FindKey(std::string_view key) const;

  std::vector<std::string> preamble_;
  std::vector<TKey> keys_;
  bool finalNewline_ = false;
};

}  // namespace platform
