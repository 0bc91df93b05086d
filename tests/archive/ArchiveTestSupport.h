#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipFile.h"

// Helpers of the archive tests: hand-made central directories with every field a hostile
// maker could bend, a recording reader host, and zipinfo's view of an archive.
namespace varelo::test {

struct TCentralRecord {
  std::string name;
  std::string extra;
  std::string comment;
  uint16_t versionMadeBy = 0x031E;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t localOffset = 0;
  uint16_t diskStart = 0;
  uint16_t nameLength = 0xFFFF;  // 0xFFFF: the name's own length
};

struct TEndRecord {
  uint16_t thisDisk = 0, startDisk = 0;
  int32_t diskEntries = -1, totalEntries = -1;   // -1: the number of records
  int64_t centralSize = -1, centralOffset = -1;  // -1: as laid out
  std::string comment;
  int32_t commentLength = -1;
};

// Local data (`prefix` bytes, as given), then the central records, then the end record.
std::string BuildCentral(const std::string& prefix, const std::vector<TCentralRecord>& records,
                         const TEndRecord& end = {});
std::string CentralRecordBytes(const TCentralRecord& record);
std::string EndRecordBytes(uint16_t entries, uint32_t size, uint32_t offset,
                           const std::string& comment = "");
std::string Zip64EndBytes(uint64_t entries, uint64_t size, uint64_t offset, uint16_t needed = 45);
std::string Zip64LocatorBytes(uint64_t recordOffset, uint32_t totalDisks = 1,
                              uint32_t recordDisk = 0);
std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
std::string Le64(uint64_t v);
uint32_t Crc32Of(const std::string& bytes);

class TRecordingHost : public archive::IZipReaderHost {
 public:
  void ReportWarning(int id) override { warnings.push_back(id); }
  void CheckCancel() override { ++ticks; }
  bool Tracing() const override { return tracing; }
  void Trace(const std::string& text) override { traces.push_back(text); }
  std::vector<int> warnings;
  std::vector<std::string> traces;
  int ticks = 0;
  bool tracing = false;
};

// Opens the archive as the component does; an error raised while reading records comes back
// as its negated id, like the open errors.
int OpenArchive(archive::TZAZipFile& zip, const std::string& path);

struct TZipInfoEntry {
  std::string name;
  int64_t offset = -1, compressed = -1, uncompressed = -1;
  uint32_t crc = 0;
};
// What `zipinfo -v` says of each entry; false when zipinfo is missing or fails.
bool ZipInfo(const std::string& path, std::vector<TZipInfoEntry>& out);

}  // namespace varelo::test
