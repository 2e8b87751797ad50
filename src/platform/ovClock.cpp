#include "platform/ovClock.h"

#include <mutex>

#include "platform/ovPlatformState.h"

namespace {

std::mutex gLock;

// No static destructor: the library's unload, which may run at process exit
// after static destructors, still stamps log lines. The unload releases it
// last (ReleasePlatformState). Under gLock.
std::function<ovLocalTime()>* gTestClock = nullptr;

std::function<ovLocalTime()>& TestClock() {
  if (gTestClock == nullptr) gTestClock = new std::function<ovLocalTime()>;
  return *gTestClock;
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

void ReleaseTestClock() {
  std::lock_guard guard(gLock);
  delete gTestClock;
  gTestClock = nullptr;
}
