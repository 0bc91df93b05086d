#include "engine/DecodePool.h"

#include <new>

#include "engine/EngineLimits.h"

namespace arcazip {

TDecodePool::TDecodePool(const uint8_t* archive, std::vector<const TZipEntry*> jobs,
                         std::vector<bool> eligible, TBufferPool& buffers, int workers)
    : archive_(archive),
      jobs_(std::move(jobs)),
      eligible_(std::move(eligible)),
      buffers_(buffers),
      slots_(jobs_.size()) {
  bool any = false;
  for (bool e : eligible_)
    any = any || e;
  if (!any)
    return;
  for (int i = 0; i < workers; ++i)
    workers_.emplace_back([this] { WorkerLoop(); });
}

TDecodePool::~TDecodePool() {
  Stop();
  for (std::thread& t : workers_)
    t.join();
}

void TDecodePool::Stop() {
  std::lock_guard lock(mutex_);
  stop_ = true;
  changed_.notify_all();
}

// Claims the next eligible entry while the memory bound allows it; the writer's own claim
// (`mustProgress`) is always granted so the writer can never wait on itself.
bool TDecodePool::ClaimNext(size_t& position, bool mustProgress) {
  while (nextClaim_ < jobs_.size() && !eligible_[nextClaim_])
    ++nextClaim_;
  if (stop_ || nextClaim_ >= jobs_.size())
    return false;
  // Counted by the buffer capacity the entry may be given, which is what it really holds.
  const uint64_t size = TBufferPool::CapacityFor(jobs_[nextClaim_]->uncompressedSize);
  const bool fits = pendingCount_ == 0 || (pendingBytes_ + size <= kDecodeAheadLimit &&
                                           pendingCount_ < kPendingEntriesLimit);
  if (!fits && !mustProgress)
    return false;
  position = nextClaim_++;
  slots_[position].state = TSlotState::Claimed;
  pendingBytes_ += size;
  ++pendingCount_;
  return true;
}

TDecodedEntry TDecodePool::Decode(size_t position, TEntryDecoder& decoder) {
  const TZipEntry& entry = *jobs_[position];
  TDecodedEntry decoded;
  const size_t size = static_cast<size_t>(entry.uncompressedSize);
  try {
    decoded.buffer = buffers_.Get(size);
  } catch (const std::bad_alloc&) {
    // Reported for this entry by the writer; the other entries go on.
    decoded.result.status = TDecodeStatus::NoMemory;
    return decoded;
  }
  decoded.result = decoder.DecodeWhole(entry.method, archive_ + entry.dataOffset,
                                       static_cast<size_t>(entry.compressedSize),
                                       decoded.buffer.data.get(), size);
  return decoded;
}

void TDecodePool::Finish(size_t position, TDecodedEntry decoded) {
  std::lock_guard lock(mutex_);
  slots_[position].decoded = std::move(decoded);
  slots_[position].state = TSlotState::Ready;
  changed_.notify_all();
}

TDecodedEntry TDecodePool::Take(size_t position, TEntryDecoder& decoder) {
  std::unique_lock lock(mutex_);
  for (;;) {
    TSlot& slot = slots_[position];
    if (slot.state == TSlotState::Ready) {
      slot.state = TSlotState::Taken;
      pendingBytes_ -= TBufferPool::CapacityFor(jobs_[position]->uncompressedSize);
      --pendingCount_;
      changed_.notify_all();
      return std::move(slot.decoded);
    }
    size_t claimed = 0;
    const bool mine = slot.state == TSlotState::Waiting;
    if (ClaimNext(claimed, mine)) {
      lock.unlock();
      TDecodedEntry decoded = Decode(claimed, decoder);
      lock.lock();
      slots_[claimed].decoded = std::move(decoded);
      slots_[claimed].state = TSlotState::Ready;
      changed_.notify_all();
      continue;
    }
    changed_.wait(lock);
  }
}

void TDecodePool::WorkerLoop() {
  TEntryDecoder decoder;
  std::unique_lock lock(mutex_);
  while (!stop_) {
    size_t position = 0;
    if (!ClaimNext(position, false)) {
      if (nextClaim_ >= jobs_.size())
        return;
      changed_.wait(lock);
      continue;
    }
    lock.unlock();
    TDecodedEntry decoded = Decode(position, decoder);
    Finish(position, std::move(decoded));
    lock.lock();
  }
}

}  // namespace arcazip
