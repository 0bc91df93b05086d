#include "net/ProtoTicks.h"

#include "platform/Clock.h"

namespace net {

uint32_t TickNow() {
  const int64_t frequency = platform::HighResFrequency();
  if (frequency <= 0) {
    return platform::TickCount32();
  }
  // Whole seconds and the remainder are scaled apart so the product cannot overflow; the
  // result is the same truncated millisecond count as counter / frequency * 1000.
  const int64_t counter = platform::HighResCounter();
  const int64_t seconds = counter / frequency;
  const int64_t rest = counter % frequency;
  const int64_t ms = seconds * 1000 + (rest * 1000) / frequency;
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

uint32_t TickSpan(uint32_t oldTick, uint32_t newTick) {
  if (oldTick == newTick) {
    return 0;
  }
  constexpr uint32_t kHalfRange = 0x80000000u;
  if (newTick < oldTick) {
    oldTick += kHalfRange;
    newTick += kHalfRange;
  }
  uint32_t span = newTick - oldTick;
  if (newTick < oldTick && span > 0) {
    span = 0 - span;
  }
  return span;
}

void Sleep(uint32_t milliseconds) {
  // A sleep of zero only gives the processor away once; every received packet makes one, so
  // it must not cost a timer wait.
  if (milliseconds == 0) {
    platform::YieldThread();
    return;
  }
  platform::SleepMs(milliseconds);
}

}  // namespace net
