#include "db/uOV_SQLParams.h"

namespace {

bool IsNameStart(char16_t aChar) {
  return (aChar >= u'A' && aChar <= u'Z') || (aChar >= u'a' && aChar <= u'z') || aChar == u'_';
}

bool IsNamePart(char16_t aChar) { return IsNameStart(aChar) || (aChar >= u'0' && aChar <= u'9'); }

// Index just past a quoted run opened at aStart and closed by aClose, where
// a doubled closing character stands for itself.
size_t SkipQuoted(std::u16string_view aSQL, size_t aStart, char16_t aClose) {
  size_t i = aStart + 1;
  while (i < aSQL.size()) {
    if (aSQL[i] == aClose) {
      if (i + 1 < aSQL.size() && aSQL[i + 1] == aClose) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return aSQL.size();  // unterminated: the server reports it
}

}  // namespace

tOV_ParsedSQL ParseNamedParameters(std::u16string_view aSQL) {
  tOV_ParsedSQL parsed;
  parsed.text.reserve(aSQL.size());
  size_t i = 0;
  while (i < aSQL.size()) {
    const char16_t c = aSQL[i];
    size_t end = i + 1;
    if (c == u'\'') {
      end = SkipQuoted(aSQL, i, u'\'');
    } else if (c == u'"') {
      end = SkipQuoted(aSQL, i, u'"');
    } else if (c == u'[') {
      end = SkipQuoted(aSQL, i, u']');
    } else if (c == u'-' && i + 1 < aSQL.size() && aSQL[i + 1] == u'-') {
      end = aSQL.find(u'\n', i);
      end = end == std::u16string_view::npos ? aSQL.size() : end;
    } else if (c == u'/' && i + 1 < aSQL.size() && aSQL[i + 1] == u'*') {
      end = aSQL.find(u"*/", i + 2);
      end = end == std::u16string_view::npos ? aSQL.size() : end + 2;
    } else if (c == u':' && i + 1 < aSQL.size() && aSQL[i + 1] == u':') {
      end = i + 2;
    } else if (c == u':' && i + 1 < aSQL.size() && IsNameStart(aSQL[i + 1])) {
      end = i + 2;
      while (end < aSQL.size() && IsNamePart(aSQL[end])) ++end;
      parsed.names.emplace_back(aSQL.substr(i + 1, end - i - 1));
      parsed.text += u'?';
      i = end;
      continue;
    }
    parsed.text.append(aSQL.substr(i, end - i));
    i = end;
  }
  return parsed;
}
