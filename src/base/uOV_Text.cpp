#include "base/uOV_Text.h"

#include "base/uOV_Exception.h"

namespace {

char16_t AsciiLower(char16_t aChar) {
  return (aChar >= u'A' && aChar <= u'Z') ? char16_t(aChar + 32) : aChar;
}

char16_t AsciiUpper(char16_t aChar) {
  return (aChar >= u'a' && aChar <= u'z') ? char16_t(aChar - 32) : aChar;
}

int HexDigit(char16_t aChar) {
  if (aChar >= u'0' && aChar <= u'9') return aChar - u'0';
  if (aChar >= u'a' && aChar <= u'f') return aChar - u'a' + 10;
  if (aChar >= u'A' && aChar <= u'F') return aChar - u'A' + 10;
  return -1;
}

}  // namespace

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

bool FindNameValue(const std::vector<std::u16string>& aLines, std::u16string_view aName, std::u16string& aValue) {
  for (const auto& line : aLines) {
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos || !SameText(std::u16string_view(line).substr(0, equals), aName)) continue;
    aValue = line.substr(equals + 1);
    return true;
  }
  return false;
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
