#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/ovProcess.h"
#include "platform/ovProcessSystem.h"
#include "platform/ovUtf.h"

std::u16string SystemExecutablePath() {
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0) return {};
  buffer.resize(static_cast<size_t>(length));
  return Utf8ToUtf16(buffer);
}

std::vector<std::u16string> SystemCommandLineArguments() {
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

// POSIX has no Windows directory; the system-wide configuration folder stands in.
std::u16string SystemWindowsDirectory() { return u"/etc"; }

std::u16string EnvironmentVariable(const std::u16string& aName) {
  const char* value = std::getenv(Utf16ToUtf8(aName).c_str());
  return value == nullptr ? std::u16string() : Utf8ToUtf16(value);
}

std::u16string CurrentDirectory() {
  std::string buffer(4096, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return Utf8ToUtf16(buffer);
}
