#include "platform/Clock.h"

#include <sched.h>
#include <time.h>

namespace platform {

uint32_t TickCount32() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  return static_cast<uint32_t>(ms);
}

int64_t HighResCounter() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t HighResFrequency() {
  return 1000000000;
}

TLocalTime LocalNow() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm parts;
  localtime_r(&ts.tv_sec, &parts);
  TLocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  t.dayOfWeek = parts.tm_wday;
  return t;
}

void SleepMs(uint32_t milliseconds) {
  timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void YieldThread() {
  sched_yield();
}

}  // namespace platform
