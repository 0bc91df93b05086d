#pragma once
#include <cstddef>
#include <cstdint>

#include "zipformat/ZipRecords.h"

// The archive layer's limits in one place.
namespace archive {

// The compressed message tables: ring buffer of the LZSS scheme, its starting write position,
// and the shortest and longest reference.
inline constexpr size_t kLzssRingSize = 4096;
inline constexpr size_t kLzssRingStart = 4080;
inline constexpr size_t kLzssMinMatch = 3;
inline constexpr size_t kLzssMaxMatch = 18;
// A decompressed message table this large or larger is refused.
inline constexpr uint32_t kMaxTableSize = 50000;
// The header of one compressed record: locale id, compressed length, name length.
inline constexpr size_t kRecordHeaderSize = 6;

// The ZIP end record, the longest archive comment, and what the end search reads at most.
inline constexpr int64_t kEndRecordSize = zipformat::kEndRecordSize;
inline constexpr int64_t kMaxCommentSize = 65535;
inline constexpr int64_t kEndSearchWindow = kEndRecordSize + kMaxCommentSize;
inline constexpr int64_t kZip64LocatorSize = zipformat::kZip64LocatorSize;
inline constexpr int64_t kZip64EndSize = zipformat::kZip64EndSize;
// Every central record takes at least this many bytes, which bounds a claimed entry count.
inline constexpr int64_t kCentralRecordSize = zipformat::kCentralHeaderSize;
// Directory records are made in arrays of at most this many.
inline constexpr uint32_t kRecordArraySize = 4096;
// The highest Zip64 version this reader understands (low byte of "version needed").
inline constexpr uint32_t kMaxZipVersion = 45;

// The name index: the size an unsized table takes, and where the automatic sizing switches.
inline constexpr uint32_t kHashDefaultSize = 1283;
inline constexpr uint32_t kHashAutoSizeSwitch = 12000;

// Parts of a numbered multi-part set tried at most.
inline constexpr int kMaxNumberedParts = 999;

// The reply buffer handed back to the engine grows in steps of this granularity.
inline constexpr size_t kReplyGranule = 0x200;
// The longest password the password dialog accepts.
inline constexpr int kMaxPasswordChars = 80;
// Skip reports an extract keeps for its caller (SkippedFiles); later ones are counted only.
inline constexpr size_t kMaxSkipRecords = 1000;
// Slots of the engine loader's use counts are added this many at a time.
inline constexpr size_t kLoaderSlotStep = 4;

}  // namespace archive
