#include "platform/ovRegional.h"

#include <mutex>

#include "platform/ovPlatformState.h"

namespace {

std::mutex gLock;

// No static destructor: log lines written during the library's unload, which
// may run at process exit after static destructors, are still formatted with
// it. The unload releases it last (ReleasePlatformState). Under gLock.
ovRegionalSettings* gSettings = nullptr;

ovRegionalSettings& Settings() {
  if (gSettings == nullptr) gSettings = new ovRegionalSettings(SystemRegionalSettings());
  return *gSettings;
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

void ReleaseRegionalSettings() {
  std::lock_guard guard(gLock);
  delete gSettings;
  gSettings = nullptr;
}
