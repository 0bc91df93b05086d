#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ArcaZipContract.h"

// The archive's central directory read from the mapped archive bytes, each entry checked
// against its local header before anything is extracted.
namespace arcazip {

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kFlagUtf8 = 0x0800;

// Why an entry cannot be extracted, found while the directory was checked.
struct TEntryIssue {
  TAZError code = azeNone;
  const char* what = "";  // detail for the report, in the engine's words; the name follows
};

struct TZipEntry {
  uint16_t versionMadeBy = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t dosDateTime = 0;  // DOS time in the low half, date in the high half
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localOffset = 0;
  uint32_t externalAttributes = 0;
  std::string_view rawName;  // bytes inside the mapped archive
  std::string name;          // decoded to UTF-8, "/" and "\" kept as stored
  int64_t unixTime = -1;     // from the extended time stamp, when present
  uint64_t dataOffset = 0;   // start of the (possibly encrypted) data, once checked
  TEntryIssue issue;
  // The one decision of what a folder entry is, made when the entry is read: its decoded name
  // ends in a separator, or an MS-DOS maker marked it with the folder attribute.
  bool folder = false;

  bool IsDirectory() const { return folder; }
  bool IsEncrypted() const { return (flags & kFlagEncrypted) != 0; }
};

class TZipDirectory {
 public:
  // Reads the directory from the archive bytes. `encoding` is the command block's name
  // encoding (0 = detect per entry) and `codePage` its code page for undetected names.
  // Returns azeNone or the error that makes the archive unreadable; ErrorText() adds detail.
  TAZError Read(const uint8_t* data, uint64_t size, uint32_t encoding = 0, uint32_t codePage = 0);

  const std::vector<TZipEntry>& Entries() const { return entries_; }
  const std::string& ErrorText() const { return error_; }

 private:
  TAZError Fail(TAZError code, std::string text);
  TAZError FindEnd();
  uint64_t ChooseEndRecord(const std::vector<uint64_t>& candidates) const;
  TAZError ReadZip64End(bool required);
  TAZError ReadCentral();
  bool ReadEntry(uint64_t& pos, uint64_t end, TZipEntry& entry);
  void CheckLocalHeader(TZipEntry& entry);
  void CheckOverlaps();

  const uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
  uint32_t encoding_ = 0;
  uint32_t codePage_ = 0;
  uint64_t endOffset_ = 0;  // where the end record (or the Zip64 end record) starts
  uint64_t entryCount_ = 0;
  uint64_t centralOffset_ = 0;
  uint64_t centralSize_ = 0;
  uint64_t prefix_ = 0;  // bytes in front of the archive (a self-extractor stub)
  bool zip64_ = false;   // the Zip64 end record was read
  std::vector<TZipEntry> entries_;
  std::string error_;
};

}  // namespace arcazip
