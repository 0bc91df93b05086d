#pragma once
#include <cstddef>
#include <cstdint>

// The engine's limits in one place.
namespace arcazip {

// Entries up to this size are inflated whole into a reused buffer (fast path); larger ones
// are inflated in a stream of blocks so memory stays bounded whatever the archive says.
inline constexpr uint64_t kInMemoryLimit = 64ull << 20;
// Decoded entries waiting to be written may hold at most this much memory together.
inline constexpr uint64_t kPendingBytesLimit = 160ull << 20;
// At most this many decoded entries wait to be written.
inline constexpr size_t kPendingEntriesLimit = 8;
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
inline constexpr uint64_t kEndRecordSize = 22;
inline constexpr uint64_t kMaxCommentSize = 65535;
// Tries at finding an unused temporary name in the destination folder.
inline constexpr int kTempNameTries = 100;
// The repeat count a password request may carry at most.
inline constexpr uint32_t kMaxPasswordRepeats = 15;
// Extra decode threads besides the caller's own (the machine has two cores).
inline constexpr int kDecodeWorkers = 1;

inline constexpr int32_t kEngineBuild = 1900113;

}  // namespace arcazip
