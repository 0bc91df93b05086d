#pragma once
#include <cstdint>

// The millisecond tick counter the network layer measures timeouts and bandwidth with. It wraps
// at 2^32 and has no fixed origin, so ticks are only ever compared through TickSpan.
namespace net {

// The current tick: the high-resolution counter in milliseconds, reduced to 32 bits, or the
// platform's tick count when there is no such counter.
uint32_t TickNow();

// Milliseconds from `oldTick` to `newTick`. A counter that wrapped between the two readings
// still gives the small true difference; a reading that went backwards gives the absolute one.
uint32_t TickSpan(uint32_t oldTick, uint32_t newTick);

// Sleeps the given number of milliseconds (0 gives the processor away once).
void Sleep(uint32_t milliseconds);

}  // namespace net
