#include "base/uOV_Text.h"

#include "base/uOV_Exception.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

char16_t AsciiLower(char16_t aChar) {
  return (aChar >= u'A' && aChar <= u'Z') ? char16_t(aChar + 32) : aChar;
}

char16_t AsciiUpper(char16_t aChar) {
  return (aChar >= u'a' && aChar <= u'z') ? char16_t(aChar - 32) : aChar;
}

void AppendCodePoint(std::u16string& aOut, uint32_t aCode) {
  if (aCode < 0x10000) {
    aOut.push_back(char16_t(aCode));
  } else {
    aCode -= 0x10000;
    aOut.push_back(char16_t(0xD800 + (aCode >> 10)));
    aOut.push_back(char16_t(0xDC00 + (aCode & 0x3FF)));
  }
}

int HexDigit(char16_t aChar) {
  if (aChar >= u'0' && aChar <= u'9') return aChar - u'0';
  if (aChar >= u'a' && aChar <= u'f') return aChar - u'a' + 10;
  if (aChar >= u'A' && aChar <= u'F') return aChar - u'A' + 10;
  return -1;
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

std::u16string LowerCase(std::u16string_view aText) {
  std::u16string out(aText);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

std::u16string UpperCase(std::u16string_view aText) {
  std::u16string out(aText);
  for (auto& c : out) c = AsciiUpper(c);
  return out;
}

bool SameText(std::u16string_view aLeft, std::u16string_view aRight) {
  if (aLeft.size() != aRight.size()) return false;
  for (size_t i = 0; i < aLeft.size(); ++i) {
    if (AsciiLower(aLeft[i]) != AsciiLower(aRight[i])) return false;
  }
  return true;
}

bool StartsText(std::u16string_view aPrefix, std::u16string_view aText) {
  return aText.size() >= aPrefix.size() && SameText(aPrefix, aText.substr(0, aPrefix.size()));
}

std::u16string Trim(std::u16string_view aText) {
  size_t first = 0;
  size_t last = aText.size();
  while (first < last && aText[first] <= u' ') ++first;
  while (last > first && aText[last - 1] <= u' ') --last;
  return std::u16string(aText.substr(first, last - first));
}

std::u16string ReplaceAll(std::u16string_view aText, std::u16string_view aFrom,
                          std::u16string_view aTo, bool aIgnoreCase) {
  if (aFrom.empty()) return std::u16string(aText);
  std::u16string out;
  size_t i = 0;
  while (i < aText.size()) {
    const auto candidate = aText.substr(i, aFrom.size());
    const bool match = aIgnoreCase ? SameText(candidate, aFrom) : candidate == aFrom;
    if (match) {
      out.append(aTo);
      i += aFrom.size();
    } else {
      out.push_back(aText[i++]);
    }
  }
  return out;
}

std::u16string IntToStr(int64_t aValue) { return AsciiToUtf16(std::to_string(aValue)); }

bool TryStrToInt(std::u16string_view aText, int32_t& aValue) {
  size_t i = 0;
  while (i < aText.size() && aText[i] == u' ') ++i;
  bool negative = false;
  if (i < aText.size() && (aText[i] == u'+' || aText[i] == u'-')) {
    negative = aText[i] == u'-';
    ++i;
  }
  int base = 10;
  if (i < aText.size() && (aText[i] == u'$' || aText[i] == u'x' || aText[i] == u'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < aText.size() && aText[i] == u'0' && (aText[i + 1] == u'x' || aText[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= aText.size()) return false;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t value = 0;
  for (; i < aText.size(); ++i) {
    const int digit = HexDigit(aText[i]);
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > limit) return false;
  }
  aValue = static_cast<int32_t>(negative ? -value : value);
  return true;
}

int32_t StrToInt(std::u16string_view aText) {
  int32_t value = 0;
  if (!TryStrToInt(aText, value)) {
    throw tOV_Exception(u"'" + std::u16string(aText) + u"' is not a valid integer value");
  }
  return value;
}
