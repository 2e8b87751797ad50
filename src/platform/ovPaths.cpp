#include "platform/ovPaths.h"

std::u16string JoinPath(const std::u16string& aFolder, const std::u16string& aName) {
  if (aFolder.empty()) return aName;
  if (aFolder.back() == kPathDelimiter) return aFolder + aName;
  return aFolder + kPathDelimiter + aName;
}

std::u16string ExtractFileName(const std::u16string& aPath) {
  const auto slash = aPath.rfind(kPathDelimiter);
  return slash == std::u16string::npos ? aPath : aPath.substr(slash + 1);
}

std::u16string ExtractFileDir(const std::u16string& aPath) {
  const auto slash = aPath.rfind(kPathDelimiter);
  if (slash == std::u16string::npos) return {};
  return slash == 0 ? std::u16string(1, kPathDelimiter) : aPath.substr(0, slash);
}

std::u16string RemoveFileExtension(const std::u16string& aPath) {
  const auto slash = aPath.rfind(kPathDelimiter);
  const auto dot = aPath.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return aPath;
  return aPath.substr(0, dot);
}

bool IsValidPath(const std::u16string& aPath) { return aPath.find(u'\0') == std::u16string::npos; }
