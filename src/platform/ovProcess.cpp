#include "platform/ovProcess.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>

#include "platform/ovUtf.h"
#include "platform/ovPaths.h"

namespace {

struct Overrides {
  std::mutex lock;
  std::u16string executable;
  std::optional<std::vector<std::u16string>> arguments;
  std::u16string windowsDirectory;
};

// Never destroyed: the library's unload, which may run at process exit after
// static destructors, still asks for the host's folder.
Overrides& TheOverrides() {
  static Overrides& overrides = *new Overrides;
  return overrides;
}

}  // namespace

std::u16string HostExecutablePath() {
  {
    auto& o = TheOverrides();
    std::lock_guard guard(o.lock);
    if (!o.executable.empty()) return o.executable;
  }
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0) return {};
  buffer.resize(static_cast<size_t>(length));
  return Utf8ToUtf16(buffer);
}

std::u16string HostExecutableFolder() { return ExtractFileDir(HostExecutablePath()); }

std::vector<std::u16string> CommandLineArguments() {
  {
    auto& o = TheOverrides();
    std::lock_guard guard(o.lock);
    if (o.arguments) return *o.arguments;
  }
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::u16string> arguments;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    arguments.push_back(Utf8ToUtf16(all.substr(start, end - start)));
    start = end + 1;
  }
  if (!arguments.empty()) arguments.erase(arguments.begin());  // the program path
  return arguments;
}

std::u16string EnvironmentVariable(const std::u16string& aName) {
  const char* value = std::getenv(Utf16ToUtf8(aName).c_str());
  return value == nullptr ? std::u16string() : Utf8ToUtf16(value);
}

std::u16string WindowsDirectory() {
  auto& o = TheOverrides();
  std::lock_guard guard(o.lock);
  return o.windowsDirectory.empty() ? u"/etc" : o.windowsDirectory;
}

std::u16string CurrentDirectory() {
  std::string buffer(4096, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return Utf8ToUtf16(buffer);
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
