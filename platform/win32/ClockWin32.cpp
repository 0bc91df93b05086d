#include "platform/Clock.h"

#include <windows.h>

namespace platform {

uint32_t TickCount32() {
  return GetTickCount();
}

int64_t HighResCounter() {
  LARGE_INTEGER n;
  QueryPerformanceCounter(&n);
  return n.QuadPart;
}

int64_t HighResFrequency() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return f.QuadPart;
}

TLocalTime LocalNow() {
  SYSTEMTIME s;
  GetLocalTime(&s);
  TLocalTime t;
  t.year = s.wYear;
  t.month = s.wMonth;
  t.day = s.wDay;
  t.hour = s.wHour;
  t.minute = s.wMinute;
  t.second = s.wSecond;
  t.millisecond = s.wMilliseconds;
  t.dayOfWeek = s.wDayOfWeek;
  return t;
}

void SleepMs(uint32_t milliseconds) {
  Sleep(milliseconds);
}

void YieldThread() {
  Sleep(0);
}

}  // namespace platform
