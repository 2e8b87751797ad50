#include "support/WaitFor.h"

#include <thread>

bool WaitFor(const std::function<bool()>& aCondition, std::chrono::milliseconds aTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + aTimeout;
  while (!aCondition()) {
    if (std::chrono::steady_clock::now() >= deadline) return aCondition();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
