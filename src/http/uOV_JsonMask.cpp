#include "http/uOV_JsonMask.h"

#include <algorithm>

#include "base/uOV_CardNumber.h"
#include "http/uOV_JsonWriter.h"

namespace {

bool IsJsonSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A string token starting at the quotation mark aStart. Answers the index just
// past its closing quotation mark, or the text's size when it is cut off;
// aClosed tells which.
size_t ScanString(std::u16string_view aText, size_t aStart, bool& aClosed) {
  size_t i = aStart + 1;
  while (i < aText.size()) {
    if (aText[i] == u'\\') {
      i += 2;
    } else if (aText[i] == u'"') {
      aClosed = true;
      return i + 1;
    } else {
      ++i;
    }
  }
  aClosed = false;
  return aText.size();
}

// The content of a string token with its escapes resolved; unknown or broken
// escapes are kept as written, which can only make a name not match.
std::u16string Unescape(std::u16string_view aContent) {
  std::u16string out;
  out.reserve(aContent.size());
  for (size_t i = 0; i < aContent.size(); ++i) {
    const char16_t c = aContent[i];
    if (c != u'\\' || i + 1 >= aContent.size()) {
      out.push_back(c);
      continue;
    }
    const char16_t e = aContent[i + 1];
    char16_t plain = 0;
    switch (e) {
      case u'"': plain = u'"'; break;
      case u'\\': plain = u'\\'; break;
      case u'/': plain = u'/'; break;
      case u'b': plain = u'\b'; break;
      case u'f': plain = u'\f'; break;
      case u'n': plain = u'\n'; break;
      case u'r': plain = u'\r'; break;
      case u't': plain = u'\t'; break;
      case u'u': {
        int code = 0;
        bool valid = i + 5 < aContent.size();
        for (size_t k = 0; valid && k < 4; ++k) {
          const int digit = HexValue(aContent[i + 2 + k]);
          if (digit < 0) valid = false;
          code = code * 16 + digit;
        }
        if (valid) {
          out.push_back(char16_t(code));
          i += 5;
          continue;
        }
        break;
      }
      default: break;
    }
    if (plain) {
      out.push_back(plain);
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool IsNumberCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'-' || c == u'+' || c == u'.' || c == u'e' || c == u'E';
}

// What one member value is, as it stands in the text.
struct ValueToken {
  std::u16string_view text;  // the whole token: quotation marks included for a string
  bool isString = false;
  bool closed = true;  // false: a string cut off by the end of the text
};

// Copies aText, handing the value of every member named in aMemberNames
// (after unescaping) to aRewrite and writing its answer in the value's place.
// String and number values are handed over; other values stay as they are.
template <typename Rewrite>
std::u16string RewriteMemberValues(std::u16string_view aText, const std::vector<std::u16string>& aMemberNames,
                                   Rewrite&& aRewrite) {
  if (aMemberNames.empty()) return std::u16string(aText);
  std::u16string out;
  out.reserve(aText.size());
  size_t i = 0;
  while (i < aText.size()) {
    if (aText[i] != u'"') {
      out.push_back(aText[i++]);
      continue;
    }
    bool closed = false;
    const size_t nameEnd = ScanString(aText, i, closed);
    out.append(aText.substr(i, nameEnd - i));
    if (!closed) break;
    const std::u16string_view content = aText.substr(i + 1, nameEnd - i - 2);
    i = nameEnd;

    // A member name is a string followed by a colon.
    size_t j = i;
    while (j < aText.size() && IsJsonSpace(aText[j])) ++j;
    if (j >= aText.size() || aText[j] != u':') continue;
    if (std::find(aMemberNames.begin(), aMemberNames.end(), Unescape(content)) == aMemberNames.end()) continue;
    ++j;
    while (j < aText.size() && IsJsonSpace(aText[j])) ++j;
    if (j >= aText.size()) continue;
    ValueToken value;
    size_t valueEnd = j;
    if (aText[j] == u'"') {
      value.isString = true;
      valueEnd = ScanString(aText, j, value.closed);
    } else {
      while (valueEnd < aText.size() && IsNumberCharacter(aText[valueEnd])) ++valueEnd;
      if (valueEnd == j) continue;  // an object, an array, a literal: not rewritten
    }
    value.text = aText.substr(j, valueEnd - j);
    out.append(aText.substr(i, j - i));  // colon and white space, as they were
    out.append(aRewrite(value));
    i = valueEnd;
  }
  return out;
}

}  // namespace

std::u16string MaskSecretMembers(std::u16string_view aText, const std::vector<std::u16string>& aMemberNames) {
  return RewriteMemberValues(aText, aMemberNames, [](const ValueToken& aValue) {
    if (!aValue.isString) return std::u16string(aValue.text);
    std::u16string masked = u"\"" + std::u16string(kSecretMask);
    if (aValue.closed) masked.push_back(u'"');
    return masked;
  });
}

std::u16string MaskCardNumberMembers(std::u16string_view aText, const std::vector<std::u16string>& aMemberNames) {
  return RewriteMemberValues(aText, aMemberNames, [](const ValueToken& aValue) {
    if (!aValue.isString) return MaskCardNumber(aValue.text);
    // The digits are masked as the reader sees them, escapes resolved.
    const size_t contentEnd = aValue.text.size() - (aValue.closed ? 1 : 0);
    std::u16string masked = u"\"" + JsonEscape(MaskCardNumber(Unescape(aValue.text.substr(1, contentEnd - 1))));
    if (aValue.closed) masked.push_back(u'"');
    return masked;
  });
}
