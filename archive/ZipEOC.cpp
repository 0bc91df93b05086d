#include "archive/ZipEOC.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "archive/ArchiveLimits.h"
#include "archive/MessageIds.h"
#include "archive/ZipArcaError.h"
#include "platform/Paths.h"
#include "zipformat/ZipRecords.h"

namespace archive {
namespace {

using zipformat::Get32;
using zipformat::kSigEnd;
using zipformat::kSigLocal;
using zipformat::kSigSpan;
using zipformat::kSigZip64End;
using zipformat::kSigZip64Locator;
constexpr int kWarnEndNotAtEnd = 1;
constexpr int kWarnCentralMoved = 2;
constexpr int64_t kZip64HeadSize = zipformat::kZip64EndHeadSize;
constexpr int64_t kZip64MinRecordSize = 44;

// The name without its ".zip" extension (any case), or nothing when it has another one.
bool SplitZipName(const std::string& name, std::string& base, std::string& ext) {
  if (name.size() < 4 || platform::FoldCase(name.substr(name.size() - 4)) != ".zip")
    return false;
  base = name.substr(0, name.size() - 4);
  ext = name.substr(name.size() - 4);
  return true;
}

std::string ThreeDigits(uint32_t n) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03u", n);
  return digits;
}

}  // namespace

bool TZAWorkFile::OpenFile() {
  if (file_.IsOpen())
    return true;
  return file_.Open(FileName, platform::TFileAccess::Read, platform::TFileCreate::OpenExisting);
}

bool TZAWorkFile::ReadExactly(void* buffer, size_t size, int64_t offset) {
  if (offset < 0)
    return false;
  return file_.ReadAt(buffer, size, offset) == static_cast<int64_t>(size);
}

void TZAEOC::Reset() {
  CentralDiskNo = CentralEntries = TotalEntries = 0;
  CentralOffset = CentralSize = EOCOffset = OffsetDelta = Z64VSize = EndPosition = 0;
  MultiDisk = Z64 = false;
  VersionMadeBy = VersionNeeded = 0;
  ZipComment.clear();
  ZipCommentLen = 0;
  DiskNr = TotalDisks = 0;
  File_Size = RealFileSize = 0;
  Sig = TZipFileSigs::zfsNone;
}

int TZAEOC::LocateEnd() {
  uint8_t head[8] = {};
  const int64_t got = file_.ReadAt(head, sizeof head, 0);
  if (got < 4)
    return -msg::kNotZip;
  const uint32_t first = Get32(head);
  if (head[0] == 'M' && head[1] == 'Z') {
    Sig = TZipFileSigs::zfsDOS;
  } else if (first == kSigLocal) {
    Sig = TZipFileSigs::zfsLocal;
  } else if (first == kSigSpan && got == 8 && Get32(head + 4) == kSigLocal) {
    Sig = TZipFileSigs::zfsMulti;
    MultiDisk = true;
  }
  const int64_t size = file_.Size();
  if (size < kEndRecordSize)
    return -msg::kNotZip;
  File_Size = RealFileSize = size;
  uint8_t record[kEndRecordSize];
  if (!ReadExactly(record, sizeof record, size - kEndRecordSize))
    return -msg::kReadEnd;
  int status = 0;
  uint32_t commentLength = 0;
  if (Get32(record) == kSigEnd) {
    EOCOffset = size - kEndRecordSize;
    // A comment length that is not zero here means the comment is missing: keep none.
    if (zipformat::ReadEndRecord(record).commentLength != 0)
      status = kWarnEndNotAtEnd;
  } else {
    const int64_t window = std::min(size, kEndSearchWindow);
    std::vector<uint8_t> tail(static_cast<size_t>(window));
    if (!ReadExactly(tail.data(), tail.size(), size - window))
      return -msg::kReadEnd;
    int64_t hit = -1;
    for (int64_t at = window - kEndRecordSize - 1; at >= 0; --at) {
      if (Get32(tail.data() + at) == kSigEnd) {
        hit = at;
        break;
      }
    }
    if (hit < 0)
      return -msg::kNotZip;
    std::copy_n(tail.data() + hit, kEndRecordSize, record);
    EOCOffset = size - (window - hit);
    commentLength = std::min<uint32_t>(zipformat::ReadEndRecord(record).commentLength,
                                       static_cast<uint32_t>(window - hit - kEndRecordSize));
    ZipComment.assign(reinterpret_cast<const char*>(tail.data() + hit + kEndRecordSize),
                      commentLength);
    if (hit + kEndRecordSize + commentLength != window) {
      // Bytes after the comment are not the archive's.
      File_Size = EOCOffset + kEndRecordSize + commentLength;
      status = kWarnEndNotAtEnd;
    }
  }
  ZipCommentLen = commentLength;
  const zipformat::TEndRecord end = zipformat::ReadEndRecord(record);
  const uint16_t thisDisk = end.thisDisk, startDisk = end.centralDisk;
  const uint16_t diskEntries = end.diskEntries, totalEntries = end.totalEntries;
  const uint32_t centralSize = end.centralSize, centralOffset = end.centralOffset;
  MultiDisk = MultiDisk || thisDisk != 0;
  DiskNr = thisDisk;
  TotalDisks = thisDisk + 1u;
  TotalEntries = totalEntries;
  CentralEntries = diskEntries;
  CentralDiskNo = startDisk;
  CentralOffset = centralOffset;
  CentralSize = centralSize;
  EndPosition = EOCOffset;
  return status;
}

