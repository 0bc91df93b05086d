#include "platform/IniFile.h"

#include "platform/File.h"
#include "platform/posix/IniText.h"

namespace platform {
namespace {

constexpr int64_t kMaxIniBytes = 64 * 1024 * 1024;

}  // namespace

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  TIniText ini;
  if (FileExists(fileName_)) {
    const auto bytes = ReadWholeFile(fileName_, kMaxIniBytes);
    if (!bytes)
      throw EIniFileError("Unable to write to " + fileName_);
    ini = TIniText::Parse(*bytes);
  }
  if (!ini.Write(section, key, value) || !SaveWholeFile(fileName_, ini.Bytes()))
    throw EIniFileError("Unable to write to " + fileName_);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  const auto bytes = ReadWholeFile(fileName_, kMaxIniBytes);
  if (!bytes)
    return std::string(fallback);
  return TIniText::Parse(*bytes).Read(section, key).value_or(std::string(fallback));
}

}  // namespace platform
