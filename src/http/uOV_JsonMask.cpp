#include "http/uOV_JsonMask.h"

#include <algorithm>

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

}  // namespace

std::u16string MaskSecretMembers(std::u16string_view aText, const std::vector<std::u16string>& aMemberNames) {
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

    // A member name is a string followed by a colon; its value is masked when
    // it is a string too.
    size_t j = i;
    while (j < aText.size() && IsJsonSpace(aText[j])) ++j;
    if (j >= aText.size() || aText[j] != u':') continue;
    if (std::find(aMemberNames.begin(), aMemberNames.end(), Unescape(content)) == aMemberNames.end()) continue;
    ++j;
    while (j < aText.size() && IsJsonSpace(aText[j])) ++j;
    if (j >= aText.size() || aText[j] != u'"') continue;
    const size_t valueEnd = ScanString(aText, j, closed);
    out.append(aText.substr(i, j + 1 - i));  // colon and white space, as they were
    out.append(kSecretMask);
    if (closed) out.push_back(u'"');
    i = valueEnd;
  }
  return out;
}
