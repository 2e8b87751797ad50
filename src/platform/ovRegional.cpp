#include "platform/ovRegional.h"

#include <mutex>

namespace {

std::mutex gLock;
ovRegionalSettings gSettings;

}  // namespace

ovRegionalSettings RegionalSettings() {
  std::lock_guard guard(gLock);
  return gSettings;
}

void SetRegionalSettings(const ovRegionalSettings& aSettings) {
  std::lock_guard guard(gLock);
  gSettings = aSettings;
}
