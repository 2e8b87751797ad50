#include "platform/ovClock.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace {

std::mutex gLock;

// Never destroyed: the library's unload, which may run at process exit after
// static destructors, still stamps log lines.
std::function<ovLocalTime()>& TestClock() {
  static std::function<ovLocalTime()>& clock = *new std::function<ovLocalTime()>;
  return clock;
}

}  // namespace

ovLocalTime LocalTimeNow() {
  {
    std::lock_guard guard(gLock);
    if (const auto& clock = TestClock()) return clock();
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
  TestClock() = std::move(aClock);
}
