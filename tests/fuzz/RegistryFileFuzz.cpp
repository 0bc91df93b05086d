// Reads arbitrary bytes as a Wine registry file, writes one text value into it and checks what
// the registry store promises: the file comes back byte for byte until it is changed, and a
// value written reads back the same, also after the file is read again from its bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/CodePage.h"
#include "platform/posix/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string key = input.ConsumeRandomLengthString(64);
  const std::string name = input.ConsumeRandomLengthString(64);
  const std::string value = input.ConsumeRandomLengthString(128);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  platform::TRegistryFile file = platform::TRegistryFile::Parse(bytes);
  if (file.Bytes() != bytes)
    std::abort();
  file.ReadString(key, name);
  // Text values are UTF-8 here; a key needs a name.
  if (key.empty() || !platform::IsValidUtf8(key) || !platform::IsValidUtf8(name) ||
      !platform::IsValidUtf8(value))
    return 0;
  const std::string before = file.Bytes();
  file.WriteString(key, name, value);
  if (!file.HasKey(key) || file.ReadString(key, name) != value)
    std::abort();
  const platform::TRegistryFile again = platform::TRegistryFile::Parse(file.Bytes());
  if (again.ReadString(key, name) != value || again.Bytes() != file.Bytes())
    std::abort();
  // Escaping is undone exactly.
  if (platform::UnescapeRegistryText(platform::EscapeRegistryText(value, "\"\"")) != value)
    std::abort();
  return 0;
}
