#pragma once
#include <cstdint>

// Holds a transfer to a least pace. A timeout per packet alone lets a peer that sends one byte
// now and then keep a transfer going for as long as it likes; here, within every span of
// Timeout milliseconds, at least kMinProgressBytes must arrive. A span that brought them
// starts the next one.
namespace net {

class TProgressWindow {
 public:
  // A Timeout of 0 or less sets no bound (the reads then wait as they are told).
  explicit TProgressWindow(int32_t Timeout);

  // Counts bytes that arrived.
  void Add(int64_t Bytes);
  // How long the next wait may take: what is left of the current span (0 once it ran out),
  // or the Timeout as given when there is no bound.
  int32_t WaitLeft() const;
  // True when the current span ran out before its bytes came.
  bool Expired() const;

 private:
  int32_t FTimeout;
  uint32_t FStart;
  int64_t FBytes = 0;
};

}  // namespace net
