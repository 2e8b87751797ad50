// Code pages on the system's converters. UTF-16 (1200, 1201) is not a code
// page of MultiByteToWideChar and is converted here.
#include <windows.h>

#include "platform/ovCodePage.h"
#include "platform/ovUtf.h"

namespace {

constexpr int kUtf16Le = 1200;
constexpr int kUtf16Be = 1201;

std::string Utf16Bytes(const std::u16string& aText, bool aBigEndian) {
  std::string bytes(aText.size() * 2, '\0');
  for (size_t i = 0; i < aText.size(); ++i) {
    const char low = char(aText[i] & 0xFF);
    const char high = char(aText[i] >> 8);
    bytes[2 * i] = aBigEndian ? high : low;
    bytes[2 * i + 1] = aBigEndian ? low : high;
  }
  return bytes;
}

// UTF-7 and UTF-8 take no flags and report no default character.
bool IsUnicodeCodePage(int aCodePage) { return aCodePage == CP_UTF7 || aCodePage == CP_UTF8; }

}  // namespace

bool DecodeFromCodePage(const std::string& aBytes, int aCodePage, std::u16string& aText) {
  if (aCodePage == kUtf16Le || aCodePage == kUtf16Be) {
    aText = Utf16BytesToText(aBytes, aCodePage == kUtf16Be);
    return true;
  }
  if (aCodePage <= 0 || !IsValidCodePage(UINT(aCodePage))) return false;
  aText.clear();
  if (aBytes.empty()) return true;
  const DWORD flags = aCodePage == CP_UTF7 ? 0 : MB_ERR_INVALID_CHARS;
  const int length = MultiByteToWideChar(UINT(aCodePage), flags, aBytes.data(), int(aBytes.size()), nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(UINT(aCodePage), flags, aBytes.data(), int(aBytes.size()), wide.data(), length);
  aText.assign(wide.begin(), wide.end());
  return true;
}

bool EncodeToCodePage(const std::u16string& aText, int aCodePage, std::string& aBytes) {
  if (aCodePage == kUtf16Le || aCodePage == kUtf16Be) {
    aBytes = Utf16Bytes(aText, aCodePage == kUtf16Be);
    return true;
  }
  if (aCodePage <= 0 || !IsValidCodePage(UINT(aCodePage))) return false;
  aBytes.clear();
  if (aText.empty()) return true;
  const auto* wide = reinterpret_cast<LPCWCH>(aText.data());
  const bool unicode = IsUnicodeCodePage(aCodePage);
  // A character the code page cannot hold fails the conversion rather than
  // becoming a substitute.
  const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = unicode ? nullptr : &usedDefault;
  const int length =
      WideCharToMultiByte(UINT(aCodePage), flags, wide, int(aText.size()), nullptr, 0, nullptr, usedDefaultOut);
  if (length <= 0 || usedDefault) return false;
  aBytes.assign(size_t(length), '\0');
  WideCharToMultiByte(UINT(aCodePage), flags, wide, int(aText.size()), aBytes.data(), length, nullptr, nullptr);
  return true;
}
