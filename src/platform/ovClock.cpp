#include "platform/ovClock.h"

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
  return SystemLocalTime();
}

void SetClockForTesting(std::function<ovLocalTime()> aClock) {
  std::lock_guard guard(gLock);
  TestClock() = std::move(aClock);
}
