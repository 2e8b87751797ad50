#include "platform/ovPaths.h"

#include <string_view>

bool IsPathDelimiter(char16_t aCharacter) { return aCharacter == u'\\' || aCharacter == u'/' || aCharacter == u':'; }

// What the system refuses in a path: control characters, the wildcard and
// redirection characters, and a colon anywhere but after a drive letter.
bool IsValidPath(const std::u16string& aPath) {
  for (size_t i = 0; i < aPath.size(); ++i) {
    const char16_t c = aPath[i];
    if (c < 0x20 || std::u16string_view(u"<>\"|?*").find(c) != std::u16string_view::npos) return false;
    if (c == u':' && i != 1) return false;
  }
  return true;
}
