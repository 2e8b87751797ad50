#include "platform/ovProcess.h"

#include <mutex>
#include <optional>

#include "platform/ovPaths.h"
#include "platform/ovPlatformState.h"
#include "platform/ovProcessSystem.h"

namespace {

struct Overrides {
  std::mutex lock;
  std::u16string executable;
  std::optional<std::vector<std::u16string>> arguments;
  std::u16string windowsDirectory;
};

// No static destructor: the library's unload, which may run at process exit
// after static destructors, still asks for the host's folder. The unload
// releases it last (ReleasePlatformState).
Overrides* gOverrides = nullptr;
std::mutex gOverridesCreation;

Overrides& TheOverrides() {
  std::lock_guard guard(gOverridesCreation);
  if (gOverrides == nullptr) gOverrides = new Overrides;
  return *gOverrides;
}

}  // namespace

std::u16string HostExecutablePath() {
  {
    auto& o = TheOverrides();
    std::lock_guard guard(o.lock);
    if (!o.executable.empty()) return o.executable;
  }
  return SystemExecutablePath();
}

std::u16string HostExecutableFolder() { return ExtractFileDir(HostExecutablePath()); }

std::vector<std::u16string> CommandLineArguments() {
  {
    auto& o = TheOverrides();
    std::lock_guard guard(o.lock);
    if (o.arguments) return *o.arguments;
  }
  return SystemCommandLineArguments();
}

std::u16string WindowsDirectory() {
  auto& o = TheOverrides();
  std::lock_guard guard(o.lock);
  return o.windowsDirectory.empty() ? SystemWindowsDirectory() : o.windowsDirectory;
}

void SetHostExecutablePathForTesting(const std::u16string& aPath) {
  auto& o = TheOverrides();
  std::lock_guard guard(o.lock);
  o.executable = aPath;
}

void SetCommandLineArgumentsForTesting(const std::vector<std::u16string>* aArguments) {
  auto& o = TheOverrides();
  std::lock_guard guard(o.lock);
  if (aArguments) {
    o.arguments = *aArguments;
  } else {
    o.arguments.reset();
  }
}

void SetWindowsDirectoryForTesting(const std::u16string& aPath) {
  auto& o = TheOverrides();
  std::lock_guard guard(o.lock);
  o.windowsDirectory = aPath;
}

void ReleaseProcessOverrides() {
  std::lock_guard guard(gOverridesCreation);
  delete gOverrides;
  gOverrides = nullptr;
}
