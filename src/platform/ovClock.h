// The local wall clock with millisecond resolution. Tests can fix it.
#pragma once

#include <functional>

struct ovLocalTime {
  int Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

ovLocalTime LocalTimeNow();

// Replaces the clock until called again with an empty function.
void SetClockForTesting(std::function<ovLocalTime()> aClock);
