#include "platform/ovUtf.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& aOut, uint32_t aCode) {
  if (aCode < 0x10000) {
    aOut.push_back(char16_t(aCode));
  } else {
    aCode -= 0x10000;
    aOut.push_back(char16_t(0xD800 + (aCode >> 10)));
    aOut.push_back(char16_t(0xDC00 + (aCode & 0x3FF)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view aText) {
  std::u16string out;
  out.reserve(aText.size());
  size_t i = 0;
  while (i < aText.size()) {
    const auto lead = static_cast<unsigned char>(aText[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    int extra = 0;
    uint32_t code = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool valid = true;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= aText.size() || (static_cast<unsigned char>(aText[j]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (static_cast<unsigned char>(aText[j]) & 0x3F);
    }
    if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(kReplacement);
      i = valid ? j : std::max(j, i + 1);
      continue;
    }
    AppendCodePoint(out, code);
    i = j;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view aText) {
  std::string out;
  out.reserve(aText.size());
  for (size_t i = 0; i < aText.size(); ++i) {
    uint32_t code = aText[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < aText.size() && aText[i + 1] >= 0xDC00 &&
        aText[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (aText[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;  // lone surrogate
    }
    if (code < 0x80) {
      out.push_back(char(code));
    } else if (code < 0x800) {
      out.push_back(char(0xC0 | (code >> 6)));
      out.push_back(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(char(0xE0 | (code >> 12)));
      out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(char(0x80 | (code & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (code >> 18)));
      out.push_back(char(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(char(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

std::u16string AsciiToUtf16(std::string_view aText) {
  return std::u16string(aText.begin(), aText.end());
}


std::u16string Utf16BytesToText(std::string_view aBytes, bool aBigEndian) {
  std::u16string text;
  text.reserve(aBytes.size() / 2);
  for (size_t i = 0; i + 1 < aBytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(aBytes[i]);
    const auto second = static_cast<unsigned char>(aBytes[i + 1]);
    text.push_back(aBigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
  }
  return text;
}
