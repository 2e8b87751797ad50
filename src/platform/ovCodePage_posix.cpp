// Code pages on iconv: Windows code page numbers mapped to iconv's names.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/ovCodePage.h"
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

}  // namespace

bool DecodeFromCodePage(const std::string& aBytes, int aCodePage, std::u16string& aText) {
  const std::string name = IconvName(aCodePage);
  if (name.empty()) return false;
  std::string utf16;
  if (!Convert("UTF-16LE", name.c_str(), aBytes, utf16)) return false;
  aText = Utf16BytesToText(utf16, false);
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

