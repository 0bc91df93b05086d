// Decodes arbitrary compressed message records: the decoder never writes past the size it was
// told, and whatever it accepts is parsed as string blocks without reading outside the image.
// Every input also goes through the encoder and must come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/Lzss.h"
#include "archive/StringBlocks.h"
#include "archive/ZipStrings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  archive::TZipDecodedRecord record;
  const int result = archive::ZipDecodeRecord(bytes, record);
  if (result != 0 && result != 254 && result != 255)
    std::abort();
  if (result == 0)
    (void)archive::ParseStringBlocks(record.image);
  std::string out;
  (void)archive::LzssDecode(bytes, out);
  if (bytes.size() >= 4) {
    const uint32_t stored = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t{data[3]} << 24);
    if (out.size() > stored)
      std::abort();
  }
  (void)archive::ParseStringBlocks(bytes);
  // The encoder runs at build time on tables of a few kilobytes; its round trip is checked on
  // the first kilobyte so each run stays short.
  const std::string_view sample = bytes.substr(0, 1024);
  const std::string stream = archive::LzssEncode(sample);
  std::string back;
  if (archive::LzssDecode(stream, back) != archive::kLzssGood || back != sample)
    std::abort();
  return 0;
}