// The Zip64 end record at the locator's stored offset or, when a prefix in front of the
// archive shifted everything, right before the locator where every writer puts it.
int TZAEOC::FindZip64Record(int64_t stored, int64_t& at, uint8_t* record) {
  const int64_t usual = EOCOffset - kZip64LocatorSize - kZip64EndSize;
  for (int64_t candidate : {stored, usual}) {
    if (candidate < 0 || candidate > EOCOffset - kZip64LocatorSize - kZip64EndSize)
      continue;
    if (!ReadExactly(record, kZip64EndSize, candidate))
      return -msg::kReadEnd;
    if (Get32(record) == kSigZip64End) {
      at = candidate;
      return 0;
    }
  }
  return 1;  // no record: the values stay as the end record gave them
}

int TZAEOC::ReadZip64() {
  if (EOCOffset - kZip64LocatorSize < 0)
    return 0;
  uint8_t locator[kZip64LocatorSize];
  if (!ReadExactly(locator, sizeof locator, EOCOffset - kZip64LocatorSize))
    return -msg::kReadEnd;
  const zipformat::TZip64Locator found = zipformat::ReadZip64Locator(locator);
  const uint32_t recordDisk = found.recordDisk;
  const uint64_t recordOffset = found.recordOffset;
  const uint32_t totalDisks = found.totalDisks;
  if (found.signature != kSigZip64Locator || (DiskNr == 0xFFFF && totalDisks < 0xFFFF))
    return 0;
  Z64 = true;
  TotalDisks = totalDisks;
  DiskNr = totalDisks - 1;
  if (totalDisks != recordDisk + 1)
    return -msg::kReadEnd;
  uint8_t record[kZip64EndSize];
  int64_t at = 0;
  const int64_t stored =
      recordOffset > static_cast<uint64_t>(INT64_MAX) ? -1 : static_cast<int64_t>(recordOffset);
  if (int found = FindZip64Record(stored, at, record); found != 0)
    return found < 0 ? found : 0;
  const zipformat::TZip64End z = zipformat::ReadZip64End(record);
  const uint64_t recordSize = z.recordSize;
  const uint16_t needed = z.versionNeeded;
  if ((needed & 0xFF) > kMaxZipVersion || recordSize < kZip64MinRecordSize)
    return -msg::kUnsupportedVersion;
  if (recordSize > static_cast<uint64_t>(EOCOffset))
    return -msg::kReadEnd;
  VersionMadeBy = z.versionMadeBy;
  VersionNeeded = needed;
  Z64VSize = static_cast<int64_t>(recordSize) + kZip64HeadSize;
  EndPosition = at;
  const uint32_t startDisk = z.centralDisk;
  const uint64_t diskEntries = z.diskEntries, totalEntries = z.totalEntries;
  const uint64_t centralSize = z.centralSize, centralOffset = z.centralOffset;
  // Every value is checked against the file before it replaces a placeholder: an entry
  // count no file of this size can hold, or a directory outside it, is a broken record. The
  // directory of a multi-part set may lie in earlier parts, which the directory reader
  // measures before it trusts these values.
  const bool oneFile = TotalDisks <= 1;
  const uint64_t capacity =
      oneFile ? static_cast<uint64_t>(File_Size) / kCentralRecordSize : UINT32_MAX;
  const uint64_t sizeBound = oneFile ? static_cast<uint64_t>(File_Size) : INT64_MAX;
  if (CentralDiskNo == 0xFFFF)
    CentralDiskNo = startDisk;
  if (TotalEntries == 0xFFFF) {
    if (totalEntries > capacity)
      return -msg::kReadEnd;
    TotalEntries = static_cast<uint32_t>(totalEntries);
  }
  if (CentralEntries == 0xFFFF) {
    if (diskEntries > capacity)
      return -msg::kReadEnd;
    CentralEntries = static_cast<uint32_t>(diskEntries);
  }
  if (CentralSize == 0xFFFFFFFF) {
    if (centralSize > sizeBound)
      return -msg::kReadEnd;
    CentralSize = static_cast<int64_t>(centralSize);
  }
  if (CentralOffset == 0xFFFFFFFF) {
    if (centralOffset > sizeBound)
      return -msg::kReadEnd;
    CentralOffset = static_cast<int64_t>(centralOffset);
  }
  return 0;
}

