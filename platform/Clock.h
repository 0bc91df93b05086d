#pragma once
#include <cstdint>

// Time as the platform gives it: millisecond ticks, a high-resolution counter, local time
// with milliseconds, and sleeping.
namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the platform's tick count.
uint32_t TickCount32();

// The high-resolution counter and its frequency in counts per second.
int64_t HighResCounter();
int64_t HighResFrequency();

struct TLocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  int dayOfWeek = 0;  // 0 = Sunday
};
TLocalTime LocalNow();

void SleepMs(uint32_t milliseconds);

// Gives the rest of this thread's time slice to any other thread that is ready, and returns at
// once when none is: the platform's sleep of zero milliseconds. (A zero-length nanosleep would
// instead wait out the timer slack, about 50 microseconds.)
void YieldThread();

}  // namespace platform
