#include "engine/ZipDirectory.h"

#include <algorithm>
#include <ctime>

#include "engine/EngineLimits.h"
#include "platform/CodePage.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/UnicodeExtra.h"
#include "zipformat/Zip64Fields.h"
#include "zipformat/ZipRecords.h"

namespace arcazip {
namespace {

using zipformat::FindExtra;
using zipformat::Get32;
using zipformat::kSigCentral;
using zipformat::kSigDigitalSignature;
using zipformat::kSigEnd;
using zipformat::kSigLocal;
using zipformat::kSigZip64End;
using zipformat::kSigZip64Locator;
constexpr uint64_t kCentralFixed = zipformat::kCentralHeaderSize;
constexpr uint64_t kLocalFixed = zipformat::kLocalHeaderSize;
constexpr uint64_t kZip64LocatorSize = zipformat::kZip64LocatorSize;
constexpr uint64_t kZip64EndFixed = zipformat::kZip64EndSize;
constexpr uint32_t kEncodingNone = 1, kEncodingOem = 2, kEncodingUtf8 = 3, kEncodingUPath = 4;
constexpr uint32_t kOemCodePage = 850;
constexpr uint16_t kHostFat = 0, kHostNtfs = 11, kHostHpfs = 6, kHostUnix = 3, kHostVfat = 14;
constexpr uint32_t kDosFolderAttribute = 0x10;

// Zip64 values for the placeholders among these; a placeholder without its value is an error
// here, as the archive could not be read right without it.
bool TakeZip64(std::string_view extra, zipformat::TZip64Values& values) {
  const zipformat::TZip64Outcome outcome = zipformat::ApplyZip64(extra, values);
  return outcome == zipformat::TZip64Outcome::kNothingAsked ||
         outcome == zipformat::TZip64Outcome::kTaken;
}

bool HasHighBytes(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A Unicode path block is trusted only when it was written for these very name bytes.
bool UnicodePathName(const TZipEntry& entry, std::string_view extra, std::string& name) {
  std::string_view text;
  if (!zipformat::UnicodeExtraText(extra, zipformat::kTagUnicodePath, entry.rawName, text))
    return false;
  name.assign(text);
  return true;
}

std::string FromCodePage(std::string_view raw, uint32_t codePage) {
  return codePage == kOemCodePage ? platform::OemToUtf8(raw) : platform::AnsiToUtf8(raw);
}

std::string DecodeName(const TZipEntry& entry, std::string_view extra, uint32_t encoding,
                       uint32_t codePage) {
  const std::string_view raw = entry.rawName;
  std::string name;
  const uint16_t host = entry.versionMadeBy >> 8;
  switch (encoding) {
    case kEncodingNone:
      return HasHighBytes(raw) ? FromCodePage(raw, codePage) : std::string(raw);
    case kEncodingOem:
      return platform::OemToUtf8(raw);
    case kEncodingUtf8:
      if (platform::IsValidUtf8(raw))
        return std::string(raw);
      break;
    case kEncodingUPath:
      if (UnicodePathName(entry, extra, name))
        return name;
      break;
    default:
      break;
  }
  if ((entry.flags & kFlagUtf8) != 0 && platform::IsValidUtf8(raw))
    return std::string(raw);
  if (UnicodePathName(entry, extra, name))
    return name;
  if (!HasHighBytes(raw))
    return std::string(raw);
  const bool dosHost = host == kHostFat || host == kHostHpfs || entry.versionMadeBy == 0x0B32;
  if (dosHost)
    return platform::OemToUtf8(raw);
  // Unix makers store the bytes of their (nowadays UTF-8) locale without saying so.
  if (host == kHostUnix && platform::IsValidUtf8(raw))
    return std::string(raw);
  return platform::AnsiToUtf8(raw);
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// MS-DOS makers mark folders by their attribute alone, without a trailing separator. The
// attribute byte is only trusted from makers whose hosts use it, or when no Unix mode hides
// it; and an entry that holds data is never turned into a folder.
bool IsFolderEntry(const TZipEntry& entry) {
  if (!entry.name.empty() && IsSeparator(entry.name.back()))
    return true;
  if ((entry.externalAttributes & kDosFolderAttribute) == 0 || entry.uncompressedSize != 0)
    return false;
  const uint16_t host = entry.versionMadeBy >> 8;
  const bool dosHost =
      host == kHostFat || host == kHostHpfs || host == kHostNtfs || host == kHostVfat;
  return dosHost || (entry.externalAttributes >> 16) == 0;
}

int64_t ExtendedTime(std::string_view extra) {
  std::string_view block;
  if (!FindExtra(extra, zipformat::kTagExtendedTime, block) || block.size() < 5)
    return -1;
  if ((static_cast<uint8_t>(block[0]) & 1) == 0)
    return -1;
  return static_cast<int32_t>(Get32(reinterpret_cast<const uint8_t*>(block.data()) + 1));
}

}  // namespace

TAZError TZipDirectory::Fail(TAZError code, std::string text) {
  error_ = std::move(text);
  entries_.clear();
  return code;
}

TAZError TZipDirectory::Read(const uint8_t* data, uint64_t size, uint32_t encoding,
                             uint32_t codePage) {
  data_ = data;
  size_ = size;
  encoding_ = encoding;
  codePage_ = codePage;
  entries_.clear();
  error_.clear();
  if (TAZError e = FindEnd(); e != azeNone)
    return e;
  if (TAZError e = ReadCentral(); e != azeNone)
    return e;
  for (TZipEntry& entry : entries_)
    CheckLocalHeader(entry);
  CheckOverlaps();
  return azeNone;
}

// Of the end signatures found, the record whose comment reaches exactly to the end of the
// file is the archive's own; when several do (an archive stored in another's comment), the
// first one is the outer archive, whose comment holds the others. With none, as after bytes
// appended behind the archive, the last signature is taken.
uint64_t TZipDirectory::ChooseEndRecord(const std::vector<uint64_t>& candidates) const {
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    const uint64_t comment = zipformat::ReadEndRecord(data_ + *it).commentLength;
    if (*it + kEndRecordSize + comment == size_)
      return *it;
  }
  return candidates.front();
}

TAZError TZipDirectory::FindEnd() {
  if (size_ < kEndRecordSize)
    return Fail(azeEmptyZip, "The file is too short to be an archive");
  const uint64_t window = std::min(size_, kEndRecordSize + kMaxCommentSize);
  const uint64_t lowest = size_ - window;
  std::vector<uint64_t> candidates;  // from the end backwards
  for (uint64_t pos = size_ - kEndRecordSize;; --pos) {
    if (Get32(data_ + pos) == kSigEnd)
      candidates.push_back(pos);
    if (pos == lowest)
      break;
  }
  if (candidates.empty())
    return Fail(azeNoCentral, "No end of central directory record found");
  const uint64_t pos = ChooseEndRecord(candidates);
  const zipformat::TEndRecord record = zipformat::ReadEndRecord(data_ + pos);
  const uint16_t thisDisk = record.thisDisk, centralDisk = record.centralDisk;
  const uint16_t diskEntries = record.diskEntries, totalEntries = record.totalEntries;
  const uint32_t centralSize = record.centralSize, centralOffset = record.centralOffset;
  endOffset_ = pos;
  entryCount_ = totalEntries;
  centralSize_ = centralSize;
  centralOffset_ = centralOffset;
  const bool needZip64 = thisDisk == 0xFFFF || centralDisk == 0xFFFF || diskEntries == 0xFFFF ||
                         totalEntries == 0xFFFF || centralSize == 0xFFFFFFFF ||
                         centralOffset == 0xFFFFFFFF;
  // Some writers add the Zip64 records to every archive, placeholders or not; they stand
  // between the directory and the end record and must not be taken for a prefix.
  if (TAZError e = ReadZip64End(needZip64); e != azeNone)
    return e;
  if (!zip64_) {
    if (thisDisk != 0 || centralDisk != 0)
      return Fail(azeMultiPart, "The archive spans several disks");
    if (diskEntries != totalEntries)
      return Fail(azeZipStructure, "The entry counts of the end record disagree");
  }
  // The directory ends where the end record starts; anything before the stored offset
  // beyond that is a prefix such as a self-extractor stub.
  if (centralSize_ > endOffset_ || centralOffset_ > endOffset_ - centralSize_)
    return Fail(azeZipStructure, "The central directory lies outside the archive");
  prefix_ = endOffset_ - centralSize_ - centralOffset_;
  return azeNone;
}

TAZError TZipDirectory::ReadZip64End(bool required) {
  zip64_ = false;
  if (endOffset_ < kZip64LocatorSize)
    return azeNone;
  const zipformat::TZip64Locator locator =
      zipformat::ReadZip64Locator(data_ + endOffset_ - kZip64LocatorSize);
  if (locator.signature != kSigZip64Locator)
    return azeNone;  // no Zip64 records: any placeholders are real values
  const uint64_t recordOffset = locator.recordOffset;
  const uint32_t totalDisks = locator.totalDisks;
  if (totalDisks > 1)
    return Fail(azeMultiPart, "The archive spans several disks");
  // The record is normally right before the locator; a stub in front shifts it, so look
  // there when the stored offset does not hold it.
  uint64_t at = recordOffset;
  const uint64_t locatorAt = endOffset_ - kZip64LocatorSize;
  auto holdsRecord = [&](uint64_t o) {
    return o <= locatorAt && locatorAt - o >= kZip64EndFixed && Get32(data_ + o) == kSigZip64End;
  };
  if (!holdsRecord(at)) {
    bool found = false;
    for (uint64_t o = locatorAt >= kZip64EndFixed ? locatorAt - kZip64EndFixed : 0;; --o) {
      if (holdsRecord(o)) {
        at = o;
        found = true;
        break;
      }
      if (o == 0 || locatorAt - o > kZip64EndFixed + kMaxCommentSize)
        break;
    }
    if (!found) {
      // Without placeholders the end record's own values still describe the archive.
      return required ? Fail(azeZipStructure, "The Zip64 end record is missing") : azeNone;
    }
  }
  const zipformat::TZip64End record = zipformat::ReadZip64End(data_ + at);
  if (record.thisDisk != 0 || record.centralDisk != 0)
    return Fail(azeMultiPart, "The archive spans several disks");
  if (record.diskEntries != record.totalEntries)
    return Fail(azeZipStructure, "The entry counts of the Zip64 end record disagree");
  // A field of the end record that holds a real value keeps it; the Zip64 record stands in
  // for the placeholders.
  if (entryCount_ == zipformat::kPlaceholder16)
    entryCount_ = record.totalEntries;
  if (centralSize_ == zipformat::kPlaceholder32)
    centralSize_ = record.centralSize;
  if (centralOffset_ == zipformat::kPlaceholder32)
    centralOffset_ = record.centralOffset;
  endOffset_ = at;
  zip64_ = true;
  return azeNone;
}

TAZError TZipDirectory::ReadCentral() {
  // Every central record takes at least 46 bytes, which bounds a lying entry count.
  if (entryCount_ > centralSize_ / kCentralFixed)
    return Fail(azeZipStructure, "The entry count does not fit the central directory");
  // The directory's memory is bounded per entry; an archive that would need more than the
  // budget is refused before its entries are held.
  constexpr uint64_t kPerEntry = sizeof(TZipEntry) + kBookkeepingPerEntry;
  if (entryCount_ > kDirectoryBudget / kPerEntry)
    return Fail(azeNoMemory, "The archive has more entries than the engine can hold");
  entries_.reserve(static_cast<size_t>(entryCount_));
  uint64_t pos = centralOffset_ + prefix_;
  const uint64_t end = pos + centralSize_;
  uint64_t held = 0;
  for (uint64_t i = 0; i < entryCount_; ++i) {
    if (pos == end)
      return Fail(azeZipStructure,
                  "The entry count is higher than the records in the central directory");
    TZipEntry entry;
    if (!ReadEntry(pos, end, entry))
      return azeZipStructure;
    held += kPerEntry + (entry.name.size() > 15 ? entry.name.size() + 1 : 0);
    if (held > kDirectoryBudget)
      return Fail(azeNoMemory, "The archive's names need more memory than the engine can hold");
    entries_.push_back(std::move(entry));
  }
  if (pos != end && !(end - pos >= 4 && Get32(data_ + pos) == kSigDigitalSignature)) {
    if (end - pos >= 4 && Get32(data_ + pos) == kSigCentral)
      return Fail(azeZipStructure,
                  "The entry count is lower than the records in the central directory");
    return Fail(azeZipStructure, "The central directory's records do not fill its declared size");
  }
  return azeNone;
}

bool TZipDirectory::ReadEntry(uint64_t& pos, uint64_t end, TZipEntry& entry) {
  if (end - pos < kCentralFixed || Get32(data_ + pos) != kSigCentral) {
    Fail(azeZipStructure, "A central header signature is wrong");
    return false;
  }
  const zipformat::TCentralHeader h = zipformat::ReadCentralHeader(data_ + pos);
  entry.versionMadeBy = h.versionMadeBy;
  entry.flags = h.flags;
  entry.method = h.method;
  entry.dosDateTime = h.dosDateTime;
  entry.crc32 = h.crc32;
  entry.externalAttributes = h.externalAttributes;
  const uint64_t variable = uint64_t{h.nameLength} + h.extraLength + h.commentLength;
  if (end - pos - kCentralFixed < variable) {
    Fail(azeZipStructure, "Error while reading a central file name");
    return false;
  }
  const char* text = reinterpret_cast<const char*>(data_ + pos + kCentralFixed);
  entry.rawName = std::string_view(text, h.nameLength);
  const std::string_view extra(text + h.nameLength, h.extraLength);
  pos += kCentralFixed + variable;
  // The engine reads no disk numbers (it takes single-part archives only), so the disk
  // field is left out of the Zip64 values.
  zipformat::TZip64Values values{h.uncompressedSize, h.compressedSize, h.localOffset, 0};
  if (!TakeZip64(extra, values)) {
    Fail(azeZipStructure, "Error reading Zip64 field");
    return false;
  }
  entry.uncompressedSize = values.uncompressed;
  entry.compressedSize = values.compressed;
  entry.localOffset = values.localOffset;
  entry.name = DecodeName(entry, extra, encoding_, codePage_);
  entry.unixTime = ExtendedTime(extra);
  entry.folder = IsFolderEntry(entry);
  return true;
}

void TZipDirectory::CheckLocalHeader(TZipEntry& entry) {
  const uint64_t centralStart = centralOffset_ + prefix_;
  const uint64_t at = entry.localOffset + prefix_;
  if (entry.localOffset > centralOffset_ || centralStart - at < kLocalFixed ||
      Get32(data_ + at) != kSigLocal) {
    entry.issue = {azeZipStructure, "Error while reading a local header"};
    return;
  }
  const zipformat::TLocalHeader h = zipformat::ReadLocalHeader(data_ + at);
  const uint16_t nameLen = h.nameLength, extraLen = h.extraLength;
  if (centralStart - at - kLocalFixed < uint64_t{nameLen} + extraLen) {
    entry.issue = {azeUnexpectedEnd, "Error while reading a local header"};
    return;
  }
  const std::string_view name(reinterpret_cast<const char*>(data_ + at + kLocalFixed), nameLen);
  const std::string_view extra(name.data() + nameLen, extraLen);
  if (name != entry.rawName) {
    entry.issue = {azeZipStructure, "Local and Central names different"};
    return;
  }
  if (h.method != entry.method || (h.flags & kFlagEncrypted) != (entry.flags & kFlagEncrypted)) {
    entry.issue = {azeZipStructure, "Local and Central headers different"};
    return;
  }
  // A data descriptor carries the sizes after the data, so the local ones mean nothing then.
  if ((h.flags & kFlagDataDescriptor) == 0) {
    // A local header has no offset or disk; a missing Zip64 block leaves the placeholders,
    // which then differ from the central sizes.
    zipformat::TZip64Values values{h.uncompressedSize, h.compressedSize, 0, 0};
    zipformat::ApplyZip64(extra, values);
    if (h.crc32 != entry.crc32 || values.compressed != entry.compressedSize ||
        values.uncompressed != entry.uncompressedSize) {
      entry.issue = {azeZipStructure, "Local and Central sizes different"};
      return;
    }
  }
  const uint64_t dataStart = at + kLocalFixed + nameLen + extraLen;
  if (entry.compressedSize > centralStart - dataStart) {
    entry.issue = {azeUnexpectedEnd, "Entry data lies outside the archive"};
    return;
  }
  entry.dataOffset = dataStart;
}

// Entries whose headers or data share bytes with another entry's are refused: an archive
// that reuses one compressed stream for many entries multiplies its output without limit.
void TZipDirectory::CheckOverlaps() {
  std::vector<TZipEntry*> order;
  order.reserve(entries_.size());
  for (TZipEntry& entry : entries_) {
    if (entry.issue.code == azeNone)
      order.push_back(&entry);
  }
  std::stable_sort(order.begin(), order.end(), [](const TZipEntry* a, const TZipEntry* b) {
    return a->localOffset < b->localOffset;
  });
  uint64_t usedUpTo = 0;
  bool first = true;
  for (TZipEntry* entry : order) {
    const uint64_t start = entry->localOffset + prefix_;
    if (!first && start < usedUpTo) {
      entry->issue = {azeZipStructure, "Entry overlaps another entry"};
      continue;
    }
    first = false;
    usedUpTo = entry->dataOffset + entry->compressedSize;
  }
}

}  // namespace arcazip
