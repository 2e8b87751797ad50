#include "platform/ovHttpText.h"

#include "platform/ovUtf.h"

bool IsHttpSpace(char aCharacter) {
  return aCharacter == ' ' || aCharacter == '\t' || aCharacter == '\r' || aCharacter == '\n';
}

std::string HttpHeaderSafe(std::string_view aText) {
  std::string out;
  out.reserve(aText.size());
  for (const char c : aText) {
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  }
  return out;
}

std::string TrimHttpSpace(std::string_view aText) {
  size_t first = 0;
  size_t last = aText.size();
  while (first < last && IsHttpSpace(aText[first])) ++first;
  while (last > first && IsHttpSpace(aText[last - 1])) --last;
  return std::string(aText.substr(first, last - first));
}

std::u16string ReadTimeoutText(int32_t aReadTimeoutMs, bool aTooLong) {
  if (aTooLong) {
    return u"Operation timed out: the answer did not end within " + AsciiToUtf16(std::to_string(2 * aReadTimeoutMs / 1000)) +
           u" seconds";
  }
  return u"Operation timed out: no data received for " + AsciiToUtf16(std::to_string(aReadTimeoutMs / 1000)) +
         u" seconds";
}
