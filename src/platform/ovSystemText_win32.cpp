#include "platform/ovSystemText_win32.h"

#include <string>

std::u16string SystemErrorText(DWORD aCode, HMODULE aModule) {
  wchar_t* buffer = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                      (aModule != nullptr ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
  const DWORD length =
      FormatMessageW(flags, aModule, aCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length > 0 && buffer != nullptr) text.assign(reinterpret_cast<const char16_t*>(buffer), length);
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) {
    const std::string number = std::to_string(aCode);
    text = u"System error " + std::u16string(number.begin(), number.end());
  }
  return text;
}
