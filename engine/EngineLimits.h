#pragma once
#include <cstddef>
#include <cstdint>

#include "zipformat/ZipRecords.h"

// The engine's limits in one place.
namespace arcazip {

// Entries up to this size are inflated whole into a reused buffer (fast path); larger ones
// are inflated in a stream of blocks so memory stays bounded whatever the archive says.
inline constexpr uint64_t kInMemoryLimit = 64ull << 20;
// Encrypted entries up to this size are decrypted and checked whole before the password
// counts as right; larger ones are streamed and a wrong password shows at their CRC.
inline constexpr uint64_t kEncryptedInMemoryLimit = 16ull << 20;
// Decoded entries waiting to be written may hold at most this much buffer memory together
// (counted by the capacity of the buffers they may be given, not by their declared size).
inline constexpr uint64_t kDecodeAheadLimit = 96ull << 20;
// At most this many decoded entries wait to be written.
inline constexpr size_t kPendingEntriesLimit = 8;
// Idle buffers kept for reuse hold at most this much memory, in at most this many buffers.
inline constexpr uint64_t kIdleBuffersLimit = 64ull << 20;
inline constexpr size_t kIdleBuffersCount = 12;
// A buffer is reused for an entry only when it is at most this fraction (in quarters) larger
// than the entry needs; a small entry never pins a large buffer.
inline constexpr uint64_t kReuseSlackQuarters = 1;
// Memory the entry being written may hold: its decoded buffer (with the reuse slack), or the
// decrypted and decoded copies of an encrypted entry under check.
inline constexpr uint64_t kWriterBytesLimit = kInMemoryLimit + kInMemoryLimit / 4;
// The directory (entries, names, the operation's bookkeeping per entry) may take this much;
// an archive whose directory needs more is refused before anything is extracted.
inline constexpr uint64_t kDirectoryBudget = 128ull << 20;
// Bookkeeping the operation keeps per selected entry beside the entry itself (selection,
// decode slots, duplicate and folder indexes), charged against the directory budget.
inline constexpr uint64_t kBookkeepingPerEntry = 128;
// Streaming buffers, the inflaters, thread stacks in use and small allocations.
inline constexpr uint64_t kFixedOverhead = 16ull << 20;
// The whole operation's memory, beyond the mapped archive's pages, on any archive.
inline constexpr uint64_t kMemoryBudget = 384ull << 20;
static_assert(kDecodeAheadLimit + kIdleBuffersLimit + kWriterBytesLimit + kDirectoryBudget +
                      kFixedOverhead <=
                  kMemoryBudget,
              "the parts of the memory budget exceed it");
static_assert(2 * (kEncryptedInMemoryLimit + kEncryptedInMemoryLimit / 4) <= kWriterBytesLimit);
// Deflate cannot expand data more than about 1032 times; a declared size beyond this ratio is
// a lie, and such an entry takes the streaming path so no buffer is sized from the lie.
inline constexpr uint64_t kMaxDeflateRatio = 1040;
// Writes and progress reports go in blocks of this size.
inline constexpr size_t kWriteBlock = 1u << 20;
// Input block of the streaming inflate.
inline constexpr size_t kStreamInputBlock = 256u << 10;
// Longest text accepted back from the component (a path, a password, a pattern).
inline constexpr size_t kMaxReplyChars = 32768;
// The end record sits in the last 22 bytes plus at most a 65,535-byte comment.
inline constexpr uint64_t kEndRecordSize = zipformat::kEndRecordSize;
inline constexpr uint64_t kMaxCommentSize = 65535;
// Tries at finding an unused temporary name in the destination folder.
inline constexpr int kTempNameTries = 100;
// The repeat count a password request may carry at most; also the most passwords asked for
// one entry.
inline constexpr uint32_t kMaxPasswordRepeats = 15;
// Folders an entry's name may nest below the destination (its file not counted).
inline constexpr size_t kMaxFolderDepth = 128;
// Extra decode threads besides the caller's own (the machine has two cores).
inline constexpr int kDecodeWorkers = 1;

inline constexpr int32_t kEngineBuild = 1900114;

}  // namespace arcazip
