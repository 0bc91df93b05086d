#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "zipformat/LittleEndian.h"

// The fixed parts of the ZIP records: their signatures, sizes and the order of their fields.
// Each record is read from (and written to) its bytes here only, through one list of its
// fields, so the archive component, the engine and the test makers of archives agree on every
// offset. A reader checks the signature and what the values mean; these only move the fields.
namespace zipformat {

inline constexpr uint32_t kSigLocal = 0x04034B50;
inline constexpr uint32_t kSigCentral = 0x02014B50;
inline constexpr uint32_t kSigEnd = 0x06054B50;
inline constexpr uint32_t kSigZip64End = 0x06064B50;
inline constexpr uint32_t kSigZip64Locator = 0x07064B50;
inline constexpr uint32_t kSigDigitalSignature = 0x05054B50;
// The marker in front of the first part of a spanned set (also the data descriptor's).
inline constexpr uint32_t kSigSpan = 0x08074B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64EndSize = 56;  // up to the end of the central offset
inline constexpr size_t kZip64LocatorSize = 20;
// The Zip64 end record's own size field counts the bytes after itself: signature and size
// field (12 bytes) are not included.
inline constexpr size_t kZip64EndHeadSize = 12;

// What a 32-bit (or 16-bit) field holds when the real value is in a Zip64 record.
inline constexpr uint32_t kPlaceholder32 = 0xFFFFFFFF;
inline constexpr uint16_t kPlaceholder16 = 0xFFFF;

struct TLocalHeader {
  uint32_t signature = kSigLocal;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t dosDateTime = 0;  // DOS time in the low half, date in the high half
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
};

struct TCentralHeader {
  uint32_t signature = kSigCentral;
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t dosDateTime = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localOffset = 0;
};

struct TEndRecord {
  uint32_t signature = kSigEnd;
  uint16_t thisDisk = 0;
  uint16_t centralDisk = 0;
  uint16_t diskEntries = 0;
  uint16_t totalEntries = 0;
  uint32_t centralSize = 0;
  uint32_t centralOffset = 0;
  uint16_t commentLength = 0;
};

struct TZip64Locator {
  uint32_t signature = kSigZip64Locator;
  uint32_t recordDisk = 0;
  uint64_t recordOffset = 0;
  uint32_t totalDisks = 0;
};

struct TZip64End {
  uint32_t signature = kSigZip64End;
  uint64_t recordSize = 0;  // the bytes after this field
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint32_t thisDisk = 0;
  uint32_t centralDisk = 0;
  uint64_t diskEntries = 0;
  uint64_t totalEntries = 0;
  uint64_t centralSize = 0;
  uint64_t centralOffset = 0;
};

// The order of each record's fields, given once for reading and writing alike. Every field
// takes its own type's width on disk, so a field's offset is the sum of those before it.
template <class R, class F>
constexpr void VisitFields(R& r, F&& f) {
  if constexpr (std::is_same_v<std::remove_const_t<R>, TLocalHeader>) {
    f(r.signature);
    f(r.versionNeeded);
    f(r.flags);
    f(r.method);
    f(r.dosDateTime);
    f(r.crc32);
    f(r.compressedSize);
    f(r.uncompressedSize);
    f(r.nameLength);
    f(r.extraLength);
  } else if constexpr (std::is_same_v<std::remove_const_t<R>, TCentralHeader>) {
    f(r.signature);
    f(r.versionMadeBy);
    f(r.versionNeeded);
    f(r.flags);
    f(r.method);
    f(r.dosDateTime);
    f(r.crc32);
    f(r.compressedSize);
    f(r.uncompressedSize);
    f(r.nameLength);
    f(r.extraLength);
    f(r.commentLength);
    f(r.diskStart);
    f(r.internalAttributes);
    f(r.externalAttributes);
    f(r.localOffset);
  } else if constexpr (std::is_same_v<std::remove_const_t<R>, TEndRecord>) {
    f(r.signature);
    f(r.thisDisk);
    f(r.centralDisk);
    f(r.diskEntries);
    f(r.totalEntries);
    f(r.centralSize);
    f(r.centralOffset);
    f(r.commentLength);
  } else if constexpr (std::is_same_v<std::remove_const_t<R>, TZip64Locator>) {
    f(r.signature);
    f(r.recordDisk);
    f(r.recordOffset);
    f(r.totalDisks);
  } else {
    static_assert(std::is_same_v<std::remove_const_t<R>, TZip64End>);
    f(r.signature);
    f(r.recordSize);
    f(r.versionMadeBy);
    f(r.versionNeeded);
    f(r.thisDisk);
    f(r.centralDisk);
    f(r.diskEntries);
    f(r.totalEntries);
    f(r.centralSize);
    f(r.centralOffset);
  }
}

// Reads a record's fixed part at `p`; the caller has checked that all of it is there.
template <class R>
R ReadRecord(const uint8_t* p) {
  R r;
  VisitFields(r, [&p](auto& field) {
    if constexpr (sizeof field == 2) {
      field = Get16(p);
    } else if constexpr (sizeof field == 4) {
      field = Get32(p);
    } else {
      field = Get64(p);
    }
    p += sizeof field;
  });
  return r;
}

inline TLocalHeader ReadLocalHeader(const uint8_t* p) {
  return ReadRecord<TLocalHeader>(p);
}
inline TCentralHeader ReadCentralHeader(const uint8_t* p) {
  return ReadRecord<TCentralHeader>(p);
}
inline TEndRecord ReadEndRecord(const uint8_t* p) {
  return ReadRecord<TEndRecord>(p);
}
inline TZip64Locator ReadZip64Locator(const uint8_t* p) {
  return ReadRecord<TZip64Locator>(p);
}
inline TZip64End ReadZip64End(const uint8_t* p) {
  return ReadRecord<TZip64End>(p);
}

// Appends a record's fixed part; names, extra fields and comments follow it.
template <class R>
void Write(std::string& out, const R& r) {
  VisitFields(r, [&out](const auto& field) {
    if constexpr (sizeof field == 2) {
      Put16(out, field);
    } else if constexpr (sizeof field == 4) {
      Put32(out, field);
    } else {
      Put64(out, field);
    }
  });
}

// The fixed sizes follow from the fields.
template <class R>
constexpr size_t FixedSize() {
  size_t n = 0;
  const R r{};
  VisitFields(r, [&n](const auto& field) { n += sizeof field; });
  return n;
}
static_assert(FixedSize<TLocalHeader>() == kLocalHeaderSize);
static_assert(FixedSize<TCentralHeader>() == kCentralHeaderSize);
static_assert(FixedSize<TEndRecord>() == kEndRecordSize);
static_assert(FixedSize<TZip64Locator>() == kZip64LocatorSize);
static_assert(FixedSize<TZip64End>() == kZip64EndSize);

}  // namespace zipformat
