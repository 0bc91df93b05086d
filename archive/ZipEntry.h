#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/ZipTypes.h"

// One central directory record as read (TZAIRec) and its public read-only view (TZADirEntry).
namespace archive {

class TZAZipFile;
class TZAReadBuffer;

class TZADirEntry {
 public:
  virtual ~TZADirEntry() = default;

  int64_t CompressedSize() const { return ComprSize; }
  uint16_t CompressionMethod() const { return ComprMethod; }
  uint32_t CRC32() const { return CRC32_; }
  uint32_t DateTime() const { return ModifDateTime; }
  bool Encrypted() const { return (Flag & 1) != 0; }
  uint32_t ExtFileAttrib() const { return ExtFileAtt; }
  std::string_view ExtraField() const { return Extra; }
  size_t ExtraFieldLength() const { return Extra.size(); }
  // Decoded texts (UTF-8 inside the program; "/" in names shown as "\").
  const std::string& FileName() const;
  std::string FileComment() const;
  size_t FileCommentLen() const { return HeaderComment.size(); }
  size_t FileNameLength() const { return HeaderName.size(); }
  uint16_t GetFlag() const { return Flag; }
  std::string_view GetHeaderName() const { return HeaderName; }
  uint16_t IntFileAttrib() const { return IntFileAtt; }
  int64_t RelOffLocalHdr() const { return RelOffLocal; }
  uint32_t StartOnDisk() const { return DiskStart; }
  uint32_t GetStatusBits() const { return StatusBits; }
  int64_t UncompressedSize() const { return UnComprSize; }
  uint16_t GetVersionMadeBy() const { return VersionMadeBy; }
  uint16_t GetVersionNeeded() const { return VersionNeeded; }
  bool IsDirOnly() const { return (StatusBits & kStatusDirOnly) != 0; }
  uint32_t DateStamp() const { return ModifDateTime; }
  // The encoding the name was decoded with (detected on first use when the archive's is auto).
  TZAEncodingOpts Encoded() const;

  uint16_t VersionMadeBy = 0;
  uint16_t VersionNeeded = 0;
  uint16_t Flag = 0;
  uint16_t ComprMethod = 0;
  uint32_t ModifDateTime = 0;  // DOS time in the low half, DOS date in the high half
  uint32_t CRC32_ = 0;
  int64_t ComprSize = 0;
  int64_t UnComprSize = 0;
  uint32_t DiskStart = 0;
  uint16_t IntFileAtt = 0;
  uint32_t ExtFileAtt = 0;
  int64_t RelOffLocal = 0;
  // The raw name, extra and comment bytes point into the directory's own copy of the central
  // directory (TZAZipFile keeps it while it holds the records), so a record never outlives
  // its directory.
  std::string_view HeaderName;
  // The name as read: reading never renames an entry, so it is the raw name itself.
  std::string_view OrigHeaderName() const { return HeaderName; }
  std::string_view HeaderComment;
  std::string_view Extra;
  mutable uint32_t StatusBits = 0;
  mutable uint32_t Hash = 0;
  const TZAZipFile* Owner = nullptr;

 protected:
  mutable std::string fileName_;
  mutable bool nameDecoded_ = false;
  std::string Decode(std::string_view raw, bool isName) const;
};

class TZAIRec : public TZADirEntry {
 public:
  // Reads one record from the buffer: the negated message id on failure, 0, or 1 when a Zip64
  // extra field supplied values.
  int Read(TZAReadBuffer& in);
  // The name hash over its UTF-16 units (cached).
  uint32_t NameHash() const;
  // The name as the index compares it: the raw bytes when decoding would only turn "/" into
  // "\" (plain ASCII), so loading a large directory decodes nothing; else the decoded name.
  std::string_view KeyName() const;
};

// An extra-field block whose whole data lies inside the extra bytes.
bool FindExtraBlock(std::string_view extra, uint16_t tag, std::string_view& data);
// The name hash of a decoded (UTF-8) name over its UTF-16 units; "/" counts as "\".
uint32_t ZipNameHash(std::string_view utf8);
// Names equal without regard to case, as the platform compares file names; "/" and "\" are
// the same.
bool ZipSameName(std::string_view a, std::string_view b);

}  // namespace archive