int TZAEOC::OpenOne(bool EOConly) {
  Reset();
  if (!OpenFile())
    return platform::FileExists(FileName) ? -msg::kCannotOpen : -msg::kInputMissing;
  try {
    int status = LocateEnd();
    if (status < 0) {
      Close();
      return status;
    }
    const bool needZip64 = TotalEntries == 0xFFFF || CentralOffset == 0xFFFFFFFF ||
                           CentralEntries == 0xFFFF || CentralSize == 0xFFFFFFFF ||
                           DiskNr == 0xFFFF || CentralDiskNo == 0xFFFF;
    // Some writers add the Zip64 records even when no value needs them; the directory then
    // ends at the Zip64 end record, not at the end record, and that must be known to find it.
    const bool hasLocator = [&] {
      uint8_t sig[4];
      return EOCOffset >= kZip64LocatorSize &&
             ReadExactly(sig, sizeof sig, EOCOffset - kZip64LocatorSize) &&
             Get32(sig) == kSigZip64Locator;
    }();
    if (!EOConly && (needZip64 || hasLocator)) {
      if (int z = ReadZip64(); z < 0) {
        Close();
        return z;
      }
    }
    // The directory cannot start in a part after the one that ends the set.
    if (CentralDiskNo > DiskNr) {
      Close();
      return -msg::kReadEnd;
    }
    // A directory that starts in an earlier part has no place in this one to compare with.
    OffsetDelta = CentralDiskNo == DiskNr ? EndPosition - CentralSize - CentralOffset : 0;
    if (OffsetDelta != 0)
      status |= kWarnCentralMoved;
    return status;
  } catch (const EZipArca& error) {
    Close();
    return -error.Id();
  }
}

}  // namespace archive

namespace archive {

uint32_t FileDosTime(const std::string& path) {
  platform::TLocalTime time;
  if (!platform::FileModifiedLocalTime(path, time) || time.year < 1980 || time.year > 2107)
    return 0;
  return static_cast<uint32_t>((time.year - 1980) << 25 | time.month << 21 | time.day << 16 |
                               time.hour << 11 | time.minute << 5 | time.second / 2);
}

std::string TZAWorkFile::PartName(uint32_t disk) const {
  std::string base, ext;
  if (!SplitZipName(ReqFileName, base, ext))
    return {};
  switch (Numbering) {
    case TZipNumberScheme::znsName:
      return disk < static_cast<uint32_t>(kMaxNumberedParts) ? base + ThreeDigits(disk + 1) + ext
                                                             : std::string();
    case TZipNumberScheme::znsExt:
      // Split sets end with the ".zip" part; the parts before it are ".z01", ".z02", ...
      if (disk + 1 == TotalDisks)
        return ReqFileName;
      return disk < 99 ? base + (ext[1] == 'Z' ? ".Z" : ".z") + ThreeDigits(disk + 1).substr(1)
                       : std::string();
    default:
      return {};
  }
}

int TZAEOC::OpenEOC(bool EOConly) {
  // A numbered set is opened by its name again, not by the part found last time.
  if (Numbering == TZipNumberScheme::znsName && !ReqFileName.empty())
    FileName = ReqFileName;
  ReqFileName = FileName;
  Numbering = TZipNumberScheme::znsNone;
  int result = OpenOne(EOConly);
  if (result == -msg::kInputMissing && !SpanOptions.Contains(spExactName))
    result = OpenLast(EOConly, result);
  if (result >= 0)
    SettleNumbering();
  return result;
}

int TZAEOC::OpenLast(bool EOConly, int OpenRes) {
  std::string base, ext;
  if (!SplitZipName(ReqFileName, base, ext))
    return OpenRes;
  const std::string requested = ReqFileName;
  int result = OpenRes;
  uint32_t firstTime = 0;
  for (int number = 1; number <= kMaxNumberedParts; ++number) {
    const std::string part = base + ThreeDigits(static_cast<uint32_t>(number)) + ext;
    if (!platform::FileExists(part))
      break;
    // The parts of one set were written together and carry one time stamp; a part with
    // another time belongs to another set and ends the search as a missing part would.
    const uint32_t time = FileDosTime(part);
    if (number == 1)
      firstTime = time;
    else if (time != firstTime && !SpanOptions.Contains(spAnyTime))
      break;
    FileName = part;
    result = OpenOne(EOConly);
    if (result == -msg::kNotZip)
      continue;  // no end record: a part before the last
    if (result >= 0 && TotalDisks != static_cast<uint32_t>(number)) {
      // The end record belongs to a set of another size: parts are missing or foreign.
      Close();
      result = -msg::kCannotOpen;
    }
    break;
  }
  if (result == -msg::kNotZip) {
    // Parts were there but none ends the set: its last part is missing.
    result = -msg::kCannotOpen;
  }
  if (result < 0) {
    FileName = requested;
    return result;
  }
  Numbering = TZipNumberScheme::znsName;
  return result;
}

// A set whose parts the directory may need: the numbered parts found by OpenLast, or a split
// set whose earlier parts sit beside the ".zip" as ".z01", ".z02", ...
void TZAEOC::SettleNumbering() {
  if (TotalDisks <= 1 || Numbering != TZipNumberScheme::znsNone)
    return;
  Numbering = TZipNumberScheme::znsExt;
  if (!platform::FileExists(PartName(0)))
    Numbering = TZipNumberScheme::znsNone;
}

}  // namespace archive
