#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "zipformat/LittleEndian.h"

// The fixed parts of the ZIP records: their signatures, sizes and the order of their fields.
// Each record is read from (and written to) its bytes here only, so the archive component,
// the engine and the test makers of archives agree on every offset. A reader checks the
// signature and what the values mean; these functions only move the fields.
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

// Each reader takes the record's whole fixed size at `p`; the caller has checked it is there.
inline TLocalHeader ReadLocalHeader(const uint8_t* p) {
  return {Get32(p),      Get16(p + 4),  Get16(p + 6),  Get16(p + 8),  Get32(p + 10),
          Get32(p + 14), Get32(p + 18), Get32(p + 22), Get16(p + 26), Get16(p + 28)};
}

inline TCentralHeader ReadCentralHeader(const uint8_t* p) {
  return {Get32(p),      Get16(p + 4),  Get16(p + 6),  Get16(p + 8),  Get16(p + 10), Get32(p + 12),
          Get32(p + 16), Get32(p + 20), Get32(p + 24), Get16(p + 28), Get16(p + 30), Get16(p + 32),
          Get16(p + 34), Get16(p + 36), Get32(p + 38), Get32(p + 42)};
}

inline TEndRecord ReadEndRecord(const uint8_t* p) {
  return {Get32(p),      Get16(p + 4),  Get16(p + 6),  Get16(p + 8),
          Get16(p + 10), Get32(p + 12), Get32(p + 16), Get16(p + 20)};
}

inline TZip64Locator ReadZip64Locator(const uint8_t* p) {
  return {Get32(p), Get32(p + 4), Get64(p + 8), Get32(p + 16)};
}

inline TZip64End ReadZip64End(const uint8_t* p) {
  return {Get32(p),      Get64(p + 4),  Get16(p + 12), Get16(p + 14), Get32(p + 16),
          Get32(p + 20), Get64(p + 24), Get64(p + 32), Get64(p + 40), Get64(p + 48)};
}

// The writers append the fixed part; names, extra fields and comments follow it.
void Write(std::string& out, const TLocalHeader& h);
void Write(std::string& out, const TCentralHeader& h);
void Write(std::string& out, const TEndRecord& r);
void Write(std::string& out, const TZip64Locator& l);
void Write(std::string& out, const TZip64End& r);

}  // namespace zipformat
