#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varelo::test {

// One entry of a hand-made archive; every field a hostile maker could bend is settable.
struct TZipItem {
  std::string name;
  std::string content;                     // what the entry should hold
  uint16_t method = 8;                     // 0 stored, 8 deflated, anything else kept as given
  std::optional<std::string> data{};       // the stored bytes instead of compressing `content`
  std::optional<uint32_t> crc{};           // instead of the content's CRC
  std::optional<uint64_t> declaredSize{};  // instead of the content's size (both headers)
  std::optional<std::string> localName{};  // a different name in the local header
  uint16_t flags = 0;
  uint16_t versionMadeBy = 0x031E;  // host byte (high) and version (low); 0x031E is Unix
  uint32_t externalAttributes = 0100644u << 16;
  bool zip64 = false;   // sizes and offset through Zip64 extra fields (any values, even 2^64-1)
  int sameDataAs = -1;  // central record points at an earlier item's header
  std::string centralExtra{};             // extra fields appended in the central record
  std::string localExtra{};               // extra fields appended in the local header
  std::optional<std::string> password{};  // PKWARE-encrypts the stored bytes (sets flag bit 0)
};

// The archive around the entries.
struct TZipLayout {
  std::string prefix{};   // bytes in front (a self-extractor stub)
  std::string comment{};  // the archive comment (raw bytes)
  // Always write the Zip64 end record and locator (they are written anyway when an item uses
  // Zip64); `placeholders` false puts the real values in the end record beside them.
  bool zip64End = false;
  bool placeholders = true;
  std::optional<uint16_t> diskEntries{};  // entries on this disk in the end record
  std::optional<uint64_t> entryCount{};   // total entries in the end records
  std::optional<uint64_t> centralSize{};  // declared central directory size
  std::string centralTail{};              // bytes after the central records, before the end
};

// Builds the archive bytes: local headers and data, central directory, end record (and the
// Zip64 end record and locator when an item uses Zip64 or the layout asks for them).
std::string BuildZip(const std::vector<TZipItem>& items, const TZipLayout& layout = {});

// Extra fields as makers write them.
std::string ExtraField(uint16_t tag, const std::string& data);
std::string UnicodePathExtra(const std::string& rawName, const std::string& unicodeName);
std::string UnicodeCommentExtra(const std::string& rawComment, const std::string& text);
std::string ExtendedTimeExtra(int64_t unixTime);
std::string Zip64Extra(const std::vector<uint64_t>& values);

// Raw deflate of the bytes (no zlib header), as ZIP entries hold it.
std::string Deflate(const std::string& bytes);

// The traditional PKWARE encryption of stored bytes, with the 12-byte header in front whose
// last byte is `check`; `seed` fills the rest of the header.
std::string EncryptPkware(const std::string& password, const std::string& data, uint8_t check,
                          uint32_t seed = 1);

// The CRC-32 of the format (zipformat's), for contents and names the tests lay out.
uint32_t Crc32(const std::string& bytes);

// Fields laid out by hand, little-endian.
std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
std::string Le64(uint64_t v);

// One central record with every field a hostile maker could bend; directories of such records
// without any local data, for the directory readers.
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

}  // namespace varelo::test
