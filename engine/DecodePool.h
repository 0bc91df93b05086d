#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/BufferPool.h"
#include "engine/EntryDecoder.h"
#include "engine/ZipDirectory.h"

// Inflates entries ahead of the writer on a second core. The caller's thread takes the entries
// in order and writes them (and makes every callback); while it writes one, the worker inflates
// the next ones, and while it waits it inflates ahead itself. Only plain deflated entries that
// fit in memory take part; encrypted ones need the component's answers and are left to the
// caller. Memory held by decoded entries waiting to be written is bounded.
namespace arcazip {

struct TDecodedEntry {
  TDecodeResult result;
  TBuffer buffer;
};

class TDecodePool {
 public:
  // `jobs` lists the entries in processing order; `eligible` marks those the pool decodes.
  TDecodePool(const uint8_t* archive, std::vector<const TZipEntry*> jobs,
              std::vector<bool> eligible, TBufferPool& buffers, int workers);
  ~TDecodePool();
  TDecodePool(const TDecodePool&) = delete;
  TDecodePool& operator=(const TDecodePool&) = delete;

  bool IsEligible(size_t position) const { return eligible_[position]; }
  // The decoded entry at `position` (eligible positions only), decoding it here if needed.
  TDecodedEntry Take(size_t position, TEntryDecoder& decoder);
  // Stops the workers at their next entry.
  void Stop();

 private:
  enum class TSlotState { Waiting, Claimed, Ready, Taken };
  struct TSlot {
    TSlotState state = TSlotState::Waiting;
    TDecodedEntry decoded;
  };

  bool ClaimNext(size_t& position, bool mustProgress);
  TDecodedEntry Decode(size_t position, TEntryDecoder& decoder);
  void Finish(size_t position, TDecodedEntry decoded);
  void WorkerLoop();

  const uint8_t* archive_;
  std::vector<const TZipEntry*> jobs_;
  std::vector<bool> eligible_;
  TBufferPool& buffers_;
  std::vector<TSlot> slots_;
  size_t nextClaim_ = 0;
  uint64_t pendingBytes_ = 0;  // buffer capacity reserved by claimed, not yet taken entries
  size_t pendingCount_ = 0;
  bool stop_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::thread> workers_;
};

}  // namespace arcazip
