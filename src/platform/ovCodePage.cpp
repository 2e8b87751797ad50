#include "platform/ovCodePage.h"

#include "platform/ovUtf.h"

std::u16string DecodeTextFileBytes(const std::string& aBytes, int aAnsiCodePage) {
  if (aBytes.rfind("\xEF\xBB\xBF", 0) == 0) return Utf8ToUtf16(std::string_view(aBytes).substr(3));
  if (aBytes.rfind("\xFF\xFE", 0) == 0) return Utf16BytesToText(std::string_view(aBytes).substr(2), false);
  if (aBytes.rfind("\xFE\xFF", 0) == 0) return Utf16BytesToText(std::string_view(aBytes).substr(2), true);
  std::u16string text;
  if (DecodeFromCodePage(aBytes, aAnsiCodePage, text)) return text;
  return Utf8ToUtf16(aBytes);
}
