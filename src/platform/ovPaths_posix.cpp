#include "platform/ovPaths.h"

bool IsPathDelimiter(char16_t aCharacter) { return aCharacter == u'/'; }

bool IsValidPath(const std::u16string& aPath) { return aPath.find(u'\0') == std::u16string::npos; }
