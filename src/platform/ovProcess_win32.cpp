#include <windows.h>
#include <shellapi.h>

#include "platform/ovProcess.h"
#include "platform/ovProcessSystem.h"

namespace {

std::u16string Text(const wchar_t* aText, size_t aLength) {
  return std::u16string(reinterpret_cast<const char16_t*>(aText), aLength);
}

// Texts of unknown length from the system's functions that answer the length
// they need when the buffer is too small.
template <typename Query>
std::u16string GrowingQuery(Query aQuery) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = aQuery(buffer.data(), DWORD(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Text(buffer.data(), length);
    buffer.resize(std::max<size_t>(length + 1, buffer.size() * 2));
  }
}

}  // namespace

// The process's main module, not this library.
std::u16string SystemExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Text(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // cut off: try a larger buffer
  }
}

std::vector<std::u16string> SystemCommandLineArguments() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::u16string> result;
  if (arguments == nullptr) return result;
  for (int i = 1; i < count; ++i) result.push_back(Text(arguments[i], wcslen(arguments[i])));  // after the program
  LocalFree(arguments);
  return result;
}

std::u16string SystemWindowsDirectory() {
  return GrowingQuery([](wchar_t* aBuffer, DWORD aSize) { return GetWindowsDirectoryW(aBuffer, aSize); });
}

std::u16string EnvironmentVariable(const std::u16string& aName) {
  const auto* name = reinterpret_cast<LPCWSTR>(aName.c_str());
  return GrowingQuery([name](wchar_t* aBuffer, DWORD aSize) { return GetEnvironmentVariableW(name, aBuffer, aSize); });
}

std::u16string CurrentDirectory() {
  return GrowingQuery([](wchar_t* aBuffer, DWORD aSize) { return GetCurrentDirectoryW(aSize, aBuffer); });
}
