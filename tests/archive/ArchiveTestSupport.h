#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipFile.h"
#include "tests/support/ZipBuilder.h"

// Helpers of the archive tests: a recording reader host and zipinfo's view of an archive (the
// hand-made directories come from the tests' ZIP builder).
namespace varelo::test {

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
