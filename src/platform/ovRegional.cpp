#include "platform/ovRegional.h"

#include <mutex>

namespace {

std::mutex gLock;

// Never destroyed: log lines written during the library's unload, which may
// run at process exit after static destructors, are still formatted with it.
ovRegionalSettings& Settings() {
  static ovRegionalSettings& settings = *new ovRegionalSettings(SystemRegionalSettings());
  return settings;
}

}  // namespace

ovRegionalSettings RegionalSettings() {
  std::lock_guard guard(gLock);
  return Settings();
}

void SetRegionalSettings(const ovRegionalSettings& aSettings) {
  std::lock_guard guard(gLock);
  Settings() = aSettings;
}
