#include "platform/ovCodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/ovUtf.h"

namespace {

std::string IconvName(int aCodePage) {
  switch (aCodePage) {
    case 65001: return "UTF-8";
    case 65000: return "UTF-7";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    default: break;
  }
  if (aCodePage >= 28591 && aCodePage <= 28599) return "ISO-8859-" + std::to_string(aCodePage - 28590);
  if (aCodePage > 0) return "CP" + std::to_string(aCodePage);
  return {};
}

bool Convert(const char* aTo, const char* aFrom, const std::string& aInput, std::string& aOutput) {
  iconv_t converter = iconv_open(aTo, aFrom);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  aOutput.clear();
  std::string buffer(4 * aInput.size() + 16, '\0');
  char* in = const_cast<char*>(aInput.data());
  size_t inLeft = aInput.size();
  char* out = buffer.data();
  size_t outLeft = buffer.size();
  bool ok = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
            iconv(converter, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
  iconv_close(converter);
  if (!ok) return false;
  aOutput.assign(buffer.data(), buffer.size() - outLeft);
  return true;
}

std::u16string FromUtf16Bytes(const std::string& aBytes, size_t aStart, bool aBigEndian) {
  std::u16string text;
  for (size_t i = aStart; i + 1 < aBytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(aBytes[i]);
    const auto second = static_cast<unsigned char>(aBytes[i + 1]);
    text.push_back(aBigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
  }
  return text;
}

}  // namespace

bool DecodeFromCodePage(const std::string& aBytes, int aCodePage, std::u16string& aText) {
  const std::string name = IconvName(aCodePage);
  if (name.empty()) return false;
  std::string utf16;
  if (!Convert("UTF-16LE", name.c_str(), aBytes, utf16)) return false;
  aText = FromUtf16Bytes(utf16, 0, false);
  return true;
}

bool EncodeToCodePage(const std::u16string& aText, int aCodePage, std::string& aBytes) {
  const std::string name = IconvName(aCodePage);
  if (name.empty()) return false;
  std::string utf16(aText.size() * 2, '\0');
  for (size_t i = 0; i < aText.size(); ++i) {
    utf16[2 * i] = char(aText[i] & 0xFF);
    utf16[2 * i + 1] = char(aText[i] >> 8);
  }
  return Convert(name.c_str(), "UTF-16LE", utf16, aBytes);
}

std::u16string DecodeTextFileBytes(const std::string& aBytes, int aAnsiCodePage) {
  if (aBytes.rfind("\xEF\xBB\xBF", 0) == 0) return Utf8ToUtf16(std::string_view(aBytes).substr(3));
  if (aBytes.rfind("\xFF\xFE", 0) == 0) return FromUtf16Bytes(aBytes, 2, false);
  if (aBytes.rfind("\xFE\xFF", 0) == 0) return FromUtf16Bytes(aBytes, 2, true);
  std::u16string text;
  if (DecodeFromCodePage(aBytes, aAnsiCodePage, text)) return text;
  return Utf8ToUtf16(aBytes);
}
