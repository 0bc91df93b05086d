#include "tests/support/ZipBuilder.h"

#include <zlib.h>

#include <random>
#include <stdexcept>

#include "zipformat/Crc32.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/LittleEndian.h"
#include "zipformat/ZipRecords.h"

namespace varelo::test {
namespace {

using zipformat::Put16;
using zipformat::Put32;
using zipformat::Put64;

constexpr uint32_t kDosTime = 0x5A210000;  // 2025-01-01 00:00

struct TPlaced {
  uint64_t offset = 0;
  std::string data;
  uint32_t crc = 0;
  uint64_t size = 0;
};

uint32_t Low32(uint64_t v, bool placeholder) {
  return placeholder ? 0xFFFFFFFF : static_cast<uint32_t>(v);
}

class TPkwareKeys {
 public:
  explicit TPkwareKeys(const std::string& password) {
    for (char c : password)
      Update(static_cast<uint8_t>(c));
  }
  uint8_t Encrypt(uint8_t plain) {
    const uint32_t t = (k2_ | 2) & 0xFFFF;
    const uint8_t cipher = plain ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    Update(plain);
    return cipher;
  }

 private:
  static uint32_t Crc(uint32_t crc, uint8_t b) {
    // The key update is one raw CRC step (no pre- or post-inversion), which the CRC-32 of the
    // format gives when its inversions are undone around it.
    return ~zipformat::Crc32(~crc, &b, 1);
  }
  void Update(uint8_t plain) {
    k0_ = Crc(k0_, plain);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = Crc(k2_, static_cast<uint8_t>(k1_ >> 24));
  }
  uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

}  // namespace

uint32_t Crc32(const std::string& bytes) {
  return zipformat::Crc32(bytes);
}

std::string Le16(uint16_t v) {
  std::string out;
  Put16(out, v);
  return out;
}
std::string Le32(uint32_t v) {
  std::string out;
  Put32(out, v);
  return out;
}
std::string Le64(uint64_t v) {
  std::string out;
  Put64(out, v);
  return out;
}

std::string Deflate(const std::string& bytes) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, bytes.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  out.shrink_to_fit();
  deflateEnd(&z);
  return out;
}

std::string EncryptPkware(const std::string& password, const std::string& data, uint8_t check,
                          uint32_t seed) {
  TPkwareKeys keys(password);
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(12 + data.size());
  for (int i = 0; i < 11; ++i)
    out += static_cast<char>(keys.Encrypt(static_cast<uint8_t>(rng())));
  out += static_cast<char>(keys.Encrypt(check));
  for (char c : data)
    out += static_cast<char>(keys.Encrypt(static_cast<uint8_t>(c)));
  return out;
}

std::string ExtraField(uint16_t tag, const std::string& data) {
  std::string out;
  Put16(out, tag);
  Put16(out, static_cast<uint16_t>(data.size()));
  return out + data;
}

std::string UnicodePathExtra(const std::string& rawName, const std::string& unicodeName) {
  std::string data(1, '\1');
  Put32(data, Crc32(rawName));
  return ExtraField(zipformat::kTagUnicodePath, data + unicodeName);
}

std::string UnicodeCommentExtra(const std::string& rawComment, const std::string& text) {
  std::string data(1, '\1');
  Put32(data, Crc32(rawComment));
  return ExtraField(zipformat::kTagUnicodeComment, data + text);
}

std::string ExtendedTimeExtra(int64_t unixTime) {
  std::string data(1, '\1');
  Put32(data, static_cast<uint32_t>(unixTime));
  return ExtraField(zipformat::kTagExtendedTime, data);
}

std::string Zip64Extra(const std::vector<uint64_t>& values) {
  std::string data;
  for (uint64_t v : values)
    Put64(data, v);
  return ExtraField(zipformat::kTagZip64, data);
}

std::string BuildZip(const std::vector<TZipItem>& items, const TZipLayout& layout) {
  std::string out = layout.prefix;
  const uint64_t base = out.size();  // offsets count from the archive's own start
  std::vector<TPlaced> placed(items.size());
  bool anyZip64 = layout.zip64End;
  for (size_t i = 0; i < items.size(); ++i) {
    const TZipItem& item = items[i];
    TPlaced& p = placed[i];
    anyZip64 = anyZip64 || item.zip64;
    p.data = item.data ? *item.data : item.method == 8 ? Deflate(item.content) : item.content;
    p.crc = item.crc ? *item.crc : Crc32(item.content);
    p.size = item.declaredSize ? *item.declaredSize : item.content.size();
    if (item.password)
      p.data = EncryptPkware(*item.password, p.data, static_cast<uint8_t>(p.crc >> 24), 7 + i);
    if (item.sameDataAs >= 0) {
      p.offset = placed[static_cast<size_t>(item.sameDataAs)].offset;
      continue;
    }
    p.offset = out.size() - base;
    const std::string& name = item.localName ? *item.localName : item.name;
    const std::string extra =
        (item.zip64 ? Zip64Extra({p.size, p.data.size()}) : "") + item.localExtra;
    const uint16_t flags = item.flags | (item.password ? 1 : 0);
    zipformat::TLocalHeader h;
    h.versionNeeded = item.zip64 ? 45 : 20;
    h.flags = flags;
    h.method = item.method;
    h.dosDateTime = kDosTime;
    h.crc32 = p.crc;
    h.compressedSize = Low32(p.data.size(), item.zip64);
    h.uncompressedSize = Low32(p.size, item.zip64);
    h.nameLength = static_cast<uint16_t>(name.size());
    h.extraLength = static_cast<uint16_t>(extra.size());
    zipformat::Write(out, h);
    out += name;
    out += extra;
    out += p.data;
  }
  const uint64_t centralOffset = out.size() - base;
  for (size_t i = 0; i < items.size(); ++i) {
    const TZipItem& item = items[i];
    const TPlaced& p = placed[i];
    const std::string extra =
        (item.zip64 ? Zip64Extra({p.size, p.data.size(), p.offset}) : "") + item.centralExtra;
    zipformat::TCentralHeader h;
    h.versionMadeBy = item.versionMadeBy;
    h.versionNeeded = item.zip64 ? 45 : 20;
    h.flags = item.flags | (item.password ? 1 : 0);
    h.method = item.method;
    h.dosDateTime = kDosTime;
    h.crc32 = p.crc;
    h.compressedSize = Low32(p.data.size(), item.zip64);
    h.uncompressedSize = Low32(p.size, item.zip64);
    h.nameLength = static_cast<uint16_t>(item.name.size());
    h.extraLength = static_cast<uint16_t>(extra.size());
    h.externalAttributes = item.externalAttributes;
    h.localOffset = Low32(p.offset, item.zip64);
    zipformat::Write(out, h);
    out += item.name;
    out += extra;
  }
  out += layout.centralTail;
  const uint64_t centralSize = layout.centralSize.value_or(out.size() - base - centralOffset);
  const uint64_t count = layout.entryCount.value_or(items.size());
  const bool placeholders = anyZip64 && layout.placeholders;
  if (anyZip64) {
    const uint64_t zip64End = out.size() - base;
    out += Zip64EndBytes(count, centralSize, centralOffset);
    out += Zip64LocatorBytes(zip64End);
  }
  const uint32_t count16 = placeholders ? 0xFFFF : static_cast<uint32_t>(count & 0xFFFF);
  zipformat::TEndRecord end;
  end.diskEntries = static_cast<uint16_t>(layout.diskEntries.value_or(count16));
  end.totalEntries = static_cast<uint16_t>(count16);
  end.centralSize = Low32(centralSize, placeholders);
  end.centralOffset = Low32(centralOffset, placeholders);
  end.commentLength = static_cast<uint16_t>(layout.comment.size());
  zipformat::Write(out, end);
  out += layout.comment;
  return out;
}

std::string CentralRecordBytes(const TCentralRecord& r) {
  zipformat::TCentralHeader h;
  h.versionMadeBy = r.versionMadeBy;
  h.versionNeeded = r.versionNeeded;
  h.flags = r.flags;
  h.dosDateTime = kDosTime;
  h.crc32 = r.crc;
  h.compressedSize = r.compressedSize;
  h.uncompressedSize = r.uncompressedSize;
  h.nameLength = r.nameLength == 0xFFFF ? static_cast<uint16_t>(r.name.size()) : r.nameLength;
  h.extraLength = static_cast<uint16_t>(r.extra.size());
  h.commentLength = static_cast<uint16_t>(r.comment.size());
  h.diskStart = r.diskStart;
  h.localOffset = r.localOffset;
  std::string out;
  zipformat::Write(out, h);
  return out + r.name + r.extra + r.comment;
}

std::string EndRecordBytes(uint16_t entries, uint32_t size, uint32_t offset,
                           const std::string& comment) {
  zipformat::TEndRecord end;
  end.diskEntries = end.totalEntries = entries;
  end.centralSize = size;
  end.centralOffset = offset;
  end.commentLength = static_cast<uint16_t>(comment.size());
  std::string out;
  zipformat::Write(out, end);
  return out + comment;
}

std::string Zip64EndBytes(uint64_t entries, uint64_t size, uint64_t offset, uint16_t needed) {
  zipformat::TZip64End record;
  record.recordSize = zipformat::kZip64EndSize - zipformat::kZip64EndHeadSize;
  record.versionMadeBy = 0x031E;
  record.versionNeeded = needed;
  record.diskEntries = record.totalEntries = entries;
  record.centralSize = size;
  record.centralOffset = offset;
  std::string out;
  zipformat::Write(out, record);
  return out;
}

std::string Zip64LocatorBytes(uint64_t recordOffset, uint32_t totalDisks, uint32_t recordDisk) {
  zipformat::TZip64Locator locator;
  locator.recordDisk = recordDisk;
  locator.recordOffset = recordOffset;
  locator.totalDisks = totalDisks;
  std::string out;
  zipformat::Write(out, locator);
  return out;
}

std::string BuildCentral(const std::string& prefix, const std::vector<TCentralRecord>& records,
                         const TEndRecord& end) {
  std::string central;
  for (const TCentralRecord& r : records)
    central += CentralRecordBytes(r);
  const auto count = static_cast<uint16_t>(records.size());
  zipformat::TEndRecord record;
  record.thisDisk = end.thisDisk;
  record.centralDisk = end.startDisk;
  record.diskEntries = end.diskEntries < 0 ? count : static_cast<uint16_t>(end.diskEntries);
  record.totalEntries = end.totalEntries < 0 ? count : static_cast<uint16_t>(end.totalEntries);
  record.centralSize = end.centralSize < 0 ? static_cast<uint32_t>(central.size())
                                           : static_cast<uint32_t>(end.centralSize);
  record.centralOffset = end.centralOffset < 0 ? static_cast<uint32_t>(prefix.size())
                                               : static_cast<uint32_t>(end.centralOffset);
  record.commentLength = end.commentLength < 0 ? static_cast<uint16_t>(end.comment.size())
                                               : static_cast<uint16_t>(end.commentLength);
  std::string out = prefix + central;
  zipformat::Write(out, record);
  return out + end.comment;
}

}  // namespace varelo::test
