#pragma once
#include <cstdint>
#include <vector>

#include "platform/Socket.h"

// Socket options requested while no socket is open wait in a queue and are applied, oldest
// first, when the next socket opens; a close discards them.
namespace net {

enum TTramaOptionType {
  SOT_Linger,
  SOT_RecvBuff,
  SOT_SendBuff,
  SOT_NonBlock,
  SOT_RecvTimeout,
  SOT_SendTimeout,
  SOT_Reuse,
  SOT_TTL,
  SOT_Broadcast,
  SOT_MulticastTTL,
  SOT_MulticastLoop
};

// One socket option waiting for the next socket to open.
struct TTramaOption {
  TTramaOptionType Option = SOT_Linger;
  bool Enabled = false;
  int32_t Value = 0;
};

class TSocketOptionQueue {
 public:
  void Push(const TTramaOption& option) { options_.push_back(option); }
  void Clear() { options_.clear(); }
  bool Empty() const { return options_.empty(); }
  // Empties the queue and gives its options, oldest request first.
  std::vector<TTramaOption> TakeAll();

 private:
  std::vector<TTramaOption> options_;
};

// Applies one option to an open socket (`ip6`: the socket is IPv6, for the IP-level options).
// The platform's answer is not looked at: an option it refuses leaves the default.
void ApplySocketOption(platform::TSocketHandle socket, bool ip6, const TTramaOption& option);

}  // namespace net
