#include "platform/ovLibraryLifetime.h"

#include <atomic>

#include "platform/ovPlatformState.h"

namespace {

std::atomic<ovUnloadContext> gUnloadContext{ovUnloadContext::Ordinary};
std::atomic<void*> gLibraryModule{nullptr};

}  // namespace

ovUnloadContext CurrentUnloadContext() { return gUnloadContext.load(); }

void SetUnloadContext(ovUnloadContext aContext) { gUnloadContext.store(aContext); }

void* LibraryModule() { return gLibraryModule.load(); }

void SetLibraryModule(void* aModule) { gLibraryModule.store(aModule); }

void ReleasePlatformState() {
  ReleaseProcessOverrides();
  ReleaseRegionalSettings();
  ReleaseTestClock();
}
