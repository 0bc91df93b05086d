// Loads mutated archives (single files and two-part numbered sets) through the directory
// reader: every count, size and offset in them is a lie the reader must refuse with an error,
// never with a crash or an allocation sized from it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/CenDir.h"
#include "archive/ZipArcaError.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

namespace {

class TQuietHost : public archive::IZipReaderHost {
 public:
  void ReportWarning(int) override {}
  void CheckCancel() override {}
  bool Tracing() const override { return false; }
  void Trace(const std::string&) override {}
};

varelo::test::TTempDir& WorkFolder() {
  static bool chosen = [] {
    if (platform::DirectoryExists("/dev/shm"))
      setenv("TMPDIR", "/dev/shm", 1);
    return true;
  }();
  (void)chosen;
  static varelo::test::TTempDir work;
  return work;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  platform::TFile file;
  if (!file.Open(path, platform::TFileAccess::Write, platform::TFileCreate::CreateAlways))
    std::abort();
  if (size > 0 && file.Write(data, size) != static_cast<int64_t>(size))
    std::abort();
}

void Load(const std::string& path, size_t size) {
  TQuietHost host;
  archive::TZACenDir dir;
  dir.IgnoreDirOnly = (size % 2) == 0;
  archive::TZAZipFile& zip = dir.Current(&host);
  zip.FileName = path;
  // Parts written a moment apart may straddle a time-stamp step; every input reaches the set
  // reader all the same.
  zip.SpanOptions.Include(archive::spAnyTime);
  try {
    if (zip.Open(false, false, 1) >= 0) {
      for (int i = 0; i < dir.Count(); ++i) {
        const archive::TZADirEntry* entry = dir.Entry(i);
        if (entry == nullptr)
          std::abort();
        const std::string& name = entry->FileName();
        (void)entry->FileComment();
        int index = -1;
        if (zip.FindName(name, index) == nullptr || index < 0)
          std::abort();  // every loaded name must be found again (the first of its kind)
      }
      if (zip.File_Size > static_cast<int64_t>(size))
        std::abort();
    }
  } catch (const archive::EZipArca&) {
    if (!zip.Entries.empty())
      std::abort();  // a failed load leaves no directory
  }
  zip.Close();
}

}  // namespace

// The input is loaded as one archive, and again as a numbered set of two parts, "set001.zip"
// and "set002.zip", split where its first two bytes say.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WorkFolder() / "fuzz.zip";
  WriteFile(path, data, size);
  Load(path, size);
  if (size < 2)
    return 0;
  const size_t split = 2 + (data[0] | (data[1] << 8)) % (size - 1);
  WriteFile(WorkFolder() / "set001.zip", data + 2, split - 2);
  WriteFile(WorkFolder() / "set002.zip", data + split, size - split);
  Load(WorkFolder() / "set.zip", size);
  return 0;
}
