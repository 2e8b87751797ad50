#include "platform/ovClock.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace {

std::mutex gLock;
std::function<ovLocalTime()> gTestClock;

}  // namespace

ovLocalTime LocalTimeNow() {
  {
    std::lock_guard guard(gLock);
    if (gTestClock) return gTestClock();
  }
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch = now.time_since_epoch();
  const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
  std::tm parts{};
  localtime_r(&seconds, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
          parts.tm_min,         parts.tm_sec,     static_cast<int>(millis)};
}

void SetClockForTesting(std::function<ovLocalTime()> aClock) {
  std::lock_guard guard(gLock);
  gTestClock = std::move(aClock);
}
