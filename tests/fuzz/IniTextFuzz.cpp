// Reads arbitrary bytes as an INI settings file, writes one value into it and checks what the
// settings writer promises: lines survive a write-back, a value with a line break or NUL is
// refused without a change, and a value written reads back, also from the file's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/CodePage.h"
#include "platform/posix/IniText.h"

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos)
    return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// What a value reads back as: blanks around it dropped, one pair of enclosing quotes removed.
std::string AsRead(const std::string& value) {
  std::string v = Trim(value);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
    v = v.substr(1, v.size() - 2);
  return v;
}

bool SurvivesAnsi(const std::string& text) {
  return platform::AnsiToUtf8(platform::Utf8ToAnsi(text)) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(32);
  const std::string key = input.ConsumeRandomLengthString(32);
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  platform::TIniText ini = platform::TIniText::Parse(bytes);
  const platform::TIniText reread = platform::TIniText::Parse(ini.Bytes());
  if (reread.encoding != ini.encoding || reread.lines != ini.lines)
    std::abort();
  ini.Read(section, key);

  const bool oneLine = section.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
                       key.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
                       value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
  const std::string before = ini.Bytes();
  if (ini.Write(section, key, value) != oneLine)
    std::abort();
  if (!oneLine) {
    if (ini.Bytes() != before)
      std::abort();
    return 0;
  }
  // The names must stay what they are on their line: a section without "]", a key that is
  // not a comment, a section or an assignment itself, all in text the file's encoding keeps.
  const std::string k = Trim(key);
  if (!platform::IsValidUtf8(section) || !platform::IsValidUtf8(key) ||
      !platform::IsValidUtf8(value) || section.find(']') != std::string::npos || k.empty() ||
      k.find('=') != std::string::npos || k[0] == ';' || k[0] == '[')
    return 0;
  const bool ansi = ini.encoding == platform::TIniEncoding::Ansi;
  if (ansi && (!SurvivesAnsi(section) || !SurvivesAnsi(key)))
    return 0;
  const std::string expected =
      AsRead(ansi ? platform::AnsiToUtf8(platform::Utf8ToAnsi(value)) : value);
  if (ini.Read(section, key) != expected)
    std::abort();
  if (platform::TIniText::Parse(ini.Bytes()).Read(section, key) != expected)
    std::abort();
  return 0;
}
