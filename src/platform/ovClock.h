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

// The test clock when one is set, else the system's.
ovLocalTime LocalTimeNow();
// The system's local time (one implementation per system).
ovLocalTime SystemLocalTime();

// Replaces the clock until called again with an empty function.
void SetClockForTesting(std::function<ovLocalTime()> aClock);
